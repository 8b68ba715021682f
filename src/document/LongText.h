#pragma once

#include <QString>

namespace foldcraft {

// What a widget is handed of a text that may be very long (a hostile or damaged
// project: a label of one 4 MB word). Qt lays out a line of text whole, and wraps a
// long word in time that grows with its square, so the windows show such texts cut
// short; the stored text is never changed, and an edit starts from the stored text.
class LongText {
public:
    // The most characters a line is shown with, before the "…" that marks the cut.
    static constexpr qsizetype kLineChars = 300;
    // The most characters a text box shows in all.
    static constexpr qsizetype kBoxChars = 100'000;

    // text for one line (a tree row, a tooltip line): cut after kLineChars with "…".
    static QString Line(const QString& text);
    // text for a read-only text box: every line cut after kLineChars and the whole
    // after kBoxChars, each cut marked with "…". Unchanged when nothing is cut.
    static QString Box(const QString& text);
    // Whether a line of text is longer than kLineChars (a box that edits it should
    // wrap anywhere, not at word boundaries).
    static bool HasLongLine(const QString& text);
};

}  // namespace foldcraft
