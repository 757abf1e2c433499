// The notice panel under a flood of notices: 5 000 and 10 000 in a row, each followed by a run of
// the event loop as between two notifications, so the edit's layout and painting are counted. The
// panel is out (shown) the whole time, as it is while notices keep coming. Offscreen platform.
#include "core/frame/noticepanel.h"

#include <QApplication>
#include <QPlainTextEdit>
#include <QTextDocument>

#include <benchmark/benchmark.h>

namespace tessan {
namespace {

void BM_NoticeFlood(benchmark::State& state) {
    const auto count = static_cast<int>(state.range(0));
    QWidget host;
    host.resize(800, 600);
    host.show();
    NoticePanel panel(&host);
    panel.ShowNotice(QStringLiteral("开始"));
    panel.setGeometry(0, 601, 800, NoticePanel::kFullHeight);
    panel.show();
    QApplication::processEvents();
    for (auto _ : state) {
        for (int i = 0; i < count; ++i) {
            panel.ShowNotice(QStringLiteral("文件：报告%1.doc成功发送给:张三！").arg(i));
            QApplication::processEvents();
        }
    }
    if (panel.TextBox()->document()->blockCount() != NoticeSlider::kKeptLines)
        state.SkipWithError("the panel did not keep its last lines");
    state.SetItemsProcessed(static_cast<std::int64_t>(count) * state.iterations());
}
BENCHMARK(BM_NoticeFlood)->Arg(5000)->Arg(10000)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace tessan
