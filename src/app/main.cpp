// foldcraft: the desktop program. Parses the command line and hands over to
// CFoldcraftApp.
#include <QApplication>
#include <QCommandLineParser>
#include <QFile>
#include <QIcon>
#include <cstdio>
#include <memory>
#include <string_view>

#include "app/CFoldcraftApp.h"
#include "model/MemorySettingsStore.h"
#include "model/ProgramFolder.h"
#include "settings/KeychainPasswordStore.h"
#include "settings/QtSettingsStore.h"
#include "ui/common/UserDialogs.h"

namespace {

struct CommandLine {
    QCommandLineParser parser;
    QCommandLineOption noSplash{QStringLiteral("no-splash"),
                                QStringLiteral("Start without the splash and the tip of the day.")};
    QCommandLineOption programFolder{
        QStringLiteral("program-folder"),
        QStringLiteral("Program folder (default: $FOLDCRAFT_HOME or ~/.local/share/Foldcraft)."),
        QStringLiteral("DIR")};
    QCommandLineOption settings{
        QStringLiteral("settings"),
        QStringLiteral(
            "Settings file to use instead of the user's (default: $FOLDCRAFT_SETTINGS)."),
        QStringLiteral("FILE")};
    // For start-up benchmarks and scripted checks: end as soon as the window is shown.
    QCommandLineOption quitAfterStart{QStringLiteral("quit-after-start"),
                                      QStringLiteral("End once the main window is shown.")};

    CommandLine() {
        parser.setApplicationDescription(QStringLiteral(
            "Foldcraft turns a collection of documents into a small static web site."));
        parser.addHelpOption();
        parser.addVersionOption();
        quitAfterStart.setFlags(QCommandLineOption::HiddenFromHelp);
        for (const auto* option : {&noSplash, &programFolder, &settings, &quitAfterStart})
            parser.addOption(*option);
        parser.addPositionalArgument(QStringLiteral("FILE.fcd"), QStringLiteral("Project to open."),
                                     QStringLiteral("[FILE.fcd]"));
    }
};

// --help and --version are answered without a display.
bool AsksForHelpOrVersion(int argc, char** argv) {
    for (int i = 1; i < argc; ++i) {
        const std::string_view arg = argv[i];
        if (arg == "--") return false;
        if (arg == "-h" || arg == "-?" || arg == "--help" || arg == "--help-all" || arg == "-v" ||
            arg == "--version")
            return true;
    }
    return false;
}

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication::setOrganizationName(QStringLiteral("Halvard"));
    QCoreApplication::setApplicationName(QStringLiteral("Foldcraft"));
    QCoreApplication::setApplicationVersion(QStringLiteral("1.2"));
    if (AsksForHelpOrVersion(argc, argv)) {
        QCoreApplication core(argc, argv);
        CommandLine commandLine;
        commandLine.parser.process(core);  // prints and ends the program
        return 0;
    }

    QApplication app(argc, argv);
    QApplication::setDesktopFileName(QStringLiteral("org.halvard.Foldcraft"));
    QApplication::setWindowIcon(QIcon(QStringLiteral(":/icons/foldcraft.svg")));
    CommandLine commandLine;
    QCommandLineParser& parser = commandLine.parser;
    parser.process(app);
    if (parser.positionalArguments().size() > 1) {
        std::fprintf(stderr, "foldcraft: at most one project file can be named\n");
        return 64;
    }

    const std::string folder =
        foldcraft::ProgramFolder::Resolve(parser.value(commandLine.programFolder).toStdString());
    std::string error;
    if (!foldcraft::ProgramFolder::Ensure(folder, &error)) {
        std::fprintf(stderr, "foldcraft: cannot create the program folder %s: %s\n", folder.c_str(),
                     error.c_str());
        return 2;
    }

    QString settingsFile = parser.value(commandLine.settings);
    if (settingsFile.isEmpty()) settingsFile = qEnvironmentVariable("FOLDCRAFT_SETTINGS");
    // A settings file that cannot be used: the program runs on the default settings,
    // kept in memory only, and says why once its window is shown.
    std::string settingsError;
    const std::unique_ptr<foldcraft::QtSettingsStore> fileStore =
        settingsFile.isEmpty() ? foldcraft::QtSettingsStore::OpenUserStore(settingsError)
                               : foldcraft::QtSettingsStore::Open(
                                     QFile::encodeName(settingsFile).toStdString(), settingsError);
    foldcraft::MemorySettingsStore memoryStore;
    foldcraft::ISettingsStore& store =
        fileStore ? static_cast<foldcraft::ISettingsStore&>(*fileStore) : memoryStore;
    foldcraft::QtUserDialogs dialogs;
    foldcraft::KeychainPasswordStore keyring;

    int status = 0;
    {
        foldcraft::CFoldcraftApp foldcraftApp(dialogs, store, folder);
        foldcraftApp.Services().passwords = &keyring;
        foldcraft::CFoldcraftApp::StartOptions options;
        if (!fileStore) {
            options.settingsProblem =
                QString::fromStdString(settingsError) +
                QStringLiteral("\nFoldcraft starts with the default settings (not saved).");
        }
        options.file = parser.positionalArguments().value(0);
        options.splash = !parser.isSet(commandLine.noSplash);
        if (!foldcraftApp.InitInstance(options)) {
            std::fprintf(stderr, "foldcraft: cannot open %s\n", qPrintable(options.file));
            return 2;
        }
        if (parser.isSet(commandLine.quitAfterStart))
            QMetaObject::invokeMethod(&app, &QCoreApplication::quit, Qt::QueuedConnection);
        status = app.exec();
    }
    return status;
}
