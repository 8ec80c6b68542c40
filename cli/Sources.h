#pragma once

#include <filesystem>
#include <string>
#include <vector>

namespace varnok {
class mVarnokEngine;
}

namespace varnok::cli {

// A folder whose files go into the archive under one stored path.
struct FolderToAdd {
    std::filesystem::path folder;
    std::string storedFolder;  // "" or ending in "\"
};

// The folders of the tree at `top` that hold files, top first, then the subfolders
// in name order: the files of `top` go under `storedFolder`, those of a subfolder
// under `storedFolder` followed by the subfolder's relative path, "\"-separated.
// Symbolic links to folders are not followed.
std::vector<FolderToAdd> FoldersToAdd(const std::filesystem::path& top, const std::string& storedFolder);

// Checks the sources of an add before anything is changed: each must exist, and
// none may be the archive's own index or data file, or a folder holding them.
// Prints why and returns false otherwise.
bool CheckSources(const std::vector<std::string>& sources, const std::filesystem::path& index,
                  const std::filesystem::path& data);

// Adds files and folder trees, in the order given, through the engine.
void AddSources(mVarnokEngine& engine, const std::vector<std::string>& sources, const std::string& storedFolder);

}  // namespace varnok::cli
