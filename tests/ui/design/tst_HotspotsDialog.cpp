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
#include "ui/support/RecordingUserDialogs.h"

using foldcraft::CHotspotsDlg;
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

}  // namespace

class tst_HotspotsDialog : public QObject {
    Q_OBJECT
private slots:
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
