#include <QAbstractButton>
#include <QButtonGroup>
#include <QComboBox>
#include <QLineEdit>
#include <QPainter>
#include <QSpinBox>
#include <QTabWidget>
#include <QTest>

#include "app/AppServices.h"
#include "app/ProjectDocument.h"
#include "model/MemorySettingsStore.h"
#include "ui/design/CButtonStyleDlg.h"
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

    // Set Defaults asks first (Cancel changes nothing), then resets its own page's
    // fields only, never the publish settings.
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
            doc.m_strPublishPath = "/srv/site";
            f.Show(page);
            auto* button = f.Find<QAbstractButton>("Set Defaults", page);
            f.dialogs.answers = {IUserDialogs::Answer::kCancel, IUserDialogs::Answer::kOk};
            button->click();
            QVERIFY(!doc.IsModified());
            button->click();
            QCOMPARE(f.dialogs.Messages(), QStringList(2, questions[page]));
            QVERIFY(doc.IsModified());
            QCOMPARE(doc.m_nThumbWidth, page == kGeneral ? 48 : 10);
            QCOMPARE(doc.m_strHeader.empty(), page == kText);
            QCOMPARE(doc.m_strFooter.empty(), page == kText);
            QCOMPARE(doc.m_clrLink, page == kColors ? 0xFF0000u : 0x123456u);
            QCOMPARE(doc.m_nPublishMethod, CFoldcraftDoc::kPublishFtp);
            QCOMPARE(doc.m_strPublishPath, std::string("/srv/site"));
            if (page == kGeneral)
                QCOMPARE(f.Find<QLineEdit>("Width", kGeneral)->text(), QString("48"));
        }
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

    // Steps: "F+" / "f-" steps the Folders / Files spin up or down, "F2" / "f0" chooses
    // a radio button of that group. The outcome: folder style, file style, graphics,
    // then the graphics shown and the Folders style checked. Stored numbers outside
    // the choices are kept.
    void buttonStyles() {
        const std::tuple<ButtonStyleSettings, QString, QString> rows[] = {
            {{}, "", "0 0 0 0 0 0 0"},
            {{1, 2, 6, 4}, "F+", "3 2 0 4 0 4 3"},  // wraps to 0, choosing Graphic:
            {{}, "f-", "0 3 0 6 0 6 0"},
            {{}, "F+ F+ F2", "2 0 2 0 2 0 2"},  // Text only keeps the number
            {{3, 0, 9, -1}, "", "3 0 9 -1 0 0 3"},
            {{7, 1, 2, 2}, "", "7 1 2 2 2 2 -1"}};
        for (const auto& [stored, steps, expected] : rows) {
            CButtonStyleDlg dialog(nullptr, stored);
            for (const QString& step : steps.split(' ', Qt::SkipEmptyParts)) {
                const auto group =
                    step[0] == 'F' ? CButtonStyleDlg::kFolders : CButtonStyleDlg::kFiles;
                if (step[1] == '+') dialog.Spin(group)->stepUp();
                if (step[1] == '-') dialog.Spin(group)->stepDown();
                if (step[1].isDigit()) dialog.Styles(group)->button(step.mid(1).toInt())->click();
            }
            const ButtonStyleSettings s = dialog.Result();
            QStringList outcome;
            for (int value : {s.folderStyle, s.fileStyle, s.folderGraphic, s.fileGraphic,
                              dialog.ShownGraphic(CButtonStyleDlg::kFolders),
                              dialog.ShownGraphic(CButtonStyleDlg::kFiles),
                              dialog.Styles(CButtonStyleDlg::kFolders)->checkedId()})
                outcome << QString::number(value);
            QCOMPARE(outcome.join(' '), expected);
        }
    }

    // The colour button in its four states, at chosen pixels: the raised and sunken
    // frames in the palette's colours, the black ring and dotted focus rectangle,
    // the face in its colour, or the button colour when disabled.
    void colourButtonStates() {
        CClrButton button(QStringLiteral("Ab"));
        button.SetColours(Qt::red, QColor(0, 0, 200));
        auto paint = [&](CClrButton::State state) {
            QImage image(60, 24, QImage::Format_RGB32);
            QPainter painter(&image);
            button.Paint(painter, image.rect(), state);
            return image;
        };
        const QImage normal = paint({}), pressed = paint({false, true, false, false}),
                     focused = paint({false, false, true, false}),
                     disabled = paint({true, false, false, false});
        using enum QPalette::ColorRole;
        auto c = [&](QPalette::ColorRole role) { return button.palette().color(role); };
        const std::tuple<const QImage&, int, int, QColor> pixels[] = {
            {normal, 0, 12, c(Light)},         {normal, 1, 12, c(Midlight)},
            {normal, 59, 12, c(Shadow)},       {normal, 58, 12, c(Dark)},
            {normal, 3, 3, QColor(0, 0, 200)}, {pressed, 0, 12, c(Shadow)},
            {pressed, 1, 12, c(Dark)},         {pressed, 59, 12, c(Shadow)},
            {focused, 0, 12, Qt::black},       {focused, 1, 12, c(Light)},
            {disabled, 3, 3, c(Button)}};
        for (const auto& [image, x, y, colour] : pixels) QCOMPARE(image.pixel(x, y), colour.rgb());
        // Every other pixel of the focus ring (4 pixels in) is inverted.
        QVERIFY(focused.pixelColor(4, 5) != focused.pixelColor(4, 6));
    }
};

QTEST_MAIN(tst_DesignPages)
#include "tst_DesignPages.moc"
