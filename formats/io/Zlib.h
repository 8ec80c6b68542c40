#pragma once

#include <cstdint>
#include <functional>
#include <span>
#include <string>

#include "formats/io/File.h"

namespace varnok {

// One zlib stream (RFC 1950) of `data`, as compress2 writes it at level 9.
Bytes CompressLevel9(std::span<const std::uint8_t> data);

// Inflates the zlib stream at the start of `stream` and checks that it holds exactly
// `originalSize` bytes. Bytes after the end of the stream are ignored. A damaged
// stream, one cut short, or one of another length raises FormatError(Corrupt);
// `what` names the payload in that message. Memory grows only as output arrives.
Bytes InflateExact(std::span<const std::uint8_t> stream, std::uint64_t originalSize, const std::string& what);

// The same check, handing the output to `sink` in pieces instead of keeping it.
void InflateExactTo(std::span<const std::uint8_t> stream, std::uint64_t originalSize, const std::string& what,
                    const std::function<void(std::span<const std::uint8_t>)>& sink);

// The same again, reading the stream in pieces too: each call of `source` gives
// the next piece (empty at the end), which stays valid until the next call.
void InflateExactTo(const std::function<std::span<const std::uint8_t>()>& source, std::uint64_t originalSize,
                    const std::string& what, const std::function<void(std::span<const std::uint8_t>)>& sink);

// The first `limit` bytes of the output (all of it when the stream holds fewer),
// read from pieces as above; inflating stops there. Damage in the part read, or a
// stream that ends before it, raises what InflateExactTo raises.
Bytes InflateFirst(const std::function<std::span<const std::uint8_t>()>& source, std::uint64_t originalSize,
                   std::uint64_t limit, const std::string& what);

}  // namespace varnok
