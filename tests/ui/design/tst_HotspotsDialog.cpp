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
using foldcraft::test::RecordingUserDialogs;

namespace {

const QColor kPictureGrey(128, 128, 128);

// A folder with two children and a 300 x 200 grey picture, or none.
std::unique_ptr<CBuildTreeFolder> MakeFolder(const QString& picture, int hotspotFolder = 1) {
    auto folder = std::make_unique<CBuildTreeFolder>("Harbour", "", "");
    folder->AddFolder(std::make_unique<CBuildTreeFolder>("Boats", "", ""));
    folder->AddDoc(std::make_unique<CBuildTreeDoc>("Map", "/docs/map.txt", ""));
    folder->m_bHotspotFolder = hotspotFolder;
    folder->m_strHotspotImage = picture.toStdString();
    auto area = std::make_unique<CHotspotArea>();
    area->SetRect(10, 10, 40, 40);
    area->m_strLink = "Boats (Folder 1)";
    folder->AddHotspot(std::move(area));
    return folder;
}

QString WritePicture(const QTemporaryDir& dir, QSize size = QSize(300, 200)) {
    QImage image(size, QImage::Format_RGB32);
    image.fill(kPictureGrey);
    const QString path = dir.filePath("map.png");
    image.save(path);
    return path;
}

QImage RenderPane(CHotspotsDlg& dialog) {
    QImage image(dialog.Pane().viewport()->size(), QImage::Format_RGB32);
    QPainter painter(&image);
    dialog.Pane().Paint(painter);
    return image;
}

QToolButton* ToolButton(CHotspotsDlg& dialog, const QString& name) {
    for (auto* button : dialog.findChildren<QToolButton*>())
        if (button->accessibleName() == name) return button;
    return nullptr;
}

}  // namespace

