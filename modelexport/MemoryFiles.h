#pragma once

#include <assimp/IOSystem.hpp>

#include <map>
#include <string>
#include <vector>

namespace varnok::modelexport {

// An Assimp file system that keeps what an exporter writes in memory, by the
// name it was written under, so the files can be written out atomically after.
class MemoryFiles : public Assimp::IOSystem {
public:
    bool Exists(const char* file) const override { return files_.count(file) != 0; }
    char getOsSeparator() const override { return '/'; }
    Assimp::IOStream* Open(const char* file, const char* mode) override;
    void Close(Assimp::IOStream* file) override;

    // The files in the order they were first opened.
    const std::vector<std::string>& Names() const noexcept { return order_; }
    const std::vector<std::uint8_t>& Bytes(const std::string& name) const { return files_.at(name); }

private:
    std::map<std::string, std::vector<std::uint8_t>> files_;
    std::vector<std::string> order_;
};

}  // namespace varnok::modelexport
