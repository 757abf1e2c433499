// The recorder on the real device path: QAudioSource capturing from a PulseAudio server that the
// test starts with a silent virtual microphone, and the message on a machine without any sound
// server. Each runs in its own process (see CMakeLists.txt): Qt connects to the sound server once.
#include "messaging/qtvoicedevice.h"
#include "messaging/voicerecorder.h"
#include "testsupport/scriptedmessageboxes.h"

#include "pythonwave.h"

#include <QAudioDevice>
#include <QDir>
#include <QFileInfo>
#include <QMediaDevices>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

namespace tessan {

class CaptureTest : public QObject {
    Q_OBJECT
  private slots:
    void recordsThroughAVirtualMicrophone();
    void noCaptureDeviceShowsTheBusyMessage();

  private:
    static bool SendNothing(const Recipient&, const QString&, const QString&) { return false; }
};

namespace {

// A private PulseAudio server: no configuration of the machine, one null source as microphone,
// one socket in a temporary folder. Stopped when the test ends, however it ends.
class SoundServer {
  public:
    explicit SoundServer(const QString& dir) : socket_(dir + QStringLiteral("/pulse.sock")) {
        const QString program = QStandardPaths::findExecutable(QStringLiteral("pulseaudio"));
        if (program.isEmpty()) return;
        for (const char* sub : {"home", "run", "config"}) QDir(dir).mkdir(QLatin1String(sub));
        QFile::setPermissions(dir + QStringLiteral("/run"), QFileDevice::ReadOwner |
                                                                QFileDevice::WriteOwner |
                                                                QFileDevice::ExeOwner);
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.remove(QStringLiteral("PULSE_SERVER"));
        env.insert(QStringLiteral("HOME"), dir + QStringLiteral("/home"));
        env.insert(QStringLiteral("XDG_RUNTIME_DIR"), dir + QStringLiteral("/run"));
        env.insert(QStringLiteral("XDG_CONFIG_HOME"), dir + QStringLiteral("/config"));
        process_.setProcessEnvironment(env);
        process_.setProcessChannelMode(QProcess::MergedChannels);
        // The source is loaded before the socket opens, so a client never sees a server without it.
        process_.start(
            program,
            {QStringLiteral("-n"), QStringLiteral("--daemonize=no"),
             QStringLiteral("--exit-idle-time=-1"), QStringLiteral("--disable-shm=yes"),
             QStringLiteral("--use-pid-file=no"), QStringLiteral("--log-target=stderr"),
             QStringLiteral("-L"), QStringLiteral("module-null-source source_name=tessan_mic"),
             QStringLiteral("-L"), QStringLiteral("module-null-sink sink_name=tessan_speaker"),
             QStringLiteral("-L"),
             QStringLiteral("module-native-protocol-unix socket=%1 auth-anonymous=1")
                 .arg(socket_)});
    }
    ~SoundServer() {
        if (process_.state() == QProcess::NotRunning) return;
        process_.terminate();
        if (!process_.waitForFinished(10000)) {
            process_.kill();
            process_.waitForFinished(10000);
        }
    }
    SoundServer(const SoundServer&) = delete;
    SoundServer& operator=(const SoundServer&) = delete;

    bool Started() const { return process_.state() != QProcess::NotRunning; }
    // The server answers a client of its own and lists the microphone.
    bool Ready() const {
        if (!QFileInfo::exists(socket_)) return false;
        QProcess pactl;
        pactl.start(QStringLiteral("pactl"),
                    {QStringLiteral("--server=unix:") + socket_, QStringLiteral("list"),
                     QStringLiteral("short"), QStringLiteral("sources")});
        if (!pactl.waitForFinished(10000)) {
            pactl.kill();
            pactl.waitForFinished();
            return false;
        }
        return pactl.exitCode() == 0 && pactl.readAllStandardOutput().contains("tessan_mic");
    }
    QString Output() { return QString::fromLocal8Bit(process_.readAll()); }
    const QString& Socket() const { return socket_; }

