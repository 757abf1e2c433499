#include "messaging/textmessage.h"

#include "messaging/messagefiles.h"

namespace tessan {

TextMessage::Texts TextMessage::DefaultTexts() {
    return {QStringLiteral("编辑回复信息"), QStringLiteral("回复给："),
            QStringLiteral("回复主题:"),    QStringLiteral("请在下面编写你要回复的内容:"),
            QStringLiteral("发送回复"),     QStringLiteral("取消")};
}

TextMessage::Texts TextMessage::Effective(const Texts& t) {
    const Texts d = DefaultTexts();
    auto pick = [](const QString& own, const QString& fallback) {
        return own.isEmpty() ? fallback : own;
    };
    return {pick(t.title, d.title),
            pick(t.recipientLabel, d.recipientLabel),
            pick(t.subjectLabel, d.subjectLabel),
            pick(t.bodyLabel, d.bodyLabel),
            pick(t.okText, d.okText),
            pick(t.cancelText, d.cancelText)};
}

TextMessage::TextMessage(QString appDir, MessageBoxes& boxes, SendImmediatelyFn send)
    : appDir_(std::move(appDir)), boxes_(boxes), send_(std::move(send)) {}

TextMessage::Outcome TextMessage::Ok(const QString& typedSubject, const QString& typedBody) {
    subject = typedSubject.left(kSubjectMaxLength);
    body = typedBody;
    if (subject.isEmpty()) {
        boxes_.Tell(QStringLiteral("请输入回复的主题!"));
        return Outcome::FocusSubject;
    }
    if (body.isEmpty()) {
        boxes_.Tell(QStringLiteral("请输入回复的内容!"));
        return Outcome::StayOpen;
    }
    // The file is GBK for every reader; a character GBK lacks would arrive as '?' or worse.
    if (const qsizetype bad = FirstNonGbkCharacter(body); bad >= 0) {
        const qsizetype length = body[bad].isHighSurrogate() ? 2 : 1;
        boxes_.Tell(QStringLiteral("内容中的字符“%1”不能用GBK编码保存，请删除或替换后再发送!")
                        .arg(body.mid(bad, length)),
                    MessageBoxes::Icon::Warning);
        return Outcome::StayOpen;
    }

    const std::optional<QString> path = CacheMessagePath(appDir_, subject, QStringLiteral(".txt"));
    messageFilePath = path.value_or(QString());
    if (!path || !WriteMessageFile(*path, TextMessageBytes(body))) {
        boxes_.Tell(QStringLiteral("无法建立回复文件，回复失败！"));
        return Outcome::Accept;
    }
    if (callerSends) return Outcome::Accept;
    return send_(recipient, *path, subject + QStringLiteral(".txt")) ? Outcome::Accept
                                                                     : Outcome::StayOpen;
}

}  // namespace tessan
