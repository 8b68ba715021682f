#include <QTest>

#include "ui/design/HotspotTool.h"

using foldcraft::HotspotTool;

namespace {

// The working list as text: "R20,60,50,100 C50,60,60,70 P1,2,3,4,5,6".
QString AreasText(const HotspotTool& tool) {
    QStringList areas;
    for (const auto& area : tool.Areas()) {
        QStringList values;
        for (auto value : area.m_arrCoords) values << QString::number(value);
        areas << QString("RCP").mid(area.m_nShape, 1) + values.join(',');
    }
    return areas.join(' ');
}

// Which areas are painted orange: "101".
QString OrangeMask(const HotspotTool& tool) {
    QString mask;
    for (const auto& area : tool.Areas()) mask += tool.IsCurrentLink(area) ? '1' : '0';
    return mask;
}

// Runs a script of steps such as "Tr P50,60 M20,100 R20,100": T tool (r, c, p),
// P press, M move, R release, X right-press, L choose link, N nudge, D delete.
void Run(HotspotTool& tool, const QString& script) {
    for (const QString& step : script.split(' ', Qt::SkipEmptyParts)) {
        const QStringList args = step.mid(1).split(',');
        const int a = args.value(0).toInt(), b = args.value(1).toInt();
        switch (step[0].toLatin1()) {
            case 'T':
                tool.ToggleTool(step[1] == 'r'   ? HotspotTool::Tool::kRectangle
                                : step[1] == 'c' ? HotspotTool::Tool::kCircle
                                                 : HotspotTool::Tool::kPolygon);
                break;
            case 'P':
                tool.Press(a, b);
                break;
            case 'M':
                tool.Move(a, b);
                break;
            case 'R':
                tool.Release(a, b);
                break;
            case 'X':
                tool.RightPress();
                break;
            case 'L':
                tool.ChooseLink(a);
                break;
            case 'N':
                tool.Nudge(a, b);
                break;
            case 'D':
                tool.DeleteSelected();
                break;
            default:
                QFAIL(qPrintable("bad step " + step));
        }
    }
}

}  // namespace

class tst_HotspotTool : public QObject {
    Q_OBJECT
private slots:
    void script_data() {
        QTest::addColumn<QString>("script");
        QTest::addColumn<QString>("areas");
        QTest::addColumn<char>("toolOn");  // r, c, p or '-'
        QTest::addColumn<int>("selected");
        QTest::addColumn<QString>("orange");

        QTest::newRow("rectangle dragged up and left") << "Tr P50,60 M20,100 R20,100"
                                                       << "R20,60,50,100" << 'r' << 0 << "1";
        QTest::newRow("circle is a square toward the pointer") << "Tc P50,60 M80,70 R80,70"
                                                               << "C50,60,60,70" << 'c' << 0 << "1";
        QTest::newRow("circle up and left") << "Tc P50,60 R20,50"
                                            << "C40,50,50,60" << 'c' << 0 << "1";
        QTest::newRow("held at the right and bottom edges")
            << "Tr P250,150 M400,300 R400,300"
            << "R250,150,300,200" << 'r' << 0 << "1";
        QTest::newRow("not held at the left and top edges") << "Tr P50,50 M-20,-30 R-20,-30"
                                                            << "R-20,-30,50,50" << 'r' << 0 << "1";
        QTest::newRow("press beside the picture is ignored") << "Tr P310,50 R100,100"
                                                             << "" << 'r' << -1 << "";
        QTest::newRow("click without moving ends the tool") << "Tr P50,60 R50,60"
                                                            << "" << '-' << -1 << "";
        QTest::newRow("release on the anchor's column ends the tool") << "Tr P50,60 M80,90 R50,90"
                                                                      << "" << '-' << -1 << "";
        QTest::newRow("the tool stays on for the next shape")
            << "Tr P1,1 R5,5 P10,10 R20,20"
            << "R1,1,5,5 R10,10,20,20" << 'r' << 1 << "11";
        QTest::newRow("three polygon clicks and a right-click keep a triangle")
            << "Tp R10,10 R50,10 R30,40 X"
            << "P10,10,50,10,30,40" << '-' << 0 << "1";
        QTest::newRow("two polygon clicks leave nothing") << "Tp R10,10 R50,10 X"
                                                          << "" << '-' << -1 << "";
        QTest::newRow("another tool ends the polygon")
            << "Tp R10,10 R50,10 R30,40 R5,5 Tr"
            << "P10,10,50,10,30,40,5,5" << 'r' << 0 << "1";
        QTest::newRow("polygon corners beside the picture are ignored")
            << "Tp R10,10 R300,10 R30,40 R40,60 X"
            << "P10,10,30,40,40,60" << '-' << 0 << "1";
        QTest::newRow("pressing the active tool turns it off") << "Tr Tr"
                                                               << "" << '-' << -1 << "";
        QTest::newRow("in an overlap the later shape is picked")
            << "Tr P10,10 R50,50 P30,30 R80,80 Tr P40,40 R40,40"
            << "R10,10,50,50 R30,30,80,80" << '-' << 1 << "11";
        QTest::newRow("a press beside every shape keeps the selection")
            << "Tr P10,10 R50,50 Tr P100,100 R100,100"
            << "R10,10,50,50" << '-' << 0 << "1";
        QTest::newRow("relinking paints every shape of that link orange")
            << "Tr P0,0 R10,10 P20,20 R30,30 P40,40 R50,50 P0,0 R0,0 L1 P25,25 R25,25 L1"
            << "R0,0,10,10 R20,20,30,30 R40,40,50,50" << '-' << 1 << "011";
        QTest::newRow("dragging the selected shape with no tool moves it")
            << "Tr P10,10 R50,50 Tr P20,20 M25,23 M30,30 R30,30 N-1,0"
            << "R19,20,59,60" << '-' << 0 << "1";
        QTest::newRow("no nudge while a tool is on") << "Tr P10,10 R50,50 N5,5"
                                                     << "R10,10,50,50" << 'r' << 0 << "1";
        QTest::newRow("delete removes the selected shape") << "Tr P10,10 R50,50 P60,60 R70,70 D"
                                                           << "R10,10,50,50" << '-' << -1 << "1";
    }
    void script() {
        QFETCH(QString, script);
        HotspotTool tool;
        tool.SetPictureSize(300, 200);
        tool.SetLinks({"Harbour (Folder 1)", "Notes (Folder 2)", "Welcome (/docs/Welcome.txt)"});
        Run(tool, script);
        const char on = "-rcp"[static_cast<int>(tool.ActiveTool())];
        QTEST(AreasText(tool), "areas");
        QTEST(on, "toolOn");
        QTEST(tool.Selected(), "selected");
        QTEST(OrangeMask(tool), "orange");
    }

    // Without a picture no tool can be switched on, so nothing can be drawn.
    void noPictureNoTools() {
        HotspotTool tool;
        tool.SetLinks({"A (Folder 1)"});
        Run(tool, "Tr P0,0 R10,10 Tp R1,1");
        QCOMPARE(tool.ActiveTool(), HotspotTool::Tool::kNone);
        QVERIFY(tool.Areas().empty());
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