  private:
    QString socket_;
    QProcess process_;
};

}  // namespace

void CaptureTest::recordsThroughAVirtualMicrophone() {
    QTemporaryDir dir;
    QVERIFY(QDir(dir.path()).mkdir(QStringLiteral("cache")));
    SoundServer server(dir.path());
    QVERIFY2(server.Started(), "pulseaudio is installed by scripts/ensure-packages.sh");
    QTRY_VERIFY_WITH_TIMEOUT(server.Ready() || !server.Started(), 60000);
    QVERIFY2(server.Ready(), qPrintable(server.Output()));
    qputenv("PULSE_SERVER", (QStringLiteral("unix:") + server.Socket()).toLocal8Bit());
    QTRY_VERIFY_WITH_TIMEOUT(!QMediaDevices::defaultAudioInput().isNull(), 60000);

    QtVoiceDevice device;
    ScriptedMessageBoxes boxes;
    QObject owner;
    VoiceRecorder recorder(dir.path(), device, boxes, QtTimers(&owner), &SendNothing);
    recorder.Record(QStringLiteral("一秒"));
    QVERIFY2(boxes.Shown().empty(), qPrintable(boxes.Texts().join(QLatin1Char('\n'))));
    QCOMPARE(recorder.state(), VoiceRecorder::State::Recording);
    // About a second of audio, however fast the timer ticks on a busy machine.
    QTRY_VERIFY_WITH_TIMEOUT(device.CapturedBytes() >= 11025 && recorder.recordTicks() > 0, 60000);
    recorder.Stop();
    QCOMPARE(recorder.state(), VoiceRecorder::State::Recorded);

    const QStringList fields = ReadWaveWithPython(recorder.recordingPath()).split(QLatin1Char(' '));
    QVERIFY2(fields.size() == 6, qPrintable(fields.join(QLatin1Char(' '))));
    QCOMPARE(fields[0], QStringLiteral("1"));      // mono
    QCOMPARE(fields[1], QStringLiteral("1"));      // 8 bit
    QCOMPARE(fields[2], QStringLiteral("11025"));  // samples per second
    QCOMPARE(fields[4], QStringLiteral("NONE"));   // PCM
    // The virtual microphone hands over its buffer at once, so a little more than a second.
    const int frames = fields[3].toInt();
    QVERIFY2(frames >= 11025 && frames <= 10 * 11025, qPrintable(fields[3]));

    // The preview plays the file and lets go of it, so it can still be renamed and sent.
    recorder.Preview();
    QCOMPARE(recorder.state(), VoiceRecorder::State::Previewing);
    QTRY_COMPARE_WITH_TIMEOUT(recorder.state(), VoiceRecorder::State::Recorded, 60000);
    recorder.callerSends = 1;
    QCOMPARE(recorder.Ok(QStringLiteral("改名")), VoiceRecorder::Outcome::Accept);
    QVERIFY(QFileInfo::exists(dir.filePath(QStringLiteral("cache/改名.wav"))));
    QVERIFY(boxes.Shown().empty());
}

void CaptureTest::noCaptureDeviceShowsTheBusyMessage() {
    if (!qEnvironmentVariable("PULSE_SERVER").startsWith(QLatin1String("unix:/nonexistent")))
        QSKIP("runs on its own, with PULSE_SERVER naming no server (see CMakeLists.txt)");
    QTemporaryDir dir;
    QVERIFY(QDir(dir.path()).mkdir(QStringLiteral("cache")));
    QtVoiceDevice device;
    ScriptedMessageBoxes boxes;
    QObject owner;
    VoiceRecorder recorder(dir.path(), device, boxes, QtTimers(&owner), &SendNothing);
    recorder.Record(QStringLiteral("无声"));
    QCOMPARE(boxes.Texts(), QStringList{QStringLiteral("无法打开录音设备,请确认没有被占用!")});
    QCOMPARE(recorder.state(), VoiceRecorder::State::Idle);
    QVERIFY(recorder.buttons().record && recorder.buttons().ok && recorder.buttons().cancel);
}

}  // namespace tessan

QTEST_GUILESS_MAIN(tessan::CaptureTest)
#include "capture_test.moc"
