#include <QAbstractButton>
#include <QComboBox>
#include <QLineEdit>
#include <QPainter>
#include <QPlainTextEdit>
#include <QTabWidget>
#include <QTest>
#include <functional>

#include "app/AppServices.h"
#include "app/ProjectDocument.h"
#include "model/MemorySettingsStore.h"
#include "ui/design/CClrButton.h"
#include "ui/design/CDesignColorPage.h"
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
    // Each control writes its field at once and marks the project modified.
    void writeThrough() {
        struct Row {
            const char* name;
            Page page;
            std::function<void(Fixture&)> act;
            std::function<bool(CFoldcraftDoc&)> check;
        };
        const Row rows[] = {
            {"title", kText,
             [](Fixture& f) { QTest::keyClicks(f.Find<QLineEdit>("Title:", kText), "!"); },
             [](CFoldcraftDoc& d) { return d.m_strTitle == "My Title!"; }},
            {"typed font", kText,
             [](Fixture& f) {
                 auto* font = f.Find<QComboBox>("Font:", kText);
                 font->lineEdit()->clear();
                 QTest::keyClicks(font, "Comic Sans");
             },
             [](CFoldcraftDoc& d) { return d.m_strFont == "Comic Sans"; }},
            {"chosen font", kText,
             [](Fixture& f) { f.Find<QComboBox>("Font:", kText)->setCurrentIndex(1); },
             [](CFoldcraftDoc& d) { return d.m_strFont == "Courier New, Courier, mono"; }},
            {"header", kText,
             [](Fixture& f) {
                 f.dialogs.texts.push_back(QString("Welcome"));
                 for (auto* edit : f.view.Pages()->widget(kText)->findChildren<QAbstractButton*>())
                     if (edit->accessibleDescription() == "Edit Header") edit->click();
                 QCOMPARE(f.dialogs.calls.at(0).text, QString("Edit Header"));
             },
             [](CFoldcraftDoc& d) { return d.m_strHeader == "Welcome"; }},
            {"width 0048", kGeneral,
             [](Fixture& f) {
                 f.Doc().m_nThumbWidth = 10;
                 f.view.GeneralPage()->Fill(true);
                 auto* width = f.Find<QLineEdit>("Width", kGeneral);
                 width->clear();
                 QTest::keyClicks(width, "0x048");
                 QCOMPARE(width->text(), QString("0048"));
             },
             [](CFoldcraftDoc& d) { return d.m_nThumbWidth == 48; }},
            {"height cleared", kGeneral,
             [](Fixture& f) {
                 auto* height = f.Find<QLineEdit>("Height", kGeneral);
                 height->selectAll();
                 QTest::keyClick(height, Qt::Key_Backspace);
             },
             [](CFoldcraftDoc& d) { return d.m_nThumbHeight == 0; }},
            {"text set by assistive technology", kGeneral,
             [](Fixture& f) {
                 f.Find<QLineEdit>("Background Image:", kGeneral)->setText("/pics/sea.gif");
             },
             [](CFoldcraftDoc& d) { return d.m_strBackgroundImage == "/pics/sea.gif"; }},
            {"check box", kGeneral,
             [](Fixture& f) { f.Find<QAbstractButton>("Show File Date", kGeneral)->toggle(); },
             [](CFoldcraftDoc& d) { return d.m_bShowFileDate == 1; }},
            {"radio", kGeneral,
             [](Fixture& f) { f.Find<QAbstractButton>("Bottom", kGeneral)->toggle(); },
             [](CFoldcraftDoc& d) { return d.m_nNavBarPosition == 1; }},
            {"colour", kColors,
             [](Fixture& f) {
                 f.dialogs.colors.push_back(QColor(5, 5, 5));
                 f.Find<CClrButton>("Link:", kColors)->click();
                 QCOMPARE(f.Find<QLineEdit>("Link:", kColors)->text(), QString("#050505"));
             },
             [](CFoldcraftDoc& d) { return d.m_clrLink == 0x050505; }},
        };
        for (const Row& row : rows) {
            Fixture f;
            f.Show(row.page);
            row.act(f);
            QVERIFY2(row.check(f.Doc()), row.name);
            QVERIFY2(f.Doc().IsModified(), row.name);
        }
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

    // A cancelled colour chooser changes nothing, not even the modified flag.
    void cancelledColourChooser() {
        Fixture f;
        f.Show(kColors);
        auto* swatch = f.Find<CClrButton>("Body Text:", kColors);
        swatch->click();
        QCOMPARE(f.dialogs.calls.size(), size_t(1));
        QVERIFY(!f.Doc().IsModified());
        QCOMPARE(f.Doc().m_clrBodyText, 0u);
        QCOMPARE(swatch->FaceColour(), QColor(Qt::black));
        QCOMPARE(f.Find<QLineEdit>("Body Text:", kColors)->text(), QString("#000000"));
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

    // Typing is one undo step; undoing it shows the old title and clears the flag.
    void typingUndoesAsOneStep() {
        Fixture f;
        f.Show(kText);
        auto* title = f.Find<QLineEdit>("Title:", kText);
        QTest::keyClicks(title, "abc");
        QCOMPARE(f.document.UndoStack().count(), 1);
        f.document.UndoStack().undo();
        QCOMPARE(f.Doc().m_strTitle, std::string("My Title"));
        QCOMPARE(title->text(), QString("My Title"));
        QVERIFY(!f.Doc().IsModified());
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
        {
            QPainter painter(&image);
            CDesignColorView::Paint(painter, image.rect(), s);
        }
        auto rgb = [](std::uint32_t c) {
            return qRgb(c & 0xFF, (c >> 8) & 0xFF, (c >> 16) & 0xFF);
        };
        const struct {
            int x, y;
            std::uint32_t colour;
        } points[] = {{0, 0, 0},
                      {299, 50, 0},
                      {5, 50, s.bodyBackground},
                      {20, 26, s.bodyBackground},
                      {20, 27, s.folderBackground},
                      {279, 46, s.folderBackground},
                      {280, 46, s.bodyBackground},
                      {20, 47, s.bodyBackground},
                      {21, 57, s.documentBackground},
                      {21, 79, s.bodyBackground},
                      {21, 82, s.documentBackground},
                      {21, 101, s.documentBackground},
                      {21, 102, s.bodyBackground}};
        for (const auto& p : points) QCOMPARE(image.pixel(p.x, p.y), rgb(p.colour));
        auto count = [&](QRect band, std::uint32_t colour) {
            int n = 0;
            for (int y = band.top(); y <= band.bottom(); ++y)
                for (int x = band.left(); x <= band.right(); ++x)
                    n += image.pixel(x, y) == rgb(colour);
            return n;
        };
        QVERIFY(count(QRect(1, 2, 298, 15), s.bodyText) > 10);
        QVERIFY(count(QRect(20, 27, 260, 20), s.folderText) > 10);
        QVERIFY(count(QRect(20, 57, 260, 20), s.link) > 10);
        QVERIFY(count(QRect(20, 82, 260, 20), s.visitedLink) > 10);
    }
};

QTEST_MAIN(tst_DesignPages)
#include "tst_DesignPages.moc"
