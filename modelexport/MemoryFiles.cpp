// In-memory files for Assimp's exporters.
#include "modelexport/MemoryFiles.h"

#include <assimp/IOStream.hpp>

#include <algorithm>
#include <cstring>

namespace varnok::modelexport {

namespace {

// A growing byte vector the exporter writes into (or, for a file opened to read,
// reads from).
class MemoryStream : public Assimp::IOStream {
public:
    explicit MemoryStream(std::vector<std::uint8_t>& bytes) : bytes_(bytes) {}

    size_t Read(void* buffer, size_t size, size_t count) override {
        if (size == 0 || position_ >= bytes_.size()) return 0;
        const size_t whole = std::min(count, (bytes_.size() - position_) / size);
        std::memcpy(buffer, bytes_.data() + position_, whole * size);
        position_ += whole * size;
        return whole;
    }
    size_t Write(const void* buffer, size_t size, size_t count) override {
        const size_t n = size * count;
        if (position_ + n > bytes_.size()) bytes_.resize(position_ + n);
        if (n != 0) std::memcpy(bytes_.data() + position_, buffer, n);
        position_ += n;
        return count;
    }
    aiReturn Seek(size_t offset, aiOrigin origin) override {
        const size_t base = origin == aiOrigin_SET ? 0 : origin == aiOrigin_CUR ? position_ : bytes_.size();
        // A writer may seek past the end to leave room for a header written last.
        position_ = base + offset;
        return aiReturn_SUCCESS;
    }
    size_t Tell() const override { return position_; }
    size_t FileSize() const override { return bytes_.size(); }
    void Flush() override {}

private:
    std::vector<std::uint8_t>& bytes_;
    size_t position_ = 0;
};

}  // namespace

Assimp::IOStream* MemoryFiles::Open(const char* file, const char* mode) {
    const std::string name = file;
    const bool writing = std::strchr(mode, 'w') != nullptr;
    if (!writing && files_.count(name) == 0) return nullptr;
    if (files_.count(name) == 0) order_.push_back(name);
    auto& bytes = files_[name];
    if (writing) bytes.clear();
    return new MemoryStream(bytes);
}

void MemoryFiles::Close(Assimp::IOStream* file) { delete file; }

}  // namespace varnok::modelexport
