#pragma once

#include <QString>
#include <QStringList>
#include <QUrl>
#include <optional>

#include "document/CommandRules.h"

namespace foldcraft {

// Where the user manual is and which part of it Help opens. Plain: no window, no
// opener; the main window opens the address it returns.
class HelpManual {
public:
    // The manual's index.html: beside the program (programDir/manual, as in the build
    // tree), else programDir/../share/doc/foldcraft/manual (an installed program),
    // else DIR/doc/foldcraft/manual for each of dataDirs in order. Empty when none
    // holds it.
    static QString FindIndex(const QString& programDir, const QStringList& dataDirs);
    // FindIndex for this program: its own directory and the desktop's data
    // directories ($XDG_DATA_HOME, $XDG_DATA_DIRS).
    static QString FindInstalledIndex();
    // The address to open: the index itself, or with a step the step's section
    // (#build, #design, #publish).
    static QUrl Address(const QString& index, std::optional<StepTab> step);
};

}  // namespace foldcraft
