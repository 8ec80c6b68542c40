#include <gtest/gtest.h>
#include <sys/resource.h>

#include <cmath>
#include <csignal>

#include "formats/FormatError.h"
#include "formats/audio/ImaAdpcm.h"
#include "formats/audio/Wave.h"
#include "formats/cBAG.h"
#include "formats/io/ByteReader.h"
#include "tests/support/TempDir.h"

namespace varnok {
namespace {

using test::ReadBytes;
using test::TempDir;
using Bytes = std::vector<std::uint8_t>;
namespace fs = std::filesystem;

Bytes Slice(const Bytes& b, std::size_t from, std::size_t n) { return Bytes(b.begin() + from, b.begin() + from + n); }

Bytes WaveFile(unsigned channels, std::uint32_t rate, unsigned bits, const Bytes& data) {
    const auto header = audio::PcmWaveHeader(channels, rate, bits, data.size());
    Bytes out(header.size() + data.size());
    std::copy(header.begin(), header.end(), out.begin());
    std::copy(data.begin(), data.end(), out.begin() + static_cast<std::ptrdiff_t>(header.size()));
    return out;
}

// A 16-bit tone, left and right at different pitches when stereo.
Bytes Tone(std::size_t frames, unsigned channels) {
    Bytes out;
    for (std::size_t i = 0; i < frames; ++i) {
        for (unsigned c = 0; c < channels; ++c) {
            const auto s = static_cast<std::int16_t>(9000 * std::sin(0.05 * (c + 1) * static_cast<double>(i)));
            out.push_back(static_cast<std::uint8_t>(s & 0xFF));
            out.push_back(static_cast<std::uint8_t>((s >> 8) & 0xFF));
        }
    }
    return out;
}

// An ID3v2 tag of 20 bytes, then three MPEG-1 layer III frames of 417 bytes at 44100 Hz, joint stereo.
Bytes Mp3File() {
    Bytes out = {'I', 'D', '3', 3, 0, 0, 0, 0, 0, 20};
    out.resize(30, 0);
    for (int frame = 0; frame < 3; ++frame) {
        const std::size_t at = out.size();
        out.resize(at + 417, static_cast<std::uint8_t>(frame + 1));
        const std::uint8_t header[] = {0xFF, 0xFB, 0x90, 0x64};
        std::copy(std::begin(header), std::end(header), out.begin() + static_cast<std::ptrdiff_t>(at));
    }
    return out;
}

// One record's 64 bytes: name, offset, size, frequency, type, extra info, unused.
Bytes Record(const std::string& name, std::int32_t offset, std::int32_t size, std::int32_t frequency,
             std::int32_t type, std::int32_t extraInfo, std::int32_t unused0 = 0) {
    Bytes out(64);
    std::copy(name.begin(), name.end(), out.begin());
    std::int32_t fields[] = {offset, size, frequency, type, extraInfo, unused0};
    for (std::size_t i = 0; i < std::size(fields); ++i) PutI32le(&out[32 + 4 * i], fields[i]);
    return out;
}

Bytes Header(std::int32_t count) {
    Bytes out = {'G', 'A', 'B', 'A', 4, 0, 0, 0, 0, 0, 0, 0, 0x40, 0, 0, 0};
    PutI32le(&out[8], count);
    return out;
}

// An archive of two records whose data are kept through every edit; record 1's
// first unused field holds 0x11223344, which edits must keep too.
struct EditedArchive {
    TempDir dir;
    fs::path file = dir / "sounds.bag";
    Bytes keep1 = test::PseudoRandomBytes(101, 1), keep2 = test::PseudoRandomBytes(512, 2);
    cBAG bag;

