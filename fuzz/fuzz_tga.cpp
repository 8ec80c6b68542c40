// Feeds arbitrary bytes to the TGA decoder the model textures go through, and
// what it decodes to the PNG writer. A FormatError is the expected answer to bad
// bytes; anything else is a bug.
#include <cstddef>
#include <cstdint>
#include <span>

#include "formats/FormatError.h"
#include "formats/model/Picture.h"
#include "fuzz/Replay.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace varnok::model;
    try {
        Picture picture = DecodeTga(std::span<const std::uint8_t>(data, size));
        if (picture.rgba.size() != std::size_t{picture.width} * picture.height * 4) __builtin_trap();
        KeyOutMagenta(picture);
        if (picture.width != 0 && picture.height != 0) (void)EncodePng(picture);
    } catch (const varnok::FormatError&) {
    }
    return 0;
}
