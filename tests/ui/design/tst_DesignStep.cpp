#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QPainter>
#include <QScrollBar>
#include <QSpinBox>
#include <QTest>
#include <QToolButton>

#include "document/ProjectDocument.h"
#include "model/MemorySettingsStore.h"
#include "support/Patience.h"
#include "ui/build/CButtonStyleDlg.h"
#include "ui/build/CHotspotDisplayView.h"
#include "ui/build/CHotspotsDlg.h"
#include "ui/common/AppServices.h"
#include "ui/design/CClrButton.h"
#include "ui/design/CDesignColorView.h"
#include "ui/design/CDesignGeneralPage.h"
#include "ui/design/CDesignView.h"
#include "ui/support/RecordingUserDialogs.h"

using namespace foldcraft;
using foldcraft::test::RecordingUserDialogs;
using Coords = std::vector<std::int32_t>;

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

const QColor kPictureGrey(128, 128, 128);

// The Hotspots dialog of a folder with two children, a rectangle linked to the first
// and a grey picture of the given size (no size: the path given).
struct HotspotsFixture {
    QTemporaryDir dir;
    foldcraft::test::RecordingUserDialogs dialogs;
    CBuildTreeFolder folder{"Harbour", "", ""};
    QString picture;
    std::unique_ptr<CHotspotsDlg> dialog;

    explicit HotspotsFixture(QSize size = {300, 200}, const QString& path = {},
                             int hotspotFolder = 1)
        : picture(path) {
        if (size.isValid()) {
            QImage image(size, QImage::Format_RGB32);
            image.fill(kPictureGrey);
            picture = dir.filePath("map.png");
            image.save(picture);
        }
        folder.AddFolder(std::make_unique<CBuildTreeFolder>("Boats", "", ""));
        folder.AddDoc(std::make_unique<CBuildTreeDoc>("Map", "/docs/map.txt", ""));
        folder.m_bHotspotFolder = hotspotFolder;
        folder.m_strHotspotImage = picture.toStdString();
        auto area = std::make_unique<CHotspotArea>();
        area->SetRect(10, 10, 40, 40);
        area->m_strLink = "Boats (Folder 1)";
        folder.AddHotspot(std::move(area));
        dialog = std::make_unique<CHotspotsDlg>(nullptr, dialogs, folder);
    }
    QToolButton* Tool(const QString& name) { return Named<QToolButton>(dialog.get(), name); }
    QImage RenderPane() {
        QImage image(dialog->Pane().viewport()->size(), QImage::Format_RGB32);
        QPainter painter(&image);
        dialog->Pane().Paint(painter);
        return image;
    }
};

