#include "tests/torture/Archive.h"

#include <fstream>
#include <iterator>
#include <stdexcept>

namespace varnok::torture {

namespace fs = std::filesystem;

std::vector<fs::path> Archive::Files() const {
    if (kind == ArchiveKind::Bag) return {Path()};
    return {Path(), DataFile()};
}

std::string Archive::NameOfListed(const std::string& listed) const {
    const std::string suffix = kind == ArchiveKind::Rfh ? ".dat" : ".w";
    if (listed.size() <= suffix.size() || !listed.ends_with(suffix)) return {};
    return listed.substr(0, listed.size() - suffix.size());
}

std::vector<std::string> DecoyNames(const Archive& archive) {
    if (archive.kind == ArchiveKind::Bag) {
        return {".A.bag.vnk-zzzzzzzz", ".A.bag.vnk-0a1b2c3d", ".A.bag.vnk-new"};
    }
    return {".A.rfh.vnk-abcdefgh", ".A.rfd.vnk-12345678", ".A.rfd.vnk-new", ".A.rfh.vnk-new", ".A.rfd.vnk-add"};
}

std::string DecoyContent(const std::string& name) { return "a user's own file, " + name + ", not varnok's\n"; }

void WriteEmptyBag(const fs::path& path) {
    const Bytes header = {'G', 'A', 'B', 'A', 4, 0, 0, 0, 0, 0, 0, 0, 64, 0, 0, 0};
    WriteFile(path, header);
}

void WriteFile(const fs::path& path, const Bytes& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    if (!out.flush()) throw std::runtime_error("cannot write " + path.string());
}

Bytes ReadFile(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) throw std::runtime_error("cannot read " + path.string());
    return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

}  // namespace varnok::torture
