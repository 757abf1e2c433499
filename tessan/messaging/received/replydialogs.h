// Replies to a sender through the message dialogs: the text dialog with the greeting as its body,
// or the voice dialog. Their window texts stay the dialogs' own; the dialogs write and send the
// message themselves.
#pragma once

#include "messaging/received/receivedfilespage.h"
#include "messaging/recipient.h"

namespace tessan {

class MessageBoxes;
class TextMessage;
class VoiceDevice;
class VoiceRecorder;

void FillTextReply(TextMessage& message, const ReplyDraft& draft);
void FillVoiceReply(VoiceRecorder& recorder, const ReplyDraft& draft);

// `boxes` and `device` must outlive the page; `send` sends a file at once (the sending pipeline).
ReceivedFilesPage::Replies ReplyDialogs(QString appDir, MessageBoxes& boxes, VoiceDevice& device,
                                        SendImmediatelyFn send);

}  // namespace tessan
