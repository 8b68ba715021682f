// Responsiveness of the Publishing window: while a local publish of 5,000 documents
// runs, a QTimer ticks every 10 ms on the user-interface thread and the longest gap
// between two ticks is kept. The baseline is the same timer over the same span with
// no run. Prints both worst gaps, their ratio and whether the worst gap stays under
// 100 ms. On a machine that is busy with other work the baseline's own gaps grow;
// the load average is printed to judge that.
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

#include "app/AppServices.h"
#include "app/ProjectDocument.h"
#include "model/MemorySettingsStore.h"
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

}  // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    const int documents = argc > 1 ? std::atoi(argv[1]) : 5000;
    const std::filesystem::path work = std::filesystem::temp_directory_path() /
                                       ("foldcraft-bench-gui-" + std::to_string(::getpid()));
    std::filesystem::create_directories(work / "src");
    std::filesystem::create_directories(work / "program");
    std::filesystem::create_directories(work / "site");

    ProjectDocument document;
    CFoldcraftDoc& doc = document.Doc();
    doc.m_strPublishPath = (work / "site").string();
    const std::string block(4096, 'x');
    for (int f = 0; f < documents / 50; ++f) {
        auto* folder = doc.m_pRoot->AddFolder(
            std::make_unique<CBuildTreeFolder>("Folder " + std::to_string(f), "(folder)", ""));
        folder->m_timePublish = doc.m_pRoot->m_timePublish = 0;
        for (int i = 0; i < 50; ++i) {
            const auto path =
                work / "src" / ("f" + std::to_string(f)) / ("doc" + std::to_string(i) + ".txt");
            std::filesystem::create_directories(path.parent_path());
            std::ofstream(path) << block;
            auto* item = folder->AddDoc(std::make_unique<CBuildTreeDoc>("Doc", path.string(), ""));
            item->m_timePublish = 0;
        }
    }

    SilentDialogs dialogs;
    MemorySettingsStore settings;
    AppServices services{dialogs, settings, (work / "program").string()};

    double runWorst = 0, runSeconds = 0;
    std::string ending;
    {
        CPublishProgressDlg window(document, services);
        window.show();
        GapMeter meter;
        QElapsedTimer span;
        span.start();
        window.Start();
        while (window.IsWorking())
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 50);
        runWorst = meter.worst;
        runSeconds = span.elapsed() / 1000.0;
        const QByteArray log = window.LogBytes();
        ending = log.mid(log.lastIndexOf("--------------------\n") + 21).trimmed().toStdString();
    }
    double idleWorst = 0;
    {
        GapMeter meter;
        QTimer::singleShot(static_cast<int>(runSeconds * 1000), &app, &QCoreApplication::quit);
        app.exec();
        idleWorst = meter.worst;
    }
    std::filesystem::remove_all(work);

    std::printf("documents: %d, run: %.2f s, ending: %s\n", documents, runSeconds, ending.c_str());
    std::printf("worst timer gap during the run: %.1f ms\n", runWorst);
    std::printf("worst timer gap idle (baseline): %.1f ms\n", idleWorst);
    std::printf("ratio: %.2f\n", idleWorst > 0 ? runWorst / idleWorst : 0.0);
    double load[1] = {0};
    if (::getloadavg(load, 1) == 1) std::printf("load average while measuring: %.2f\n", load[0]);
    std::printf("target (worst gap under 100 ms): %s\n", runWorst < 100 ? "met" : "NOT met");
    return 0;
}
