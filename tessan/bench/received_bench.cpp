// The received-files page taking in a long file list: 10 000 entries in list replies of 44 records
// (as many as fit into one notification), with the event loop run after each reply as it would
// between two notifications, so the view's layout and painting are counted. Then the same list
// sent again, as a refresh does without clearing (every entry a duplicate). Run on the offscreen
// platform. The figure that counts is the CPU time: the UI thread's own work, including the last
// paint of the view, without the time it waits for the page's repaint timer.
#include "messaging/received/receivedfilespage.h"
#include "testsupport/clientparts.h"

#include <QApplication>
#include <QTableView>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

namespace tessan {
namespace {

constexpr int kEntries = 10000;
constexpr int kPerReply = 44;

std::vector<Reply> ListReplies() {
    std::vector<Reply> replies;
    QByteArray data;
    for (int i = 0; i < kEntries; ++i) {
        ReceivedFileEntry e;
        e.senderNumber = "0086-10-" + QByteArray::number(1000000 + i % 97);
        e.senderName = QStringToGbk(QStringLiteral("发送者%1").arg(i % 97));
        e.senderKey = e.senderNumber;
        e.storedName = e.senderNumber + '@' + QStringToGbk(QStringLiteral("文件%1.txt").arg(i));
        e.fileSize = static_cast<std::uint32_t>(i * 7919);
        e.sentTime = 1700000000u + static_cast<std::uint32_t>(i) * 60;
        data += e.Serialize();
        if ((i + 1) % kPerReply == 0 || i + 1 == kEntries) {
            replies.push_back(*MakeReply(note::kFileEntries, 1, "0086-10-1", data, 1).reply());
            data.clear();
        }
    }
    return replies;
}

struct Page {
    FakeClient client;
    ReceivedFilesPage page{
        client.session, client.login, client.library, client.boxes, client.transfers, [] {}, {}};
    Page() {
        page.resize(800, 600);
        page.show();
        QApplication::processEvents();
    }
    void Deliver(const std::vector<Reply>& replies) {
        for (const Reply& reply : replies) {
            page.Rules().OnFileEntries(reply);
            QApplication::processEvents();
        }
        // Until the view has painted the last rows.
        while (!page.View()->updatesEnabled())
            QApplication::processEvents(QEventLoop::WaitForMoreEvents);
        QApplication::processEvents();
    }
};

void BM_TenThousandEntriesArrive(benchmark::State& state) {
    const auto replies = ListReplies();
    Page p;
    for (auto _ : state) {
        state.PauseTiming();
        p.page.Rules().Refresh();
        QApplication::processEvents();
        state.ResumeTiming();
        p.Deliver(replies);
    }
    if (p.page.View()->model()->rowCount() != kEntries) state.SkipWithError("rows missing");
    state.counters["replies"] = static_cast<double>(replies.size());
}
BENCHMARK(BM_TenThousandEntriesArrive)->Unit(benchmark::kMillisecond);

void BM_TenThousandEntriesSentAgain(benchmark::State& state) {
    const auto replies = ListReplies();
    Page p;
    p.Deliver(replies);
    for (auto _ : state) p.Deliver(replies);
    if (p.page.View()->model()->rowCount() != kEntries) state.SkipWithError("rows added twice");
}
BENCHMARK(BM_TenThousandEntriesSentAgain)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace tessan
