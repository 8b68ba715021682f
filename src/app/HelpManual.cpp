#include "app/HelpManual.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

namespace foldcraft {
namespace {
const char kInstalledManual[] = "doc/foldcraft/manual";
}  // namespace

QString HelpManual::FindIndex(const QString& programDir, const QStringList& dataDirs) {
    const QDir program(programDir);
    QStringList candidates{program.filePath(QStringLiteral("manual")),
                           program.filePath(QStringLiteral("../share/") + kInstalledManual)};
    for (const QString& dir : dataDirs) candidates << QDir(dir).filePath(kInstalledManual);
    for (const QString& dir : candidates) {
        const QFileInfo index(QDir::cleanPath(dir + QStringLiteral("/index.html")));
        if (index.isFile()) return index.absoluteFilePath();
    }
    return {};
}

QString HelpManual::FindInstalledIndex() {
    return FindIndex(QCoreApplication::applicationDirPath(),
                     QStandardPaths::standardLocations(QStandardPaths::GenericDataLocation));
}

QUrl HelpManual::Address(const QString& index, std::optional<StepTab> step) {
    QUrl url = QUrl::fromLocalFile(index);
    if (!step) return url;
    switch (*step) {
        case StepTab::kBuild: url.setFragment(QStringLiteral("build")); break;
        case StepTab::kDesign: url.setFragment(QStringLiteral("design")); break;
        case StepTab::kPublish: url.setFragment(QStringLiteral("publish")); break;
    }
    return url;
}

}  // namespace foldcraft
