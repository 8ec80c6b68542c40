#include "shell/DesktopAssociation.h"

#include <cstdlib>
#include <fstream>
#include <iterator>
#include <optional>
#include <span>
#include <system_error>

#include "formats/io/File.h"
#include "platform/Process.h"

namespace varnok {
namespace fs = std::filesystem;

namespace {

// What the file holds now; nothing for a file that cannot be read, which is
// then written anew.
std::optional<std::string> CurrentBytes(const fs::path& file) {
    std::error_code ec;
    if (!fs::is_regular_file(file, ec)) return std::nullopt;
    try {
        std::ifstream in(file, std::ios::binary);
        if (!in) return std::nullopt;
        return std::string{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    } catch (const std::exception&) {
        return std::nullopt;
    }
}

bool WriteIfChanged(const fs::path& file, const std::string& text) {
    if (CurrentBytes(file) == text) return false;
    fs::create_directories(file.parent_path());
    WriteFileAtomically(file, std::span(reinterpret_cast<const std::uint8_t*>(text.data()), text.size()));
    return true;
}

// A cache older than its source, or none at all, means the database never took
// the source in (the tool may have been missing when it was written).
bool CacheIsStale(const fs::path& cache, const fs::path& source) {
    std::error_code ec;
    const auto cacheTime = fs::last_write_time(cache, ec);
    if (ec) return true;
    const auto sourceTime = fs::last_write_time(source, ec);
    return !ec && cacheTime < sourceTime;
}

bool Refresh(std::string_view tool, const fs::path& folder, std::string_view searchPath) {
    const auto program = FindProgram(tool, searchPath);
    if (!program) return false;
    return static_cast<bool>(StartDetached(*program, {folder.string()}, {}, searchPath));
}

}  // namespace

fs::path DataHome() {
    if (const char* data = std::getenv("XDG_DATA_HOME"); data && data[0] == '/') return data;
    const char* home = std::getenv("HOME");
    return fs::path(home && *home ? home : "/") / ".local" / "share";
}

std::vector<fs::path> DataDirs() {
    std::vector<fs::path> dirs;
    const char* list = std::getenv("XDG_DATA_DIRS");
    std::string_view rest = list ? list : "";
    while (!rest.empty()) {
        const auto colon = rest.find(':');
        const std::string_view dir = rest.substr(0, colon);
        if (dir.starts_with('/')) dirs.emplace_back(dir);
        rest = colon == std::string_view::npos ? std::string_view() : rest.substr(colon + 1);
    }
    if (dirs.empty()) dirs = {"/usr/local/share", "/usr/share"};
    return dirs;
}

fs::path MimePackageFile(const fs::path& dataHome) { return dataHome / "mime" / "packages" / "varnok2.xml"; }
fs::path DesktopEntryFile(const fs::path& dataHome) { return dataHome / "applications" / "varnok2.desktop"; }

std::string MimePackageText() {
    std::string text =
        "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
        "<mime-info xmlns=\"http://www.freedesktop.org/standards/shared-mime-info\">\n"
        "  <mime-type type=\"";
    text += kRfhMimeType;
    text +=
        "\">\n"
        "    <comment>Emperor: Battle For Dune RFH file</comment>\n"
        "    <generic-icon name=\"package-x-generic\"/>\n"
        "    <glob pattern=\"*.rfh\" case-sensitive=\"false\"/>\n"
        "  </mime-type>\n"
        "  <mime-type type=\"";
    text += kRfdMimeType;
    text +=
        "\">\n"
        "    <comment>Emperor: Battle For Dune RFD file</comment>\n"
        "    <generic-icon name=\"package-x-generic\"/>\n"
        "    <glob pattern=\"*.rfd\" case-sensitive=\"false\"/>\n"
        "  </mime-type>\n"
        "  <mime-type type=\"";
    text += kBagMimeType;
    text +=
        "\">\n"
        "    <comment>Emperor: Battle For Dune BAG file</comment>\n"
        "    <generic-icon name=\"audio-x-generic\"/>\n"
        "    <magic priority=\"60\">\n"
        "      <match type=\"string\" offset=\"0\" value=\"GABA\"/>\n"
        "    </magic>\n"
        "    <glob pattern=\"*.bag\" case-sensitive=\"false\"/>\n"
        "  </mime-type>\n"
        "</mime-info>\n";
    return text;
}

std::string DesktopExecArgument(std::string_view argument) {
    // First the quoting of the Exec key, then the escapes every string value has:
    // a backslash inside the quotes ends up written as four.
    std::string quoted = "\"";
    for (const char c : argument) {
        if (c == '"' || c == '`' || c == '$' || c == '\\') quoted += '\\';
        if (c == '%') quoted += '%';
        quoted += c;
    }
    quoted += '"';
    std::string value;
    for (const char c : quoted) {
        switch (c) {
            case '\\': value += "\\\\"; break;
            case '\n': value += "\\n"; break;
            case '\t': value += "\\t"; break;
            case '\r': value += "\\r"; break;
            default: value += c; break;
        }
    }
    return value;
}

std::string DesktopEntryText(const fs::path& executable) {
    std::string text =
        "[Desktop Entry]\n"
        "Type=Application\n"
        "Version=1.0\n"
        "Name=Varnok 2\n"
        "GenericName=Archive Explorer\n"
        "Comment=View and edit the archives of Emperor: Battle for Dune\n"
        "Exec=";
    text += DesktopExecArgument(executable.string());
    text += " %f\n";
    text += "Terminal=false\nNoDisplay=true\nMimeType=";
    text += kRfhMimeType;
    text += ';';
    text += kBagMimeType;
    text += ";\nCategories=Utility;Archiving;\n";
    return text;
}

bool InstalledWithDesktopFiles(const fs::path& executable, const std::vector<fs::path>& dataDirs) {
    std::error_code ec;
    const fs::path program = fs::weakly_canonical(executable, ec);
    if (ec || program.empty()) return false;
    for (const fs::path& dir : dataDirs) {
        if (!fs::is_regular_file(DesktopEntryFile(dir), ec) || !fs::is_regular_file(MimePackageFile(dir), ec)) continue;
        const fs::path prefix = fs::weakly_canonical(dir, ec).parent_path();
        // The root as a prefix would hold every copy of the program, a build tree too.
        if (ec || prefix.empty() || prefix == prefix.root_path()) continue;
        const fs::path inside = program.lexically_relative(prefix);
        if (!inside.empty() && *inside.begin() != "..") return true;
    }
    return false;
}

DesktopAssociationResult InstallDesktopAssociation(const fs::path& dataHome, const fs::path& executable,
                                                   std::string_view searchPath) {
    DesktopAssociationResult result;
    const fs::path package = MimePackageFile(dataHome);
    const fs::path entry = DesktopEntryFile(dataHome);
    result.packageWritten = WriteIfChanged(package, MimePackageText());
    result.entryWritten = WriteIfChanged(entry, DesktopEntryText(executable));
    if (result.packageWritten || CacheIsStale(dataHome / "mime" / "mime.cache", package)) {
        result.mimeDatabaseRefreshed = Refresh("update-mime-database", dataHome / "mime", searchPath);
    }
    if (result.entryWritten || CacheIsStale(dataHome / "applications" / "mimeinfo.cache", entry)) {
        result.desktopDatabaseRefreshed = Refresh("update-desktop-database", dataHome / "applications", searchPath);
    }
    return result;
}

}  // namespace varnok
