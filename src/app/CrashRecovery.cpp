#include "app/CrashRecovery.h"

#include <QLocale>

#include "app/DocumentLifeCycle.h"
#include "document/LocalDates.h"
#include "ui/common/UserDialogs.h"

namespace foldcraft {

CrashRecovery::CrashRecovery(ProjectDocument& document, DocumentLifeCycle& lifeCycle,
                             IUserDialogs& dialogs, const std::string& programFolder,
                             AutosaveSchedule::Intervals intervals, Autosaver::Clock clock)
    : m_document(document),
      m_lifeCycle(lifeCycle),
      m_dialogs(dialogs),
      m_intervals(intervals),
      m_clock(std::move(clock)),
      m_store(QString::fromStdString(DirOf(programFolder))) {}

bool CrashRecovery::Start() {
    if (!m_store.Start()) return false;
    m_autosaver = std::make_unique<Autosaver>(m_document, m_store, m_intervals, m_clock);
    return true;
}

void CrashRecovery::Offer(QWidget* window) {
    if (!m_autosaver) return;
    bool recovered = false;
    const QLocale locale;
    const QString format = LocalDates::ShortFormat(locale) + QLatin1Char(' ') +
                           locale.timeFormat(QLocale::ShortFormat);
    for (const RecoveryEntry& entry : m_store.ClaimOrphans()) {
        if (recovered) {
            m_store.Release(entry.id);
            continue;
        }
        const QString text =
            QStringLiteral("Recover unsaved changes to %1 from %2?")
                .arg(entry.info.title, locale.toString(entry.info.time.toLocalTime(), format));
        switch (m_dialogs.Message(window, text, IUserDialogs::Buttons::kRecoverDiscardLater,
                                  IUserDialogs::Icon::kQuestion)) {
            case IUserDialogs::Answer::kRecover:
                // The copy left behind goes only once this program's own holds the project.
                recovered = m_lifeCycle.OpenRecovered(entry);
                if (recovered && m_autosaver->WriteNow())
                    m_store.Remove(entry.id);
                else
                    m_store.Release(entry.id);
                break;
            case IUserDialogs::Answer::kDiscard:
                m_store.Remove(entry.id);
                break;
            default:
                m_store.Release(entry.id);
                break;
        }
    }
}

}  // namespace foldcraft
