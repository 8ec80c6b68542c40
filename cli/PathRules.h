#pragma once

#include <string>

namespace varnok::cli {

// A stored folder as the user typed it ("a/b", "\a\b\", "" for the root) in the
// form the index keeps: "" or "a\b\". Throws UsageError for a component that
// extraction would refuse: ".", "..", a drive letter, a NUL.
std::string StoredFolderFromUser(const std::string& typed);

// Throws UsageError unless `name` can be an entry's file name: not empty, no
// separator, nothing extraction would refuse ("..", "C:x").
void CheckNewFileName(const std::string& name);

}  // namespace varnok::cli
