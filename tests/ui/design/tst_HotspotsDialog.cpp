#include <QCheckBox>
#include <QPainter>
#include <QPushButton>
#include <QScrollBar>
#include <QTemporaryDir>
#include <QTest>
#include <QToolButton>

#include "model/BuildTreeFolder.h"
#include "support/Patience.h"
#include "ui/design/CHotspotDisplayView.h"
#include "ui/design/CHotspotsDlg.h"
#include "ui/design/HotspotTool.h"
#include "ui/support/RecordingUserDialogs.h"

using foldcraft::CHotspotsDlg;
using foldcraft::HotspotTool;
using foldcraft::IUserDialogs;
using Coords = std::vector<std::int32_t>;

namespace {

const QColor kPictureGrey(128, 128, 128);

// The Hotspots dialog of a folder with two children and one rectangle linked to the
// first; its picture is a grey one of the given size, or (no size) the path given.
struct Fixture {
    QTemporaryDir dir;
    foldcraft::test::RecordingUserDialogs dialogs;
    CBuildTreeFolder folder{"Harbour", "", ""};
    QString picture;
    std::unique_ptr<CHotspotsDlg> dialog;

    explicit Fixture(QSize size = {300, 200}, const QString& path = {}, int hotspotFolder = 1)
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
    QToolButton* Tool(const QString& name) {
        for (auto* button : dialog->findChildren<QToolButton*>())
            if (button->accessibleName() == name) return button;
        return nullptr;
    }
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
        if (op == 'T')
            tool.ToggleTool(step[1] == 'r'   ? Tool::kRectangle
                            : step[1] == 'c' ? Tool::kCircle
                                             : Tool::kPolygon);
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

class tst_HotspotsDialog : public QObject {
    Q_OBJECT
private slots:
    // A script and its outcome on a 300 x 200 picture ("no picture": none): the areas,
    // the tool left on (r, c, p, -), the selected area and which areas are orange.
    void script_data() {
        QTest::addColumn<QString>("script");
        QTest::addColumn<QString>("outcome");
        const char* rows[][3] = {
            {"rectangle up and left", "Tr P50,60 M20,100 R20,100", "R20,60,50,100 r 0 1"},
            {"circle: a square toward the pointer", "Tc P50,60 M80,70 R80,70",
             "C50,60,60,70 c 0 1"},
            {"circle up and left", "Tc P50,60 R20,50", "C40,50,50,60 c 0 1"},
            {"held at the right and bottom", "Tr P250,150 M400,300 R400,300",
             "R250,150,300,200 r 0 1"},
            {"not held at the left and top", "Tr P50,50 M-20,-30 R-20,-30", "R-20,-30,50,50 r 0 1"},
            {"press beside the picture", "Tr P310,50 R100,100", "r -1"},
            {"click without moving ends the tool", "Tr P50,60 R50,60", "- -1"},
            {"release on the anchor's column", "Tr P50,60 M80,90 R50,90", "- -1"},
            {"the tool stays on", "Tr P1,1 R5,5 P10,10 R20,20", "R1,1,5,5 R10,10,20,20 r 1 11"},
            {"triangle", "Tp R10,10 R50,10 R30,40 X", "P10,10,50,10,30,40 - 0 1"},
            {"two corners leave nothing", "Tp R10,10 R50,10 X", "- -1"},
            {"another tool ends a polygon", "Tp R10,10 R50,10 R30,40 R5,5 Tr",
             "P10,10,50,10,30,40,5,5 r 0 1"},
            {"corners beside the picture", "Tp R10,10 R300,10 R30,40 R40,60 X",
             "P10,10,30,40,40,60 - 0 1"},
            {"pressing the active tool turns it off", "Tr Tr", "- -1"},
            {"the later shape of an overlap", "Tr P10,10 R50,50 P30,30 R80,80 Tr P40,40 R40,40",
             "R10,10,50,50 R30,30,80,80 - 1 11"},
            {"a press beside every shape", "Tr P10,10 R50,50 Tr P100,100 R100,100",
             "R10,10,50,50 - 0 1"},
            {"relinking",
             "Tr P0,0 R10,10 P20,20 R30,30 P40,40 R50,50 P0,0 R0,0 L1 P25,25 R25,25 L1",
             "R0,0,10,10 R20,20,30,30 R40,40,50,50 - 1 011"},
            {"dragging with no tool", "Tr P10,10 R50,50 Tr P20,20 M25,23 M30,30 R30,30 N-1,0",
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

    // Selecting a shape makes the first entry that begins with its link current
    // (ignoring case); the status text names the shape, its coordinates and link.
    void selectFollowsLinkAndStatus() {
        HotspotTool tool;
        tool.SetPictureSize(100, 100);
        tool.SetLinks({"Harbour (Folder 1)", "notes (Folder 2)"});
        CHotspotArea area;
        area.SetRect(10, 10, 20, 20);
        area.m_strLink = "NOTES";
        tool.SetAreas({area});
        tool.Press(15, 15);
        tool.Release(15, 15);
        QCOMPARE(tool.CurrentLink(), 1);
        QCOMPARE(tool.StatusText(), std::string("Rectangle 10, 10, 20, 20 - NOTES"));
    }

    // Mouse events on the pane are taken in picture pixels (the scroll offset
    // added); the new rectangle is drawn with a 3-pixel blue outline and orange
    // hatching over the picture, the older one too (same link) with a black outline.
    void drawRectangleWithTheMouse() {
        Fixture f(QSize(900, 700));
        f.dialog->resize(600, 500);
        f.dialog->show();
        QVERIFY(QTest::qWaitForWindowExposed(f.dialog.get(), foldcraft::test::kPatienceMs));
        f.Tool("Rectangle")->toggle();  // as assistive technology does
        auto* viewport = f.dialog->Pane().viewport();
        f.dialog->Pane().horizontalScrollBar()->setValue(100);
        QTest::mousePress(viewport, Qt::LeftButton, {}, QPoint(50, 60));
        QTest::mouseMove(viewport, QPoint(20, 100));
        QTest::mouseRelease(viewport, Qt::LeftButton, {}, QPoint(20, 100));
        const auto result = f.dialog->Result();
        QCOMPARE(result.areas.size(), size_t(2));
        QCOMPARE(result.areas[1].m_arrCoords, (Coords{120, 60, 150, 100}));
        QCOMPARE(result.areas[1].m_strLink, std::string("Boats (Folder 1)"));
        f.dialog->Pane().horizontalScrollBar()->setValue(0);
        const QImage pane = f.RenderPane();
        for (int x : {120, 121, 122}) QCOMPARE(pane.pixel(x, 80), QColor(Qt::blue).rgb());
        QCOMPARE(pane.pixel(10, 25), QColor(Qt::black).rgb());
        QCOMPARE(pane.pixel(300, 300), kPictureGrey.rgb());
        int orange = 0, green = 0;
        for (int y = 11; y < 96; ++y)
            for (int x = 11; x < 146; ++x) {
                orange += pane.pixelColor(x, y) == QColor(255, 153, 0);
                green += pane.pixelColor(x, y) == QColor(0, 255, 0);
            }
        QVERIFY(orange > 100);
        QCOMPARE(green, 0);
    }

    // Polygon corners are clicked, a right-click ends the polygon, and the arrow
    // keys then nudge the selected shape.
    void polygonWithTheMouseAndKeys() {
        Fixture f;
        f.dialog->show();
        QVERIFY(QTest::qWaitForWindowExposed(f.dialog.get(), foldcraft::test::kPatienceMs));
        f.Tool("Polygon")->click();
        auto* viewport = f.dialog->Pane().viewport();
        for (QPoint corner : {QPoint(100, 20), QPoint(150, 80), QPoint(60, 90)})
            QTest::mouseClick(viewport, Qt::LeftButton, {}, corner);
        QTest::mouseClick(viewport, Qt::RightButton, {}, QPoint(5, 5));
        QVERIFY(!f.Tool("Polygon")->isChecked());
        QTest::keyClick(&f.dialog->Pane(), Qt::Key_Right);
        const auto areas = f.dialog->Result().areas;
        QCOMPARE(areas.size(), size_t(2));
        QCOMPARE(areas[1].m_arrCoords, (Coords{101, 20, 151, 80, 61, 90}));
    }

    // A picture whose file is gone: the pane is white with a black border and OK
    // stores an empty path. A folder that is not a hotspot folder keeps its areas.
    void missingPictureAndPlainFolder() {
        Fixture missing(QSize(), "/nonexistent/map.gif");
        missing.dialog->resize(555, 400);
        QVERIFY(!missing.dialog->Pane().HasPicture());
        const QImage pane = missing.RenderPane();
        QCOMPARE(pane.pixel(0, 0), QColor(Qt::black).rgb());
        QCOMPARE(pane.pixel(5, 5), QColor(Qt::white).rgb());
        QCOMPARE(missing.dialog->Result().image, std::string());
        QCOMPARE(missing.dialog->Result().areas.size(), size_t(1));
        Fixture plain(QSize(), "", 0);
        QVERIFY(!plain.Tool("Rectangle")->isEnabled());
        const auto result = plain.dialog->Result();
        QCOMPARE(result.hotspotFolder, 0);
        QCOMPARE(result.areas.size(), size_t(1));
        QCOMPARE(result.areas[0].m_arrCoords, (Coords{10, 10, 40, 40}));
    }

    void clearingTheCheckBox_data() {
        QTest::addColumn<int>("answer");
        QTest::addColumn<int>("flag");
        QTest::addColumn<bool>("keeps");  // the picture and the areas
        QTest::newRow("No keeps everything") << int(IUserDialogs::Answer::kNo) << 1 << true;
        QTest::newRow("Yes erases") << int(IUserDialogs::Answer::kYes) << 0 << false;
    }
    void clearingTheCheckBox() {
        QFETCH(int, answer);
        QFETCH(bool, keeps);
        Fixture f;
        f.dialogs.answers.push_back(IUserDialogs::Answer(answer));
        f.dialog->findChild<QCheckBox*>()->toggle();
        QCOMPARE(f.dialogs.Messages(),
                 QStringList{"This will erase all hotspots for this folder. Continue?"});
        const auto result = f.dialog->Result();
        QTEST(result.hotspotFolder, "flag");
        QCOMPARE(result.image, keeps ? f.picture.toStdString() : std::string());
        QCOMPARE(result.areas.size(), size_t(keeps ? 1 : 0));
        QCOMPARE(f.dialog->Pane().HasPicture(), keeps);
        QCOMPARE(f.Tool("Rectangle")->isEnabled(), keeps);
    }

    // A cancelled Browse reads the picture again and empties the working list.
    void cancelledBrowseReloads() {
        Fixture f;
        for (auto* button : f.dialog->findChildren<QPushButton*>())
            if (button->text() == "Browse...") button->click();
        QCOMPARE(f.dialogs.calls.size(), size_t(1));
        QVERIFY(f.dialog->Pane().HasPicture());
        QCOMPARE(f.dialog->Result().image, f.picture.toStdString());
        QVERIFY(f.dialog->Result().areas.empty());
    }

    // The dialog's size for a picture (invalid: unchanged), held inside the screen.
    void sizeForPicture() {
        const std::pair<QSize, QSize> rows[] = {
            {QSize(0, 0), QSize(555, 400)},     {QSize(555, 400), QSize()},
            {QSize(600, 500), QSize(629, 680)}, {QSize(600, 100), QSize(629, 400)},
            {QSize(100, 500), QSize(555, 680)}, {QSize(1300, 900), QSize(1265, 970)}};
        for (const auto& [picture, expected] : rows)
            QCOMPARE(CHotspotsDlg::SizeForPicture(picture, QSize(1280, 1000)).value_or(QSize()),
                     expected);
    }
};

QTEST_MAIN(tst_HotspotsDialog)
#include "tst_HotspotsDialog.moc"
