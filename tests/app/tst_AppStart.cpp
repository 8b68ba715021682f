#include <QLineEdit>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include "app/CFoldcraftApp.h"
#include "app/CMainFrame.h"
#include "app/CSplashWnd.h"
#include "app/ProjectDocument.h"
#include "model/MemorySettingsStore.h"
#include "ui/support/RecordingUserDialogs.h"

using namespace foldcraft;

class tst_AppStart : public QObject {
    Q_OBJECT
private slots:
    // A file of another format named at start: the message, then the window with an
    // empty tree. A file that cannot be opened: the message and no window.
    void namedFileAtStart_data() {
        QTest::addColumn<QString>("file");
        QTest::addColumn<bool>("starts");
        QTest::addColumn<QString>("message");
        QTest::newRow("other format")
            << QStringLiteral(FOLDCRAFT_TESTS_DIR "/model/fixtures/version-2.fcd") << true
            << QStringLiteral("Error: unsupported Foldcraft file format.");
        QTest::newRow("missing") << QStringLiteral("/nonexistent/site.fcd") << false
                                 << QStringLiteral("Cannot open /nonexistent/site.fcd: ");
    }
    void namedFileAtStart() {
        QFETCH(QString, file);
        QFETCH(bool, starts);
        QFETCH(QString, message);
        QTemporaryDir folder;
        test::RecordingUserDialogs dialogs;
        MemorySettingsStore settings;
        CFoldcraftApp app(dialogs, settings, folder.path().toStdString());
        QCOMPARE(app.InitInstance({file, false}), starts);
        QCOMPARE(dialogs.Messages().size(), 1);
        QVERIFY2(dialogs.Messages()[0].startsWith(message), qPrintable(dialogs.Messages()[0]));
        QCOMPARE(app.MainFrame() != nullptr, starts);
        if (starts) {
            QVERIFY(app.Document().Doc().m_pRoot->m_arrFolders.empty());
            QVERIFY(app.Document().Doc().m_pRoot->m_arrDocs.empty());
            QCOMPARE(app.Document().Doc().m_bNeverSaved, 1);  // Save asks for a name
            QCOMPARE(app.MainFrame()->windowTitle(),
                     QStringLiteral("version-2.fcd[*] - Foldcraft"));
        }
    }

    // A key press while the splash shows hides it and reaches no widget, shortcuts
    // included; the next key arrives as usual.
    void splashSwallowsAKeyPress() {
        QLineEdit edit;
        edit.show();
        QVERIFY(QTest::qWaitForWindowActive(&edit));
        edit.setFocus();
        CSplashWnd splash(&edit);
        QSignalSpy hidden(&splash, &CSplashWnd::hidden);
        QVERIFY(splash.Start());
        QVERIFY(splash.IsShowing());

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
