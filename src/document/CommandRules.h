#pragma once

#include <array>

#include "document/BuildCommand.h"

namespace foldcraft {

// The three step tabs of the main window, in their order on screen.
enum class StepTab { kBuild = 0, kDesign = 1, kPublish = 2 };

// The Build commands of the main window as the menu, the toolbar and the status bar
// show them (the window makes its actions from this table), and the rules that
// decide which of them (and File New) are enabled. Plain data: the window asks,
// draws the answer and forwards the command.
class CommandRules {
public:
    struct Info {
        BuildCommand command;
        const char* objectName;  // the action's object name, for tests ("actionAddFolder")
        const char* menuText;    // caption in the Build menu (UTF-8, & before its mnemonic)
        const char* toolText;    // caption and tooltip of the toolbar button
        const char* prompt;      // status-bar prompt
        const char* iconName;    // picture in the resources, ":/icons/<name>.svg"
    };

    // Every Build command, in the order of the enum.
    static const std::array<Info, 13>& Commands();
    static const Info& InfoOf(BuildCommand command);

    // Whether command can run with tab in front and selection in the tree.
    static bool IsEnabled(BuildCommand command, StepTab tab, const BuildSelection& selection);
    // File New: only when the tree shows the root and at least one more item.
    static bool IsNewEnabled(const BuildSelection& selection);
};

}  // namespace foldcraft
