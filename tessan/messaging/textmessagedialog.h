// The text message dialog: the caller fills message() (texts, recipient, subject, body,
// callerSends), runs it modally and, after OK with callerSends set, reads
// message().messageFilePath and message().subject.
#pragma once

#include "messaging/messagedialogparts.h"
#include "messaging/textmessage.h"

#include <QDialog>

class QFontMetrics;
class QLabel;
class QPlainTextEdit;

namespace tessan {

class TextMessageDialog final : public QDialog {
    Q_OBJECT
  public:
    TextMessageDialog(const QString& appDir, MessageBoxes& boxes, SendImmediatelyFn send,
                      QWidget* parent = nullptr);

    TextMessage& message() { return message_; }
    const TextMessage& message() const { return message_; }

    // Puts the caller's texts and fields into the controls; exec() does it first.
    void Fill();

    int exec() override;
    void accept() override;

    // How wide `line` is drawn with tab stops every `tabStop` pixels.
    static int LineWidth(const QFontMetrics& metrics, const QString& line, qreal tabStop);

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    TextMessage message_;
    MessageDialogParts parts_;
    QLabel* bodyLabel_;
    QPlainTextEdit* body_;
};

}  // namespace tessan
