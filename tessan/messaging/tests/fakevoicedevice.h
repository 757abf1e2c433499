// A VoiceDevice for tests of the recorder's rules and dialog.
#pragma once

#include "messaging/voicedevice.h"
#include "messaging/wavfile.h"

#include <QStringList>

namespace tessan {

// A sound card that saves a short real wave file and remembers what was asked of it.
class FakeVoiceDevice final : public VoiceDevice {
  public:
    bool StartRecording() override {
        calls << QStringLiteral("start");
        if (busy) return false;
        recording = true;
        return true;
    }
    bool StopRecording() override {
        calls << QStringLiteral("stop");
        return !failStop;
    }
    bool SaveRecording(const QString& path) override {
        calls << QStringLiteral("save");
        return WriteWavFile(path, kVoiceFormat, QByteArray(110, '\x80'));
    }
    void CloseRecording() override {
        calls << QStringLiteral("close");
        recording = false;
    }
    void StartPlayback(const QString& path) override { calls << QStringLiteral("play ") + path; }
    void StopPlayback() override { calls << QStringLiteral("end play"); }

    bool busy = false;
    bool failStop = false;
    bool recording = false;
    QStringList calls;
};

}  // namespace tessan
