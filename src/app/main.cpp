// foldcraft: the desktop program. Parses the command line and hands over to
// CFoldcraftApp.
#include <QApplication>
#include <QCommandLineParser>
#include <QIcon>
#include <cstdio>
#include <memory>

#include "app/CFoldcraftApp.h"
#include "app/QtSettingsStore.h"
#include "app/UserDialogs.h"
#include "model/ProgramFolder.h"

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QApplication::setOrganizationName(QStringLiteral("Halvard"));
    QApplication::setApplicationName(QStringLiteral("Foldcraft"));
    QApplication::setApplicationVersion(QStringLiteral("1.2"));
    QApplication::setDesktopFileName(QStringLiteral("org.halvard.Foldcraft"));
    QApplication::setWindowIcon(QIcon(QStringLiteral(":/icons/foldcraft.svg")));

    QCommandLineParser parser;
    parser.setApplicationDescription(
        QStringLiteral("Foldcraft turns a collection of documents into a small static web site."));
    parser.addHelpOption();
    parser.addVersionOption();
    const QCommandLineOption noSplash(
        QStringLiteral("no-splash"),
        QStringLiteral("Start without the splash and the tip of the day."));
    const QCommandLineOption programFolder(
        QStringLiteral("program-folder"),
        QStringLiteral("Program folder (default: $FOLDCRAFT_HOME or ~/.local/share/Foldcraft)."),
        QStringLiteral("DIR"));
    const QCommandLineOption settings(
        QStringLiteral("settings"),
        QStringLiteral(
            "Settings file to use instead of the user's (default: $FOLDCRAFT_SETTINGS)."),
        QStringLiteral("FILE"));
    // For start-up benchmarks and scripted checks: end as soon as the window is shown.
    QCommandLineOption quitAfterStart(QStringLiteral("quit-after-start"),
                                      QStringLiteral("End once the main window is shown."));
    quitAfterStart.setFlags(QCommandLineOption::HiddenFromHelp);
    parser.addOption(quitAfterStart);
    parser.addOption(noSplash);
    parser.addOption(programFolder);
    parser.addOption(settings);
    parser.addPositionalArgument(QStringLiteral("FILE.fcd"), QStringLiteral("Project to open."),
                                 QStringLiteral("[FILE.fcd]"));
    parser.process(app);
    if (parser.positionalArguments().size() > 1) {
        std::fprintf(stderr, "foldcraft: at most one project file can be named\n");
        return 64;
    }

    const std::string folder =
        foldcraft::ProgramFolder::Resolve(parser.value(programFolder).toStdString());
    std::string error;
    if (!foldcraft::ProgramFolder::Ensure(folder, &error)) {
        std::fprintf(stderr, "foldcraft: cannot create the program folder %s: %s\n", folder.c_str(),
                     error.c_str());
        return 2;
    }

    QString settingsFile = parser.value(settings);
    if (settingsFile.isEmpty()) settingsFile = qEnvironmentVariable("FOLDCRAFT_SETTINGS");
    std::unique_ptr<foldcraft::QtSettingsStore> store =
        settingsFile.isEmpty()
            ? std::make_unique<foldcraft::QtSettingsStore>()
            : std::make_unique<foldcraft::QtSettingsStore>(settingsFile.toStdString());
    foldcraft::QtUserDialogs dialogs;

    int status = 0;
    {
        foldcraft::CFoldcraftApp foldcraftApp(dialogs, *store, folder);
        foldcraft::CFoldcraftApp::StartOptions options;
        options.file = parser.positionalArguments().value(0);
        options.splash = !parser.isSet(noSplash);
        if (!foldcraftApp.InitInstance(options)) return 2;
        if (parser.isSet(quitAfterStart))
            QMetaObject::invokeMethod(&app, &QCoreApplication::quit, Qt::QueuedConnection);
        status = app.exec();
    }
    return status;
}
