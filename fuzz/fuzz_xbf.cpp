// Feeds arbitrary bytes to the model reader. A file it takes must be written back
// byte for byte and walk to its static pose; a FormatError is the expected answer
// to bad bytes; anything else is a bug.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <span>

#include "formats/FormatError.h"
#include "formats/model/ScenePose.h"
#include "formats/model/XbfFile.h"
#include "fuzz/Replay.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace varnok::model;
    const std::span<const std::uint8_t> bytes(data, size);
    try {
        const ModelScene scene = ReadXbf(bytes);
        const std::vector<std::uint8_t> written = WriteXbf(scene);
        if (!std::equal(written.begin(), written.end(), bytes.begin(), bytes.end())) __builtin_trap();
        const SceneCounts counts = CountScene(scene);
        if (counts.faces > size / 44) __builtin_trap();
        (void)ShownBounds(scene);
    } catch (const varnok::FormatError&) {
    }
    return 0;
}
