#include "app/HelpManual.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

namespace foldcraft {
namespace {
const char kInstalledManual[] = "doc/foldcraft/manual";
// The manual's anchor of each step, in StepTab's order.
const char* const kSections[] = {"build", "design", "publish"};
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
    url.setFragment(QLatin1String(kSections[static_cast<int>(*step)]));
    return url;
}

}  // namespace foldcraft
