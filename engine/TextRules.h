#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace varnok {

// The text after the last separator of `path`, or `path` whole when it holds no
// separator after its first character. Both "\" (stored names, typed names) and
// "/" (disk paths here) count.
std::string StripPath(std::string_view path);

// The names a question puts before the user, one a line: the first `shown` of
// them, then "and N more" for the rest, so that a long list keeps the box on the
// screen.
std::string NameLines(const std::vector<std::string>& names, std::size_t shown = 10);

// Why a rename or a change of path is refused when entry `other` already has the
// stored name it would give (`shown`, as the list shows it).
std::string NameTakenMessage(std::int32_t other, const std::string& shown);

// A copy with a-z made A-Z and every other byte unchanged.
std::string UpperCaseASCII(std::string_view text);

// `text` with a trailing "\" (stored folders) or "/" (disk folders) added when it
// has none. An empty text stays empty.
std::string WithTrailingBackslash(std::string text);
std::string WithTrailingSlash(std::string text);

// The data file's path for an index path: its last three characters, "rfh" in any
// letter case, replaced by "rfd" in the same case ("X.RFH" gives "X.RFD"). An
// index whose name does not end in "rfh", or is shorter than four characters, has
// none: "". So no archive's data file is a bare "rfd" or its own index.
std::string DataFilePath(std::string_view indexPath);

// `path` with the archive extension `extension` (".rfh", ".bag") added unless its
// name already ends in it, in any letter case: "abc" gives "abc.rfh", "abc.RFH"
// stays. A path that names no file (empty, or ending in a separator) is returned
// as it is.
std::string WithArchiveExtension(std::string path, std::string_view extension);

// Files of 2 bytes or fewer are never added: the rule, and the line that refuses
// `file` by it in the report of an add, "FILE: a file of 2 bytes or fewer can't
// be added".
inline constexpr std::string_view kSmallFileRule = "a file of 2 bytes or fewer can't be added";
std::string SmallFileRefusal(std::string_view file);

// The rules every name the program writes into an index shares with extraction,
// which refuses to write a stored name that breaks them. They look only at ASCII
// bytes, so they hold for Windows-1252 bytes and for UTF-8 text alike: neither
// encoding uses an ASCII byte inside another character.
//
// Why one component of a stored name (a folder or the file name) can't be
// written, or "" when it can: empty, "." or "..", a "/" or a NUL inside it, or a
// drive letter in front ("C:").
std::string RefusalOfComponent(std::string_view part);
// Why `name` can't be an entry's file name, or "" when it can: the component
// rules, and no "\".
std::string RefusalOfName(std::string_view name);

// A stored folder in the form the index keeps: "" for the root, else its
// components each followed by "\". "/" counts as "\"; leading, doubled and
// trailing separators are dropped ("\sounds" and "sounds/" give "sounds\", "\"
// gives the root). Nothing when a component is one extraction refuses; `why`
// then says which.
std::optional<std::string> NormaliseStoredPath(std::string_view path, std::string& why);

// NormaliseStoredPath of a folder given as UTF-8 text, in Windows-1252 bytes;
// throws std::invalid_argument, saying why, when it can't be stored.
std::string StoredFolderFromText(std::string_view utf8);

}  // namespace varnok
