#include "tests/engine/EngineFixture.h"

#include "engine/TextRules.h"
#include "formats/cRFD.h"
#include "formats/cRFH.h"
#include "formats/io/ByteReader.h"
#include "formats/io/File.h"

namespace varnok::test {

std::vector<std::uint8_t> IndexRow(const std::string& name, std::int32_t packedSize, std::int32_t originalSize,
                                   std::int32_t offset) {
    std::vector<std::uint8_t> row(24);
    const std::int32_t fields[] = {
        static_cast<std::int32_t>(name.size() + 1), cRFH::kNewDateAdded, 0, packedSize, originalSize, offset};
    for (std::size_t i = 0; i < 6; ++i) PutI32le(&row[4 * i], fields[i]);
    row.insert(row.end(), name.begin(), name.end());
    row.push_back(0);
    return row;
}

std::vector<std::uint8_t> BigIndex(int count) {
    std::vector<std::uint8_t> image;
    for (int i = 0; i < count; ++i) {
        const auto row = IndexRow("f" + std::to_string(i) + ".bin", 10, 10, 10 * i);
        image.insert(image.end(), row.begin(), row.end());
    }
    return image;
}

std::vector<std::string> StoredNames(const fs::path& index) {
    cRFH table;
    table.RFHOpen(index);
    std::vector<std::string> names;
    for (std::int32_t n = 1; n <= table.GetFileCount(); ++n)
        names.push_back(table.GetFilePath(n) + table.GetFileName(n));
    return names;
}

std::set<std::string> FilesBelow(const fs::path& folder) {
    std::set<std::string> files;
    std::error_code ec;
    for (fs::recursive_directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) {
        if (!it->is_directory()) files.insert(fs::relative(it->path(), folder).generic_string());
    }
    return files;
}

fs::path EngineTest::MakeRfh(const std::string& fileName, const std::vector<StoredFile>& files) const {
    const fs::path index = dir / fileName;
    cRFH table;
    cRFD data;
    data.RFDOpen(DataFilePath(index.string()));
    WriteFileAtomically(data.RFDFileName(), std::span<const std::uint8_t>());
    for (std::size_t i = 0; i < files.size(); ++i) {
        const fs::path source = dir.write(fs::path("src") / fileName / std::to_string(i), files[i].bytes);
        const std::string folder = files[i].name.substr(0, files[i].name.rfind('\\') + 1);
        const std::int32_t packed = data.RFDAddFile(table.RFHNextOffSet(), source, true);
        table.RFHAddFile(source, files[i].name.substr(folder.size()), packed);
        if (!folder.empty()) table.SetFilePath(table.GetFileCount(), folder);
    }
    table.RFHSave(index);
    return index;
}

std::vector<std::string> EngineTest::Extracted() {
    std::vector<std::string> out;
    fs::create_directories(dir / "extracted");
    for (int n = 1; n <= engine.FileCount(); ++n) {
        const fs::path target = dir / "extracted" / std::to_string(n);
        engine.ExtractEntry(n, target);
        out.push_back(ReadText(target));
    }
    return out;
}

fs::path EngineTest::RawPair(const std::string& name, const std::vector<std::tuple<std::string, int, int>>& rows,
                             const std::string& data) const {
    std::vector<std::uint8_t> image;
    for (const auto& [entry, size, offset] : rows) {
        const auto row = IndexRow(entry, size, size, offset);
        image.insert(image.end(), row.begin(), row.end());
    }
    dir.write(name + ".rfd", data);
    return dir.write(name + ".rfh", image);
}

bool EngineTest::Said(const std::string& part) const {
    for (const auto& m : ui.messages) {
        if (m.text.find(part) != std::string::npos) return true;
    }
    return false;
}

}  // namespace varnok::test