// Runs a script of steps such as "Tr P50,60 M20,100 R20,100": T tool (r, c, p),
// P press, M move, R release, X right-press, L choose link, N nudge, D delete.
void Run(HotspotTool& tool, const QString& script) {
    using Tool = HotspotTool::Tool;
    for (const QString& step : script.split(' ', Qt::SkipEmptyParts)) {
        const QStringList args = step.mid(1).split(',');
        const int a = args.value(0).toInt(), b = args.value(1).toInt();
        const char op = step[0].toLatin1();
        if (op == 'T') tool.ToggleTool(Tool(QString("-rcp").indexOf(step[1])));
        if (op == 'P') tool.Press(a, b);
        if (op == 'M') tool.Move(a, b);
        if (op == 'R') tool.Release(a, b);
        if (op == 'X') tool.RightPress();
        if (op == 'L') tool.ChooseLink(a);
        if (op == 'N') tool.Nudge(a, b);
        if (op == 'D') tool.DeleteSelected();
    }
}

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
        auto* height = f.Find<QLineEdit>("Height", kGeneral);
        height->selectAll();
        QTest::keyClick(height, Qt::Key_Backspace);
        QVERIFY(wrote(f.Doc().m_nThumbHeight == 0));
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

    // Steps: "F+" / "f-" steps the Folders / Files spin, "F2" / "f0" picks a style; the
    // outcome: styles, graphics, graphics shown, Folders style checked. Odd values stay.
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

    // A script and its outcome on a 300 x 200 picture ("no picture": none): the areas,
    // the tool left on (r, c, p, -), the selected area and which areas are orange.
    void script_data() {
        QTest::addColumn<QString>("script");
        QTest::addColumn<QString>("outcome");
        const char* rows[][3] = {
            {"rectangle up and left", "Tr P50,60 M20,100 R20,100", "R20,60,50,100 r 0 1"},
            {"circle: a square", "Tc P50,60 M80,70 R80,70", "C50,60,60,70 c 0 1"},
            {"circle up and left", "Tc P50,60 R20,50", "C40,50,50,60 c 0 1"},
            {"held right, bottom", "Tr P250,150 M400,300 R400,300", "R250,150,300,200 r 0 1"},
            {"free left, top", "Tr P50,50 M-20,-30 R-20,-30", "R-20,-30,50,50 r 0 1"},
            {"press beside the picture", "Tr P310,50 R100,100", "r -1"},
            {"click without moving ends the tool", "Tr P50,60 R50,60", "- -1"},
            {"release on the anchor's column", "Tr P50,60 M80,90 R50,90", "- -1"},
            {"the tool stays on", "Tr P1,1 R5,5 P10,10 R20,20", "R1,1,5,5 R10,10,20,20 r 1 11"},
            {"triangle", "Tp R10,10 R50,10 R30,40 X", "P10,10,50,10,30,40 - 0 1"},
            {"two corners leave nothing", "Tp R10,10 R50,10 X", "- -1"},
            {"tool ends polygon", "Tp R10,10 R50,10 R30,40 R5,5 Tr",
             "P10,10,50,10,30,40,5,5 r 0 1"},
            {"corners off picture", "Tp R10,10 R300,10 R30,40 R40,60 X",
             "P10,10,30,40,40,60 - 0 1"},
            {"pressing the active tool turns it off", "Tr Tr", "- -1"},
            {"later overlap wins", "Tr P10,10 R50,50 P30,30 R80,80 Tr P40,40 R40,40",
             "R10,10,50,50 R30,30,80,80 - 1 11"},
            {"press beside shapes", "Tr P10,10 R50,50 Tr P100,100 R100,100", "R10,10,50,50 - 0 1"},
            {"relinking",
             "Tr P0,0 R10,10 P20,20 R30,30 P40,40 R50,50 P0,0 R0,0 L1 P25,25 R25,25 L1",
             "R0,0,10,10 R20,20,30,30 R40,40,50,50 - 1 011"},
            {"drag, no tool", "Tr P10,10 R50,50 Tr P20,20 M25,23 M30,30 R30,30 N-1,0",
             "R19,20,59,60 - 0 1"},
            {"no nudge with a tool on", "Tr P10,10 R50,50 N5,5", "R10,10,50,50 r 0 1"},
            {"delete", "Tr P10,10 R50,50 P60,60 R70,70 D", "R10,10,50,50 - -1 1"},
            {"no picture", "Tr P0,0 R10,10 Tp R1,1", "- -1"},
        };
        for (const auto& row : rows) QTest::newRow(row[0]) << QString(row[1]) << QString(row[2]);
    }
    void script() {
        QFETCH(QString, script);
        HotspotTool tool;
        if (QTest::currentDataTag() != QByteArray("no picture")) tool.SetPictureSize(300, 200);
        tool.SetLinks({"Harbour (Folder 1)", "Notes (Folder 2)", "Welcome (/docs/Welcome.txt)"});
        Run(tool, script);
        QStringList outcome;
        for (const auto& area : tool.Areas()) {
            QStringList values;
            for (auto value : area.m_arrCoords) values << QString::number(value);
            outcome << QString("RCP").mid(area.m_nShape, 1) + values.join(',');
        }
        QString orange;
        for (const auto& area : tool.Areas()) orange += tool.IsCurrentLink(area) ? '1' : '0';
        outcome << QString("-rcp").mid(int(tool.ActiveTool()), 1)
                << QString::number(tool.Selected()) << orange;
        QTEST(outcome.join(' ').trimmed(), "outcome");
    }

    // Pane events are in picture pixels (scroll added): corners clicked, a right-click
    // ends the polygon, an arrow nudges it; selected: blue, current link: hatched orange.
    void polygonWithTheMouseAndKeys() {
        HotspotsFixture f(QSize(900, 700));
        f.dialog->resize(600, 500);
        f.dialog->show();
        QVERIFY(QTest::qWaitForWindowExposed(f.dialog.get(), foldcraft::test::kPatienceMs));
        auto* viewport = f.dialog->Pane().viewport();
        f.dialog->Pane().horizontalScrollBar()->setValue(100);
        f.Tool("Polygon")->toggle();  // as assistive technology does
        for (QPoint corner : {QPoint(20, 20), QPoint(150, 20), QPoint(20, 150)})
            QTest::mouseClick(viewport, Qt::LeftButton, {}, corner);
        QTest::mouseClick(viewport, Qt::RightButton, {}, QPoint(5, 5));
        QVERIFY(!f.Tool("Polygon")->isChecked());
        QTest::keyClick(&f.dialog->Pane(), Qt::Key_Right);
        const auto areas = f.dialog->Result().areas;
        QCOMPARE(areas.size(), size_t(2));
        QCOMPARE(areas[1].m_arrCoords, (Coords{121, 20, 251, 20, 121, 150}));
        QCOMPARE(areas[1].m_strLink, std::string("Boats (Folder 1)"));
        f.dialog->Pane().horizontalScrollBar()->setValue(0);
        const QImage pane = f.RenderPane();
        QCOMPARE(pane.pixel(121, 80), QColor(Qt::blue).rgb());
        QCOMPARE(pane.pixel(10, 25), QColor(Qt::black).rgb());
        bool hatched = false;
        for (int x = 11; x < 40; ++x) hatched |= pane.pixelColor(x, 20) == QColor(255, 153, 0);
        QVERIFY(hatched);
    }

    // A missing picture: a white pane, an empty path. A plain folder keeps its areas.
    void missingPictureAndPlainFolder() {
        HotspotsFixture missing(QSize(), "/nonexistent/map.gif");
        missing.dialog->resize(555, 400);
        QVERIFY(!missing.dialog->Pane().HasPicture());
        const QImage pane = missing.RenderPane();
        QCOMPARE(pane.pixel(0, 0), QColor(Qt::black).rgb());
        QCOMPARE(pane.pixel(5, 5), QColor(Qt::white).rgb());
        QCOMPARE(missing.dialog->Result().image, std::string());
        QCOMPARE(missing.dialog->Result().areas.size(), size_t(1));
        HotspotsFixture plain(QSize(), "", 0);
        QVERIFY(!plain.Tool("Rectangle")->isEnabled());
        QCOMPARE(plain.dialog->Result().hotspotFolder, 0);
        QCOMPARE(plain.dialog->Result().areas.at(0).m_arrCoords, (Coords{10, 10, 40, 40}));
    }

    // Clearing the check box asks: No keeps everything, Yes erases picture and areas.
    void clearingTheCheckBox() {
        for (bool yes : {false, true}) {
            HotspotsFixture f;
            f.dialogs.answers.push_back(yes ? IUserDialogs::Answer::kYes
                                            : IUserDialogs::Answer::kNo);
            f.dialog->findChild<QCheckBox*>()->toggle();
            QCOMPARE(f.dialogs.Messages(),
                     QStringList{"This will erase all hotspots for this folder. Continue?"});
            const auto result = f.dialog->Result();
            QCOMPARE(result.hotspotFolder, yes ? 0 : 1);
            QCOMPARE(result.image, yes ? std::string() : f.picture.toStdString());
            QCOMPARE(result.areas.size(), size_t(yes ? 0 : 1));
            QCOMPARE(f.dialog->Pane().HasPicture(), !yes);
            QCOMPARE(f.Tool("Rectangle")->isEnabled(), !yes);
        }
    }
};

QTEST_MAIN(tst_DesignStep)
#include "tst_DesignStep.moc"
