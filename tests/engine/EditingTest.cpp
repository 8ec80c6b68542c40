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

std::vector<StoredFile> Numbered(int count) {
    std::vector<StoredFile> files;
    for (int i = 1; i <= count; ++i) files.push_back({"f" + std::to_string(i) + ".txt", std::string(40 * i, 'a' + i)});
    return files;
}

TEST_F(EngineAdd, AFileOfThreeBytesOrMoreIsAppended) {
    const fs::path index = MakeRfh("Game.rfh", {{"first.txt", "first"}}), data = dir / "Game.rfd";
    Open(index);
    const auto indexBytes = ReadBytes(index), dataBytes = ReadBytes(data);

    engine.AddFileToArchive(dir.write("in/two.bin", "ab").string(), "");
    ASSERT_EQ(ui.messages.size(), 1u);
    EXPECT_EQ(ui.messages[0].text, "Can't add a empty file.");
    EXPECT_EQ(ui.messages[0].title, "Varnok 2");
    EXPECT_EQ(ui.messages[0].icon, MessageIcon::Critical);
    EXPECT_EQ(ui.panel[1], "Nothing was added.");

    engine.AddFileToArchive((dir / "in/missing.bin").string(), "");  // unreadable
    ASSERT_EQ(ui.messages.size(), 2u);
    EXPECT_NE(ui.messages[1].text.find("missing.bin"), std::string::npos);
    EXPECT_EQ(ReadBytes(index), indexBytes);
    EXPECT_EQ(ReadBytes(data), dataBytes);

    engine.AddFileToArchive(dir.write("in/three.bin", "abc").string(), "");
    EXPECT_EQ(ui.rowCount, 2);
    EXPECT_EQ(engine.Row(2).cells,
              (std::array<std::string, 7>{"three.bin", "Yes", FormatSize(engine.Index().GetPackedSize(2)), "3 bytes",
                                          engine.Index().GetRatio(2), "", "2"}));
    EXPECT_EQ(ui.panel, (std::array<std::string, 4>{"", "Done", "2 Files", SizeOf({data})}));
    EXPECT_EQ(ui.LastCommand(), "EnableAll");
    EXPECT_EQ(StoredNames(index), (std::vector<std::string>{"first.txt", "three.bin"}));
    engine.ExtractEntry(2, dir / "back.bin");
    EXPECT_EQ(ReadText(dir / "back.bin"), "abc");
}

TEST_F(EngineAdd, AFolderGetsOneStoredPath) {
    const fs::path index = MakeRfh("Game.rfh", {{"first.txt", "first"}});
    Open(index);
    dir.write("in/x.txt", "ten bytes!");
    dir.write("in/y z.txt", "twenty bytes, nearly");
    dir.write("in/e.bin", "e");
    dir.write("in/sub/deeper.txt", "not added");
    engine.AddDirectoryToArchive((dir / "in").string() + "/", "sounds\\");
    EXPECT_EQ(StoredNames(index), (std::vector<std::string>{"first.txt", "sounds\\x.txt", "sounds\\y z.txt"}));
    EXPECT_EQ(Cells(Column::Path), (std::vector<std::string>{"", "sounds\\", "sounds\\"}));
    ASSERT_EQ(ui.messages.size(), 1u);
    EXPECT_EQ(ui.messages[0].text, "Can't add a empty file.");
    EXPECT_EQ(ui.LastCommand(), "EnableAll");

    fs::create_directories(dir / "empty");
    engine.AddDirectoryToArchive((dir / "empty").string(), "");
    ASSERT_EQ(ui.messages.size(), 2u);
    EXPECT_EQ(ui.messages[1].text, "There are no files in the selected directory.");
    EXPECT_EQ(ui.messages[1].icon, MessageIcon::Critical);
    EXPECT_EQ(engine.FileCount(), 3);
}

TEST_F(EngineAdd, AFullTableTakesNothing) {
    const std::string source = dir.write("in/three.bin", "abc").string();
    const auto image = BigIndex(5000);
    const fs::path index = dir.write("Full.rfh", image);
    const std::string payloads(50000, 'p');
    dir.write("Full.rfd", payloads);
    Open(index);
    EXPECT_FALSE(engine.IsReadOnly());
    engine.AddFileToArchive(source, "");
    ASSERT_EQ(ui.messages.size(), 1u);
    EXPECT_NE(ui.messages[0].text.find("5000"), std::string::npos) << ui.messages[0].text;
    EXPECT_EQ(engine.FileCount(), 5000);
    EXPECT_EQ(ReadBytes(index), image);
    EXPECT_EQ(ReadText(dir / "Full.rfd"), payloads);
}

TEST_F(EngineRemove, SelectedRowsGoAndTheRestAreRenumbered) {
    const auto files = Numbered(10);
    Open(MakeRfh("Game.rfh", files));
    Select({2, 5});
    engine.RemoveSelectedFiles();
    EXPECT_EQ(Cells(Column::FileNr), (std::vector<std::string>{"1", "2", "3", "4", "5", "6", "7", "8"}));
    EXPECT_EQ(ui.rowCount, 8);
    EXPECT_TRUE(ui.selected.empty());
    EXPECT_EQ(ui.panel[1], "Done");
    EXPECT_EQ(ui.panel[2], "8 Files");
    EXPECT_TRUE(ui.listVisible);

    engine.RefreshArchive();
    ASSERT_EQ(engine.RowCount(), 8);
    engine.ExtractAllFiles((dir / "out").string(), false, false, false);
    const int kept[] = {1, 3, 4, 6, 7, 8, 9, 10};
    for (int k = 0; k < 8; ++k) {
        const StoredFile& expected = files[static_cast<std::size_t>(kept[k] - 1)];
        EXPECT_EQ(Cell(k + 1, Column::Filename), expected.name);
        EXPECT_EQ(ReadText(dir / "out" / expected.name), expected.bytes);
    }
}

