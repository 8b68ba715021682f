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
    // Steps: "F+" / "f-" steps the Folders / Files spin up or down, "F2" / "f0" chooses
    // a radio button of that group. The outcome: folder style, file style, graphics,
    // then the graphics shown and the Folders style checked.
    void dialog_data() {
        QTest::addColumn<ButtonStyleSettings>("stored");
        QTest::addColumn<QString>("steps");
        QTest::addColumn<QString>("outcome");
        const struct {
            const char* name;
            ButtonStyleSettings stored;
            const char *steps, *outcome;
        } rows[] = {
            {"new folder", {}, "", "0 0 0 0 0 0 0"},
            {"up from 6 wraps to 0, Graphic:", {1, 2, 6, 4}, "F+", "3 2 0 4 0 4 3"},
            {"down from 0 wraps to 6", {}, "f-", "0 3 0 6 0 6 0"},
            {"Text only keeps the number", {}, "F+ F+ F2", "2 0 2 0 2 0 2"},
            {"a number outside 0 to 6 is kept", {3, 0, 9, -1}, "", "3 0 9 -1 0 0 3"},
            {"a style outside 0 to 3 is kept", {7, 1, 2, 2}, "", "7 1 2 2 2 2 -1"},
        };
        for (const auto& r : rows)
            QTest::newRow(r.name) << r.stored << QString(r.steps) << QString(r.outcome);
    }
    void dialog() {
        QFETCH(ButtonStyleSettings, stored);
        QFETCH(QString, steps);
        CButtonStyleDlg dialog(nullptr, stored);
        for (const QString& step : steps.split(' ', Qt::SkipEmptyParts)) {
            const auto group = step[0] == 'F' ? CButtonStyleDlg::kFolders : CButtonStyleDlg::kFiles;
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
        QTEST(outcome.join(' '), "outcome");
    }

    // The colour button in its four states, at chosen pixels: the raised and sunken
    // frames in the palette's colours, the black ring and dotted focus rectangle,
    // the disabled face with its embossed caption, the caption shifted when pressed.
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
        auto role = [&](QPalette::ColorRole r) { return button.palette().color(r); };
        const std::tuple<const QImage&, int, int, QColor> pixels[] = {
            {normal, 0, 12, role(QPalette::Light)},
            {normal, 1, 12, role(QPalette::Midlight)},
            {normal, 59, 12, role(QPalette::Shadow)},
            {normal, 58, 12, role(QPalette::Dark)},
            {normal, 3, 3, QColor(0, 0, 200)},
            {pressed, 0, 12, role(QPalette::Shadow)},
            {pressed, 1, 12, role(QPalette::Dark)},
            {pressed, 59, 12, role(QPalette::Shadow)},
            {focused, 0, 12, Qt::black},
            {focused, 1, 12, role(QPalette::Light)},
            {disabled, 3, 3, role(QPalette::Button)}};
        for (const auto& [image, x, y, colour] : pixels) QCOMPARE(image.pixel(x, y), colour.rgb());
        // Every other pixel of the focus ring (4 pixels in) is inverted.
        QVERIFY(focused.pixelColor(4, 5) != focused.pixelColor(4, 6));
        const QRect white = Extent(disabled, Qt::white), grey = Extent(disabled, Qt::darkGray);
        QVERIFY(!white.isEmpty() && !grey.isEmpty());
        QCOMPARE(white.bottomRight() - grey.bottomRight(), QPoint(2, 2));
        QCOMPARE(Extent(pressed, Qt::red).topLeft() - Extent(normal, Qt::red).topLeft(),
                 QPoint(2, 2));
    }
};

QTEST_MAIN(tst_ButtonStyles)
#include "tst_ButtonStyles.moc"
