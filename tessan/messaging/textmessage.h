// The rules of the text message dialog: what OK does with the subject and body the user typed.
// The dialog widget only shows these fields and acts on the outcome.
#pragma once

#include "core/base/messageboxes.h"
#include "messaging/recipient.h"

#include <QString>

namespace tessan {

class TextMessage {
  public:
    // Texts that replace the dialog's own when they are not empty.
    struct Texts {
        QString title;           // "编辑回复信息"
        QString recipientLabel;  // "回复给："
        QString subjectLabel;    // "回复主题:"
        QString bodyLabel;       // "请在下面编写你要回复的内容:"
        QString okText;          // "发送回复"
        QString cancelText;      // "取消"
    };
    static Texts DefaultTexts();
    // `texts` with each empty entry taken from DefaultTexts().
    static Texts Effective(const Texts& texts);

    enum class Outcome { StayOpen, FocusSubject, Accept };

    TextMessage(QString appDir, MessageBoxes& boxes, SendImmediatelyFn send);

    // OK: checks the input, writes the message file and, unless the caller sends, sends it.
    Outcome Ok(const QString& subject, const QString& body);

    Texts texts;
    QString recipientLine;
    QString subject;
    QString body;
    QByteArray ownNumber;  // carried for the caller; the dialog does not use it
    Recipient recipient;
    // Set: OK only writes the file and closes; the caller sends it (group messages).
    int callerSends = 0;
    // Filled by OK; empty when the subject could not name a file in the cache folder.
    QString messageFilePath;

  private:
    QString appDir_;
    MessageBoxes& boxes_;
    SendImmediatelyFn send_;
};

}  // namespace tessan