    EditedArchive() {
        const std::vector<BAGWriteEntry> entries = {{"keep1", 22050, 6, 0, keep1}, {"keep2", 11025, 28, 512, keep2}};
        cBAG::BAGWrite(file, entries);
        Bytes raw = ReadBytes(file);
        PutI32le(&raw[16 + 52], 0x11223344);
        dir.write("sounds.bag", raw);
        bag.BAGOpen(file);
    }
    fs::path source(const std::string& name, const Bytes& bytes) const { return dir.write("in/" + name, bytes); }
};

TEST(BAGEdit, AddedFilesBecomeRecordsShapedByTheirHeaders) {
    EditedArchive a;
    const Bytes stereo8 = test::PseudoRandomBytes(60, 3), mono16 = Tone(50, 1);
    const fs::path files[] = {a.source("Stereo eight.wav", WaveFile(2, 44100, 8, stereo8)),
                              a.source("mono16.WAV", WaveFile(1, 22050, 16, mono16)),
                              a.source("song.mp3", Mp3File())};
    EXPECT_EQ(a.bag.BAGAddFiles(files), 3);

    const Bytes raw = ReadBytes(a.file);
    constexpr std::int32_t kData = 16 + 5 * 64;
    ASSERT_EQ(raw.size(), kData + 101 + 512 + 60 + 100 + 3 * 417u);
    EXPECT_EQ(Slice(raw, 0, 16), Header(5));
    EXPECT_EQ(Slice(raw, 16, 64), Record("keep1", kData, 101, 22050, 6, 0, 0x11223344));
    EXPECT_EQ(Slice(raw, 80, 64), Record("keep2", kData + 101, 512, 11025, 28, 512));
    EXPECT_EQ(Slice(raw, 144, 64), Record("Stereo eight", kData + 613, 60, 44100, 3, 0));
    EXPECT_EQ(Slice(raw, 208, 64), Record("mono16", kData + 673, 100, 22050, 6, 0));
    EXPECT_EQ(Slice(raw, 272, 64), Record("song", kData + 773, 3 * 417, 44100, 37, 0));  // the ID3 tag is left out
    EXPECT_EQ(Slice(raw, kData, 101), a.keep1);
    EXPECT_EQ(Slice(raw, kData + 101, 512), a.keep2);
    EXPECT_EQ(Slice(raw, kData + 613, 60), stereo8);
    EXPECT_EQ(Slice(raw, kData + 673, 100), mono16);
    EXPECT_EQ(Slice(raw, kData + 773, 4), Bytes({0xFF, 0xFB, 0x90, 0x64}));

    // The object holds what the file holds.
    EXPECT_EQ(a.bag.BAGGetFileCount(), 5);
    EXPECT_EQ(a.bag.BAGGetFileName(5), "song.mp3");
    EXPECT_EQ(a.bag.BAGReadFile(2, false), a.keep2);
    EXPECT_EQ(a.bag.BAGFindFile("STEREO EIGHT"), 3);
    EXPECT_EQ(a.bag.BAGFindFile("stereo"), 0);
}

TEST(BAGEdit, AdpcmAddsAreStoredAsTheGamesOwnRecords) {
    EditedArchive a;
    for (unsigned channels : {1u, 2u}) {
        const std::string name = channels == 1 ? "mono.wav" : "stereo.wav";
        const std::int32_t n = a.bag.BAGAddFile(a.source(name, WaveFile(channels, 22050, 16, Tone(3000, channels))),
                                                {.adpcm = true, .name = {}});
        const auto blockAlign = static_cast<std::int32_t>(512 * channels);
        EXPECT_EQ(a.bag.BAGGetFileType(n), channels == 1 ? 28 : 29);
        EXPECT_EQ(a.bag.BAGGetFileExtraInfo(n), blockAlign);
        EXPECT_EQ(a.bag.BAGGetFileFrequency(n), 22050);
        EXPECT_EQ(a.bag.BAGGetFileSize(n), 3 * blockAlign);  // 3000 frames fill three blocks of 1017

        const Bytes wave = a.bag.BAGReadFile(n, true);
        const audio::WaveSound back = audio::ReadWave(wave, name);
        EXPECT_EQ(back.format.channels, channels);
        EXPECT_EQ(back.format.bitsPerSample, 16u);
        EXPECT_EQ(back.format.sampleRate, 22050u);
        EXPECT_EQ(back.data.size(), 3 * 1017u * 2 * channels);
    }
    // An IMA ADPCM WAVE file added with adpcm keeps its blocks as they are.
    const Bytes imaWave = {'R', 'I', 'F', 'F', 44, 0, 0, 0, 'W', 'A', 'V', 'E', 'f', 'm', 't', ' ', 16, 0, 0, 0,
                           0x11, 0, 1, 0, 0x11, 0x2B, 0, 0, 0, 0, 0, 0, 8, 0, 4, 0,  // IMA ADPCM, mono, blocks of 8
                           'd', 'a', 't', 'a', 8, 0, 0, 0, 0, 0, 0, 0, 0x74, 0x8C, 0x00, 0xF1};
    const std::int32_t n = a.bag.BAGAddFile(a.source("ima.wav", imaWave), {.adpcm = true, .name = {}});
    EXPECT_EQ(a.bag.BAGReadFile(n, false), Slice(imaWave, imaWave.size() - 8, 8));
    EXPECT_EQ(a.bag.BAGGetFileExtraInfo(n), 8);
    // Without adpcm it is decoded to 16-bit PCM.
    const std::int32_t m = a.bag.BAGAddFile(a.source("ima2.wav", imaWave));
    EXPECT_EQ(a.bag.BAGGetFileType(m), 6);
    EXPECT_EQ(a.bag.BAGGetFileSize(m), 18);
}

TEST(BAGEdit, ReplaceRemoveAndRenameKeepTheOtherRecordsWhole) {
    EditedArchive a;
    const Bytes tone = Tone(40, 2);
    a.bag.BAGReplaceFile(1, a.source("other name.wav", WaveFile(2, 32000, 16, tone)));
    Bytes raw = ReadBytes(a.file);
    constexpr std::int32_t kData = 16 + 2 * 64;
    EXPECT_EQ(Slice(raw, 0, 16), Header(2));
    EXPECT_EQ(Slice(raw, 16, 64), Record("keep1", kData, 160, 32000, 7, 0, 0x11223344));  // name and number stay
    EXPECT_EQ(Slice(raw, 80, 64), Record("keep2", kData + 160, 512, 11025, 28, 512));
    EXPECT_EQ(Slice(raw, kData, 160), tone);
    EXPECT_EQ(Slice(raw, kData + 160, 512), a.keep2);

    a.bag.BAGRenameFile(2, "Fire # ! @ = % $ \xE9 and a long");
    raw = ReadBytes(a.file);
    EXPECT_EQ(Slice(raw, 80, 64), Record("Fire # ! @ = % $ \xE9 and a long", kData + 160, 512, 11025, 28, 512));
    a.bag.BAGRenameFile(2, "short");  // the rest of the old name does not linger
    EXPECT_EQ(Slice(ReadBytes(a.file), 80, 64), Record("short", kData + 160, 512, 11025, 28, 512));

    const std::int32_t removed[] = {1};
    a.bag.BAGRemoveFiles(removed);
    raw = ReadBytes(a.file);
    ASSERT_EQ(raw.size(), 16 + 64 + 512u);
    EXPECT_EQ(Slice(raw, 0, 16), Header(1));
    EXPECT_EQ(Slice(raw, 16, 64), Record("short", 80, 512, 11025, 28, 512));
    EXPECT_EQ(Slice(raw, 80, 512), a.keep2);
    EXPECT_EQ(a.bag.BAGGetFileName(1), "short.cmp");
    EXPECT_EQ(a.bag.BAGGetFileSize(2), 0);  // the row that went is empty

    a.bag.BAGRemoveFiles(std::vector<std::int32_t>{1});
    EXPECT_EQ(ReadBytes(a.file), Header(0));
}

// Every refusal leaves the file, the folder and the object as they were.
TEST(BAGEdit, RefusedEditsChangeNothing) {
    EditedArchive a;
    const Bytes before = ReadBytes(a.file);
    const fs::path wav = a.source("ok.wav", WaveFile(1, 8000, 8, {1, 2, 3}));
    const fs::path longName = a.source(std::string(33, 'n') + ".wav", WaveFile(1, 8000, 8, {1}));
    const fs::path notWave = a.source("text.wav", test::ToBytes("just text, no RIFF"));
    const fs::path notMp3 = a.source("noise.mp3", Bytes(3000, 0));
    const std::vector<std::pair<FormatErrorKind, std::function<void()>>> cases = {
        {FormatErrorKind::Range, [&] { a.bag.BAGAddFile(longName); }},
        {FormatErrorKind::Range, [&] { a.bag.BAGAddFile(wav, {.adpcm = false, .name = "a\\b"}); }},
        {FormatErrorKind::Range, [&] { a.bag.BAGAddFile(wav, {.adpcm = false, .name = std::string("a\0b", 3)}); }},
        {FormatErrorKind::Corrupt, [&] { a.bag.BAGAddFiles(std::vector<fs::path>{wav, notWave}); }},
        {FormatErrorKind::Corrupt, [&] { a.bag.BAGAddFile(notMp3); }},
        {FormatErrorKind::InputOutput, [&] { a.bag.BAGAddFile(a.dir / "missing.wav"); }},
        {FormatErrorKind::Range, [&] { a.bag.BAGReplaceFile(3, wav); }},
        {FormatErrorKind::Range, [&] { a.bag.BAGRemoveFiles(std::vector<std::int32_t>{1, 0}); }},
        {FormatErrorKind::Range, [&] { a.bag.BAGRenameFile(1, std::string(33, 'x')); }},
        {FormatErrorKind::Range, [&] { a.bag.BAGRenameFile(1, ""); }},
        {FormatErrorKind::Range, [&] { a.bag.BAGRenameFile(1, "a/b"); }},
    };
    for (std::size_t i = 0; i < cases.size(); ++i) {
        try {
            cases[i].second();
            ADD_FAILURE() << "case " << i << " was not refused";
        } catch (const FormatError& e) {
            EXPECT_EQ(e.kind(), cases[i].first) << "case " << i << ": " << e.what();
        }
        EXPECT_EQ(ReadBytes(a.file), before) << "case " << i;
        EXPECT_EQ(a.bag.BAGGetFileCount(), 2) << "case " << i;
        EXPECT_EQ(a.bag.BAGGetFileName(1), "keep1.w");
    }
    EXPECT_EQ(a.dir.listing(), (std::vector<std::string>{"in", "sounds.bag", "windows"}));

    cBAG closed;
    EXPECT_THROW(closed.BAGAddFile(wav), FormatError);
}

// A disk that fills up while the new archive is written: the write fails and the
// old archive is untouched, with no staging file left beside it.
TEST(BAGEdit, AFailedWriteLeavesTheOldArchive) {
    EditedArchive a;
    const Bytes before = ReadBytes(a.file);
    const fs::path big = a.source("big.wav", WaveFile(1, 8000, 8, Bytes(200000, 0x80)));

    rlimit old{};
    ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &old), 0);
    const auto previousHandler = std::signal(SIGXFSZ, SIG_IGN);
    rlimit small = old;
    small.rlim_cur = 64 * 1024;
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
    bool failed = false;
    try {
        a.bag.BAGAddFile(big);
    } catch (const FormatError& e) {
        failed = true;
        EXPECT_EQ(e.kind(), FormatErrorKind::InputOutput) << e.what();
    }
    setrlimit(RLIMIT_FSIZE, &old);
    std::signal(SIGXFSZ, previousHandler);

    EXPECT_TRUE(failed);
    EXPECT_EQ(ReadBytes(a.file), before);
    EXPECT_EQ(a.bag.BAGGetFileCount(), 2);
    EXPECT_EQ(a.dir.listing(), (std::vector<std::string>{"in", "sounds.bag", "windows"}));
}

}  // namespace
}  // namespace varnok
