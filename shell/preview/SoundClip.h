#pragma once

#include <QAudioFormat>
#include <QByteArray>
#include <QString>
#include <span>

namespace varnok {

// A sound ready to play: WAVE sound as 16-bit samples for an audio sink, or an
// MP3 stream for the media player, with what the pane says about it.
struct SoundClip {
    QAudioFormat format;  // of `pcm`; invalid for MP3
    QByteArray pcm;
    QByteArray mp3;
    qint64 durationMs = 0;
    QString description;  // rate, channels, encoding and duration; the pane's details show it
};

// A WAVE file's sound (PCM of 8 or 16 bits, or IMA ADPCM) as 16-bit samples;
// FormatError naming `what` when the file is not one. `fromAdpcm` says the PCM
// file was decoded from IMA ADPCM, as a BAG record's is, and is described so.
SoundClip WaveClip(std::span<const std::uint8_t> bytes, const std::string& what, bool fromAdpcm = false);
// An MP3 stream with its first frame's rate and channels; FormatError when no
// frame is found.
SoundClip Mp3Clip(std::span<const std::uint8_t> bytes, const std::string& what);

}  // namespace varnok
