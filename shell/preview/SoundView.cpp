#include "shell/preview/SoundView.h"

#include <QAudioDevice>
#include <QAudioOutput>
#include <QAudioSink>
#include <QLabel>
#include <QMediaDevices>
#include <QMediaPlayer>
#include <QPushButton>
#include <QShortcut>
#include <QStyle>
#include <QVBoxLayout>

namespace varnok {

SoundView::SoundView(QWidget* parent) : QWidget(parent) {
    button_ = new QPushButton(style()->standardIcon(QStyle::SP_MediaPlay), QStringLiteral("Play"));
    button_->setObjectName(QStringLiteral("btnPlay"));
    status_ = new QLabel;
    status_->setObjectName(QStringLiteral("lblSoundStatus"));
    status_->setWordWrap(true);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(button_, 0, Qt::AlignLeft);
    layout->addWidget(status_);
    layout->addStretch(1);
    connect(button_, &QPushButton::clicked, this, &SoundView::TogglePlay);
    // Space plays and stops wherever the focus is in the window, the list
    // included, while a sound is shown.
    auto* space = new QShortcut(QKeySequence(Qt::Key_Space), this);
    space->setContext(Qt::WindowShortcut);
    connect(space, &QShortcut::activated, this, [this] {
        if (isVisible()) TogglePlay();
    });
}

SoundView::~SoundView() { Stop(); }

void SoundView::SetClip(SoundClip clip) {
    Stop();
    clip_ = std::move(clip);
    status_->clear();
}

void SoundView::TogglePlay() {
    if (playing_) {
        Stop();
        return;
    }
    status_->clear();
    if (!clip_.pcm.isEmpty())
        PlayPcm();
    else if (!clip_.mp3.isEmpty())
        PlayMp3();
}

void SoundView::Stop() {
    if (sink_) {
        sink_->disconnect(this);
        sink_->stop();
        sink_.reset();
    }
    if (player_) player_->stop();
    buffer_.close();
    SetPlaying(false);
}

bool SoundView::HasDevice() {
    if (!QMediaDevices::defaultAudioOutput().isNull()) return true;
    Say(QStringLiteral("No sound device is available to play this sound."));
    return false;
}

void SoundView::PlayPcm() {
    if (!HasDevice()) return;
    const QAudioDevice device = QMediaDevices::defaultAudioOutput();
    if (!device.isFormatSupported(clip_.format)) {
        Say(QStringLiteral("The sound device cannot play %1 Hz sound.").arg(clip_.format.sampleRate()));
        return;
    }
    buffer_.setData(clip_.pcm);
    buffer_.open(QIODevice::ReadOnly);
    sink_ = std::make_unique<QAudioSink>(device, clip_.format);
    connect(sink_.get(), &QAudioSink::stateChanged, this, [this](QAudio::State state) {
        // The sound has run out, or the device went away. The sink is not
        // destroyed inside its own signal.
        if (state == QAudio::IdleState || state == QAudio::StoppedState) {
            QMetaObject::invokeMethod(this, &SoundView::Stop, Qt::QueuedConnection);
        }
    });
    sink_->start(&buffer_);
    SetPlaying(true);
}

void SoundView::PlayMp3() {
    if (!HasDevice()) return;
    if (!player_) {
        player_ = std::make_unique<QMediaPlayer>();
        output_ = std::make_unique<QAudioOutput>();
        player_->setAudioOutput(output_.get());
        connect(player_.get(), &QMediaPlayer::errorOccurred, this, [this](QMediaPlayer::Error, const QString& why) {
            Stop();
            Say(QStringLiteral("This system cannot play MP3 sound: %1").arg(why));
        });
        connect(player_.get(), &QMediaPlayer::playbackStateChanged, this, [this](QMediaPlayer::PlaybackState state) {
            if (state == QMediaPlayer::StoppedState) SetPlaying(false);
        });
    }
    buffer_.close();
    buffer_.setData(clip_.mp3);
    buffer_.open(QIODevice::ReadOnly);
    player_->setSourceDevice(&buffer_, QUrl(QStringLiteral("sound.mp3")));
    player_->play();
    SetPlaying(true);
}

void SoundView::SetPlaying(bool playing) {
    playing_ = playing;
    button_->setText(playing ? QStringLiteral("Stop") : QStringLiteral("Play"));
    button_->setIcon(style()->standardIcon(playing ? QStyle::SP_MediaStop : QStyle::SP_MediaPlay));
}

void SoundView::Say(const QString& text) { status_->setText(text); }

}  // namespace varnok
