#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace varnok::torture {

using Bytes = std::vector<std::uint8_t>;

// The two kinds of archive the harness edits.
enum class ArchiveKind { Rfh, Bag };

// Every entry the harness writes carries its identity in its first bytes:
// "VNKT <id> <version>\n", followed by bytes that follow from the id and the
// version alone. So any entry found in an archive can be checked byte for byte
// without knowing where it came from. An entry's name is its id, followed by
// "r<n>" once it has been renamed; the id alone decides which bytes it holds.
struct Identity {
    std::string id;
    int version = 0;
    bool operator==(const Identity&) const = default;
};

// The bytes of an RFH entry.
Bytes EntryBytes(const Identity& who);
// A PCM WAVE file (44-byte header, 16-bit mono) whose samples are the entry's bytes.
Bytes WaveFile(const Identity& who);
// What a file added to an archive of this kind holds.
Bytes FileBytes(ArchiveKind kind, const Identity& who);

// The identity written into extracted bytes, when they carry one.
std::optional<Identity> IdentityIn(ArchiveKind kind, const Bytes& bytes);

// The id a name implies: the name up to its rename suffix ("e12r3" -> "e12").
std::string IdOfName(const std::string& name);

}  // namespace varnok::torture
