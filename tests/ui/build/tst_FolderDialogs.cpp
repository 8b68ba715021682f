#include <QButtonGroup>
#include <QCheckBox>
#include <QPainter>
#include <QScrollBar>
#include <QSpinBox>
#include <QTemporaryDir>
#include <QTest>
#include <QToolButton>

#include "model/BuildTreeDoc.h"
#include "model/BuildTreeFolder.h"
#include "support/Patience.h"
#include "ui/build/CButtonStyleDlg.h"
#include "ui/build/CHotspotDisplayView.h"
#include "ui/build/CHotspotsDlg.h"
#include "ui/support/RecordingUserDialogs.h"

using namespace foldcraft;
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

}  // namespace

// The dialogs of a folder's settings that the Build step opens: Button Styles and
// Hotspots.
class tst_FolderDialogs : public QObject {
    Q_OBJECT
private slots:
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

QTEST_MAIN(tst_FolderDialogs)
#include "tst_FolderDialogs.moc"
