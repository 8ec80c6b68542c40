#include "engine/EntryPreview.h"

#include <algorithm>
#include <exception>

#include "engine/mVarnokEngine.h"
#include "formats/cRFH.h"
#include "platform/Win1252.h"

namespace varnok {

EntryReader EntryReader::Take(const mVarnokEngine& engine, std::int32_t n) {
    EntryReader reader;
    if (engine.ArchivePath().empty() || n < 1 || n > engine.FileCount()) return reader;
    reader.number_ = n;
    if (engine.IsBAG()) {
        const cBAG& bag = engine.Bag();
        BagSource source{engine.ArchivePath(), bag.BAGGetRecord(n), bag.BAGCanConvert(n), bag.BAGIsAdpcm(n)};
        reader.listName_ = Win1252ToUtf8(bag.BAGGetFileName(n));
        reader.contentName_ = Win1252ToUtf8(source.convertible ? bag.BAGGetConvertedName(n) : bag.BAGGetFileName(n));
        reader.size_ = static_cast<std::uint64_t>(std::max(source.record.Size, 0));
        reader.source_ = std::move(source);
        return reader;
    }
    const cRFH& index = engine.Index();
    RfhSource source{engine.Data(), index.GetOffSet(n), index.GetPackedSize(n), index.GetOriginalSize(n),
                     index.GetPacked(n) == "Yes"};
    reader.listName_ = Win1252ToUtf8(index.GetFilePath(n) + index.GetFileName(n));
    reader.contentName_ = Win1252ToUtf8(index.GetFileName(n));
    reader.size_ = static_cast<std::uint64_t>(std::max(source.packed ? source.originalSize : source.packedSize, 0));
    reader.source_ = std::move(source);
    return reader;
}

bool EntryReader::DecodedFromAdpcm() const noexcept {
    const auto* bag = std::get_if<BagSource>(&source_);
    return bag && bag->adpcm;
}

Bytes EntryReader::ReadBytes(std::uint64_t maxBytes, bool& complete) const {
    if (const auto* rfh = std::get_if<RfhSource>(&source_)) {
        complete = size_ <= maxBytes;
        return rfh->data.RFDReadFile(rfh->offset, rfh->packedSize, rfh->originalSize, rfh->packed, maxBytes);
    }
    const auto& bag = std::get<BagSource>(source_);
    complete = size_ <= maxBytes;
    // A WAVE file may outgrow the raw data (ADPCM decodes to four times its size);
    // the limit guards what is read from the archive.
    if (complete && bag.convertible) return cBAG::BAGReadRecord(bag.file, number_, bag.record, true);
    return cBAG::BAGReadRecord(bag.file, number_, bag.record, false, static_cast<std::size_t>(maxBytes));
}

EntryPreview EntryReader::Read(std::uint64_t maxBytes) const {
    EntryPreview preview;
    if (std::holds_alternative<std::monostate>(source_)) {
        preview.error = "No entry is chosen.";
        return preview;
    }
    try {
        preview.bytes = ReadBytes(maxBytes, preview.complete);
    } catch (const std::exception& e) {
        preview.bytes.clear();
        preview.complete = false;
        preview.error = e.what();
    }
    return preview;
}

}  // namespace varnok
