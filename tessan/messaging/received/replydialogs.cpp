#include "messaging/received/replydialogs.h"

#include "messaging/textmessagedialog.h"
#include "messaging/voicemessagedialog.h"

namespace tessan {

namespace {
Recipient RecipientOf(const ReplyDraft& draft) {
    return {draft.recipientNumber, draft.recipientName, draft.recipientKey};
}
}  // namespace

void FillTextReply(TextMessage& message, const ReplyDraft& draft) {
    message.recipientLine = draft.recipientLine;
    message.recipient = RecipientOf(draft);
    message.ownNumber = draft.ownNumber;
    message.subject = draft.subject;
    message.body = draft.body;
    message.callerSends = 0;
}

void FillVoiceReply(VoiceRecorder& recorder, const ReplyDraft& draft) {
    recorder.recipientLine = draft.recipientLine;
    recorder.recipient = RecipientOf(draft);
    recorder.ownNumber = draft.ownNumber;
    recorder.subject = draft.subject;
    recorder.callerSends = 0;
}

ReceivedFilesPage::Replies ReplyDialogs(QString appDir, MessageBoxes& boxes, VoiceDevice& device,
                                        SendImmediatelyFn send) {
    ReceivedFilesPage::Replies replies;
    replies.text = [appDir, &boxes, send](const ReplyDraft& draft, QWidget* parent) {
        TextMessageDialog dialog(appDir, boxes, send, parent);
        FillTextReply(dialog.message(), draft);
        dialog.exec();
    };
    replies.voice = [appDir, &boxes, &device, send](const ReplyDraft& draft, QWidget* parent) {
        VoiceMessageDialog dialog(appDir, device, boxes, {}, send, parent);
        FillVoiceReply(dialog.recorder(), draft);
        dialog.exec();
    };
    return replies;
}

}  // namespace tessan
