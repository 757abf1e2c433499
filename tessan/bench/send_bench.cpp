// An upload through the whole client against the library alone, in one run and on the same file:
//   library: the library's own test host pumps the notifications (no Qt, no transfer list);
//   client:  the real adapter, the client's connections, the transfer queue and its table shown
//            in a view on the offscreen platform, the sending pipeline starting the upload.
// The server is the library's fake server in a child process, answering each file with reason 4.
// While the client uploads, a 10 ms timer on the UI thread records the longest gap between two of
// its turns: how long the event loop was kept from input at worst.
//
// Usage: tessan_send_bench [MiB, default 256] [runs, default 3]
#include "core/library/tessnetlibrary.h"
#include "core/transfers/transferqueue.h"
#include "messaging/sendingpipeline.h"
#include "testsupport/clientparts.h"
#include "testsupport/scriptedmessageboxes.h"

#include "event_loop_host.h"
#include "fake_server.h"
#include "tessnet/tessnet.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QRandomGenerator>
#include <QTableView>
#include <QTemporaryDir>
#include <QTimer>

#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <thread>
#include <vector>

namespace {

using namespace std::chrono_literals;

constexpr char kRecipient[] = "0086-10-8880000";

[[noreturn]] void RunServer(int control) {
    tessnet::testing::FakeServer server;
    server.ServeUploads(false, true);
    const int port = server.port();
    if (write(control, &port, sizeof port) != sizeof port) _exit(1);
    char byte;
    while (read(control, &byte, 1) > 0) {
    }
    _exit(0);
}

// Seconds for the library alone, with its own host.
double LibraryOnly(const QString& path, const QString& folder, int port) {
    tessnet::testing::EventLoopHost host;
    host.set_record_progress(false);
    InitFtpDll(host.descriptor(), 2048, QFile::encodeName(folder).constData());
    ConnectServer("127.0.0.1", port, kRecipient, "key");
    host.WaitForType(TESS_NOTE_LOGIN);
    QElapsedTimer clock;
    clock.start();
    UploadFile("0086-10-1234567", kRecipient, QFile::encodeName(path).constData());
    host.WaitForType(TESS_NOTE_QUEUE_EMPTY, 1, 10min);
    const double seconds = clock.nsecsElapsed() / 1e9;
    DisconnectServer(kRecipient);
    FreeFtpDll();
    return seconds;
}

struct ClientRun {
    double seconds = 0;
    double longestGapMs = 0;
    // The most processor time the UI thread used between two turns of the probe: what the client's
    // code kept the loop busy, apart from the time the machine gave to other processes.
    double longestBusyMs = 0;
    bool completed = false;
};

double ThreadCpuMs() {
    timespec t{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return t.tv_sec * 1e3 + t.tv_nsec / 1e6;
}

ClientRun WholeClient(const QString& path, const QString& appDir) {
    tessan::ScriptedMessageBoxes boxes;
    tessan::ServerBoxes serverBoxes(boxes);
    tessan::TessnetLibrary library(serverBoxes);
    tessan::SystemResolver resolver;
    tessan::ClientParts client(appDir, library, serverBoxes, resolver);
    client.session.SetCurrentLogin(QStringLiteral("0086-10-1234567"), QStringLiteral("own"));
    client.connections.Start(appDir + QStringLiteral("/download"));
    tessan::SendingPipeline pipeline(client.session, client.transfers);
    tessan::TransferQueue& transfers = client.transfers;
    QTableView view;
    view.setModel(&transfers.Table());
    view.show();

    ClientRun run;
    QElapsedTimer sinceTurn;
    double cpuAtTurn = 0;
    QTimer probe;
    probe.setTimerType(Qt::PreciseTimer);
    QObject::connect(&probe, &QTimer::timeout, &probe, [&] {
        const double cpu = ThreadCpuMs();
        run.longestGapMs = std::max(run.longestGapMs, sinceTurn.nsecsElapsed() / 1e6);
        run.longestBusyMs = std::max(run.longestBusyMs, cpu - cpuAtTurn);
        sinceTurn.restart();
        cpuAtTurn = cpu;
    });
    QEventLoop loop;
    QObject::connect(&transfers.Table(), &QAbstractItemModel::rowsRemoved, &loop, [&] {
        if (transfers.RowCount() == 0) {
            run.completed = true;
            loop.quit();
        }
    });
    QTimer::singleShot(10min, &loop, &QEventLoop::quit);

    QElapsedTimer clock;
    clock.start();
    sinceTurn.start();
    cpuAtTurn = ThreadCpuMs();
    probe.start(10);
    pipeline.FanOutFile({{kRecipient, "bench", "key"}}, path, QStringLiteral("bench.dat"));
    loop.exec();
    run.seconds = clock.nsecsElapsed() / 1e9;
    probe.stop();
    // The probe's own 10 ms are not a gap.
    run.longestGapMs = std::max(0.0, run.longestGapMs - 10);
    return run;
}

}  // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    // Numbers only: scripts/bench.sh passes Google Benchmark's options to every benchmark.
    std::vector<long long> numbers;
    for (int i = 1; i < argc; ++i)
        if (argv[i][0] != '-') numbers.push_back(std::atoll(argv[i]));
    const qint64 mib = numbers.size() > 0 && numbers[0] > 0 ? numbers[0] : 256;
    const int runs = numbers.size() > 1 && numbers[1] > 0 ? static_cast<int>(numbers[1]) : 3;

