#include <QLineEdit>
#include <QPlainTextEdit>
#include <QTest>

#include "Dialogs.h"
#include "ui/build/CNewFolderDlg.h"
#include "ui/build/CNewWebLinkDlg.h"
#include "ui/build/CTextEditDlg.h"
#include "ui/build/WebLinkRules.h"

using namespace foldcraft;

class tst_BuildDialogs : public QObject {
    Q_OBJECT
private slots:
    void derivedName_data() {
        QTest::addColumn<QString>("link");
        QTest::addColumn<QString>("name");
        QTest::newRow("http www") << "http://www.example.org/news"
                                  << "example.org/news";
        QTest::newRow("https www") << "https://www.example.org"
                                   << "example.org";
        QTest::newRow("ftp keeps www") << "ftp://www.example.org"
                                       << "www.example.org";
        QTest::newRow("mailto") << "mailto:someone"
                                << "someone";
        QTest::newRow("www only") << "http://www."
                                  << "";
        QTest::newRow("capital scheme") << "HTTP://example.org"
                                        << "";
        QTest::newRow("no scheme") << "www.example.org"
                                   << "";
    }
    void derivedName() {
        QFETCH(QString, link);
        QFETCH(QString, name);
        QCOMPARE(QString::fromStdString(WebLinkRules::DerivedName(link.toStdString())), name);
    }

    void checkLink_data() {
        QTest::addColumn<QString>("link");
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("message");
        QTest::newRow("preset, no name") << "http://"
                                         << ""
                                         << "Please enter a name for the link.";
        QTest::newRow("mailto alone") << "mailto:"
                                      << "x"
                                      << "";
        QTest::newRow("scheme in capitals") << "HTTP://a"
                                            << "a"
                                            << "";
        QTest::newRow("bare separator") << "://"
                                        << "a"
                                        << "";
        QTest::newRow("no scheme") << "www.example.org"
                                   << "a"
                                   << "Link is improperly formatted.";
        QTest::newRow("mail address") << "a@example.org"
                                      << "a"
                                      << "Link is improperly formatted.";
    }
    void checkLink() {
        QFETCH(QString, link);
        QFETCH(QString, name);
        QFETCH(QString, message);
        const std::string_view text =
            WebLinkRules::CheckLink(link.toStdString(), name.toStdString());
        QCOMPARE(QString::fromUtf8(text.data(), text.size()), message);
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
        QVERIFY(QTest::qWaitForWindowExposed(&dialog));
        auto* text = dialog.findChild<QPlainTextEdit*>();
        QTRY_VERIFY(text->hasFocus());
        QCOMPARE(text->textCursor().selectedText().size(), 13);
        dialog.resize(100, 100);
        QVERIFY(dialog.width() >= 250 && dialog.height() >= 150);
    }
};

QTEST_MAIN(tst_BuildDialogs)
#include "tst_BuildDialogs.moc"
