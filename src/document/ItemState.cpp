#include "document/ItemState.h"

#include <QStringList>

#include "document/LocalDates.h"
#include "document/LongText.h"
#include "model/BuildTreeDoc.h"

namespace foldcraft {

ItemState ItemState::Of(const CBuildTreeDoc& item, Time now, bool missing) {
    ItemState state;
    state.m_hidden = item.m_bVisible != 1;
    state.m_missing = missing;
    state.m_purging = item.m_bPurge == 1;
    state.m_publish = item.m_timePublish;
    state.m_purge = item.m_timePurge;
    state.m_link = item.m_strLink;
    // The publish run's window (CBuildTreeDoc::IsActiveAt), but for the second of
    // the publish date itself: an item just added (published "now") shows as current.
    if (item.m_timePublish > now)
        state.m_window = Window::kNotYetPublished;
    else if (state.m_purging && !(item.m_timePurge > now))
        state.m_window = Window::kPurged;
    return state;
}

std::optional<QColor> ItemState::Foreground() const {
    if (m_missing) return QColor(0xC0, 0x20, 0x20);
    if (m_window == Window::kPurged || m_hidden) return QColor(0x80, 0x80, 0x80);
    if (m_window == Window::kNotYetPublished) return QColor(0x20, 0x60, 0xB0);
    return std::nullopt;
}

QString ItemState::ToolTip(const QLocale& locale) const {
    const QString publish = LocalDates::Day(m_publish, locale);
    const QString purge = LocalDates::Day(m_purge, locale);
    QStringList lines;
    if (m_missing)
        lines << QStringLiteral("Missing: %1 is not on disk.").arg(LongText::Line(QString::fromStdString(m_link)));
    switch (m_window) {
        case Window::kNotYetPublished:
            lines << QStringLiteral("Not yet published: publishes on %1.").arg(publish);
            break;
        case Window::kPurged:
            lines << QStringLiteral("Purged on %1: no longer published.").arg(purge);
            break;
        case Window::kCurrent:
            lines << (m_purging
                          ? QStringLiteral("Published since %1, purged on %2.").arg(publish, purge)
                          : QStringLiteral("Published since %1.").arg(publish));
            break;
    }
    if (m_hidden) lines << QStringLiteral("Hidden: left out of its folder's page.");
    return lines.join(QLatin1Char('\n'));
}

}  // namespace foldcraft
