#include <algorithm>
#include <numeric>
#include <random>

#include "engine/SizeText.h"
#include "formats/cRFD.h"
#include "formats/cRFH.h"
#include "tests/engine/EngineFixture.h"

namespace varnok::test {
namespace {

using EngineAdd = EngineTest;
using EngineRemove = EngineTest;

TEST_F(EngineAdd, AFileOfThreeBytesOrMoreIsAppended) {
    const fs::path index = MakeRfh("Game.rfh", {{"first.txt", "first"}}), data = dir / "Game.rfd";
    Open(index);
    const auto indexBytes = ReadBytes(index), dataBytes = ReadBytes(data);

    engine.AddFileToArchive(dir.write("in/two.bin", "ab").string(), "");
    engine.AddFileToArchive((dir / "in/missing.bin").string(), "");  // unreadable
    ASSERT_EQ(ui.messages.size(), 2u);
    EXPECT_EQ(ui.messages[0].text, "Can't add a empty file.");
    EXPECT_NE(ui.messages[1].text.find("missing.bin"), std::string::npos);
    EXPECT_EQ(ReadBytes(index), indexBytes);
    EXPECT_EQ(ReadBytes(data), dataBytes);

    engine.AddFileToArchive(dir.write("in/three.bin", "abc").string(), "");
    EXPECT_EQ(ui.rowCount, 2);
    EXPECT_EQ(ui.panel, (std::array<std::string, 4>{"", "Done", "2 Files", FormatSize(fs::file_size(data))}));
    EXPECT_EQ(ui.LastCommand(), "EnableAll");
    EXPECT_EQ(Extracted(), (std::vector<std::string>{"first", "abc"}));

    // A folder gets one stored path, and its subfolders are not added.
    dir.write("in/sub/deeper.txt", "not added");
    engine.AddDirectoryToArchive((dir / "in").string() + "/", "sounds\\");
    EXPECT_EQ(StoredNames(index), (std::vector<std::string>{"first.txt", "three.bin", "sounds\\three.bin"}));
    fs::create_directories(dir / "empty");
    engine.AddDirectoryToArchive((dir / "empty").string(), "");
    EXPECT_EQ(ui.messages.back().text, "There are no files in the selected directory.");
}

TEST_F(EngineAdd, AFullTableTakesNothing) {
    const auto image = BigIndex(5000);
    const fs::path index = dir.write("Full.rfh", image);
    dir.write("Full.rfd", std::string(50000, 'p'));
    Open(index);
    EXPECT_FALSE(engine.IsReadOnly());
    engine.AddFileToArchive(dir.write("in/three.bin", "abc").string(), "");
    ASSERT_EQ(ui.messages.size(), 1u);
    EXPECT_NE(ui.messages[0].text.find("5000"), std::string::npos) << ui.messages[0].text;
    EXPECT_EQ(ReadBytes(index), image);
    EXPECT_EQ(fs::file_size(dir / "Full.rfd"), 50000u);
}

// A batch must leave exactly the files that removing its entries one by one, from
// the highest number down, leaves: payloads in any order, with unused bytes between,
// and now and then one large enough to be copied by the kernel in pieces.
TEST_F(EngineRemove, ABatchEqualsRemovingOneByOne) {
    const std::string folders[] = {"", "A\\", "A\\B\\"};
    for (std::uint32_t seed = 1; seed <= 10; ++seed) {
        std::mt19937 rng(seed);
        const std::size_t count = 1 + rng() % 12;
        std::vector<std::size_t> order(count);
        std::iota(order.begin(), order.end(), 0);
        std::shuffle(order.begin(), order.end(), rng);
        std::string data;
        std::vector<std::string> payloads(count);
        std::vector<std::tuple<std::string, int, int>> rows(count);  // name, size, offset
        for (std::size_t slot : order) {
            data += std::string(rng() % 4, '_');
            const auto noise = PseudoRandomBytes(seed > 8 && rng() % 2 == 0 ? 1'000'000 + rng() % 600'000 : 0, rng());
            payloads[slot] = noise.empty() ? std::string(1 + rng() % 30, static_cast<char>('a' + slot))
                                           : std::string(noise.begin(), noise.end());
            rows[slot] = {folders[rng() % 3] + "e" + std::to_string(slot), static_cast<int>(payloads[slot].size()),
                          static_cast<int>(data.size())};
            data += payloads[slot];
        }
        RawPair("Engine", rows, data);
        RawPair("Single", rows, data);

        // Even seeds remove a random selection, odd ones a stored folder.
        const std::string folder = folders[rng() % 3];
        std::vector<std::int32_t> removed;
        std::vector<std::string> kept, numbers;
        for (std::size_t i = count; i >= 1; --i) {
            const std::string& name = std::get<0>(rows[i - 1]);
            if (seed % 2 == 0 ? rng() % 2 == 1 : name.substr(0, name.rfind('\\') + 1) == folder)
                removed.push_back(static_cast<std::int32_t>(i));
            else
                kept.insert(kept.begin(), payloads[i - 1]);
        }
        Open(dir / "Engine.rfh");
        if (seed % 2 == 0) {
            Select(std::set<int>(removed.begin(), removed.end()));
            engine.RemoveSelectedFiles();
        } else {
            engine.RemoveDirectoryFromArchive(folder);
        }

        cRFH t;
        t.RFHOpen(dir / "Single.rfh");
        cRFD d;
        d.RFDOpen(dir / "Single.rfd");
        for (std::int32_t n : removed) {
            d.RFDRemoveFile(t.GetOffSet(n), t.GetPackedSize(n));
            t.RFHRemoveFile(n);
            t.RFHSave(dir / "Single.rfh");
        }
        EXPECT_EQ(ReadBytes(dir / "Engine.rfh"), ReadBytes(dir / "Single.rfh")) << "seed " << seed;
        EXPECT_EQ(ReadBytes(dir / "Engine.rfd"), ReadBytes(dir / "Single.rfd")) << "seed " << seed;
        for (std::size_t n = 1; n <= kept.size(); ++n) numbers.push_back(std::to_string(n));
        EXPECT_EQ(Cells(Column::FileNr), numbers) << "the rows are renumbered";
        EXPECT_TRUE(Extracted() == kept) << "seed " << seed;
        EXPECT_TRUE(ui.messages.empty());
    }
}

TEST_F(EngineRemove, ADirectoryTheRootAndTheLastEntry) {
    const fs::path index =
        MakeRfh("Game.rfh", {{"A\\1.txt", "1"}, {"A\\B\\2.txt", "2"}, {"3.txt", "3"}, {"A\\4.txt", "4"}});
    Open(index);
    engine.RemoveDirectoryFromArchive("A\\");
    EXPECT_EQ(StoredNames(index), (std::vector<std::string>{"A\\B\\2.txt", "3.txt"}));
    engine.RemoveDirectoryFromArchive("");
    EXPECT_EQ(StoredNames(index), std::vector<std::string>{"A\\B\\2.txt"});
    EXPECT_EQ(ui.LastCommand(), "EnableAll");

    engine.RemoveFileFromArchive(1, true);
    EXPECT_EQ(ui.rowCount, 0);
    EXPECT_EQ(ui.LastCommand(), "EnableAdd");
    EXPECT_EQ(fs::file_size(dir / "Game.rfd"), 0u);
}

}  // namespace
}  // namespace varnok::test
