#pragma once

#include <functional>
#include <string>

namespace varnok {

// The folder picker the dialogs' Browse buttons use: the chosen folder, or ""
// when the user cancelled. The main window passes its own BrowseForFolder.
using BrowseForFolderFn = std::function<std::string(const std::string& prompt)>;

// A folder the picker gave, the way the dialogs show it: cut at its first NUL
// (a picker that fills a fixed buffer leaves one) and ending in "/". An empty
// result stays empty.
std::string PickedDiskFolder(std::string picked);

// A typed stored folder in the form the index keeps ("Path" column form): "/"
// read as "\", leading and doubled separators dropped, ending in "\" unless it is
// empty (the root, also typed as "\"). A folder no entry may have ("..", "C:")
// comes back as typed, with "\" for "/" and a trailing "\".
std::string TypedStoredFolder(std::string typed);

}  // namespace varnok
