// varnok on BAG sound archives: making one, naming its records, and the files an
// add refuses.
#include <gtest/gtest.h>

#include <filesystem>

#include "formats/audio/Wave.h"
#include "formats/cBAG.h"
#include "tests/cli/CliSupport.h"
#include "tests/support/TempDir.h"

namespace varnok::test {
namespace {
namespace fs = std::filesystem;
using Bytes = std::vector<std::uint8_t>;
using Names = std::vector<std::string>;
constexpr auto npos = std::string::npos;

const Bytes kEmptyBag = {'G', 'A', 'B', 'A', 4, 0, 0, 0, 0, 0, 0, 0, 0x40, 0, 0, 0};

Bytes Wave16(std::size_t frames) {
    const auto header = audio::PcmWaveHeader(1, 22050, 16, frames * 2);
    Bytes out(header.begin(), header.end());
    for (std::size_t i = 0; i < frames; ++i) out.insert(out.end(), {static_cast<std::uint8_t>(i), 0x10});
    return out;
}

// Two MPEG-1 layer III frames of 417 bytes at 128 kbit/s and 44100 Hz.
Bytes Mp3() {
    Bytes out;
    for (int frame = 0; frame < 2; ++frame) {
        out.insert(out.end(), {0xFF, 0xFB, 0x90, 0x64});
        out.resize(out.size() + 413, 0x55);
    }
    return out;
}

class CliSound : public CliFixture {
protected:
    // Each record's listed name, read back with the format class.
    Names Listed(const std::string& bag) {
        cBAG b;
        b.BAGOpen(dir_ / bag);
        Names names;
        for (std::int32_t n = 1; n <= b.BAGGetFileCount(); ++n) names.push_back(b.BAGGetFileName(n));
        return names;
    }
};

TEST_F(CliSound, CreateMakesAnEmptyBagThatTakesWaveAndMp3Files) {
    dir_.write("src/a.wav", Wave16(40));
    dir_.write("src/b.mp3", Mp3());
    dir_.write("src/notes.txt", "not a sound");
    dir_.write("old.bag", "an older file");
    const struct {
        Names args;
        int exitCode;
        const char* file;
        Names listed;  // nothing read back when the file is not a new archive
    } cases[] = {
        {{"create", "new.bag"}, 0, "new.bag", {}},
        {{"create", "Filled.BAG", "src"}, 0, "Filled.BAG", {"a.w", "b.mp3"}},
        {{"create", "old.bag"}, 1, "old.bag", {}},
        {{"create", "old.bag", "--overwrite"}, 0, "old.bag", {}},
    };
    for (const auto& c : cases) {
        const CliResult r = Run(c.args);
        EXPECT_EQ(r.exitCode, c.exitCode) << c.args[1] << ": " << r.err;
        if (c.exitCode != 0) {
            EXPECT_NE(r.err.find("already exists (--overwrite replaces it)"), npos) << r.err;
            EXPECT_EQ(ReadText(dir_ / c.file), "an older file");
            continue;
        }
        if (c.listed.empty()) {
            EXPECT_EQ(ReadBytes(dir_ / c.file), kEmptyBag) << c.args[1];
        }
        EXPECT_EQ(Listed(c.file), c.listed) << c.args[1];
    }
    EXPECT_FALSE(fs::exists(dir_ / "new.rfd")) << "a BAG archive is one file";

    // The empty archive takes sounds as any other BAG does.
    ASSERT_EQ(Run({"add", "new.bag", "src/a.wav", "src/b.mp3"}).exitCode, 0);
    EXPECT_EQ(Listed("new.bag"), (Names{"a.w", "b.mp3"}));
}

// The list shows a record with the extension of its kind; the name it stores has none.
TEST_F(CliSound, RecordsAreNamedWithOrWithoutTheirListedExtension) {
    cBAG::BAGWrite(dir_ / "s.bag", std::vector<BAGWriteEntry>{{"tiny7s", 22050, 6, 0, Bytes(14, 1)},
                                                              {"boom", 22050, 28, 512, Bytes(512, 0)},
                                                              {"theme", 44100, 37, 0, Mp3()}});
    const struct {
        const char* word;
        const char* extracted;  // nullptr: no entry goes by that word
    } cases[] = {
        {"tiny7s", "tiny7s.w"},   {"tiny7s.w", "tiny7s.w"}, {"TINY7S.W", "tiny7s.w"}, {"boom", "boom.cmp"},
        {"Boom.CMP", "boom.cmp"}, {"theme", "theme.mp3"},   {"boom.w", nullptr},      {"tiny7s.wav", nullptr},
    };
    int run = 0;
    for (const auto& c : cases) {
        const std::string out = "out" + std::to_string(++run);
        const CliResult r = Run({"extract", "s.bag", c.word, "-o", out, "--raw"});
        if (!c.extracted) {
            EXPECT_EQ(r.exitCode, 1) << c.word;
            EXPECT_NE(r.err.find("no entry \"" + std::string(c.word) + "\""), npos) << r.err;
            continue;
        }
        EXPECT_EQ(r.exitCode, 0) << c.word << ": " << r.err;
        EXPECT_EQ(dir_.listing(out), Names{c.extracted}) << c.word;
    }

    // The other commands that take an entry go through the same words.
    ASSERT_EQ(Run({"rename", "s.bag", "theme", "song"}).exitCode, 0);
    ASSERT_EQ(Run({"remove", "s.bag", "tiny7s"}).exitCode, 0);
    EXPECT_EQ(Listed("s.bag"), (Names{"boom.cmp", "song.mp3"}));
}

// A file of 2 bytes or fewer is never added: the run names it, with the rule, and
// fails. (Which files a folder add refuses is the engine's, tested there.)
TEST_F(CliSound, FilesOfTwoBytesOrFewerAreNamedWithTheRule) {
    dir_.write("src/two.wav", "ab");
    dir_.write("src/song.wav", Wave16(10));
    cBAG::BAGWrite(dir_ / "s.bag", {});
    const CliResult r = Run({"add", "s.bag", "src"});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_NE(r.err.find("\nvarnok: src/two.wav: a file of 2 bytes or fewer can't be added\n"), npos) << r.err;
    EXPECT_EQ(Listed("s.bag"), Names{"song.w"});
}

}  // namespace
}  // namespace varnok::test
