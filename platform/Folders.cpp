#include "platform/Folders.h"

#include <unistd.h>

#include <cstdlib>
#include <system_error>

namespace varnok {
namespace fs = std::filesystem;

namespace {

std::string Env(const char* name) {
    const char* v = std::getenv(name);
    return v ? std::string(v) : std::string();
}

std::string WithoutTrailingSeparator(std::string path) {
    while (path.size() > 1 && path.back() == '/') path.pop_back();
    return path;
}

}  // namespace

std::string WindowsDir() {
    if (auto own = Env("VARNOK_WINDOWS_DIR"); !own.empty()) return WithoutTrailingSeparator(own);
    if (auto data = Env("XDG_DATA_HOME"); !data.empty() && data.front() == '/') {
        return WithoutTrailingSeparator(data) + "/varnok2";
    }
    std::string home = Env("HOME");
    if (home.empty()) home = fs::temp_directory_path().string();
    return WithoutTrailingSeparator(home) + "/.local/share/varnok2";
}

fs::path WorkRoot() { return fs::path(WindowsDir()) / "Temp"; }
fs::path ViewFolder() { return WorkRoot() / "TMP0005"; }
fs::path PlugInWorkFolder() { return WorkRoot() / "VNK"; }

bool FileExists(const std::string& path) {
    std::error_code ec;
    const fs::path p(path);
    if (fs::is_directory(p, ec)) {
        for (fs::directory_iterator it(p, ec), end; !ec && it != end; it.increment(ec)) {
            if (it->is_regular_file(ec)) return true;
        }
        return false;
    }
    return fs::is_regular_file(p, ec);
}

fs::path ProgramFolder() {
    std::error_code ec;
    fs::path exe = fs::read_symlink("/proc/self/exe", ec);
    if (ec) return fs::current_path(ec);
    return exe.parent_path();
}

}  // namespace varnok