// A batch must leave exactly the files that removing its entries one by one, from
// the highest number down, leaves: payloads in any order, with unused bytes between.
TEST_F(EngineRemove, ABatchEqualsRemovingOneByOne) {
    const std::string folders[] = {"", "A\\", "A\\B\\"};
    for (std::uint32_t seed = 1; seed <= 8; ++seed) {
        std::mt19937 rng(seed);
        const std::size_t count = 1 + rng() % 12;
        std::vector<std::size_t> order(count);
        std::iota(order.begin(), order.end(), 0);
        std::shuffle(order.begin(), order.end(), rng);
        std::string data;
        std::vector<std::pair<std::int32_t, std::int32_t>> where(count);  // offset, size
        for (std::size_t slot : order) {
            data += std::string(rng() % 4, '_');
            where[slot] = {static_cast<std::int32_t>(data.size()), static_cast<std::int32_t>(1 + rng() % 30)};
            data += std::string(static_cast<std::size_t>(where[slot].second), static_cast<char>('a' + slot));
        }
        std::vector<std::uint8_t> image;
        std::vector<std::string> folderOf;
        for (std::size_t i = 0; i < count; ++i) {
            folderOf.push_back(folders[rng() % 3]);
            const auto row =
                IndexRow(folderOf[i] + "e" + std::to_string(i), where[i].second, where[i].second, where[i].first);
            image.insert(image.end(), row.begin(), row.end());
        }
        for (const std::string base : {"Engine", "Single"}) {
            dir.write(base + ".rfh", image);
            dir.write(base + ".rfd", data);
        }

        // Even seeds remove a random selection, odd ones a stored folder.
        const std::string folder = folders[rng() % 3];
        std::vector<std::int32_t> removed;
        for (std::size_t i = count; i >= 1; --i) {
            if (seed % 2 == 0 ? rng() % 2 == 1 : folderOf[i - 1] == folder)
                removed.push_back(static_cast<std::int32_t>(i));
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
        EXPECT_EQ(engine.RowCount(), static_cast<int>(count - removed.size()));
        EXPECT_TRUE(ui.messages.empty());
    }
}

TEST_F(EngineRemove, ADirectoryTheRootAndTheLastEntry) {
    const fs::path index =
        MakeRfh("Game.rfh", {{"A\\1.txt", "1"}, {"A\\B\\2.txt", "2"}, {"3.txt", "3"}, {"A\\4.txt", "4"}});
    Open(index);
    engine.RemoveDirectoryFromArchive("A\\");
    EXPECT_EQ(StoredNames(index), (std::vector<std::string>{"A\\B\\2.txt", "3.txt"}));
    EXPECT_EQ(Cells(Column::FileNr), (std::vector<std::string>{"1", "2"}));
    engine.RemoveDirectoryFromArchive("");
    EXPECT_EQ(StoredNames(index), std::vector<std::string>{"A\\B\\2.txt"});
    EXPECT_EQ(ui.LastCommand(), "EnableAll");

    engine.RemoveFileFromArchive(1, true);
    EXPECT_EQ(ui.rowCount, 0);
    EXPECT_EQ(ui.panel[2], "0 Files");
    EXPECT_EQ(ui.LastCommand(), "EnableAdd");
    EXPECT_EQ(fs::file_size(dir / "Game.rfd"), 0u);
}

TEST_F(EngineRemove, RemoveAllAsksFirst) {
    const fs::path index = MakeRfh("Game.rfh", Numbered(3)), data = dir / "Game.rfd";
    Open(index);
    const auto indexBytes = ReadBytes(index);
    ui.messageAnswers = {MessageAnswer::No};
    engine.RemoveAllFiles();
    ASSERT_EQ(ui.messages.size(), 1u);
    EXPECT_EQ(ui.messages[0].text, "This will remove all files inside this archive, are you sure you want to do this?");
    EXPECT_EQ(ui.messages[0].title, "Varnok 2");
    EXPECT_EQ(ui.messages[0].icon, MessageIcon::Question);
    EXPECT_EQ(ReadBytes(index), indexBytes);
    EXPECT_EQ(engine.RowCount(), 3);

    ui.messageAnswers = {MessageAnswer::Yes};
    engine.RemoveAllFiles();
    EXPECT_EQ(fs::file_size(index) + fs::file_size(data), 0u);
    EXPECT_EQ(ui.rowCount, 0);
    EXPECT_EQ(ui.panel[2], "0 Files");
    EXPECT_EQ(ui.panel[3], "0 bytes");
    EXPECT_EQ(ui.LastCommand(), "EnableAdd");

    engine.AddFileToArchive(dir.write("in/new.txt", "new file").string(), "");
    EXPECT_EQ(engine.Index().GetOffSet(1), 0);
    EXPECT_EQ(static_cast<std::int32_t>(fs::file_size(data)), engine.Index().GetPackedSize(1));
}

}  // namespace
}  // namespace varnok::test
