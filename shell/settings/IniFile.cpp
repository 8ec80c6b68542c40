#include "shell/settings/IniFile.h"

#include <system_error>

#include "engine/ContinueOnFailure.h"
#include "formats/FormatError.h"
#include "formats/io/File.h"

namespace varnok {
namespace fs = std::filesystem;

namespace {

// Settings and plug-in descriptions are a few kilobytes; anything this large is
// not one of them and is left alone.
constexpr std::uint64_t kMaxIniBytes = 16u << 20;

// The file the name stands for: a name that differs only in letter case from an
// existing file finds it, as on the original platform, and a symbolic link is
// followed so that the replacement lands on the real file and the link stays.
fs::path RealFile(const fs::path& file) {
    const fs::path named = ResolveNameCase(file);
    std::error_code ec;
    fs::path real = fs::canonical(named, ec);
    return ec ? named : real;
}

IniText Load(const fs::path& real) {
    std::error_code ec;
    const fs::file_status status = fs::status(real, ec);
    if (status.type() == fs::file_type::not_found) return {};
    if (ec) throw FormatError(FormatErrorKind::InputOutput, "cannot read \"" + real.string() + "\": " + ec.message());
    if (FileLength(real) > kMaxIniBytes) {
        throw FormatError(FormatErrorKind::Corrupt, "\"" + real.string() + "\" is too large for an INI file");
    }
    const Bytes bytes = ReadWholeFile(real);
    return IniText(std::string(bytes.begin(), bytes.end()));
}

}  // namespace

IniText IniFile::load() const { return Load(RealFile(file_)); }

std::optional<std::string> IniFile::read(std::string_view section, std::string_view key) const {
    std::optional<std::string> value;
    // An unreadable file reads like a missing one: every key takes its default.
    TryStep([&] { value = load().value(section, key); });
    return value;
}

IniText IniFile::update(const std::function<void(IniText&)>& edit) const {
    const fs::path real = RealFile(file_);
    IniText text = Load(real);
    const std::string before = text.bytes();
    edit(text);
    if (text.bytes() == before) return text;
    std::error_code ec;
    if (real.has_parent_path()) fs::create_directories(real.parent_path(), ec);  // a failure shows in the write
    const std::string& after = text.bytes();
    WriteFileAtomically(real, {reinterpret_cast<const std::uint8_t*>(after.data()), after.size()});
    return text;
}

void IniFile::write(std::string_view section, std::string_view key, std::string_view value) const {
    update([&](IniText& text) { text.set(section, key, value); });
}

}  // namespace varnok
