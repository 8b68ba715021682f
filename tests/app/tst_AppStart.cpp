#include <QLineEdit>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include "app/CFoldcraftApp.h"
#include "app/CMainFrame.h"
#include "app/CSplashWnd.h"
#include "model/MemorySettingsStore.h"
#include "support/Patience.h"
#include "ui/support/RecordingUserDialogs.h"

using namespace foldcraft;

class tst_AppStart : public QObject {
    Q_OBJECT
private slots:
    // A file of another format named at start: the message, then the window with the
    // file's name. A file that cannot be opened: the message and no window.
    void namedFileAtStart_data() {
        QTest::addColumn<QString>("file");
        QTest::addColumn<QString>("message");
        QTest::addColumn<QString>("title");  // of the window; empty: none
        QTest::newRow("other format") << FOLDCRAFT_TESTS_DIR "/model/fixtures/version-2.fcd"
                                      << "Error: unsupported Foldcraft file format."
                                      << "version-2.fcd[*] - Foldcraft";
        QTest::newRow("missing") << "/nonexistent/site.fcd"
                                 << "Cannot open /nonexistent/site.fcd: "
                                 << "";
    }
    void namedFileAtStart() {
        QFETCH(QString, file);
        QFETCH(QString, message);
        QFETCH(QString, title);
        QTemporaryDir folder;
        test::RecordingUserDialogs dialogs;
        MemorySettingsStore settings;
        CFoldcraftApp app(dialogs, settings, folder.path().toStdString());
        QCOMPARE(app.InitInstance({file, false}), !title.isEmpty());
        QCOMPARE(dialogs.Messages().size(), 1);
        QVERIFY2(dialogs.Messages()[0].startsWith(message), qPrintable(dialogs.Messages()[0]));
        QCOMPARE(app.MainFrame() ? app.MainFrame()->windowTitle() : QString(), title);
    }

    // A key press while the splash shows hides it and reaches no widget, shortcuts
    // included; the next key arrives as usual.
    void splashSwallowsAKeyPress() {
        QLineEdit edit;
        edit.show();
        QVERIFY(QTest::qWaitForWindowActive(&edit, test::kPatienceMs));
        edit.setFocus();
        CSplashWnd splash(&edit);
        QSignalSpy hidden(&splash, &CSplashWnd::hidden);
        QVERIFY(splash.Start() && splash.IsShowing());
        QTest::keyClick(&edit, Qt::Key_A);
        QVERIFY(!splash.IsShowing());
        QCOMPARE(hidden.count(), 1);
        QCOMPARE(edit.text(), QString());
        QTest::keyClick(&edit, Qt::Key_B);
        QCOMPARE(edit.text(), QStringLiteral("b"));
        QCOMPARE(hidden.count(), 1);
    }
};

QTEST_MAIN(tst_AppStart)
#include "tst_AppStart.moc"
