// The preview pane over real archives, and the TGA decoder it shows pictures with.
#include <gtest/gtest.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QLabel>
#include <algorithm>
#include <fstream>
#include <vector>

#include "engine/TextRules.h"
#include "engine/mVarnokEngine.h"
#include "formats/audio/ImaAdpcm.h"
#include "formats/audio/Wave.h"
#include "formats/cBAG.h"
#include "formats/cRFD.h"
#include "formats/cRFH.h"
#include "shell/preview/ImageView.h"
#include "shell/preview/PreviewPane.h"
#include "shell/preview/SoundView.h"
#include "shell/preview/TgaImage.h"
#include "tests/engine/ScriptedUi.h"
#include "tests/support/TempDir.h"

namespace varnok::test {
namespace {

namespace fs = std::filesystem;

using Bytes = std::vector<std::uint8_t>;

Bytes Header(std::uint8_t type, int width, int height, std::uint8_t depth, std::uint8_t descriptor,
             std::uint8_t idLength = 0) {
    Bytes h(18, 0);
    h[0] = idLength;
    h[2] = type;
    h[12] = static_cast<std::uint8_t>(width);
    h[14] = static_cast<std::uint8_t>(height);
    h[16] = depth;
    h[17] = descriptor;
    h.resize(h.size() + idLength, 'x');
    return h;
}

Bytes Join(Bytes a, const Bytes& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

// A 3 x 2 picture, 24 bits, rows from the top.
std::string Tga3x2() {
    Bytes tga = Header(2, 3, 2, 24, 0x20);
    for (int i = 0; i < 6; ++i) tga.insert(tga.end(), {255, static_cast<std::uint8_t>(i * 40), 0});
    return std::string(tga.begin(), tga.end());
}

std::string PcmWave(std::size_t samples) {
    const auto header = audio::PcmWaveHeader(1, 11025, 8, samples);
    return std::string(header.begin(), header.end()) + std::string(samples, '\x80');
}

class PreviewPaneTest : public ::testing::Test {
protected:
    PreviewPaneTest() { engine.InitEngine(); }

    // An RFH pair of the given entries (stored name, bytes), opened.
    void OpenRfh(const std::vector<std::pair<std::string, std::string>>& files) {
        const fs::path index = dir / "Game.rfh";
        cRFH table;
        cRFD data;
        data.RFDOpen(DataFilePath(index.string()));
        for (std::size_t i = 0; i < files.size(); ++i) {
            const fs::path source = dir.write("src" + std::to_string(i), files[i].second);
            table.RFHAddFile(source, files[i].first, data.RFDAddFile(table.RFHNextOffSet(), source, true));
        }
        table.RFHSave(index);
        engine.OpenArchive(index.string());
    }

    // Shows entry n and waits until the pane has read it.
    void Show(std::int32_t n) {
        pane.ShowEntry(EntryReader::Take(engine, n));
        Settle();
    }
    void Settle() {
        QElapsedTimer clock;
        clock.start();
        while (pane.IsLoading() && clock.elapsed() < 20000) QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        ASSERT_FALSE(pane.IsLoading());
    }

    TempDir dir;
    ScriptedUi ui;
    mVarnokEngine engine{ui};
    PreviewPane pane;
};

TEST_F(PreviewPaneTest, EachKindOfRfhEntryGetsItsView) {
    std::string binary;
    for (int i = 0; i < 40; ++i) binary += static_cast<char>(i);
    OpenRfh({{"rules.ini", "[Unit]\r\nName = Caf\xE9\r\n"},
             {"notes.dat", "plain words\tand tabs\r\n"},
             {"wall.tga", Tga3x2()},
             {"deploy.wav", PcmWave(1103)},
             {"model.xbf", binary}});

    Show(1);
    EXPECT_EQ(pane.ShownText(), QStringLiteral("[Unit]\nName = Caf\u00E9\n"));

    Show(2);  // no telling name, but nothing in it a text cannot hold
    EXPECT_EQ(pane.Kind(), PreviewKind::Text);

    Show(3);
    ASSERT_EQ(pane.Kind(), PreviewKind::Image);
    EXPECT_EQ(pane.Image().Image().size(), QSize(3, 2));

    Show(4);
    ASSERT_EQ(pane.Kind(), PreviewKind::Sound);
    EXPECT_EQ(pane.Sound().Clip().pcm.size(), 1103 * 2);  // 8-bit samples widened
    EXPECT_TRUE(pane.Details().contains(QStringLiteral("11025 Hz, mono, 8-bit PCM, 0:00.1")))
        << pane.Details().toStdString();

    Show(5);
    ASSERT_EQ(pane.Kind(), PreviewKind::Hex);
    EXPECT_TRUE(pane.ShownText().endsWith(
        QStringLiteral("\n00000020  20 21 22 23 24 25 26 27                           !\"#$%&'")));
}

TEST_F(PreviewPaneTest, BagRecordsPlay) {
    const std::vector<std::int16_t> samples(3000, 1200);
    const auto adpcm = audio::ImaEncode(samples, 1, 512);
    // Two frames of MPEG 1 layer III at 128 kbit/s and 44100 Hz, 417 bytes each.
    std::vector<std::uint8_t> mp3;
    for (int frame = 0; frame < 2; ++frame) {
        const std::uint8_t header[] = {0xFF, 0xFB, 0x90, 0xC0};
        mp3.insert(mp3.end(), std::begin(header), std::end(header));
        mp3.resize(mp3.size() + 413, 0);
    }
    cBAG::BAGWrite(dir / "Sounds.bag",
                   std::vector<BAGWriteEntry>{{"Fremen!battle", 22050, 28, 512, adpcm}, {"theme", 44100, 32, 0, mp3}});
    engine.OpenArchive((dir / "Sounds.bag").string());

    Show(1);
    ASSERT_EQ(pane.Kind(), PreviewKind::Sound);
    const SoundClip& clip = pane.Sound().Clip();
    EXPECT_EQ(clip.format.sampleRate(), 22050);
    // Whole blocks decode: the encoder filled the last one up.
    const std::size_t perBlock = audio::ImaSamplesPerBlock(512, 1);
    EXPECT_EQ(static_cast<std::size_t>(clip.pcm.size()), adpcm.size() / 512 * perBlock * 2);

    // MP3 goes to the media player as it is.
    Show(2);
    ASSERT_EQ(pane.Kind(), PreviewKind::Sound);
    EXPECT_EQ(pane.Sound().Clip().mp3.size(), 834);
    EXPECT_TRUE(pane.Details().contains(QStringLiteral("MPEG layer 3, 44100 Hz, mono, 128 kbit/s, 0:00.1")))
        << pane.Details().toStdString();
}

// Every text of the pane's labels, joined.
QString LabelTexts(const QWidget& pane) {
    QString all;
    for (const QLabel* label : pane.findChildren<QLabel*>()) all += label->text() + QLatin1Char('\n');
    return all;
}

// A sound is described once, above its view, by what its record holds: an ADPCM
// record by its encoding, though it plays decoded; its length to the nearest tenth.
TEST_F(PreviewPaneTest, SoundsAreDescribedOnceByWhatTheyHold) {
    const auto pcm = [](std::size_t bytes) { return std::vector<std::uint8_t>(bytes, 0x80); };
    const std::vector<std::int16_t> halfSecond(11025, 900);
    const struct {
        BAGWriteEntry record;
        const char* description;
    } cases[] = {
        {{"speech", 22050, 28, 512, audio::ImaEncode(halfSecond, 1, 512)},
         "22050 Hz, mono, IMA ADPCM, 4-bit, 0:00.5"},  // 11 blocks of 1017 frames
        {{"duet", 11025, 29, 512, audio::ImaEncode(halfSecond, 2, 512)}, "11025 Hz, stereo, IMA ADPCM, 4-bit, 0:00.5"},
        {{"step", 22050, 6, 0, pcm(2 * 10200)}, "22050 Hz, mono, 16-bit PCM, 0:00.5"},  // 0.4626 s
        {{"click", 11025, 2, 0, pcm(5512)}, "11025 Hz, mono, 8-bit PCM, 0:00.5"},       // 0.49995 s
    };
    std::vector<BAGWriteEntry> records;
    for (const auto& c : cases) records.push_back(c.record);
    cBAG::BAGWrite(dir / "Sounds.bag", records);
    engine.OpenArchive((dir / "Sounds.bag").string());
    for (std::int32_t n = 1; n <= static_cast<std::int32_t>(std::size(cases)); ++n) {
        const auto& c = cases[n - 1];
        Show(n);
        ASSERT_EQ(pane.Kind(), PreviewKind::Sound) << c.record.name;
        EXPECT_EQ(pane.Details().split(QLatin1Char('\n')).value(1), QString::fromLatin1(c.description))
            << pane.Details().toStdString();
        EXPECT_EQ(LabelTexts(pane).count(QStringLiteral(" Hz, ")), 1) << LabelTexts(pane).toStdString();
    }
}

// A telling name makes text of bytes with a stray control byte, never of binary data.
TEST_F(PreviewPaneTest, TextNamesShowTextAndBinaryPayloadsShowHex) {
    std::string binary;
    for (int i = 0; i < 40; ++i) binary += static_cast<char>(i);
    const struct {
        const char* name;
        std::string bytes;
        PreviewKind kind;
    } cases[] = {
        {"rules.ini", "[Unit]\r\nSpeed = 4\r\n\x1A", PreviewKind::Text},  // an end-of-file mark
        {"table.ini", binary, PreviewKind::Hex},
        {"readme.txt", std::string(64, '\xFF') + std::string(8, '\x01'), PreviewKind::Hex},
        {"notes.dat", "plain words\r\n", PreviewKind::Text},
    };
    std::vector<std::pair<std::string, std::string>> files;
    for (const auto& c : cases) files.emplace_back(c.name, c.bytes);
    OpenRfh(files);
    for (std::int32_t n = 1; n <= static_cast<std::int32_t>(std::size(cases)); ++n) {
        Show(n);
        EXPECT_EQ(pane.Kind(), cases[n - 1].kind) << cases[n - 1].name;
    }
}

// While the next entry is read, the pane still shows the last one whole: its
// name above its own contents, never the new name above the old contents.
TEST_F(PreviewPaneTest, TheDetailsAlwaysNameTheEntryShown) {
    OpenRfh({{"first.txt", "one"}, {"second.txt", "two"}});
    Show(1);
    pane.ShowEntry(EntryReader::Take(engine, 2));
    EXPECT_TRUE(pane.Details().startsWith(QStringLiteral("first.txt"))) << pane.Details().toStdString();
    EXPECT_EQ(pane.ShownText(), QStringLiteral("one"));
    Settle();
    EXPECT_TRUE(pane.Details().startsWith(QStringLiteral("second.txt"))) << pane.Details().toStdString();
    EXPECT_EQ(pane.ShownText(), QStringLiteral("two"));
}

TEST_F(PreviewPaneTest, EntriesOverTheLimitShowTheirStartInHex) {
    OpenRfh({{"huge.tga", std::string(kPreviewWholeLimit + 1, '\0')}});
    Show(1);
    ASSERT_EQ(pane.Kind(), PreviewKind::Hex);
    EXPECT_EQ(pane.ShownText().count(QLatin1Char('\n')) + 1, static_cast<qsizetype>(kPreviewHexLimit / 16));
    EXPECT_TRUE(pane.Details().contains(QStringLiteral("Over 64 MB"))) << pane.Details().toStdString();
}

TEST_F(PreviewPaneTest, DamagedEntriesSayWhy) {
    OpenRfh({{"a.txt", std::string(5000, 'a')}, {"b.wav", "RIFF, but nothing more"}});
    std::fstream data(dir / "Game.rfd", std::ios::in | std::ios::out | std::ios::binary);
    data.seekp(6);
    data.write("\xFF\xFF\xFF\xFF\xFF\xFF", 6);
    data.close();

    Show(1);
    EXPECT_EQ(pane.Kind(), PreviewKind::Damaged);
    EXPECT_TRUE(pane.Message().startsWith(QStringLiteral("This entry cannot be shown: the entry at offset 0x0")))
        << pane.Message().toStdString();

    // A sound file that is not one: its bytes, and why it does not play.
    Show(2);
    EXPECT_EQ(pane.Kind(), PreviewKind::Hex);
    EXPECT_TRUE(pane.Details().contains(QStringLiteral("Not playable: b.wav"))) << pane.Details().toStdString();
}

TEST_F(PreviewPaneTest, OnlyTheNewestRequestIsShown) {
    OpenRfh({{"a.txt", "first"}, {"b.txt", "second"}, {"c.txt", "third"}});
    QStringList shown;
    QObject::connect(&pane, &PreviewPane::shown, [&] { shown << pane.ShownText(); });
    // Results come back through the event loop, so every request below is made
    // before the first read is in: only the last may show.
    for (int n : {1, 2, 3, 2}) pane.ShowEntry(EntryReader::Take(engine, n));
    Settle();
    EXPECT_EQ(shown, QStringList{QStringLiteral("second")});

    pane.ShowEntry(EntryReader::Take(engine, 3));
    pane.Clear();
    Settle();
    EXPECT_EQ(pane.Kind(), PreviewKind::None);
    EXPECT_EQ(shown.size(), 1);
}

struct Case {
    const char* what;
    Bytes bytes;
    std::vector<QRgb> pixels;  // top row first, left to right
};

TEST(TgaImage, DecodesEveryLayoutTheGameUses) {
    const QRgb red = qRgb(255, 0, 0), green = qRgb(0, 255, 0), blue = qRgb(0, 0, 255), white = qRgb(255, 255, 255);
    // Colour map of two 24-bit entries, starting at index 0.
    Bytes mapped = {0, 1, 1, 0, 0, 2, 0, 24, 0, 0, 0, 0, 2, 0, 1, 0, 8, 0x20};
    mapped = Join(mapped, {0, 0, 255, 255, 0, 0, 1, 0});
    const Case cases[] = {
        {"24-bit, rows from the bottom",
         Join(Header(2, 2, 2, 24, 0), {255, 0, 0, 0, 255, 0, 0, 0, 255, 255, 255, 255}),
         {red, white, blue, green}},
        {"32-bit with alpha, from the top, after an id",
         Join(Header(2, 1, 1, 32, 0x28, 3), {0, 0, 255, 128}),
         {qRgba(255, 0, 0, 128)}},
        {"16-bit 5-5-5", Join(Header(2, 1, 1, 16, 0x20), {0x1F, 0x00}), {blue}},
        {"8-bit grey, rows from the top", Join(Header(3, 1, 2, 8, 0x20), {0, 255}), {qRgb(0, 0, 0), white}},
        {"run-length 24-bit: a run of three, then one raw",
         Join(Header(10, 4, 1, 24, 0x20), {0x82, 0, 255, 0, 0x00, 255, 0, 0}),
         {green, green, green, blue}},
        {"colour-mapped", mapped, {blue, red}},
    };
    for (const Case& c : cases) {
        QString why;
        const QImage image = DecodeTga(c.bytes, why);
        ASSERT_FALSE(image.isNull()) << c.what << ": " << why.toStdString();
        ASSERT_EQ(static_cast<std::size_t>(image.width() * image.height()), c.pixels.size()) << c.what;
        for (std::size_t i = 0; i < c.pixels.size(); ++i) {
            const int x = static_cast<int>(i) % image.width(), y = static_cast<int>(i) / image.width();
            EXPECT_EQ(image.pixel(x, y), c.pixels[i]) << c.what << " pixel " << i;
        }
    }
}

TEST(TgaImage, RefusesBytesThatAreNotAPicture) {
    const std::pair<Bytes, const char*> cases[] = {
        {Bytes(10, 0), "shorter than a TGA header"},
        {Join(Header(2, 2, 2, 24, 0), Bytes(11, 0)), "ends early"},
        {Join(Header(10, 200, 200, 24, 0), {0xFF, 1, 2, 3}), "ends early"},
        {Join(Header(4, 1, 1, 24, 0), {1, 2, 3}), "image type 4"},
        {Join(Header(2, 1, 1, 12, 0), {1, 2}), "12-bit pixels"},
        {Join(Header(2, 0, 1, 24, 0), {1, 2, 3}), "size 0 × 1"},
    };
    for (const auto& [bytes, reason] : cases) {
        QString why;
        EXPECT_TRUE(DecodeTga(bytes, why).isNull()) << reason;
        EXPECT_TRUE(why.contains(QString::fromUtf8(reason))) << reason << ": " << why.toStdString();
    }
}

}  // namespace
}  // namespace varnok::test
