#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

#include "document/HotspotTool.h"

using foldcraft::HotspotTool;

namespace {

// Runs a script of steps such as "Tr P50,60 M20,100 R20,100": T tool (r, c, p),
// P press, M move, R release, X right-press, L choose link, N nudge, D delete,
// W double-click, E Enter.
void RunScript(HotspotTool& tool, const std::string& script) {
    std::istringstream steps(script);
    std::string step;
    while (steps >> step) {
        int a = 0, b = 0;
        char comma = 0;
        std::istringstream(step.substr(1)) >> a >> comma >> b;
        const char op = step[0];
        if (op == 'T') tool.ToggleTool(HotspotTool::Tool(std::string("-rcp").find(step.at(1))));
        if (op == 'P') tool.Press(a, b);
        if (op == 'M') tool.Move(a, b);
        if (op == 'R') tool.Release(a, b);
        if (op == 'X') tool.RightPress();
        if (op == 'L') tool.ChooseLink(a);
        if (op == 'N') tool.Nudge(a, b);
        if (op == 'D') tool.DeleteSelected();
        if (op == 'W') tool.DoubleClick();
        if (op == 'E') tool.FinishPolygon();
    }
}

// The areas, the tool left on (r, c, p, -), the selected area and which areas are
// orange (their link is the current one).
std::string Outcome(const HotspotTool& tool) {
    std::string out;
    for (const auto& area : tool.Areas()) {
        out += "RCP"[area.m_nShape];
        for (size_t i = 0; i < area.m_arrCoords.size(); ++i)
            out += (i ? "," : "") + std::to_string(area.m_arrCoords[i]);
        out += ' ';
    }
    out += "-rcp"[int(tool.ActiveTool())];
    out += ' ' + std::to_string(tool.Selected());
    std::string orange;
    for (const auto& area : tool.Areas()) orange += tool.IsCurrentLink(area) ? '1' : '0';
    return orange.empty() ? out : out + ' ' + orange;
}

}  // namespace

// A script and its outcome on a 300 x 200 picture ("no picture": none).
TEST(HotspotTool, Scripts) {
    const struct {
        const char *name, *script, *outcome;
    } rows[] = {
        {"rectangle up and left", "Tr P50,60 M20,100 R20,100", "R20,60,50,100 r 0 1"},
        {"circle: the larger extent", "Tc P50,60 M80,70 R80,70", "C50,60,80,90 c 0 1"},
        {"circle up and left", "Tc P50,60 R20,50", "C20,30,50,60 c 0 1"},
        {"circle: a flat drag", "Tc P50,60 R90,60", "C50,60,90,100 c 0 1"},
        {"circle: click without moving", "Tc P50,60 R50,60", "- -1"},
        {"held right, bottom", "Tr P250,150 M400,300 R400,300", "R250,150,300,200 r 0 1"},
        {"free left, top", "Tr P50,50 M-20,-30 R-20,-30", "R-20,-30,50,50 r 0 1"},
        {"press beside the picture", "Tr P310,50 R100,100", "r -1"},
        {"click without moving ends the tool", "Tr P50,60 R50,60", "- -1"},
        {"release on the anchor's column", "Tr P50,60 M80,90 R50,90", "- -1"},
        {"the tool stays on", "Tr P1,1 R5,5 P10,10 R20,20", "R1,1,5,5 R10,10,20,20 r 1 11"},
        {"triangle", "Tp R10,10 R50,10 R30,40 X", "P10,10,50,10,30,40 - 0 1"},
        {"double-click on the last corner", "Tp R10,10 R50,10 R30,40 W R30,40 R5,5",
         "P10,10,50,10,30,40 P5,5 p 1 11"},
        {"Enter finishes", "Tp R10,10 R50,10 R30,40 E R9,9 R8,8 E", "P10,10,50,10,30,40 p -1 1"},
        {"a click on the last corner", "Tp R10,10 R50,10 R50,10 R30,40 X",
         "P10,10,50,10,30,40 - 0 1"},
        {"two corners leave nothing", "Tp R10,10 R50,10 X", "- -1"},
        {"tool ends polygon", "Tp R10,10 R50,10 R30,40 R5,5 Tr", "P10,10,50,10,30,40,5,5 r 0 1"},
        {"corners off picture", "Tp R10,10 R300,10 R30,40 R40,60 X", "P10,10,30,40,40,60 - 0 1"},
        {"pressing the active tool turns it off", "Tr Tr", "- -1"},
        {"later overlap wins", "Tr P10,10 R50,50 P30,30 R80,80 Tr P40,40 R40,40",
         "R10,10,50,50 R30,30,80,80 - 1 11"},
        {"press beside shapes", "Tr P10,10 R50,50 Tr P100,100 R100,100", "R10,10,50,50 - 0 1"},
        {"relinking", "Tr P0,0 R10,10 P20,20 R30,30 P40,40 R50,50 P0,0 R0,0 L1 P25,25 R25,25 L1",
         "R0,0,10,10 R20,20,30,30 R40,40,50,50 - 1 011"},
        {"drag, no tool", "Tr P10,10 R50,50 Tr P20,20 M25,23 M30,30 R30,30 N-1,0",
         "R19,20,59,60 - 0 1"},
        {"no nudge with a tool on", "Tr P10,10 R50,50 N5,5", "R10,10,50,50 r 0 1"},
        {"delete", "Tr P10,10 R50,50 P60,60 R70,70 D", "R10,10,50,50 - -1 1"},
        {"no picture", "Tr P0,0 R10,10 Tp R1,1", "- -1"},
    };
    for (const auto& row : rows) {
        HotspotTool tool;
        if (std::string(row.name) != "no picture") tool.SetPictureSize(300, 200);
        tool.SetLinks({"Harbour (Folder 1)", "Notes (Folder 2)", "Welcome (/docs/Welcome.txt)"});
        RunScript(tool, row.script);
        EXPECT_EQ(Outcome(tool), row.outcome) << row.name;
    }
}
