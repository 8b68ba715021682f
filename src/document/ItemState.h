#pragma once

#include <QColor>
#include <QLocale>
#include <QString>
#include <optional>
#include <string>

#include "model/Clock.h"

class CBuildTreeDoc;

namespace foldcraft {

// What the site tree shows of an item besides its name: hidden from its folder's
// page, outside its publish window (not yet published, or purged), or a document
// whose file is not on disk; and the tooltip that says so with the dates. A value
// decided from the item's fields, a time and whether its file was found.
class ItemState {
public:
    enum class Window { kCurrent, kNotYetPublished, kPurged };

    // The state of item at now; missing: it is a document whose file was not found
    // (the tree model looks once per rebuild, not per paint).
    static ItemState Of(const CBuildTreeDoc& item, Time now, bool missing);

    bool Hidden() const { return m_hidden; }
    Window PublishWindow() const { return m_window; }
    bool Missing() const { return m_missing; }

    // The look of the name: italic when hidden, struck out when purged; the text
    // colour red when missing, grey when purged or hidden, blue when not yet
    // published, none (the view's own) otherwise.
    bool Italic() const { return m_hidden; }
    bool StruckOut() const { return m_window == Window::kPurged; }
    std::optional<QColor> Foreground() const;
    // One line per state, dates in the locale's short format.
    QString ToolTip(const QLocale& locale) const;

private:
    bool m_hidden = false;
    bool m_missing = false;
    bool m_purging = false;
    Window m_window = Window::kCurrent;
    Time m_publish = 0;
    Time m_purge = 0;
    std::string m_link;
};

}  // namespace foldcraft
