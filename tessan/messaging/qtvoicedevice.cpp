#include "messaging/qtvoicedevice.h"

#include "core/base/diagnostics.h"
#include "messaging/wavfile.h"

#include <QAudioDevice>
#include <QAudioFormat>
#include <QAudioOutput>
#include <QAudioSource>
#include <QMediaDevices>
#include <QMediaPlayer>
#include <QUrl>

namespace tessan {
namespace {

// 310 s of samples: the recorder stops at 300 s of timer ticks, which may lag behind the audio.
constexpr qint64 kMaxSamples = 310LL * 11025;

// One recording at a time in the process, as with a single capture device.
bool recordingInProcess = false;

QAudioFormat VoiceFormat() {
    QAudioFormat format;
    format.setSampleRate(static_cast<int>(kVoiceFormat.sampleRate));
    format.setChannelCount(kVoiceFormat.channels);
    format.setSampleFormat(QAudioFormat::UInt8);
    return format;
}

}  // namespace

qint64 QtVoiceDevice::Sink::writeData(const char* data, qint64 length) {
    const qint64 room = std::max<qint64>(0, kMaxSamples - samples_.size());
    samples_.append(data, static_cast<qsizetype>(std::min(room, length)));
    return length;
}

QtVoiceDevice::QtVoiceDevice(QObject* parent) : QObject(parent) {}

QtVoiceDevice::~QtVoiceDevice() {
    CloseRecording();
    StopPlayback();
}

bool QtVoiceDevice::StartRecording() {
    if (recordingInProcess) return false;
    const QAudioDevice input = QMediaDevices::defaultAudioInput();
    const QAudioFormat format = VoiceFormat();
    if (input.isNull()) {
        qCWarning(lcVoice) << "no audio input device";
        return false;
    }
    if (!input.isFormatSupported(format)) {
        qCWarning(lcVoice) << "input" << input.description() << "cannot record the voice format";
        return false;
    }
    samples_.clear();
    failed_ = false;
    source_ = std::make_unique<QAudioSource>(input, format);
    connect(source_.get(), &QAudioSource::stateChanged, this, [this](QAudio::State) {
        if (!source_) return;
        const QAudio::Error error = source_->error();
        if (error == QAudio::OpenError || error == QAudio::FatalError) {
            qCWarning(lcVoice) << "capture failed:" << error;
            failed_ = true;
        }
    });
    sink_.open(QIODevice::WriteOnly);
    source_->start(&sink_);
    if (source_->error() != QAudio::NoError || source_->state() == QAudio::StoppedState) {
        qCWarning(lcVoice) << "cannot start capture:" << source_->error();
        source_.reset();
        sink_.close();
        return false;
    }
    recordingInProcess = true;
    return true;
}

bool QtVoiceDevice::StopRecording() {
    if (!source_) return false;
    source_->stop();
    return !failed_;
}

bool QtVoiceDevice::SaveRecording(const QString& path) {
    if (!WriteWavFile(path, kVoiceFormat, samples_)) {
        qCWarning(lcVoice) << "cannot write" << path;
        return false;
    }
    return true;
}

void QtVoiceDevice::CloseRecording() {
    if (!source_) return;
    source_.reset();
    sink_.close();
    samples_.clear();
    recordingInProcess = false;
}

void QtVoiceDevice::StartPlayback(const QString& path) {
    if (!player_) {
        player_ = std::make_unique<QMediaPlayer>();
        output_ = std::make_unique<QAudioOutput>();
        player_->setAudioOutput(output_.get());
        connect(player_.get(), &QMediaPlayer::errorOccurred, this,
                [](QMediaPlayer::Error, const QString& text) {
                    qCWarning(lcVoice) << "playback failed:" << text;
                });
    }
    player_->setSource(QUrl::fromLocalFile(path));
    player_->play();
}

void QtVoiceDevice::StopPlayback() {
    if (!player_) return;
    player_->stop();
    player_->setSource(QUrl());
}

}  // namespace tessan
