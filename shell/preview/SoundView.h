#pragma once

#include <QBuffer>
#include <QWidget>
#include <memory>

#include "shell/preview/SoundClip.h"

class QAudioSink;
class QAudioOutput;
class QLabel;
class QMediaPlayer;
class QPushButton;

namespace varnok {

// A Play/Stop button over one sound. WAVE sound goes to the audio device
// through a sink; MP3 goes through the media player, which plays it where the
// platform has a decoder and otherwise says why not.
class SoundView : public QWidget {
    Q_OBJECT
public:
    explicit SoundView(QWidget* parent = nullptr);
    ~SoundView() override;

    // Stops what plays and takes the new sound, ready to play.
    void SetClip(SoundClip clip);
    const SoundClip& Clip() const noexcept { return clip_; }
    bool IsPlaying() const noexcept { return playing_; }

    void TogglePlay();
    void Stop();

private:
    bool HasDevice();
    void PlayPcm();
    void PlayMp3();
    void SetPlaying(bool playing);
    void Say(const QString& text);

    SoundClip clip_;
    QBuffer buffer_;
    std::unique_ptr<QAudioSink> sink_;
    std::unique_ptr<QMediaPlayer> player_;
    std::unique_ptr<QAudioOutput> output_;
    QPushButton* button_ = nullptr;
    QLabel* status_ = nullptr;
    bool playing_ = false;
};

}  // namespace varnok
