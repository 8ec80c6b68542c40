#include <gtest/gtest.h>
#include <cmath>

#include "formats/FormatError.h"
#include "formats/audio/Wave.h"
#include "formats/cBAG.h"
#include "formats/io/ByteReader.h"
#include "tests/formats/Failure.h"
#include "tests/support/TempDir.h"

namespace varnok {
namespace {

using test::KindOf;
using test::MessageOf;
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
Bytes Record(const std::string& name, std::int32_t offset, std::int32_t size, std::int32_t frequency, std::int32_t type,
             std::int32_t extraInfo, std::int32_t unused0 = 0) {
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

// A BAG archive of the given entries, and a cBAG with it open whose conversion
// question records every call and gives `answer`.
struct Archive {
    TempDir dir;
    std::filesystem::path file = dir / "sounds.bag";
    cBAG bag;
    std::vector<std::string> asked;
    ConvertAnswer answer = ConvertAnswer::No;

    explicit Archive(const std::vector<BAGWriteEntry>& entries) {
        cBAG::BAGWrite(file, entries);
        bag.SetConvertQuestion([this](const std::string& q) { return asked.push_back(q), answer; });
        bag.BAGOpen(file);
    }
    Bytes extract(std::int32_t n) {
        bag.BAGExtractFile(n, dir / "out");
        return ReadBytes(dir / "out");
    }
};

TEST(BAG, WriterLaysOutHeaderRecordsAndData) {
    Archive a({{"Boom", 22050, 6, 7, {0xAA, 0xBB}}, {"x", 11025, 2, 0, {0xCC}}});
    const Bytes raw = ReadBytes(a.file);
    ASSERT_EQ(raw.size(), 16u + 2 * 64 + 3);
    EXPECT_EQ(Slice(raw, 0, 16), Header(2));
    EXPECT_EQ(Slice(raw, 16, 64), Record("Boom", 0x90, 2, 22050, 6, 7));
    EXPECT_EQ(Slice(raw, 80, 64), Record("x", 0x92, 1, 11025, 2, 0));  // record 2's data follows record 1's
    EXPECT_EQ(Slice(raw, 144, 3), Bytes({0xAA, 0xBB, 0xCC}));
}

// The extension follows the one kind the flags name: MP3 (32) before IMA ADPCM (8)
// before PCM (2); flags of no known kind give the bare name.
TEST(BAG, NamesTakeTheExtensionOfTheirKindAndKeepTheirBytes) {
    const std::vector<std::pair<std::int32_t, const char*>> kinds = {{2, "snd.w"},    {22, "snd.w"},   {12, "snd.cmp"},
                                                                     {29, "snd.cmp"}, {36, "snd.mp3"}, {5, "snd"},
                                                                     {0, "snd"},      {-1, "snd.mp3"}};
    std::vector<BAGWriteEntry> entries;
    for (const auto& [type, name] : kinds) entries.push_back({"snd", 0, type, 0, {}});
    entries.push_back({std::string(32, 'Z'), 0, 2, 0, {}});
    Archive a(entries);
    for (std::size_t i = 0; i < kinds.size(); ++i) {
        const auto n = static_cast<std::int32_t>(i + 1);
        EXPECT_EQ(a.bag.BAGGetFileName(n), kinds[i].second) << "type " << kinds[i].first;
        EXPECT_EQ(a.bag.BAGCanConvert(n), std::string_view(kinds[i].second).ends_with(".w") ||
                                              std::string_view(kinds[i].second).ends_with(".cmp"));
    }
    const auto n = static_cast<std::int32_t>(kinds.size());
    EXPECT_EQ(a.bag.BAGGetFileName(n + 1), std::string(32, 'Z') + ".w");
    EXPECT_EQ(a.bag.BAGGetConvertedName(n + 1), std::string(32, 'Z') + ".wav");
}

// Only "GABA" with game type 4 is a BAG archive; a bad count or a short table is
// refused and the open archive stays.
TEST(BAG, OpenRefusesWhatIsNoArchiveKeepingTheOpenOne) {
    Archive a({{"kept", 11025, 2, 0, {1, 2, 3}}});
    auto patched = [&](const char* name, std::size_t at, std::int32_t value, std::size_t length) {
        Bytes raw = ReadBytes(a.file);
        raw.resize(length);
        PutI32le(&raw[at], value);
        return a.dir.write(name, raw);
    };
    cBAG other;
    EXPECT_FALSE(other.BAGValid(patched("type3.bag", 4, 3, 16)));
    EXPECT_FALSE(other.BAGValid(a.dir.write("short.bag", std::string("GABA\x04\0\0", 7))));
    const std::vector<std::pair<fs::path, FormatErrorKind>> cases = {
        {patched("5001.bag", 8, 5001, 16 + 64 * 5001), FormatErrorKind::Range},
        {patched("neg.bag", 8, -1, 100), FormatErrorKind::Range},
        {patched("cut.bag", 8, 2, 16 + 64 + 63), FormatErrorKind::Corrupt},
        {patched("huge.bag", 8, 5000, 16 + 64), FormatErrorKind::Corrupt},
        {a.dir.write("header.bag", std::string("GABA\x04\0\0\0\x01", 9)), FormatErrorKind::Corrupt}};
    for (const auto& [file, kind] : cases) EXPECT_EQ(KindOf([&] { a.bag.BAGOpen(file); }), kind) << file;
    EXPECT_EQ(a.bag.BAGGetFileCount(), 1);
    EXPECT_EQ(a.extract(1), Bytes({1, 2, 3}));  // the open path is still the first archive
}

TEST(BAG, ConvertingWritesAWaveHeaderShapedByTheRecord) {
    const Bytes data = test::PseudoRandomBytes(1000, 6);
    Archive a({{"voice", 22050, 6, 0, data}});
    a.answer = ConvertAnswer::Yes;
    const Bytes wav = a.extract(1);
    ASSERT_EQ(wav.size(), 1044u);
    EXPECT_EQ(Slice(wav, 0, 44), Bytes({'R',  'I',  'F', 'F', 0x0C, 0x04, 0,   0,                 // Size + 36
                                        'W',  'A',  'V', 'E', 'f',  'm',  't', ' ', 16, 0, 0, 0,  //
                                        1,    0,    1,   0,                                       // PCM, mono
                                        0x22, 0x56, 0,   0,   0x44, 0xAC, 0,   0,                 // 22050 Hz, 44100 B/s
                                        2,    0,    16,  0,                                       // align 2, 16 bits
                                        'd',  'a',  't', 'a', 0xE8, 0x03, 0,   0}));
    EXPECT_EQ(Slice(wav, 44, 1000), data);
    EXPECT_EQ(a.asked, std::vector<std::string>{std::string(cBAG::kConvertQuestion)});
}

// The block decodes by hand (see AudioTest) to 0, 7, 23, 2, 0, 2, 4, 10, -20.
TEST(BAG, AdpcmRecordsBecomeSixteenBitWaveFiles) {
    const Bytes block = {0x00, 0x00, 0, 0, 0x74, 0x8C, 0x00, 0xF1};
    Bytes stereo = {0x10, 0, 0, 0, 0xF0, 0xFF, 0, 0, 0x04, 0, 0, 0, 0x0C, 0, 0, 0};
    Archive a({{"mono", 22050, 28, 8, block},
               {"two", 11025, 29, 16, stereo},
               {"badIndex", 22050, 28, 8, {0, 0, 89, 0, 0, 0, 0, 0}},
               {"noBlockSize", 22050, 12, 0, block},
               {"cutHeader", 22050, 28, 8, {0, 0}}});
    const Bytes wav = a.bag.BAGReadFile(1, true);
    ASSERT_EQ(wav.size(), 44u + 18);
    EXPECT_EQ(Slice(wav, 20, 16), Bytes({1, 0, 1, 0, 0x22, 0x56, 0, 0, 0x44, 0xAC, 0, 0, 2, 0, 16, 0}));
    EXPECT_EQ(Slice(wav, 56, 6), Bytes({4, 0, 10, 0, 0xEC, 0xFF}));

    const Bytes two = a.bag.BAGReadFile(2, true);
    EXPECT_EQ(Slice(two, 22, 2), Bytes({2, 0}));
    EXPECT_EQ(Slice(two, 44, 8), Bytes({0x10, 0, 0xF0, 0xFF, 0x17, 0, 0xE9, 0xFF}));  // 16, -16, 23, -23

    const auto target = a.dir.write("target.wav", std::string("previous"));
    for (std::int32_t n : {3, 4, 5}) {
        EXPECT_EQ(KindOf([&] { a.bag.BAGExtractFile(n, target, true); }), FormatErrorKind::Corrupt);
        EXPECT_EQ(a.bag.BAGReadFile(n, false).size(), static_cast<std::size_t>(a.bag.BAGGetFileSize(n)));
    }
    EXPECT_EQ(test::ReadText(target), "previous");
}

TEST(BAG, DataOutsideTheFileFailsAndLeavesTheTargetAlone) {
    Archive a({{"bad", 0, 6, 0, {1, 2, 3, 4}}});
    Bytes raw = ReadBytes(a.file);
    const auto target = a.dir.write("target.w", std::string("previous"));
    auto openWith = [&](std::int32_t offset, std::int32_t size) {
        PutI32le(&raw[16 + 32], offset);
        PutI32le(&raw[16 + 36], size);
        a.bag.BAGOpen(a.dir.write("sounds.bag", raw));
    };
    for (auto [offset, size] : {std::pair{80, 5}, {-1, 2}, {0x7FFFFFFF, 0x7FFFFFFF}}) {
        openWith(offset, size);
        EXPECT_EQ(KindOf([&] { a.bag.BAGExtractFile(1, target); }), FormatErrorKind::Corrupt);
    }
    EXPECT_EQ(test::ReadText(target), "previous");
    openWith(80, 4);  // exactly up to the end is fine
    EXPECT_EQ(a.extract(1), Bytes({1, 2, 3, 4}));
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
                              a.source("mono16.WAV", WaveFile(1, 22050, 16, mono16)), a.source("song.mp3", Mp3File())};
    EXPECT_EQ(a.bag.BAGAddFiles(files), 3);

    const Bytes raw = ReadBytes(a.file);
    constexpr std::int32_t kData = 16 + 5 * 64;
    ASSERT_EQ(raw.size(), kData + 101 + 512 + 120 + 100 + 3 * 417u);
    EXPECT_EQ(Slice(raw, 0, 16), Header(5));
    EXPECT_EQ(Slice(raw, 16, 64), Record("keep1", kData, 101, 22050, 6, 0, 0x11223344));
    EXPECT_EQ(Slice(raw, 144, 64), Record("Stereo eight", kData + 613, 120, 44100, 7, 0));  // widened to 16 bits
    EXPECT_EQ(Slice(raw, 208, 64), Record("mono16", kData + 733, 100, 22050, 6, 0));
    EXPECT_EQ(Slice(raw, 272, 64), Record("song", kData + 833, 3 * 417, 44100, 37, 0));  // the ID3 tag is left out
    EXPECT_EQ(Slice(raw, kData + 733, 100), mono16);
    EXPECT_EQ(Slice(raw, kData + 833, 4), Bytes({0xFF, 0xFB, 0x90, 0x64}));
}

// PCM is stored 16-bit whatever its width in the file, so every reader of the
// game's archives hears it alike; records of 8-bit PCM already in an archive
// still read as 8-bit WAVE files.
TEST(BAGEdit, PcmIsStoredSixteenBitAndReadsBackAsTheSameSound) {
    EditedArchive a;
    const struct {
        const char* what;
        unsigned channels, bits;
        Bytes samples, stored;
        std::int32_t type;
    } cases[] = {
        {"mono 8-bit", 1, 8, {0x00, 0x80, 0xFF}, {0x00, 0x80, 0x00, 0x00, 0x00, 0x7F}, 6},
        {"stereo 8-bit", 2, 8, {0x10, 0xF0, 0x81, 0x7F}, {0x00, 0x90, 0x00, 0x70, 0x00, 0x01, 0x00, 0xFF}, 7},
        {"mono 16-bit", 1, 16, {0x34, 0x12, 0xCD, 0xAB}, {0x34, 0x12, 0xCD, 0xAB}, 6},
        {"stereo 16-bit", 2, 16, {1, 2, 3, 4}, {1, 2, 3, 4}, 7},
    };
    for (const auto& c : cases) {
        const std::int32_t n =
            a.bag.BAGAddFile(a.source(std::string(c.what) + ".wav", WaveFile(c.channels, 11025, c.bits, c.samples)));
        EXPECT_EQ(a.bag.BAGGetFileType(n), c.type) << c.what;
        EXPECT_EQ(a.bag.BAGReadFile(n, false), c.stored) << c.what;
        const auto header = audio::PcmWaveHeader(c.channels, 11025, 16, c.stored.size());
        Bytes wave(header.begin(), header.end());
        wave.insert(wave.end(), c.stored.begin(), c.stored.end());
        EXPECT_EQ(a.bag.BAGReadFile(n, true), wave) << c.what;
    }

    for (const std::int32_t type : {2, 3}) {
        Archive old({{"old", 11025, type, 0, {0x00, 0x80, 0xFF, 0x7F}}});
        EXPECT_EQ(old.bag.BAGReadFile(1, true), WaveFile(type == 3 ? 2 : 1, 11025, 8, {0x00, 0x80, 0xFF, 0x7F}))
            << "type " << type;
    }
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
        EXPECT_EQ(a.bag.BAGGetFileSize(n), 3 * blockAlign);  // 3000 frames fill three blocks of 1017
    }
}

TEST(BAGEdit, ReplaceRemoveAndRenameKeepTheOtherRecordsWhole) {
    EditedArchive a;
    const Bytes tone = Tone(40, 2);
    a.bag.BAGReplaceFile(1, a.source("other name.wav", WaveFile(2, 32000, 16, tone)));
    Bytes raw = ReadBytes(a.file);
    constexpr std::int32_t kData = 16 + 2 * 64;
    EXPECT_EQ(Slice(raw, 16, 64), Record("keep1", kData, 160, 32000, 7, 0, 0x11223344));  // name and number stay
    EXPECT_EQ(Slice(raw, kData, 160), tone);
    EXPECT_EQ(Slice(raw, kData + 160, 512), a.keep2);

    a.bag.BAGRenameFile(2, "Fire # ! @ = % $ \xE9 and a long");
    a.bag.BAGRenameFile(2, "short");  // the rest of the old name does not linger
    EXPECT_EQ(Slice(ReadBytes(a.file), 80, 64), Record("short", kData + 160, 512, 11025, 28, 512));

    const std::int32_t removed[] = {1};
    a.bag.BAGRemoveFiles(removed);
    raw = ReadBytes(a.file);
    ASSERT_EQ(raw.size(), 16 + 64 + 512u);
    EXPECT_EQ(Slice(raw, 16, 64), Record("short", 80, 512, 11025, 28, 512));
    EXPECT_EQ(Slice(raw, 80, 512), a.keep2);
}

// Every refusal leaves the file, the folder and the object as they were.
TEST(BAGEdit, RefusedEditsChangeNothing) {
    EditedArchive a;
    const Bytes before = ReadBytes(a.file);
    const fs::path wav = a.source("ok.wav", WaveFile(1, 8000, 8, {1, 2, 3}));
    const fs::path longName = a.source(std::string(33, 'n') + ".wav", WaveFile(1, 8000, 8, {1}));
    const fs::path notWave = a.source("text.wav", test::ToBytes("just text, no RIFF"));
    const std::vector<fs::path> someBad = {wav, notWave};
    const std::vector<std::int32_t> numbers = {1, 0};
    const std::vector<std::pair<FormatErrorKind, std::function<void()>>> cases = {
        {FormatErrorKind::Range, [&] { a.bag.BAGAddFile(longName); }},
        {FormatErrorKind::Range, [&] { a.bag.BAGAddFile(wav, {.adpcm = false, .name = "a\\b"}); }},
        {FormatErrorKind::Range, [&] { a.bag.BAGAddFile(wav, {.adpcm = false, .name = "a\\"}); }},
        {FormatErrorKind::Corrupt, [&] { a.bag.BAGAddFiles(someBad); }},
        {FormatErrorKind::Range, [&] { a.bag.BAGReplaceFile(3, wav); }},
        {FormatErrorKind::Range, [&] { a.bag.BAGRemoveFiles(numbers); }},
        {FormatErrorKind::Range, [&] { a.bag.BAGRenameFile(1, "a/b"); }},
    };
    for (std::size_t i = 0; i < cases.size(); ++i) {
        EXPECT_EQ(KindOf(cases[i].second), cases[i].first) << "case " << i;
        EXPECT_EQ(ReadBytes(a.file), before) << "case " << i;
        EXPECT_EQ(a.bag.BAGGetFileCount(), 2) << "case " << i;
    }
    EXPECT_EQ(a.dir.listing(), (std::vector<std::string>{"in", "sounds.bag", "windows"}));
}

}  // namespace
}  // namespace varnok
