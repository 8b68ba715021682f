#include <QComboBox>
#include <QLineEdit>
#include <QTest>

#include "document/ProjectDocument.h"
#include "generator/SiteGenerator.h"
#include "model/MemorySettingsStore.h"
#include "ui/common/AppServices.h"
#include "ui/design/CClrButton.h"
#include "ui/design/CDesignGeneralPage.h"
#include "ui/design/CDesignView.h"
#include "ui/support/RecordingUserDialogs.h"

using namespace foldcraft;
using foldcraft::test::RecordingUserDialogs;

namespace {

// The control below root with that accessible name or button caption.
template <typename T>
T* Named(QWidget* root, const QString& name) {
    for (T* widget : root->findChildren<T*>()) {
        const auto* button = qobject_cast<const QAbstractButton*>(widget);
        if (widget->accessibleName() == name || (button && button->text() == name)) return widget;
    }
    qFatal("no control %s", qPrintable(name));
}

// The project, the dialogs double and the Design view, shown.
struct Fixture {
    RecordingUserDialogs dialogs;
    MemorySettingsStore settings;
    AppServices services{dialogs, settings, "/tmp"};
    ProjectDocument document;
    CDesignView view{document, services};

    CFoldcraftDoc& Doc() { return document.Doc(); }

    template <typename T>
    T* Find(const QString& name, int page) {
        return Named<T>(view.Pages()->widget(page), name);
    }
    void Show(int page) {
        view.Pages()->setCurrentIndex(page);
        view.show();
    }
};

enum Page { kGeneral = 0, kText = 1, kColors = 2 };

}  // namespace

class tst_DesignStep : public QObject {
    Q_OBJECT
private slots:
    // Each control writes its field at once, marking the project modified; a cancelled
    // colour chooser changes nothing.
    void writeThrough() {
        Fixture f;
        auto wrote = [&](bool written) {
            const bool modified = f.Doc().IsModified();
            f.document.MarkSaved();
            return written && modified;
        };
        f.Show(kText);
        // Typing is one undo step; undoing it shows the old title and clears the flag.
        auto* title = f.Find<QLineEdit>("Title:", kText);
        QTest::keyClicks(title, "!?");
        QCOMPARE(f.document.UndoStack().count(), 1);
        f.document.UndoStack().undo();
        QCOMPARE(title->text(), QString("My Title"));
        QVERIFY(!f.Doc().IsModified());
        f.document.UndoStack().redo();
        QVERIFY(wrote(f.Doc().m_strTitle == "My Title!?"));
        f.Find<QComboBox>("Font:", kText)->setCurrentIndex(1);
        QVERIFY(wrote(f.Doc().m_strFont == "Courier New, Courier, mono"));
        f.dialogs.texts.push_back(QString("Welcome"));
        for (auto* edit : f.view.Pages()->widget(kText)->findChildren<QAbstractButton*>())
            if (edit->accessibleDescription() == "Edit Header") edit->click();
        QCOMPARE(f.dialogs.calls.at(0).text, QString("Edit Header"));
        QVERIFY(wrote(f.Doc().m_strHeader == "Welcome"));

        f.Doc().m_nThumbWidth = 10;
        f.Show(kGeneral);
        f.view.GeneralPage()->Fill(true);
        auto* width = f.Find<QLineEdit>("Width", kGeneral);
        width->clear();
        QTest::keyClicks(width, "0x048");
        QCOMPARE(width->text(), QString("0048"));
        QVERIFY(wrote(f.Doc().m_nThumbWidth == 48));
        // As assistive technology sets a text.
        f.Find<QLineEdit>("Background Image:", kGeneral)->setText("/pics/sea.gif");
        QVERIFY(wrote(f.Doc().m_strBackgroundImage == "/pics/sea.gif"));
        f.Find<QAbstractButton>("Show File Date", kGeneral)->toggle();
        QVERIFY(wrote(f.Doc().m_bShowFileDate == 1));

        f.Show(kColors);
        auto* link = f.Find<CClrButton>("Link:", kColors);
        const QColor face = link->FaceColour();
        link->click();
        QVERIFY(!wrote(true));
        QCOMPARE(link->FaceColour(), face);
        f.dialogs.colors.push_back(QColor(5, 5, 5));
        link->click();
        QCOMPARE(f.Find<QLineEdit>("Link:", kColors)->text(), QString("#050505"));
        QVERIFY(wrote(f.Doc().m_clrLink == 0x050505));
    }

