#include <gtest/gtest.h>

#include <string>
#include <utility>

#include "document/CommandRules.h"

using foldcraft::BuildSelection;
using foldcraft::CommandRules;
using foldcraft::StepTab;

// Every Build command (in enum order: Add Folder, Add Files, Add Web Link, Buttons,
// Hotspots, Preview, Sort Alphabetical, Reverse Alphabetical, Move Up, Move Down,
// Remove, Refresh, Add Folder from Disk) for each kind of selection; another tab in
// front disables all.
TEST(CommandRulesTest, EnabledBySelectionAndTab) {
    const std::pair<BuildSelection, const char*> rows[] = {
        {{}, "0000001100010"},                                     // nothing selected
        {{true, true, true, false, false, 3}, "1111111100011"},    // root
        {{true, true, false, true, true, 5}, "1111111111111"},     // folder between folders
        {{true, true, false, true, false, 5}, "1111111110111"},    // last folder
        {{true, false, false, false, true, 5}, "0000001101110"},   // first document
        {{true, false, false, false, false, 2}, "0000001100110"},  // only document
    };
    for (const auto& [selection, onBuildTab] : rows) {
        for (StepTab tab : {StepTab::kBuild, StepTab::kDesign, StepTab::kPublish}) {
            std::string got;
            for (const auto& info : CommandRules::Commands())
                got += CommandRules::IsEnabled(info.command, tab, selection) ? '1' : '0';
            EXPECT_EQ(got, tab == StepTab::kBuild ? onBuildTab : std::string(13, '0'))
                << "tab " << static_cast<int>(tab);
        }
    }
    for (int items : {1, 2}) {
        const BuildSelection onlyRoot{true, true, true, false, false, items};
        EXPECT_EQ(CommandRules::IsNewEnabled(onlyRoot), items == 2);
    }
}
