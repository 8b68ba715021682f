// Responsiveness of the Publishing window: while a local publish of 5,000 documents
// runs, a QTimer ticks every 10 ms on the user-interface thread and the longest gap
// between two ticks is kept. The baseline is the same timer over the same span with
// no run. Prints both worst gaps, their ratio and whether the worst gap stays under
// 100 ms. A second run publishes the same tree with every source missing, so that
// the log lists 5,000 files. On a machine that is busy with other work the baseline's own gaps
// grow; the load average is printed to judge that.
//
//   QT_QPA_PLATFORM=offscreen build/bench/bench_gui_publish_responsiveness [DOCUMENTS]
#include <unistd.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QTimer>
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "document/ProjectDocument.h"
#include "model/MemorySettingsStore.h"
#include "ui/common/AppServices.h"
#include "ui/publish/CPublishProgressDlg.h"

using namespace foldcraft;

namespace {

// Ticks every 10 ms and keeps the longest gap, in milliseconds.
struct GapMeter {
    GapMeter() {
        timer.setInterval(10);
        timer.setTimerType(Qt::PreciseTimer);
        QObject::connect(&timer, &QTimer::timeout, [this] {
            const qint64 now = clock.nsecsElapsed();
            worst = std::max(worst, (now - last) / 1e6);
            last = now;
        });
        clock.start();
        last = clock.nsecsElapsed();
        timer.start();
    }
    QTimer timer;
    QElapsedTimer clock;
    qint64 last = 0;
    double worst = 0;
};

// Unanswered dialogs: the benchmark never closes the window with its button.
class SilentDialogs : public QtUserDialogs {
public:
    bool OpenUrl(const QUrl&) override { return true; }
};

struct Measure {
    double worstGap = 0;
    double seconds = 0;
    std::string ending;
};

// Publishes documents in folders of 50 (sources written unless missing) and measures
// the timer's worst gap meanwhile.
Measure MeasureRun(const std::filesystem::path& work, int documents, bool missing) {
    std::filesystem::remove_all(work);
    std::filesystem::create_directories(work / "program");
    std::filesystem::create_directories(work / "site");
    ProjectDocument document;
    CFoldcraftDoc& doc = document.Doc();
    doc.m_strPublishPath = (work / "site").string();
    doc.m_pRoot->m_timePublish = 0;
    const std::string block(4096, 'x');
    for (int f = 0; f < documents / 50; ++f) {
        auto* folder = doc.m_pRoot->AddFolder(
            std::make_unique<CBuildTreeFolder>("Folder " + std::to_string(f), "(folder)", ""));
        folder->m_timePublish = 0;
        for (int i = 0; i < 50; ++i) {
            const auto path =
                work / "src" / ("f" + std::to_string(f)) / ("doc" + std::to_string(i) + ".txt");
            if (!missing) {
                std::filesystem::create_directories(path.parent_path());
                std::ofstream(path) << block;
            }
            auto* item = folder->AddDoc(std::make_unique<CBuildTreeDoc>("Doc", path.string(), ""));
            item->m_timePublish = 0;
        }
    }
    SilentDialogs dialogs;
    MemorySettingsStore settings;
    AppServices services{dialogs, settings, (work / "program").string()};

    Measure measure;
    CPublishProgressDlg window(document, services);
    window.show();
    GapMeter meter;
    QElapsedTimer span;
    span.start();
    window.Start();
    while (window.IsWorking()) QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 50);
    measure.worstGap = meter.worst;
    measure.seconds = span.elapsed() / 1000.0;
    const QByteArray log = window.LogBytes();
    const qsizetype separator = log.lastIndexOf("--------------------\n");
    measure.ending =
        separator < 0 ? "(failed)" : log.mid(separator + 21).simplified().toStdString();
    return measure;
}

}  // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    const int documents = argc > 1 ? std::atoi(argv[1]) : 5000;
    const std::filesystem::path work = std::filesystem::temp_directory_path() /
                                       ("foldcraft-bench-gui-" + std::to_string(::getpid()));

    const Measure copied = MeasureRun(work, documents, false);
    const Measure listed = MeasureRun(work, documents, true);
    double idleWorst = 0;
    {
        GapMeter meter;
        QTimer::singleShot(static_cast<int>(copied.seconds * 1000), &app, &QCoreApplication::quit);
        app.exec();
        idleWorst = meter.worst;
    }
    std::filesystem::remove_all(work);

    for (const auto& [name, m] : {std::pair{"copied", copied}, std::pair{"all missing", listed}}) {
        std::printf(
            "%d documents, %s: run %.2f s (%s), worst timer gap %.1f ms, ratio to idle %.2f\n",
            documents, name, m.seconds, m.ending.c_str(), m.worstGap,
            idleWorst > 0 ? m.worstGap / idleWorst : 0.0);
    }
    std::printf("worst timer gap idle (baseline): %.1f ms\n", idleWorst);
    double load[1] = {0};
    if (::getloadavg(load, 1) == 1) std::printf("load average while measuring: %.2f\n", load[0]);
    const double worst = std::max(copied.worstGap, listed.worstGap);
    std::printf("target (worst gap under 100 ms): %s\n", worst < 100 ? "met" : "NOT met");
    return 0;
}
