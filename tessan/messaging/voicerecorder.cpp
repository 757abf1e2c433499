#include "messaging/voicerecorder.h"

#include "messaging/messagefiles.h"

#include <QFile>

namespace tessan {
namespace {

const QString kWav = QStringLiteral(".wav");

}  // namespace

VoiceRecorder::Texts VoiceRecorder::Effective(const Texts& t) {
    auto pick = [](const QString& own, const char16_t* fallback) {
        return own.isEmpty() ? QString::fromUtf16(fallback) : own;
    };
    return {pick(t.title, u"语音回复"), pick(t.recipientLabel, u"回复给："),
            pick(t.subjectLabel, u"回复主题:"), pick(t.okText, u"发送回复"),
            pick(t.cancelText, u"取消")};
}

VoiceRecorder::VoiceRecorder(QString appDir, VoiceDevice& device, MessageBoxes& boxes,
                             TimerFactory timers, SendImmediatelyFn send, QObject* parent)
    : QObject(parent),
      appDir_(std::move(appDir)),
      device_(device),
      boxes_(boxes),
      send_(std::move(send)),
      recordTimer_(timers([this] { RecordTick(); })),
      previewTimer_(timers([this] { PreviewTick(); })) {}

VoiceRecorder::~VoiceRecorder() {
    Abandon();
}

void VoiceRecorder::Abandon() {
    recordTimer_->Stop();
    previewTimer_->Stop();
    if (state_ == State::Recording) {
        device_.StopRecording();
        device_.CloseRecording();
    } else if (state_ == State::Previewing) {
        device_.StopPlayback();
    }
    state_ = recordingPath_.isEmpty() ? State::Idle : State::Recorded;
}

VoiceRecorder::Buttons VoiceRecorder::buttons() const {
    switch (state_) {
        case State::Recording:
            return {false, true, false, false, false};
        case State::Previewing:
            return {false, false, true, false, false};
        case State::Idle:
        case State::Recorded:
            break;
    }
    return {};
}

QString VoiceRecorder::StatusText() const {
    switch (state_) {
        case State::Recording:
            return QStringLiteral("当前正在录音...");
        case State::Previewing:
            return QStringLiteral("当前正在试听...");
        case State::Idle:
        case State::Recorded:
            break;
    }
    return QStringLiteral("当前状态...");
}

QString VoiceRecorder::ElapsedText() const {
    if (!ticked_) return QStringLiteral("0.00秒");
    // The ticks themselves: a preview past the slider's end still counts on.
    return QString::asprintf("%.2fS", sliderPos_ * 0.01);
}

void VoiceRecorder::TellBadSubject(const QString& text) {
    boxes_.Tell(QStringLiteral("主题“%1”不能用作文件名，请修改主题!").arg(text),
                MessageBoxes::Icon::Warning);
}

VoiceRecorder::Outcome VoiceRecorder::Record(const QString& typedSubject) {
    if (!buttons().record) return Outcome::StayOpen;
    const QString wanted = typedSubject.left(kSubjectMaxLength);
    subject = wanted;
    if (wanted.isEmpty()) {
        boxes_.Tell(QStringLiteral("请输入主题!"));
        return Outcome::FocusSubject;
    }
    // The recording is saved under this name at Stop; refuse now a name that cannot be one.
    if (!CacheMessagePath(appDir_, wanted, kWav)) {
        TellBadSubject(wanted);
        return Outcome::FocusSubject;
    }
    if (!device_.StartRecording()) {
        boxes_.Tell(QStringLiteral("无法打开录音设备,请确认没有被占用!"),
                    MessageBoxes::Icon::Warning);
        return Outcome::StayOpen;
    }
    recordingSubject_ = wanted;
    state_ = State::Recording;
    recordTicks_ = 0;
    sliderMax_ = kMaxRecordTicks;
    sliderPos_ = 0;
    ticked_ = false;
    recordTimer_->Start(kTickMs);
    emit changed();
    return Outcome::StayOpen;
}

void VoiceRecorder::RecordTick() {
    if (state_ != State::Recording) return;
    ++recordTicks_;
    sliderPos_ = recordTicks_;
    ticked_ = true;
    if (recordTicks_ >= kMaxRecordTicks) {
        Stop();
        return;
    }
    emit changed();
}

void VoiceRecorder::Stop() {
    // Stop stays enabled after a recording; pressing it then must not touch the saved file.
    if (state_ != State::Recording) return;
    recordTimer_->Stop();
    recordingPath_ = *CacheMessagePath(appDir_, recordingSubject_, kWav);
    savedSubject_ = recordingSubject_;
    QFile::remove(recordingPath_);
    // A failed stop or save leaves no file; sending it later reports the missing file.
    if (device_.StopRecording()) device_.SaveRecording(recordingPath_);
    device_.CloseRecording();
    state_ = State::Recorded;
    emit changed();
}

void VoiceRecorder::Preview() {
    if (!buttons().preview) return;
    if (recordingPath_.isEmpty()) {
        boxes_.Tell(QStringLiteral("请录制要回复制的语音!"));
        return;
    }
    if (state_ == State::Previewing) device_.StopPlayback();
    device_.StartPlayback(recordingPath_);
    state_ = State::Previewing;
    sliderMax_ = kPreviewSliderMax;
    sliderPos_ = 0;
    previewTicks_ = 0;
    ticked_ = false;
    previewTimer_->Start(kTickMs);
    emit changed();
    // A recording stopped before its first tick has nothing to wait for.
    if (recordTicks_ <= 0) EndPreview();
}

void VoiceRecorder::PreviewTick() {
    if (state_ != State::Previewing) return;
    ++previewTicks_;
    sliderPos_ = previewTicks_;
    ticked_ = true;
    // The end is judged by ticks, not by the player.
    if (previewTicks_ >= recordTicks_) {
        EndPreview();
        return;
    }
    emit changed();
}

void VoiceRecorder::EndPreview() {
    previewTimer_->Stop();
    device_.StopPlayback();
    state_ = State::Recorded;
    emit changed();
}

bool VoiceRecorder::RenameRecording(const QString& newSubject) {
    const std::optional<QString> target = CacheMessagePath(appDir_, newSubject, kWav);
    if (!target) {
        TellBadSubject(newSubject);
        return false;
    }
    if (QFile::exists(recordingPath_)) {
        QFile::remove(*target);
        if (!QFile::rename(recordingPath_, *target)) {
            TellBadSubject(newSubject);
            return false;
        }
    }
    recordingPath_ = *target;
    savedSubject_ = newSubject;
    emit changed();
    return true;
}

VoiceRecorder::Outcome VoiceRecorder::Ok(const QString& typedSubject) {
    if (!buttons().ok) return Outcome::StayOpen;
    if (recordingPath_.isEmpty()) {
        boxes_.Tell(QStringLiteral("请录制要回复制的语音!"));
        return Outcome::StayOpen;
    }
    const QString wanted = typedSubject.left(kSubjectMaxLength);
    if (wanted.isEmpty()) {
        boxes_.Tell(QStringLiteral("请输入主题!"));
        return Outcome::FocusSubject;
    }
    if (wanted != savedSubject_ && !RenameRecording(wanted)) return Outcome::FocusSubject;
    subject = savedSubject_;
    if (callerSends) return Outcome::Accept;
    return send_(recipient, recordingPath_, savedSubject_ + kWav) ? Outcome::Accept
                                                                  : Outcome::StayOpen;
}

void VoiceRecorder::Cancel() {
    Abandon();
    if (!recordingPath_.isEmpty()) QFile::remove(recordingPath_);
    emit changed();
}

}  // namespace tessan
