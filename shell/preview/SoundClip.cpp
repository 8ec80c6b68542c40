#include "shell/preview/SoundClip.h"

#include "formats/audio/MpegHeader.h"
#include "formats/audio/Wave.h"

namespace varnok {

namespace {

// Minutes, seconds and tenths, rounded to the nearest tenth: 0.50 s is "0:00.5".
QString Duration(qint64 ms) {
    const qint64 tenths = (ms + 50) / 100;
    return QStringLiteral("%1:%2.%3").arg(tenths / 600).arg(tenths / 10 % 60, 2, 10, QLatin1Char('0')).arg(tenths % 10);
}

// Whole milliseconds nearest to n / d seconds.
qint64 RoundedMs(qint64 n, qint64 d) { return (n * 1000 + d / 2) / d; }

QString Channels(unsigned channels) {
    return channels == 1   ? QStringLiteral("mono")
           : channels == 2 ? QStringLiteral("stereo")
                           : QStringLiteral("%1 channels").arg(channels);
}

}  // namespace

SoundClip WaveClip(std::span<const std::uint8_t> bytes, const std::string& what, bool fromAdpcm) {
    const audio::WaveSound wave = audio::ReadWave(bytes, what);
    // Every encoding plays as 16-bit samples, which every audio device takes.
    const std::vector<std::uint8_t> pcm = audio::Pcm16Bytes(audio::WaveSamples16(wave, what));
    SoundClip clip;
    clip.format.setSampleRate(static_cast<int>(wave.format.sampleRate));
    clip.format.setChannelCount(static_cast<int>(wave.format.channels));
    clip.format.setSampleFormat(QAudioFormat::Int16);
    clip.pcm = QByteArray(reinterpret_cast<const char*>(pcm.data()), static_cast<qsizetype>(pcm.size()));
    const qint64 frameBytes = 2 * static_cast<qint64>(wave.format.channels);
    clip.durationMs = RoundedMs(clip.pcm.size() / frameBytes, wave.format.sampleRate);
    const QString encoding = wave.format.encoding == audio::WaveEncoding::ImaAdpcm || fromAdpcm
                                 ? QStringLiteral("IMA ADPCM, 4-bit")
                                 : QStringLiteral("%1-bit PCM").arg(wave.format.bitsPerSample);
    clip.description = QStringLiteral("%1 Hz, %2, %3, %4")
                           .arg(wave.format.sampleRate)
                           .arg(Channels(wave.format.channels), encoding, Duration(clip.durationMs));
    return clip;
}

SoundClip Mp3Clip(std::span<const std::uint8_t> bytes, const std::string& what) {
    const audio::MpegStart start = audio::FindFirstMpegFrame(bytes, what);
    SoundClip clip;
    clip.mp3 = QByteArray(reinterpret_cast<const char*>(bytes.data()), static_cast<qsizetype>(bytes.size()));
    const std::uint32_t bitrate = start.header.bitrate;
    // A constant bit rate is the common case; a variable one makes this a guess.
    if (bitrate > 0) {
        clip.durationMs = RoundedMs(static_cast<qint64>(bytes.size() - start.offset) * 8, bitrate);
    }
    clip.description = QStringLiteral("MPEG layer %1, %2 Hz, %3, %4 kbit/s, %5")
                           .arg(start.header.layer)
                           .arg(start.header.sampleRate)
                           .arg(Channels(start.header.channels))
                           .arg(bitrate / 1000)
                           .arg(clip.durationMs > 0 ? Duration(clip.durationMs) : QStringLiteral("length unknown"));
    return clip;
}

}  // namespace varnok
