// Finding an entry by name in the list, and the start-up scan of the game's
// data folders for File > Found.
#include <algorithm>
#include <system_error>

#include "engine/ContinueOnFailure.h"
#include "engine/ProgramInfo.h"
#include "engine/TextRules.h"
#include "engine/mVarnokEngine.h"
#include "formats/cBAG.h"
#include "formats/io/File.h"
#include "platform/Win1252.h"

namespace varnok {
namespace fs = std::filesystem;

namespace {

// The game's data folders, in the order the Found menu lists them.
constexpr const char* kDataFolders[][2] = {{"DATA", nullptr}, {"DATA", "MUSIC"}, {"DATA", "DIALOG"}, {"DATA", "SFX"}};

// The archive pattern "*.rfh ;*.bag", in any letter case.
bool IsArchiveName(const std::string& name) {
    if (name.size() < 4) return false;
    const std::string extension = UpperCaseASCII(name.substr(name.size() - 4));
    return extension == ".RFH" || extension == ".BAG";
}

// The archive files directly in `folder`, in the alphabetical order of a file
// list; false when the folder could not be read to its end.
bool ListArchives(const fs::path& folder, std::vector<std::string>& names) {
    std::error_code ec;
    for (fs::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) {
        std::error_code kind;
        const std::string name = it->path().filename().string();
        if (it->is_regular_file(kind) && IsArchiveName(name)) names.push_back(name);
    }
    std::sort(names.begin(), names.end(), [](const std::string& a, const std::string& b) {
        const std::string ua = UpperCaseASCII(a), ub = UpperCaseASCII(b);
        return ua != ub ? ua < ub : a < b;
    });
    return !ec;
}

}  // namespace

int mVarnokEngine::FindFile(const std::string& name, bool down) {
    const std::string wanted = UpperCaseASCII(name);
    const int rows = RowCount();
    const int current = std::clamp(ui_.FocusedRow(), 0, rows + 1);
    const int step = down ? 1 : -1;
    const int last = down ? rows : 1;
    // The current row itself is never compared, so a repeated search goes on
    // past the row it found before.
    for (int i = current + step; i >= 1 && i <= rows; i += step) {
        // A BAG record is found by its stored name too, typed without its extension.
        if (UpperCaseASCII(Row(i)[Column::Filename]) == wanted ||
            (isBag_ && UpperCaseASCII(Win1252ToUtf8(bag_->BAGGetStoredName(i))) == wanted)) {
            ui_.MarkFoundRow(i);
            UpdateSelection();
            return i;
        }
        if (i == last) {
            ui_.ShowMessage("File search completed.", kFileDescription, MessageIcon::Information, MessageButtons::Ok);
        }
    }
    return 0;
}

const std::vector<FoundArchive>& mVarnokEngine::SearchRFH(const fs::path& gameFolder) {
    found_.clear();
    // The game was made for a file system that ignores letter case; its folders
    // may be spelt in any case here.
    for (const auto& parts : kDataFolders) {
        if (gameFolder.empty()) break;
        fs::path folder = gameFolder;
        std::string caption;
        for (const char* part : parts) {
            if (!part) continue;
            folder = ResolveNameCase(folder / part);
            caption += std::string(part) + "/";
        }
        std::error_code ec;
        if (!fs::is_directory(folder, ec)) continue;
        std::vector<std::string> names;
        const bool complete = ListArchives(folder, names);
        if (!complete) break;  // an unreadable folder ends the scan; what was found stays
        for (const std::string& name : names)
            found_.push_back({caption + UpperCaseASCII(name), (folder / name).string()});
    }
    std::vector<std::string> captions;
    for (const auto& archive : found_) captions.push_back(archive.caption);
    TryStep([&] { ui_.SetFoundArchives(captions); });
    return found_;
}

void mVarnokEngine::OpenFoundArchive(int k) {
    if (k < 1 || k > static_cast<int>(found_.size())) return;
    const std::string path = found_[static_cast<std::size_t>(k - 1)].path;
    OpenArchive(path);
}

}  // namespace varnok
