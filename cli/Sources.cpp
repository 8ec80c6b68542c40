#include "cli/Sources.h"

#include <algorithm>
#include <system_error>

#include "cli/Output.h"
#include "engine/mVarnokEngine.h"

namespace varnok::cli {
namespace fs = std::filesystem;

namespace {

bool HoldsFiles(const fs::path& folder) {
    std::error_code ec;
    for (fs::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) {
        std::error_code kind;
        if (it->is_regular_file(kind)) return true;
    }
    return false;
}

std::string StoredFolderOf(const fs::path& relative) {
    std::string folder;
    for (const fs::path& part : relative) folder += part.string() + '\\';
    return folder;
}

bool SameFile(const fs::path& a, const fs::path& b) {
    std::error_code ec;
    return fs::equivalent(a, b, ec);
}

}  // namespace

std::vector<FolderToAdd> FoldersToAdd(const fs::path& top, const std::string& storedFolder) {
    std::vector<fs::path> subfolders;
    std::error_code ec;
    for (fs::recursive_directory_iterator it(top, fs::directory_options::skip_permission_denied, ec), end;
         !ec && it != end; it.increment(ec)) {
        std::error_code kind;
        if (it->is_directory(kind) && !it->is_symlink(kind)) subfolders.push_back(it->path());
    }
    std::sort(subfolders.begin(), subfolders.end());
    std::vector<FolderToAdd> folders;
    if (HoldsFiles(top)) folders.push_back({top, storedFolder});
    for (const fs::path& sub : subfolders) {
        if (HoldsFiles(sub)) folders.push_back({sub, storedFolder + StoredFolderOf(sub.lexically_relative(top))});
    }
    return folders;
}

bool CheckSources(const std::vector<std::string>& sources, const fs::path& index, const fs::path& data) {
    for (const std::string& source : sources) {
        std::error_code ec;
        const fs::file_status status = fs::status(source, ec);
        if (!fs::exists(status)) {
            PrintError("no such file or folder: " + Quoted(source));
            return false;
        }
        if (!fs::is_directory(status)) {
            if (SameFile(source, index) || SameFile(source, data)) {
                PrintError(Quoted(source) + " is a file of the archive itself");
                return false;
            }
            continue;
        }
        for (const FolderToAdd& f : FoldersToAdd(source, "")) {
            if (SameFile(f.folder, fs::absolute(index).parent_path())) {
                PrintError("the archive lies in " + Quoted(f.folder.string()) +
                           ", which is to be added: an archive can't be added to itself");
                return false;
            }
        }
    }
    return true;
}

// Files given one after another are added as one batch, so a BAG archive is
// written once for them.
void AddSources(mVarnokEngine& engine, const std::vector<std::string>& sources, const std::string& storedFolder) {
    std::vector<std::string> files;
    const auto addFiles = [&] {
        if (files.size() == 1) engine.AddFileToArchive(files.front(), storedFolder);
        if (files.size() > 1) engine.AddFilesToArchive(files, storedFolder);
        files.clear();
    };
    for (const std::string& source : sources) {
        std::error_code ec;
        if (!fs::is_directory(source, ec)) {
            files.push_back(source);
            continue;
        }
        addFiles();
        const std::vector<FolderToAdd> folders = FoldersToAdd(source, storedFolder);
        if (folders.empty()) {
            engine.AddDirectoryToArchive(source, storedFolder);  // it says there is nothing to add
            continue;
        }
        for (const FolderToAdd& f : folders) engine.AddDirectoryToArchive(f.folder.string() + "/", f.storedFolder);
    }
    addFiles();
}

}  // namespace varnok::cli
