// The send page's file browser entering a folder of 20 000 files (and 200 folders): the listing
// (reading the folder, telling folders from files, sorting) on its own, and the same with the
// list view shown, laid out and painted with its icons, on the offscreen platform. The folder is
// made once in a temporary folder; after the first run its entries are in the kernel's cache, as
// they are for a folder the user has just looked at.
#include "core/browser/localfilelist.h"
#include "core/browser/localfilelistview.h"
#include "testsupport/scriptedmessageboxes.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

namespace tessan {
namespace {

constexpr int kFiles = 20000;
constexpr int kFolders = 200;

const QTemporaryDir& BigFolder() {
    static const QTemporaryDir dir = [] {
        QTemporaryDir made;
        const char* const types[] = {".txt", ".jpg", ".pdf", ".doc", ".wav", ""};
        for (int i = 0; i < kFiles; ++i) {
            // Mixed case and types, in no particular order.
            const int n = (i * 7919) % kFiles;
            QFile file(made.filePath(QStringLiteral("%1文件_%2%3")
                                         .arg(n % 2 ? QStringLiteral("A") : QStringLiteral("a"))
                                         .arg(n)
                                         .arg(QLatin1String(types[n % 6]))));
            if (!file.open(QIODevice::WriteOnly)) std::abort();
        }
        for (int i = 0; i < kFolders; ++i) QDir(made.path()).mkdir(QStringLiteral("目录%1").arg(i));
        return made;
    }();
    return dir;
}

LocalFileList::Services Services() {
    LocalFileList::Services services;
    services.volumes = [] { return std::vector<Volume>{{QStringLiteral("/"), QString()}}; };
    return services;
}

void BM_ListTwentyThousandFiles(benchmark::State& state) {
    const QString folder = BigFolder().path();
    ScriptedMessageBoxes boxes;
    LocalFileList list(boxes, Services());
    for (auto _ : state) {
        if (!list.ShowFolder(folder, false)) state.SkipWithError("cannot list");
    }
    if (list.RowCount() != kFiles + kFolders + 1) state.SkipWithError("rows missing");
}
BENCHMARK(BM_ListTwentyThousandFiles)->Unit(benchmark::kMillisecond);

void BM_ListAndShowTwentyThousandFiles(benchmark::State& state) {
    const QString folder = BigFolder().path();
    ScriptedMessageBoxes boxes;
    LocalFileList list(boxes, Services());
    LocalFileListView view(list);
    view.resize(500, 600);
    view.show();
    QApplication::processEvents();
    for (auto _ : state) {
        state.PauseTiming();
        list.ShowFolder(QStringLiteral("/"), false);
        QApplication::processEvents();
        state.ResumeTiming();
        list.ShowFolder(folder, false);
        view.doItemsLayout();
        view.viewport()->repaint();
        QApplication::processEvents();
    }
    if (view.model()->rowCount() != kFiles + kFolders + 1) state.SkipWithError("rows missing");
}
BENCHMARK(BM_ListAndShowTwentyThousandFiles)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace tessan
