#include <QTest>

#include "ui/design/HotspotTool.h"

using foldcraft::HotspotTool;

namespace {

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

class tst_HotspotTool : public QObject {
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
};

QTEST_APPLESS_MAIN(tst_HotspotTool)
#include "tst_HotspotTool.moc"
