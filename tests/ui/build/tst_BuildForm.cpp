#include <QCheckBox>
#include <QDateEdit>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>

#include "BuildFixture.h"
#include "support/Patience.h"
#include "ui/build/CNewFolderDlg.h"
#include "ui/build/CNewWebLinkDlg.h"
#include "ui/build/CTextEditDlg.h"
#include "ui/build/ItemFormRules.h"
#include "ui/build/WebLinkRules.h"

using namespace foldcraft;
using foldcraft::test::BuildFixture;

namespace {

Time June(int day) {
    return QDateTime(QDate(2026, 6, day), QTime(12, 0), Qt::UTC).toSecsSinceEpoch();
}

template <typename T>
T* Control(QWidget& form, const QString& name) {
    for (T* widget : form.findChildren<T*>())
        if (widget->accessibleName() == name) return widget;
    return nullptr;
}

}  // namespace

class tst_BuildForm : public QObject {
    Q_OBJECT
private slots:
    // Publish June 10, purge June 20 (both at noon) unless the row picks otherwise:
    // edit 0 picks the purge date, 1 the publish date, 2 ticks purging.
    void dateRules() {
        const struct {
            int edit;
            bool purging;
            int picked, publish, purgeDate;
            bool message;
        } rows[] = {{0, true, 5, 10, 11, true},   {0, true, 10, 10, 11, true},  // same second
                    {0, true, 15, 10, 15, false}, {1, true, 25, 19, 20, true},
                    {0, false, 5, 10, 5, false},  {2, false, 5, 10, 11, true}};
        for (const auto& r : rows) {
            ItemFields fields;
            fields.publish = June(10);
            fields.purgeDate = June(r.edit == 2 ? r.picked : 20);
            fields.purge = r.purging ? 1 : 0;
            const auto outcome =
                r.edit == 0   ? ItemFormRules::PurgeDatePicked(fields, June(r.picked))
                : r.edit == 1 ? ItemFormRules::PublishDatePicked(fields, June(r.picked))
                              : ItemFormRules::PurgeSwitched(fields, true);
            QCOMPARE(outcome.fields.publish, June(r.publish));
            QCOMPARE(outcome.fields.purgeDate, June(r.purgeDate));
            QCOMPARE(outcome.message.empty(), !r.message);
        }
    }

    // A day picked in the form keeps the time of day; a refused purge date is shown
    // corrected, with the message.
    void purgePickerCorrects() {
        BuildFixture f;
        CBuildTreeDoc& item = *f.Find("b").item;
        item.m_timePublish = June(10);
        item.m_timePurge = June(20);
        item.m_bPurge = 1;
        f.Select("b");
        auto* picker = Control<QDateEdit>(*f.form, "Purge date");
        picker->setDate(QDate(2026, 6, 5));
        QCOMPARE(item.m_timePurge, June(11));
        QCOMPARE(picker->date(), QDate(2026, 6, 11));
        QCOMPARE(f.dialogs.Messages(),
                 QStringList{"Cannot set purge date on or before active publish date."});
        Control<QDateEdit>(*f.form, "Publish:")->setDate(QDate(2026, 6, 3));
        QCOMPARE(item.m_timePublish, June(3));
    }

    // Typing into one field is one step until the field is left; undo shows the old
    // text again. "Edit..." writes the label through the Edit Text dialog, as one step.
    // An emptied name becomes "Folder Name", in the item, the field and the tree.
    void fieldEdits() {
        BuildFixture f;
        f.Select("A");
        const std::string before = f.Bytes();
        auto* comment = Control<QLineEdit>(*f.form, "Comment:");
        QTest::keyClicks(comment, "xyz");
        QCOMPARE(f.document.UndoStack().count(), 1);
        QTest::keyClick(comment, Qt::Key_Return);
        QTest::keyClicks(comment, "w");
        QCOMPARE(f.document.UndoStack().count(), 2);
        QCOMPARE(f.Find("A").item->m_strComment, std::string("xyzw"));
        f.document.UndoStack().undo();
        QCOMPARE(comment->text(), QStringLiteral("xyz"));
        f.document.UndoStack().undo();
        QVERIFY(f.Bytes() == before);
        QCOMPARE(comment->text(), QString());

        f.dialogs.texts.push_back(QStringLiteral("Hello"));
        Control<QPushButton>(*f.form, "Edit...")->click();
        QCOMPARE(f.Folder("A").m_strLabel, std::string("Hello"));
        QCOMPARE(Control<QPlainTextEdit>(*f.form, "Label")->toPlainText(), QStringLiteral("Hello"));
        QCOMPARE(f.dialogs.calls.back().text, QStringLiteral("Edit Label"));
        f.document.UndoStack().undo();
        QCOMPARE(Control<QPlainTextEdit>(*f.form, "Label")->toPlainText(), QString());

        QCOMPARE(ItemFormRules::NameFromField(""), std::string("Folder Name"));
        auto* name = Control<QLineEdit>(*f.form, "Name:");
        name->clear();
        QCOMPARE(name->text(), QStringLiteral("Folder Name"));
        QCOMPARE(f.tree->Model().data(f.tree->Model().IndexOf(f.tree->Selected())).toString(),
                 QStringLiteral("Folder Name"));
    }

    // Buttons for folders only; the link editable for web links only.
    void enableRules() {
        const std::tuple<const char*, bool, bool> rows[] = {
            {"A", true, false}, {"b", false, false}, {"web", false, true}};
        for (const auto& [select, folder, linkEditable] : rows) {
            BuildFixture f;
            f.Select(select);
            for (const char* caption :
                 {"Add Folder", "Add Files", "Add Web Link", "Buttons...", "Hotspot...", "Edit..."})
                QCOMPARE(Control<QPushButton>(*f.form, caption)->isEnabled(), folder);
            QVERIFY(Control<QPushButton>(*f.form, "Refresh")->isEnabled());
            QCOMPARE(
                Control<QCheckBox>(*f.form, "Show \"Contents for\" at start of page")->isEnabled(),
                folder);
            QCOMPARE(Control<QLineEdit>(*f.form, "Link:")->isReadOnly(), !linkEditable);
        }
    }

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

QTEST_MAIN(tst_BuildForm)
#include "tst_BuildForm.moc"
