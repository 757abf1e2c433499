// The voice message dialog: the caller fills recorder() (texts, recipient, subject, callerSends),
// runs it modally and, after OK with callerSends set, reads recorder().recordingPath() and
// recorder().subject, which always name the same file.
#pragma once

#include "messaging/messagedialogparts.h"
#include "messaging/voicerecorder.h"

#include <QDialog>

class QLabel;
class QSlider;

namespace tessan {

class ImageButton;

class VoiceMessageDialog final : public QDialog {
    Q_OBJECT
  public:
    // `timers` empty: QTimers owned by the dialog.
    VoiceMessageDialog(const QString& appDir, VoiceDevice& device, MessageBoxes& boxes,
                       TimerFactory timers, SendImmediatelyFn send, QWidget* parent = nullptr);

    VoiceRecorder& recorder() { return *recorder_; }

    // Puts the caller's texts and fields into the controls; exec() does it first.
    void Fill();

    int exec() override;
    void accept() override;
    // Cancel, Escape and the window's close button: whatever runs ends, the recording goes.
    void reject() override;

  private:
    void Show();
    void Act(VoiceRecorder::Outcome outcome);

    std::unique_ptr<VoiceRecorder> recorder_;
    MessageDialogParts parts_;
    QLabel* status_;
    QSlider* slider_;
    QLabel* elapsed_;
    QLabel* maximum_;
    ImageButton* record_;
    ImageButton* stop_;
    ImageButton* preview_;
};

}  // namespace tessan
