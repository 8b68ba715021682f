#include <QLineEdit>
#include <QPlainTextEdit>
#include <QTest>

#include "support/Patience.h"
#include "ui/build/CNewFolderDlg.h"
#include "ui/build/CNewWebLinkDlg.h"
#include "ui/build/CTextEditDlg.h"
#include "ui/build/WebLinkRules.h"
#include "ui/support/RecordingUserDialogs.h"

using namespace foldcraft;

class tst_BuildDialogs : public QObject {
    Q_OBJECT
private slots:
    // The name derived from a link, and the message for a link and name (empty: accepted).
    void linkRules() {
        const struct {
            const char *link, *derived, *name, *message;
        } rows[] = {
            {"http://www.example.org/news", "example.org/news", "a", ""},
            {"https://www.example.org", "example.org", "", "Please enter a name for the link."},
            {"ftp://www.example.org", "www.example.org", "a", ""},
            {"mailto:someone", "someone", "a", ""},
            {"mailto:", "", "x", ""},
            {"http://www.", "", "a", ""},
            {"HTTP://example.org", "", "a", ""},
            {"://", "", "a", ""},
            {"www.example.org", "", "a", "Link is improperly formatted."},
            {"a@example.org", "", "a", "Link is improperly formatted."},
        };
        for (const auto& r : rows) {
            QCOMPARE(WebLinkRules::DerivedName(r.link), std::string(r.derived));
            QCOMPARE(std::string(WebLinkRules::CheckLink(r.link, r.name)), std::string(r.message));
        }
    }

    // The name follows the link keystroke by keystroke until the user types a name;
    // OK with a bad link shows the message and stays open.
    void webLinkDialog() {
        test::RecordingUserDialogs dialogs;
        CNewWebLinkDlg dialog(dialogs);
        auto* link = dialog.findChildren<QLineEdit*>().at(0);
        auto* name = dialog.findChildren<QLineEdit*>().at(1);
        QCOMPARE(link->text(), QStringLiteral("http://"));
        const QList<QPair<QString, QString>> steps = {
            {"w", "w"}, {"ww", "www"}, {".", "www"}, {"example.org", "example.org"}};
        for (const auto& [typed, expected] : steps) {
            QTest::keyClicks(link, typed);
            QCOMPARE(name->text(), expected);
        }
        QTest::keyClicks(name, "!");
        QTest::keyClicks(link, "/x");
        QCOMPARE(name->text(), QStringLiteral("example.org!"));
        link->setText(QStringLiteral("example.org"));
        dialog.accept();
        QCOMPARE(dialogs.Messages(), QStringList{"Link is improperly formatted."});
        QCOMPARE(dialog.result(), int(QDialog::Rejected));
    }

    void folderDialogNeedsName() {
        CNewFolderDlg dialog;
        dialog.accept();
        QCOMPARE(dialog.result(), int(QDialog::Rejected));
        QTest::keyClicks(dialog.findChild<QLineEdit*>(), " ");
        dialog.accept();
        QCOMPARE(dialog.result(), int(QDialog::Accepted));
        QCOMPARE(dialog.Name(), QStringLiteral(" "));
    }

    // The Edit Text dialog opens with its text selected and stops shrinking at 250 x 150.
    void textDialog() {
        CTextEditDlg dialog;
        dialog.SetText(QStringLiteral("line 1\nline 2"));
        dialog.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dialog, test::kPatienceMs));
        auto* text = dialog.findChild<QPlainTextEdit*>();
        QTRY_VERIFY_WITH_TIMEOUT(text->hasFocus(), test::kPatienceMs);
        QCOMPARE(text->textCursor().selectedText().size(), 13);
        dialog.resize(100, 100);
        QVERIFY(dialog.width() >= 250 && dialog.height() >= 150);
    }
};

QTEST_MAIN(tst_BuildDialogs)
#include "tst_BuildDialogs.moc"