    int control[2];
    if (socketpair(AF_UNIX, SOCK_STREAM, 0, control) != 0) return 1;
    const pid_t child = fork();
    if (child == 0) {
        close(control[1]);
        RunServer(control[0]);
    }
    close(control[0]);
    int port = 0;
    if (read(control[1], &port, sizeof port) != sizeof port) return 1;

    QApplication app(argc, argv);
    QTemporaryDir dir;
    const QString appDir = dir.path();
    QDir(appDir).mkdir(QStringLiteral("log"));  // the send log is written as in the program
    QFile list(appDir + QStringLiteral("/serverlist.ini"));
    if (!list.open(QIODevice::WriteOnly)) return 1;
    list.write("[0086-10]\nserver=127.0.0.1\nport=" + QByteArray::number(port) + "\n");
    list.close();
    const QString path = appDir + QStringLiteral("/bench.dat");
    {
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly)) return 1;
        QByteArray block(1 << 20, '\0');
        QRandomGenerator rng(256);
        for (qint64 i = 0; i < mib; ++i) {
            // Half text-like, half random: compressible and incompressible chunks both count.
            for (int j = 0; j < block.size(); j += 4) {
                const quint32 word = (j / 4096) % 2 ? rng.generate() : 0x20657461u + (j % 7);
                std::memcpy(block.data() + j, &word, 4);
            }
            file.write(block);
        }
    }

    double load[1] = {0};
    getloadavg(load, 1);
    std::printf("%lld MiB upload, load %.1f on %u cores\n", static_cast<long long>(mib), load[0],
                std::thread::hardware_concurrency());
    std::printf("%-4s %12s %12s %7s %15s %15s\n", "run", "library", "client", "ratio",
                "longest UI gap", "worst UI cpu");
    for (int r = 1; r <= runs; ++r) {
        const double alone = LibraryOnly(path, appDir + QStringLiteral("/dl"), port);
        const ClientRun client = WholeClient(path, appDir);
        const double size = static_cast<double>(mib);
        std::printf("%-4d %8.1f MiB/s %8.1f MiB/s %6.0f%% %12.1f ms %12.1f ms%s\n", r, size / alone,
                    size / client.seconds, 100 * alone / client.seconds, client.longestGapMs,
                    client.longestBusyMs, client.completed ? "" : "  (did not complete)");
        std::fflush(stdout);
    }
    close(control[1]);
    waitpid(child, nullptr, 0);
    return 0;
}