    // A thumbnail size is 1 to 1024: typed in range it is written at once, out of range
    // it is brought in when the field is left (Return); emptied, the field shows the
    // stored size again; a larger stored size stays until the field is edited. "\b" is
    // Backspace, typed at the end of the field.
    void thumbnailSizeBounds() {
        const std::tuple<int, QString, int, QString> rows[] = {
            {48, "\b\b300", 300, "300"},    {48, "\b\b2000", 1024, "1024"},
            {48, "\b\b0", 1, "1"},          {48, "\b\b", 4, "4"},
            {5000, "", 5000, "5000"},       {99999, "\b", 1024, "1024"},
            {48, "\b\b12345", 1024, "1024"}};
        for (const auto& [stored, keys, after, shown] : rows) {
            Fixture f;
            f.Doc().m_nThumbWidth = stored;
            f.Show(kGeneral);
            f.view.GeneralPage()->Fill(true);
            auto* width = f.Find<QLineEdit>("Width", kGeneral);
            QCOMPARE(width->text(), QString::number(stored));
            width->end(false);
            for (const QChar key : keys)
                key == '\b' ? QTest::keyClick(width, Qt::Key_Backspace)
                            : QTest::keyClick(width, key.toLatin1());
            QTest::keyClick(width, Qt::Key_Return);
            QCOMPARE(f.Doc().m_nThumbWidth, after);
            QCOMPARE(width->text(), shown);
        }
    }

    // The chooser opens at the swatch's colour; a typed #RRGGBB is written as one undo
    // step, anything else is refused and the field shows the colour again.
    void colourChooserAndText() {
        const std::tuple<QString, std::uint32_t, int> rows[] = {
            {"#00FF80", 0x80FF00, 1}, {" 0a0b0c ", 0x0C0B0A, 1}, {"#0F8", 0x123456, 0},
            {"red", 0x123456, 0},     {"#12345G", 0x123456, 0},  {"", 0x123456, 0}};
        for (const auto& [typed, stored, steps] : rows) {
            Fixture f;
            f.Doc().m_clrLink = 0x123456;
            f.Show(kColors);
            f.Find<CClrButton>("Link:", kColors)->click();
            QCOMPARE(f.dialogs.calls.at(0).text, QString("#563412"));
            auto* text = f.Find<QLineEdit>("Link:", kColors);
            text->setText(typed);
            emit text->editingFinished();
            QCOMPARE(f.Doc().m_clrLink, stored);
            QCOMPARE(f.document.UndoStack().count(), steps);
            QCOMPARE(text->text().toLower(), QString::fromStdString(ColorToHtml(stored)).toLower());
        }
    }

    // Set Defaults asks (Cancel: nothing), then resets only its own page's fields.
    void setDefaults() {
        const QString questions[] = {"Set all general design options to their defaults?",
                                     "Set all text fields to their defaults?",
                                     "Set all colors to their defaults?"};
        for (Page page : {kGeneral, kText, kColors}) {
            Fixture f;
            CFoldcraftDoc& doc = f.Doc();
            doc.m_nThumbWidth = 10;
            doc.m_clrLink = 0x123456;
            doc.m_nPublishMethod = CFoldcraftDoc::kPublishFtp;
            f.Show(page);
            auto* button = f.Find<QAbstractButton>("Set Defaults", page);
            f.dialogs.answers = {IUserDialogs::Answer::kCancel, IUserDialogs::Answer::kOk};
            button->click();
            QVERIFY(!doc.IsModified());
            button->click();
            QCOMPARE(f.dialogs.Messages(), QStringList(2, questions[page]));
            QVERIFY(doc.IsModified());
            QCOMPARE(doc.m_nThumbWidth, page == kGeneral ? 48 : 10);
            QCOMPARE(doc.m_strFooter.empty(), page == kText);
            QCOMPARE(doc.m_clrLink, page == kColors ? 0xFF0000u : 0x123456u);
            QCOMPARE(doc.m_nPublishMethod, CFoldcraftDoc::kPublishFtp);
        }
    }

    // Showing the pages writes nothing back, even texts shown differently (CR LF, fonts).
    void showingPagesLeavesProjectUnchanged() {
        Fixture f;
        f.Doc().m_strFont = "Comic Sans";
        f.Doc().m_strComments = "one\r\ntwo";
        f.Doc().m_strHeader = "head\r\n";
        f.Doc().m_clrBodyText = 0x010203;
        const CDesignSettings before = f.document.Design();
        f.Show(kGeneral);
        f.view.Pages()->setCurrentIndex(kText);
        f.view.Pages()->setCurrentIndex(kColors);
        QVERIFY(before == f.document.Design());
        QVERIFY(!f.Doc().IsModified());
        QCOMPARE(f.document.UndoStack().count(), 0);
        QCOMPARE(f.Find<QLineEdit>("Body Text:", kColors)->text(), QString("#030201"));
    }
};

QTEST_MAIN(tst_DesignStep)
#include "tst_DesignStep.moc"