class tst_HotspotsDialog : public QObject {
    Q_OBJECT
private slots:
    // Mouse events on the pane are taken in picture pixels (the scroll offset
    // added); the new rectangle is drawn with a 3-pixel blue outline and orange
    // hatching over the picture, the older one green with a black outline.
    void drawRectangleWithTheMouse() {
        QTemporaryDir dir;
        RecordingUserDialogs dialogs;
        auto folder = MakeFolder(WritePicture(dir, QSize(900, 700)));
        CHotspotsDlg dialog(nullptr, dialogs, *folder);
        dialog.resize(600, 500);
        dialog.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dialog, foldcraft::test::kPatienceMs));
        ToolButton(dialog, "Rectangle")->toggle();  // as assistive technology does
        auto* viewport = dialog.Pane().viewport();
        dialog.Pane().horizontalScrollBar()->setValue(100);
        QTest::mousePress(viewport, Qt::LeftButton, {}, QPoint(50, 60));
        QTest::mouseMove(viewport, QPoint(20, 100));
        QTest::mouseRelease(viewport, Qt::LeftButton, {}, QPoint(20, 100));
        const auto result = dialog.Result();
        QCOMPARE(result.areas.size(), size_t(2));
        QCOMPARE(result.areas[1].m_arrCoords, (std::vector<std::int32_t>{120, 60, 150, 100}));
        QCOMPARE(result.areas[1].m_strLink, std::string("Boats (Folder 1)"));

        dialog.Pane().horizontalScrollBar()->setValue(0);
        const QImage pane = RenderPane(dialog);
        for (int x : {120, 121, 122}) QCOMPARE(pane.pixel(x, 80), QColor(QColor(Qt::blue)).rgb());
        QCOMPARE(pane.pixel(10, 25), QColor(QColor(Qt::black)).rgb());
        QCOMPARE(pane.pixel(300, 300), QColor(kPictureGrey).rgb());
        int orange = 0, green = 0;
        for (int y = 11; y < 96; ++y)
            for (int x = 11; x < 146; ++x) {
                const QColor c = pane.pixelColor(x, y);
                if (c == QColor(255, 153, 0)) ++orange;
                if (c == QColor(0, 255, 0)) ++green;
            }
        // Both shapes have the current link: the second selected and both orange.
        QVERIFY(orange > 100);
        QCOMPARE(green, 0);
    }

    // Polygon corners are clicked, a right-click ends the polygon, and the arrow
    // keys then nudge the selected shape.
    void polygonWithTheMouseAndKeys() {
        QTemporaryDir dir;
        RecordingUserDialogs dialogs;
        auto folder = MakeFolder(WritePicture(dir));
        CHotspotsDlg dialog(nullptr, dialogs, *folder);
        dialog.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dialog, foldcraft::test::kPatienceMs));
        ToolButton(dialog, "Polygon")->click();
        auto* viewport = dialog.Pane().viewport();
        for (QPoint corner : {QPoint(100, 20), QPoint(150, 80), QPoint(60, 90)})
            QTest::mouseClick(viewport, Qt::LeftButton, {}, corner);
        QTest::mouseClick(viewport, Qt::RightButton, {}, QPoint(5, 5));
        QVERIFY(!ToolButton(dialog, "Polygon")->isChecked());
        QTest::keyClick(&dialog.Pane(), Qt::Key_Right);
        const auto areas = dialog.Result().areas;
        QCOMPARE(areas.size(), size_t(2));
        QCOMPARE(areas[1].m_arrCoords, (std::vector<std::int32_t>{101, 20, 151, 80, 61, 90}));
    }

    // With a picture whose file is gone the pane is white with a black border and
    // the path is emptied; OK then stores an empty path.
    void missingPictureShowsEmptyState() {
        RecordingUserDialogs dialogs;
        auto folder = MakeFolder("/nonexistent/map.gif");
        CHotspotsDlg dialog(nullptr, dialogs, *folder);
        dialog.resize(555, 400);
        QVERIFY(!dialog.Pane().HasPicture());
        const QImage pane = RenderPane(dialog);
        QCOMPARE(pane.pixel(0, 0), QColor(QColor(Qt::black)).rgb());
        QCOMPARE(pane.pixel(5, 5), QColor(QColor(Qt::white)).rgb());
        QCOMPARE(dialog.Result().image, std::string());
        QCOMPARE(dialog.Result().areas.size(), size_t(1));
    }

    void clearingTheCheckBox_data() {
        QTest::addColumn<int>("answer");
        QTest::addColumn<int>("flag");
        QTest::addColumn<bool>("keepsPictureAndAreas");
        QTest::newRow("No keeps everything") << int(IUserDialogs::Answer::kNo) << 1 << true;
        QTest::newRow("Yes erases") << int(IUserDialogs::Answer::kYes) << 0 << false;
    }
    void clearingTheCheckBox() {
        QFETCH(int, answer);
        QTemporaryDir dir;
        RecordingUserDialogs dialogs;
        dialogs.answers.push_back(IUserDialogs::Answer(answer));
        const QString picture = WritePicture(dir);
        auto folder = MakeFolder(picture);
        CHotspotsDlg dialog(nullptr, dialogs, *folder);
        dialog.findChild<QCheckBox*>()->toggle();
        QCOMPARE(dialogs.Messages(),
                 QStringList{"This will erase all hotspots for this folder. Continue?"});
        const auto result = dialog.Result();
        QTEST(result.hotspotFolder, "flag");
        QFETCH(bool, keepsPictureAndAreas);
        QCOMPARE(result.image, keepsPictureAndAreas ? picture.toStdString() : std::string());
        QCOMPARE(result.areas.size(), size_t(keepsPictureAndAreas ? 1 : 0));
        QCOMPARE(dialog.Pane().HasPicture(), keepsPictureAndAreas);
        QCOMPARE(ToolButton(dialog, "Rectangle")->isEnabled(), keepsPictureAndAreas);
    }

    // A cancelled Browse reads the picture again and empties the working list.
    void cancelledBrowseReloads() {
        QTemporaryDir dir;
        RecordingUserDialogs dialogs;
        const QString picture = WritePicture(dir);
        auto folder = MakeFolder(picture);
        CHotspotsDlg dialog(nullptr, dialogs, *folder);
        for (auto* button : dialog.findChildren<QPushButton*>())
            if (button->text() == "Browse...") button->click();
        QCOMPARE(dialogs.calls.size(), size_t(1));
        QVERIFY(dialog.Pane().HasPicture());
        QCOMPARE(dialog.Result().image, picture.toStdString());
        QVERIFY(dialog.Result().areas.empty());
    }

    // A folder that is not a hotspot folder keeps its areas through OK.
    void plainFolderKeepsAreas() {
        RecordingUserDialogs dialogs;
        auto folder = MakeFolder("", 0);
        CHotspotsDlg dialog(nullptr, dialogs, *folder);
        QVERIFY(!ToolButton(dialog, "Rectangle")->isEnabled());
        const auto result = dialog.Result();
        QCOMPARE(result.hotspotFolder, 0);
        QCOMPARE(result.areas.size(), size_t(1));
        QCOMPARE(result.areas[0].m_arrCoords, folder->m_arrHotspots[0]->m_arrCoords);
    }

    void sizeForPicture_data() {
        QTest::addColumn<QSize>("picture");
        QTest::addColumn<QSize>("expected");  // invalid: unchanged
        QTest::newRow("no picture") << QSize(0, 0) << QSize(555, 400);
        QTest::newRow("small picture keeps the size") << QSize(555, 400) << QSize();
        QTest::newRow("wide and tall") << QSize(600, 500) << QSize(629, 680);
        QTest::newRow("wide only") << QSize(600, 100) << QSize(629, 400);
        QTest::newRow("tall only") << QSize(100, 500) << QSize(555, 680);
        QTest::newRow("held inside the screen") << QSize(1300, 900) << QSize(1265, 970);
    }
    void sizeForPicture() {
        QFETCH(QSize, picture);
        QFETCH(QSize, expected);
        const auto size = CHotspotsDlg::SizeForPicture(picture, QSize(1280, 1000));
        QCOMPARE(size.value_or(QSize()), expected);
    }
};

QTEST_MAIN(tst_HotspotsDialog)
#include "tst_HotspotsDialog.moc"
