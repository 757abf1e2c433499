// The rules of the voice message dialog: recording, stopping, previewing, sending and cancelling,
// with the elapsed time counted in 10 ms timer ticks. The dialog shows the state and forwards the
// button presses; the sound card sits behind VoiceDevice and the timers behind TimerFactory.
//
// The saved file is named after the subject as it was when recording started. When the user edits
// the subject afterwards, OK renames the saved file to the new subject, so that the file the
// library stores (its base name) and the remote name "<subject>.wav" are always the same text.
#pragma once

#include "core/base/messageboxes.h"
#include "core/base/timer.h"
#include "messaging/recipient.h"
#include "messaging/voicedevice.h"

#include <QObject>
#include <QString>

#include <memory>

namespace tessan {

class VoiceRecorder final : public QObject {
    Q_OBJECT
  public:
    enum class State { Idle, Recording, Recorded, Previewing };
    enum class Outcome { StayOpen, FocusSubject, Accept };
    struct Buttons {
        bool record = true;
        bool stop = true;
        bool preview = true;
        bool ok = true;
        bool cancel = true;
        friend bool operator==(const Buttons&, const Buttons&) = default;
    };
    // Texts that replace the dialog's own when they are not empty.
    struct Texts {
        QString title;           // "语音回复"
        QString recipientLabel;  // "回复给："
        QString subjectLabel;    // "回复主题:"
        QString okText;          // "发送回复"
        QString cancelText;      // "取消"
    };
    static Texts Effective(const Texts& texts);

    static constexpr int kTickMs = 10;
    static constexpr int kMaxRecordTicks = 30000;  // 300 s
    static constexpr int kPreviewSliderMax = 6000;

    VoiceRecorder(QString appDir, VoiceDevice& device, MessageBoxes& boxes, TimerFactory timers,
                  SendImmediatelyFn send, QObject* parent = nullptr);
    // Leaves the device released; a recording still running is discarded.
    ~VoiceRecorder() override;

    // The buttons. Presses of a button the state disables are ignored.
    Outcome Record(const QString& subject);
    void Stop();
    void Preview();
    Outcome Ok(const QString& subject);
    // Cancel, and closing the dialog any other way: ends whatever runs and deletes the recording.
    void Cancel();

    State state() const { return state_; }
    Buttons buttons() const;
    QString StatusText() const;
    QString ElapsedText() const;
    int SliderMaximum() const { return sliderMax_; }
    int SliderPosition() const { return std::min(sliderPos_, sliderMax_); }
    int recordTicks() const { return recordTicks_; }
    int previewTicks() const { return previewTicks_; }
    // The saved wave file; empty until the first Stop.
    const QString& recordingPath() const { return recordingPath_; }

    Texts texts;
    QString recipientLine;
    // The subject as the dialog returns it: after OK, the name the recording is stored under.
    QString subject;
    QByteArray ownNumber;  // carried for the caller
    Recipient recipient;
    // Set: OK only closes; the caller sends the recording (group messages).
    int callerSends = 0;

  signals:
    // Something the dialog shows has changed.
    void changed();

  private:
    void RecordTick();
    void PreviewTick();
    void EndPreview();
    // Ends a running recording (discarded) or preview; the saved file stays.
    void Abandon();
    // Makes the saved file carry `newSubject`'s name; false (with a message) when it cannot.
    bool RenameRecording(const QString& newSubject);
    void TellBadSubject(const QString& subject);

    QString appDir_;
    VoiceDevice& device_;
    MessageBoxes& boxes_;
    SendImmediatelyFn send_;
    std::unique_ptr<Timer> recordTimer_;
    std::unique_ptr<Timer> previewTimer_;

    State state_ = State::Idle;
    int recordTicks_ = 0;
    int previewTicks_ = 0;
    int sliderMax_ = kMaxRecordTicks;
    int sliderPos_ = 0;
    bool ticked_ = false;       // the elapsed text reads "0.00秒" until the first tick
    QString recordingSubject_;  // the subject read when the running recording started
    QString savedSubject_;      // the subject the saved file is named after
    QString recordingPath_;
};

}  // namespace tessan
