// The voice recorder's device on Qt Multimedia: capture from the default input through
// QAudioSource in the voice format (PCM, mono, 11025 Hz, 8 bit) into memory, saved by our own
// wave writer; playback through QMediaPlayer.
#pragma once

#include "messaging/voicedevice.h"

#include <QByteArray>
#include <QIODevice>

#include <memory>

class QAudioOutput;
class QAudioSource;
class QMediaPlayer;

namespace tessan {

class QtVoiceDevice final : public QObject, public VoiceDevice {
    Q_OBJECT
  public:
    explicit QtVoiceDevice(QObject* parent = nullptr);
    ~QtVoiceDevice() override;

    bool StartRecording() override;
    bool StopRecording() override;
    bool SaveRecording(const QString& path) override;
    void CloseRecording() override;
    void StartPlayback(const QString& path) override;
    void StopPlayback() override;

    // Bytes (one per sample) captured by the running or ended recording.
    qint64 CapturedBytes() const { return samples_.size(); }

  private:
    // Receives what the audio source pushes; keeps at most the recorder's limit and a margin.
    class Sink final : public QIODevice {
      public:
        explicit Sink(QByteArray& samples) : samples_(samples) {}
        qint64 readData(char*, qint64) override { return -1; }
        qint64 writeData(const char* data, qint64 length) override;

      private:
        QByteArray& samples_;
    };

    QByteArray samples_;
    Sink sink_{samples_};
    std::unique_ptr<QAudioSource> source_;
    bool failed_ = false;
    std::unique_ptr<QAudioOutput> output_;
    std::unique_ptr<QMediaPlayer> player_;
};

}  // namespace tessan
