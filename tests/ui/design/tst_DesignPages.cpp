#include <QAbstractButton>
#include <QComboBox>
#include <QLineEdit>
#include <QPainter>
#include <QTabWidget>
#include <QTest>

#include "app/AppServices.h"
#include "app/ProjectDocument.h"
#include "model/MemorySettingsStore.h"
#include "ui/design/CClrButton.h"
#include "ui/design/CDesignColorView.h"
#include "ui/design/CDesignGeneralPage.h"
#include "ui/design/CDesignView.h"
#include "ui/design/DesignSettings.h"
#include "ui/support/RecordingUserDialogs.h"

using namespace foldcraft;
using foldcraft::test::RecordingUserDialogs;

namespace {

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
        for (T* widget : view.Pages()->widget(page)->findChildren<T*>()) {
            const auto* button = qobject_cast<const QAbstractButton*>(widget);
            if (widget->accessibleName() == name || (button && button->text() == name))
                return widget;
        }
        qFatal("no control %s", qPrintable(name));
    }
    void Show(int page) {
        view.Pages()->setCurrentIndex(page);
        view.show();
    }
};

enum Page { kGeneral = 0, kText = 1, kColors = 2 };

}  // namespace

class tst_DesignPages : public QObject {
    Q_OBJECT
private slots:
    // Each control writes its field at once and marks the project modified; a
    // cancelled colour chooser changes nothing, not even the modified flag.
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
        auto* font = f.Find<QComboBox>("Font:", kText);
        font->lineEdit()->clear();
        QTest::keyClicks(font, "Comic Sans");
        QVERIFY(wrote(f.Doc().m_strFont == "Comic Sans"));
        font->setCurrentIndex(1);
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
        auto* height = f.Find<QLineEdit>("Height", kGeneral);
        height->selectAll();
        QTest::keyClick(height, Qt::Key_Backspace);
        QVERIFY(wrote(f.Doc().m_nThumbHeight == 0));
        // As assistive technology sets a text.
        f.Find<QLineEdit>("Background Image:", kGeneral)->setText("/pics/sea.gif");
        QVERIFY(wrote(f.Doc().m_strBackgroundImage == "/pics/sea.gif"));
        f.Find<QAbstractButton>("Show File Date", kGeneral)->toggle();
        QVERIFY(wrote(f.Doc().m_bShowFileDate == 1));
        f.Find<QAbstractButton>("Bottom", kGeneral)->toggle();
        QVERIFY(wrote(f.Doc().m_nNavBarPosition == 1));

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

    void setDefaults_data() {
        QTest::addColumn<int>("page");
        QTest::addColumn<QString>("question");
        QTest::newRow("general") << int(kGeneral)
                                 << "Set all general design options to their defaults?";
        QTest::newRow("text") << int(kText) << "Set all text fields to their defaults?";
        QTest::newRow("colors") << int(kColors) << "Set all colors to their defaults?";
    }
    void setDefaults() {
        QFETCH(int, page);
        Fixture f;
        CFoldcraftDoc& doc = f.Doc();
        doc.m_nThumbWidth = 10;
        doc.m_clrLink = 0x123456;
        doc.m_nPublishMethod = CFoldcraftDoc::kPublishFtp;
        doc.m_strPublishPath = "/srv/site";
        f.Show(page);
        auto* button = f.Find<QAbstractButton>("Set Defaults", Page(page));
        f.dialogs.answers = {IUserDialogs::Answer::kCancel, IUserDialogs::Answer::kOk};
        button->click();
        QVERIFY(!doc.IsModified());
        button->click();
        QFETCH(QString, question);
        QCOMPARE(f.dialogs.Messages(), (QStringList{question, question}));
        QVERIFY(doc.IsModified());
        QCOMPARE(doc.m_nThumbWidth, page == kGeneral ? 48 : 10);
        QCOMPARE(doc.m_strHeader.empty(), page == kText);
        QCOMPARE(doc.m_strFooter.empty(), page == kText);
        QCOMPARE(doc.m_clrLink, page == kColors ? 0xFF0000u : 0x123456u);
        QCOMPARE(doc.m_nPublishMethod, CFoldcraftDoc::kPublishFtp);
        QCOMPARE(doc.m_strPublishPath, std::string("/srv/site"));
        if (page == kGeneral) QCOMPARE(f.Find<QLineEdit>("Width", kGeneral)->text(), QString("48"));
    }

    // Showing Text and Colors re-reads the document without writing it, also for
    // texts that the controls would show differently (CR LF, a font not listed).
    void showingPagesLeavesProjectUnchanged() {
        Fixture f;
        f.Doc().m_strFont = "Comic Sans";
        f.Doc().m_strComments = "one\r\ntwo";
        f.Doc().m_strHeader = "head\r\n";
        f.Doc().m_clrBodyText = 0x010203;
        const DesignSettings before = DesignSettings::Read(f.Doc());
        f.Show(kGeneral);
        f.view.Pages()->setCurrentIndex(kText);
        f.view.Pages()->setCurrentIndex(kColors);
        QVERIFY(before == DesignSettings::Read(f.Doc()));
        QVERIFY(!f.Doc().IsModified());
        QCOMPARE(f.document.UndoStack().count(), 0);
        QCOMPARE(f.Find<QComboBox>("Font:", kText)->currentText(), QString("Comic Sans"));
        QCOMPARE(f.Find<QLineEdit>("Body Text:", kColors)->text(), QString("#030201"));
    }

    // The preview at chosen points: outline, bands and gaps, texts in their colours.
    void colourPreview() {
        DesignSettings s;
        s.bodyBackground = 0x0A0B0C;
        s.bodyText = 0x0000F0;
        s.folderBackground = 0x00A000;
        s.folderText = 0xF0F0F0;
        s.documentBackground = 0x00C0C0;
        s.link = 0xF00000;
        s.visitedLink = 0xF000F0;
        QImage image(300, 110, QImage::Format_RGB32);
        QPainter painter(&image);
        CDesignColorView::Paint(painter, image.rect(), s);
        auto rgb = [](std::uint32_t c) { return qRgb(c & 0xFF, (c >> 8) & 0xFF, c >> 16); };
        const std::uint32_t body = s.bodyBackground, folder = s.folderBackground,
                            doc = s.documentBackground;
        const std::tuple<int, int, std::uint32_t> points[] = {
            {0, 0, 0},         {299, 50, 0},    {5, 50, body},  {20, 26, body}, {20, 27, folder},
            {279, 46, folder}, {280, 46, body}, {20, 47, body}, {21, 57, doc},  {21, 79, body},
            {21, 82, doc},     {21, 101, doc},  {21, 102, body}};
        for (const auto& [x, y, colour] : points) QCOMPARE(image.pixel(x, y), rgb(colour));
        const std::pair<QRect, std::uint32_t> texts[] = {{QRect(1, 2, 298, 15), s.bodyText},
                                                         {QRect(20, 27, 260, 20), s.folderText},
                                                         {QRect(20, 57, 260, 20), s.link},
                                                         {QRect(20, 82, 260, 20), s.visitedLink}};
        for (const auto& [band, colour] : texts) {
            int n = 0;
            for (int y = band.top(); y <= band.bottom(); ++y)
                for (int x = band.left(); x <= band.right(); ++x)
                    n += image.pixel(x, y) == rgb(colour);
            QVERIFY(n > 10);
        }
    }
};

QTEST_MAIN(tst_DesignPages)
#include "tst_DesignPages.moc"
