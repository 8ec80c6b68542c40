#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace varnok {

// The registry stand-in. Keys and values live in a text file in the syntax Wine
// keeps its own registry in (system.reg, user.reg), so that one reader serves both
// our own store and the Wine prefix the game was installed into:
//
//   [HKEY_CLASSES_ROOT\\.RFH]
//   @="RFH Archive"
//   "NullFile"=""
//
// Key paths in section lines and all strings escape "\" and the delimiter with a
// backslash; \a \b \t \n \v \f \r \e, octal digits and \x with up to four hex
// digits (a UTF-16 unit) stand for the other characters. Wine puts a time stamp
// after the closing bracket and "#name=value" lines between keys; both are read
// and ignored.

enum class RegRoot { ClassesRoot, LocalMachine };

// Value kinds, with the numbers the registry gives them.
inline constexpr std::uint32_t kRegText = 1;        // REG_SZ
inline constexpr std::uint32_t kRegExpandText = 2;  // REG_EXPAND_SZ
inline constexpr std::uint32_t kRegBinary = 3;      // REG_BINARY
inline constexpr std::uint32_t kRegNumber = 4;      // REG_DWORD
inline constexpr std::uint32_t kRegMultiText = 7;   // REG_MULTI_SZ

// Status codes of the registry calls.
inline constexpr long kRegSuccess = 0;
inline constexpr long kRegNotFound = 2;        // ERROR_FILE_NOT_FOUND
inline constexpr long kRegInvalidData = 13;    // ERROR_INVALID_DATA
inline constexpr long kRegMoreData = 234;      // ERROR_MORE_DATA
inline constexpr long kRegCannotWrite = 1013;  // ERROR_CANTWRITE

// One value as the registry holds it: a text value's data is its UTF-8 bytes and
// a terminating NUL; a number's is four bytes, least significant first.
struct RegValue {
    std::uint32_t kind = kRegText;
    std::vector<std::uint8_t> data;

    static RegValue Text(std::string_view text, std::uint32_t kind = kRegText);
    static RegValue Number(std::int32_t number);
    bool operator==(const RegValue&) const = default;
};

// The data of a text value up to its first NUL, as a program reading the value
// into a string would see it.
std::string TextOf(const RegValue& value);

// A registry file in memory. Key paths are compared without regard to ASCII letter
// case, as are value names; "" is the key's default value. Keys and values keep the
// order they were first written in, so a file that is loaded and written back
// unchanged keeps its bytes.
class RegFile {
public:
    // Lines that are not understood are skipped; this never raises.
    static RegFile Parse(std::string_view text);
    // A missing or unreadable file is an empty registry.
    static RegFile Load(const std::filesystem::path& file);

    // `header` is written as the first line, followed by a blank line.
    std::string Render(std::string_view header) const;

    // A key exists when it was created, or when a key below it was.
    bool HasKey(std::string_view path) const;
    // Nullptr when the key or the value is missing.
    const RegValue* Value(std::string_view path, std::string_view name) const;

    // Creating an existing key changes nothing.
    void CreateKey(std::string_view path);
    // Creates the key when it is missing; replaces a value in its place.
    void SetValue(std::string_view path, std::string_view name, RegValue value);

private:
    struct Key {
        std::string path;
        std::vector<std::pair<std::string, RegValue>> values;
    };
    Key* Find(std::string_view path);
    const Key* Find(std::string_view path) const;

    std::vector<Key> keys_;
};

// The program's own store: <WindowsDir>/registry.reg. Its key paths start with
// the root's name, "HKEY_CLASSES_ROOT\" or "HKEY_LOCAL_MACHINE\".
std::filesystem::path RegistryFile();
inline constexpr std::string_view kRegistryHeader = ";; Varnok 2 registry";
std::string RootedPath(RegRoot root, std::string_view keyPath);

// The registry module's read: the text of a value of the store at `file`.
// - A missing key or value, or data of more than 1024 bytes, sets `result` to ""
//   and gives false.
// - Otherwise `result` is the data up to its first NUL; a number reads as "&h"
//   and its hexadecimal digits ("&hA" for 10), which reads back as the number.
bool ReadRegValue(const std::filesystem::path& file, RegRoot root, std::string_view keyPath, std::string_view valueName,
                  std::string& result);
bool ReadRegValue(RegRoot root, std::string_view keyPath, std::string_view valueName, std::string& result);

}  // namespace varnok
