#include "messaging/voicerecorder.h"

#include "fakevoicedevice.h"
#include "testsupport/faketimer.h"
#include "testsupport/scriptedmessageboxes.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace tessan {
namespace {

using State = VoiceRecorder::State;
using Outcome = VoiceRecorder::Outcome;
using Buttons = VoiceRecorder::Buttons;

class VoiceRecorderTest : public ::testing::Test {
  protected:
    void SetUp() override { ASSERT_TRUE(QDir(dir.path()).mkdir(QStringLiteral("cache"))); }

    std::unique_ptr<VoiceRecorder> Make(bool connects = true) {
        auto r = std::make_unique<VoiceRecorder>(
            dir.path(), device, boxes, timers.Factory(),
            [this, connects](const Recipient&, const QString& path, const QString& remote) {
                sent << path + QLatin1Char('|') + remote;
                return connects;
            });
        return r;
    }
    FakeTimer& RecordTimer() { return *timers.made.at(0); }
    FakeTimer& PreviewTimer() { return *timers.made.at(1); }
    void Tick(FakeTimer& t, int n) {
        for (int i = 0; i < n; ++i) t.Fire();
    }
    QString Cache(const QString& name) const {
        return dir.filePath(QStringLiteral("cache/") + name);
    }

    QTemporaryDir dir;
    FakeVoiceDevice device;
    ScriptedMessageBoxes boxes;
    FakeTimers timers;
    QStringList sent;
};

constexpr Buttons kAll{};

QStringList Calls(std::initializer_list<const char*> names) {
    QStringList list;
    for (const char* name : names) list << QLatin1String(name);
    return list;
}
constexpr Buttons kOnlyStop{false, true, false, false, false};
constexpr Buttons kOnlyPreview{false, false, true, false, false};

TEST_F(VoiceRecorderTest, RecordStopPreviewFollowTheStateTable) {
    auto r = Make();
    EXPECT_EQ(r->state(), State::Idle);
    EXPECT_EQ(r->buttons(), kAll);
    EXPECT_EQ(r->StatusText(), QStringLiteral("当前状态..."));
    EXPECT_EQ(r->ElapsedText(), QStringLiteral("0.00秒"));

    EXPECT_EQ(r->Record(QStringLiteral("问候")), Outcome::StayOpen);
    EXPECT_EQ(r->state(), State::Recording);
    EXPECT_EQ(r->buttons(), kOnlyStop);
    EXPECT_EQ(r->StatusText(), QStringLiteral("当前正在录音..."));
    EXPECT_TRUE(RecordTimer().active);
    EXPECT_EQ(RecordTimer().interval, 10);
    EXPECT_EQ(r->SliderMaximum(), 30000);

    Tick(RecordTimer(), 1234);
    EXPECT_EQ(r->ElapsedText(), QStringLiteral("12.34S"));
    EXPECT_EQ(r->SliderPosition(), 1234);
    // Buttons a state disables do nothing even if pressed.
    EXPECT_EQ(r->Ok(QStringLiteral("问候")), Outcome::StayOpen);
    r->Preview();
    EXPECT_EQ(r->state(), State::Recording);

    r->Stop();
    EXPECT_EQ(r->state(), State::Recorded);
    EXPECT_EQ(r->buttons(), kAll);
    EXPECT_FALSE(RecordTimer().active);
    EXPECT_EQ(r->recordTicks(), 1234);
    EXPECT_EQ(r->ElapsedText(), QStringLiteral("12.34S"));
    EXPECT_EQ(r->recordingPath(), Cache(QStringLiteral("问候.wav")));
    EXPECT_TRUE(QFile::exists(r->recordingPath()));
    EXPECT_EQ(device.calls, Calls({"start", "stop", "save", "close"}));

    // The preview ends by ticks, after exactly as many as were recorded.
    r->Preview();
    EXPECT_EQ(r->state(), State::Previewing);
    EXPECT_EQ(r->buttons(), kOnlyPreview);
    EXPECT_EQ(r->StatusText(), QStringLiteral("当前正在试听..."));
    EXPECT_EQ(r->SliderMaximum(), 6000);
    EXPECT_EQ(device.calls.last(), QStringLiteral("play ") + r->recordingPath());
    Tick(PreviewTimer(), 1233);
    EXPECT_EQ(r->state(), State::Previewing);
    EXPECT_EQ(r->ElapsedText(), QStringLiteral("12.33S"));
    Tick(PreviewTimer(), 1);
    EXPECT_EQ(r->state(), State::Recorded);
    EXPECT_FALSE(PreviewTimer().active);
    EXPECT_EQ(r->buttons(), kAll);
    EXPECT_EQ(device.calls.last(), QStringLiteral("end play"));
    EXPECT_TRUE(boxes.Shown().empty());
}

TEST_F(VoiceRecorderTest, ThreeHundredSecondsStopByThemselves) {
    auto r = Make();
    r->Record(QStringLiteral("long"));
    Tick(RecordTimer(), 29999);
    EXPECT_EQ(r->state(), State::Recording);
    Tick(RecordTimer(), 1);
    EXPECT_EQ(r->state(), State::Recorded);
    EXPECT_FALSE(RecordTimer().active);
    EXPECT_EQ(r->ElapsedText(), QStringLiteral("300.00S"));
    EXPECT_TRUE(QFile::exists(Cache(QStringLiteral("long.wav"))));
    EXPECT_EQ(r->buttons(), kAll);

    // A preview longer than the slider keeps the slider at its end and counts on.
    r->Preview();
    Tick(PreviewTimer(), 7000);
    EXPECT_EQ(r->SliderPosition(), 6000);
    EXPECT_EQ(r->ElapsedText(), QStringLiteral("70.00S"));
}

TEST_F(VoiceRecorderTest, RefusalsBeforeAnythingIsRecorded) {
    auto r = Make();
    EXPECT_EQ(r->Record(QString()), Outcome::FocusSubject);
    EXPECT_EQ(r->Record(QStringLiteral("a/b")), Outcome::FocusSubject);
    r->Preview();
    EXPECT_EQ(r->Ok(QStringLiteral("x")), Outcome::StayOpen);
    device.busy = true;
    EXPECT_EQ(r->Record(QStringLiteral("x")), Outcome::StayOpen);
    EXPECT_EQ(r->state(), State::Idle);
    EXPECT_EQ(r->buttons(), kAll);
    EXPECT_FALSE(RecordTimer().active);
    ASSERT_EQ(boxes.Texts().size(), 5);
    EXPECT_EQ(boxes.Texts()[0], QStringLiteral("请输入主题!"));
    EXPECT_TRUE(boxes.Texts()[1].contains(QStringLiteral("a/b")));
    EXPECT_EQ(boxes.Texts()[2], QStringLiteral("请录制要回复制的语音!"));
    EXPECT_EQ(boxes.Texts()[3], QStringLiteral("请录制要回复制的语音!"));
    EXPECT_EQ(boxes.Texts()[4], QStringLiteral("无法打开录音设备,请确认没有被占用!"));
    // Only the busy device was ever asked.
    EXPECT_EQ(device.calls, Calls({"start"}));
    EXPECT_TRUE(sent.isEmpty());
}

TEST_F(VoiceRecorderTest, StopWithoutRecordingKeepsTheSavedFile) {
    auto r = Make();
    r->Record(QStringLiteral("v"));
    Tick(RecordTimer(), 5);
    r->Stop();
    const QStringList before = device.calls;
    r->Stop();
    EXPECT_EQ(device.calls, before);
    EXPECT_TRUE(QFile::exists(r->recordingPath()));
}

TEST_F(VoiceRecorderTest, FailedStopSavesNothingAndFreesTheDevice) {
    auto r = Make();
    QFile old(Cache(QStringLiteral("v.wav")));
    ASSERT_TRUE(old.open(QIODevice::WriteOnly));
    old.close();
    r->Record(QStringLiteral("v"));
    device.failStop = true;
    r->Stop();
    EXPECT_EQ(device.calls, Calls({"start", "stop", "close"}));
    EXPECT_FALSE(QFile::exists(Cache(QStringLiteral("v.wav"))));
    // The send then reports the missing file; the dialog only passes the path on.
    EXPECT_EQ(r->Ok(QStringLiteral("v")), Outcome::Accept);
    EXPECT_EQ(sent, QStringList({Cache(QStringLiteral("v.wav")) + QStringLiteral("|v.wav")}));
}

TEST_F(VoiceRecorderTest, StopBeforeTheFirstTickPreviewsWithoutHanging) {
    auto r = Make();
    r->Record(QStringLiteral("v"));
    r->Stop();
    r->Preview();
    EXPECT_EQ(r->state(), State::Recorded);
    EXPECT_EQ(r->buttons(), kAll);
}

TEST_F(VoiceRecorderTest, CancelDeletesTheRecordingAndOkKeepsIt) {
    {
        auto r = Make();
        r->Record(QStringLiteral("gone"));
        Tick(RecordTimer(), 3);
        r->Stop();
        ASSERT_TRUE(QFile::exists(Cache(QStringLiteral("gone.wav"))));
        r->Cancel();
        EXPECT_FALSE(QFile::exists(Cache(QStringLiteral("gone.wav"))));
    }
    {
        timers.made.clear();
        auto r = Make();
        r->callerSends = 1;
        r->Record(QStringLiteral("kept"));
        Tick(RecordTimer(), 3);
        r->Stop();
        EXPECT_EQ(r->Ok(QStringLiteral("kept")), Outcome::Accept);
        EXPECT_TRUE(QFile::exists(Cache(QStringLiteral("kept.wav"))));
        EXPECT_TRUE(sent.isEmpty());
    }
}

TEST_F(VoiceRecorderTest, ClosingWhileRecordingDiscardsAndReleasesTheDevice) {
    auto r = Make();
    r->Record(QStringLiteral("v"));
    r->Cancel();
    EXPECT_FALSE(device.recording);
    EXPECT_FALSE(RecordTimer().active);
    EXPECT_FALSE(QFile::exists(Cache(QStringLiteral("v.wav"))));

    r->Record(QStringLiteral("w"));
    r.reset();  // the dialog went away while recording
    EXPECT_FALSE(device.recording);
}

// The saved file, the path handed on and the remote name always carry the same subject.
TEST_F(VoiceRecorderTest, EditedSubjectRenamesTheRecording) {
    auto r = Make(false);
    r->Record(QStringLiteral("old"));
    Tick(RecordTimer(), 3);
    r->Stop();
    EXPECT_EQ(r->Ok(QStringLiteral("新的")), Outcome::StayOpen);  // not connected: stays open
    EXPECT_FALSE(QFile::exists(Cache(QStringLiteral("old.wav"))));
    EXPECT_EQ(r->recordingPath(), Cache(QStringLiteral("新的.wav")));
    EXPECT_TRUE(QFile::exists(r->recordingPath()));
    EXPECT_EQ(sent, QStringList({Cache(QStringLiteral("新的.wav")) + QStringLiteral("|新的.wav")}));

    // A subject that cannot name the file keeps the recording where it is.
    EXPECT_EQ(r->Ok(QStringLiteral("x/y")), Outcome::FocusSubject);
    EXPECT_EQ(r->recordingPath(), Cache(QStringLiteral("新的.wav")));
    EXPECT_TRUE(QFile::exists(r->recordingPath()));
    EXPECT_EQ(r->Ok(QString()), Outcome::FocusSubject);
    EXPECT_EQ(boxes.Texts().last(), QStringLiteral("请输入主题!"));

    r->callerSends = 1;
    EXPECT_EQ(r->Ok(QStringLiteral("group")), Outcome::Accept);
    EXPECT_EQ(r->subject, QStringLiteral("group"));
    EXPECT_EQ(r->recordingPath(), Cache(QStringLiteral("group.wav")));
    EXPECT_TRUE(QFile::exists(r->recordingPath()));
}

}  // namespace
}  // namespace tessan
