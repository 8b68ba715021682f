#include <QCheckBox>
#include <QDateEdit>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>

#include "BuildFixture.h"
#include "ui/build/ItemFormRules.h"

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
    // Publish June 10, purge June 20 (both at noon), unless the row says otherwise.
    void dateRules_data() {
        QTest::addColumn<int>("edit");  // 0 pick purge date, 1 pick publish date, 2 tick purge
        QTest::addColumn<bool>("purging");
        QTest::addColumn<Time>("picked");
        QTest::addColumn<Time>("publish");
        QTest::addColumn<Time>("purgeDate");
        QTest::addColumn<bool>("message");
        QTest::newRow("purge before publish")
            << 0 << true << June(5) << June(10) << June(11) << true;
        QTest::newRow("purge same second") << 0 << true << June(10) << June(10) << June(11) << true;
        QTest::newRow("purge after publish")
            << 0 << true << June(15) << June(10) << June(15) << false;
        QTest::newRow("publish after purge")
            << 1 << true << June(25) << June(19) << June(20) << true;
        QTest::newRow("purging off") << 0 << false << June(5) << June(10) << June(5) << false;
        QTest::newRow("ticked late") << 2 << false << June(5) << June(10) << June(11) << true;
    }
    void dateRules() {
        QFETCH(int, edit);
        QFETCH(Time, picked);
        ItemFields fields;
        fields.publish = June(10);
        fields.purgeDate = edit == 2 ? picked : June(20);
        QFETCH(bool, purging);
        fields.purge = purging ? 1 : 0;
        const auto outcome = edit == 0   ? ItemFormRules::PurgeDatePicked(fields, picked)
                             : edit == 1 ? ItemFormRules::PublishDatePicked(fields, picked)
                                         : ItemFormRules::PurgeSwitched(fields, true);
        QTEST(outcome.fields.publish, "publish");
        QTEST(outcome.fields.purgeDate, "purgeDate");
        QTEST(!outcome.message.empty(), "message");
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

    // An emptied name becomes "Folder Name", in the item, the field and the tree.
    void emptyNameRule() {
        BuildFixture f;
        f.Select("b");
        auto* name = Control<QLineEdit>(*f.form, "Name:");
        name->clear();
        QCOMPARE(name->text(), QStringLiteral("Folder Name"));
        QCOMPARE(f.SelectedName(), QStringLiteral("Folder Name"));
        QCOMPARE(f.tree->Model().data(f.tree->Model().IndexOf(f.tree->Selected())).toString(),
                 QStringLiteral("Folder Name"));
    }

    // Typing into one field is one step until the field is left; undo shows the old
    // text again.
    void typingMerges() {
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
    }

    void enableRules_data() {
        QTest::addColumn<QString>("select");
        QTest::addColumn<bool>("folder");
        QTest::addColumn<bool>("linkEditable");
        QTest::newRow("folder") << "A" << true << false;
        QTest::newRow("document") << "b" << false << false;
        QTest::newRow("web link") << "web" << false << true;
    }
    void enableRules() {
        QFETCH(QString, select);
        QFETCH(bool, folder);
        BuildFixture f;
        f.Select(select);
        for (const char* caption :
             {"Add Folder", "Add Files", "Add Web Link", "Buttons...", "Hotspot...", "Edit..."})
            QCOMPARE(Control<QPushButton>(*f.form, caption)->isEnabled(), folder);
        QVERIFY(Control<QPushButton>(*f.form, "Refresh")->isEnabled());
        QCOMPARE(Control<QCheckBox>(*f.form, "Show \"Contents for\" at start of page")->isEnabled(),
                 folder);
        QTEST(!Control<QLineEdit>(*f.form, "Link:")->isReadOnly(), "linkEditable");
    }

    // "Edit..." writes the label through the Edit Text dialog, as one step.
    void editLabel() {
        BuildFixture f;
        f.Select("A");
        f.dialogs.texts.push_back(QStringLiteral("Hello"));
        Control<QPushButton>(*f.form, "Edit...")->click();
        QCOMPARE(f.Folder("A").m_strLabel, std::string("Hello"));
        QCOMPARE(Control<QPlainTextEdit>(*f.form, "Label")->toPlainText(), QStringLiteral("Hello"));
        QCOMPARE(f.dialogs.calls.back().text, QStringLiteral("Edit Label"));
        f.document.UndoStack().undo();
        QCOMPARE(Control<QPlainTextEdit>(*f.form, "Label")->toPlainText(), QString());
    }
};

QTEST_MAIN(tst_BuildForm)
#include "tst_BuildForm.moc"
