#include <QButtonGroup>
#include <QPainter>
#include <QSpinBox>
#include <QTest>

#include "ui/design/CButtonStyleDlg.h"
#include "ui/design/CClrButton.h"

using foldcraft::ButtonStyleSettings;
using foldcraft::CButtonStyleDlg;
using foldcraft::CClrButton;

Q_DECLARE_METATYPE(ButtonStyleSettings)

namespace {

QString Text(const ButtonStyleSettings& s) {
    return QString("%1 %2 %3 %4")
        .arg(s.folderStyle)
        .arg(s.fileStyle)
        .arg(s.folderGraphic)
        .arg(s.fileGraphic);
}

// The bounding box of the pixels of one colour inside the frame.
QRect Extent(const QImage& image, const QColor& colour) {
    QRect box;
    for (int y = 3; y < image.height() - 3; ++y)
        for (int x = 3; x < image.width() - 3; ++x)
            if (image.pixel(x, y) == colour.rgb()) box |= QRect(x, y, 1, 1);
    return box;
}

}  // namespace

class tst_ButtonStyles : public QObject {
    Q_OBJECT
private slots:
    // Steps: "F+" / "f-" steps the Folders / Files spin up or down, "F2" / "f0"
    // chooses a radio button of that group.
    void dialog_data() {
        QTest::addColumn<ButtonStyleSettings>("stored");
        QTest::addColumn<QString>("steps");
        QTest::addColumn<QString>("result");  // folder style, file style, graphics
        QTest::addColumn<QString>("shown");   // graphics shown, and the Folders style checked

        QTest::newRow("new folder") << ButtonStyleSettings{} << ""
                                    << "0 0 0 0"
                                    << "0 0 0";
        QTest::newRow("stepping up from 6 wraps to 0 and selects Graphic: in that group only")
            << ButtonStyleSettings{1, 2, 6, 4} << "F+"
            << "3 2 0 4"
            << "0 4 3";
        QTest::newRow("stepping down from 0 wraps to 6") << ButtonStyleSettings{} << "f-"
                                                         << "0 3 0 6"
                                                         << "0 6 0";
        QTest::newRow("Text only after stepping keeps the number")
            << ButtonStyleSettings{} << "F+ F+ F2"
            << "2 0 2 0"
            << "2 0 2";
        QTest::newRow("a number outside 0 to 6 shows graphic 0 and is kept")
            << ButtonStyleSettings{3, 0, 9, -1} << ""
            << "3 0 9 -1"
            << "0 0 3";
        QTest::newRow("a style outside 0 to 3 is kept") << ButtonStyleSettings{7, 1, 2, 2} << ""
                                                        << "7 1 2 2"
                                                        << "2 2 -1";
    }
    void dialog() {
        QFETCH(ButtonStyleSettings, stored);
        QFETCH(QString, steps);
        CButtonStyleDlg dialog(nullptr, stored);
        for (const QString& step : steps.split(' ', Qt::SkipEmptyParts)) {
            const auto group = step[0] == 'F' ? CButtonStyleDlg::kFolders : CButtonStyleDlg::kFiles;
            if (step[1] == '+')
                dialog.Spin(group)->stepUp();
            else if (step[1] == '-')
                dialog.Spin(group)->stepDown();
            else
                dialog.Styles(group)->button(step.mid(1).toInt())->click();
        }
        QTEST(Text(dialog.Result()), "result");
        const QString shown = QString("%1 %2 %3")
                                  .arg(dialog.ShownGraphic(CButtonStyleDlg::kFolders))
                                  .arg(dialog.ShownGraphic(CButtonStyleDlg::kFiles))
                                  .arg(dialog.Styles(CButtonStyleDlg::kFolders)->checkedId());
        QTEST(shown, "shown");
    }

    // The colour button in its four states, at chosen pixels: the raised and sunken
    // frames in the palette's colours, the black ring and dotted focus rectangle,
    // the disabled face with its embossed caption, the caption shifted when pressed.
    void colourButtonStates() {
        CClrButton button(QStringLiteral("Ab"));
        button.SetColours(Qt::red, QColor(0, 0, 200));
        const QPalette& p = button.palette();
        const QRect r(0, 0, 60, 24);
        auto paint = [&](CClrButton::State state) {
            QImage image(r.size(), QImage::Format_RGB32);
            QPainter painter(&image);
            button.Paint(painter, r, state);
            return image;
        };
        const QImage normal = paint({});
        const QImage pressed = paint({false, true, false, false});
        const QImage focused = paint({false, false, true, false});
        const QImage disabled = paint({true, false, false, false});
        const int y = 12;
        QCOMPARE(normal.pixel(0, y), QColor(p.color(QPalette::Light)).rgb());
        QCOMPARE(normal.pixel(1, y), QColor(p.color(QPalette::Midlight)).rgb());
        QCOMPARE(normal.pixel(59, y), QColor(p.color(QPalette::Shadow)).rgb());
        QCOMPARE(normal.pixel(58, y), QColor(p.color(QPalette::Dark)).rgb());
        QCOMPARE(normal.pixel(3, 3), QColor(QColor(0, 0, 200)).rgb());
        QCOMPARE(pressed.pixel(0, y), QColor(p.color(QPalette::Shadow)).rgb());
        QCOMPARE(pressed.pixel(1, y), QColor(p.color(QPalette::Dark)).rgb());
        QCOMPARE(pressed.pixel(59, y), QColor(p.color(QPalette::Shadow)).rgb());
        QCOMPARE(focused.pixel(0, y), QColor(QColor(Qt::black)).rgb());
        QCOMPARE(focused.pixel(1, y), QColor(p.color(QPalette::Light)).rgb());
        // Every other pixel of the focus ring (4 pixels in) is inverted.
        QVERIFY(focused.pixelColor(4, 5) != focused.pixelColor(4, 6));
        QCOMPARE(disabled.pixel(3, 3), QColor(p.color(QPalette::Button)).rgb());
        const QRect white = Extent(disabled, Qt::white),
                    grey = Extent(disabled, QColor(128, 128, 128));
        QVERIFY(!white.isEmpty() && !grey.isEmpty());
        QCOMPARE(white.bottomRight() - grey.bottomRight(), QPoint(2, 2));
        QCOMPARE(Extent(pressed, Qt::red).topLeft() - Extent(normal, Qt::red).topLeft(),
                 QPoint(2, 2));
    }
};

QTEST_MAIN(tst_ButtonStyles)
#include "tst_ButtonStyles.moc"
