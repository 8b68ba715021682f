#pragma once

#include <QByteArray>
#include <QObject>
#include <mutex>

#include "publish/LogSink.h"

namespace foldcraft {

// A publish run's log sink for a window: the calls, made on the run's thread, become
// signals on the thread this object lives on (the user-interface thread), in the
// order of the calls. Log text is gathered and handed over in pieces of at most
// kMaxPiece bytes, one piece per event, so that a run listing many thousands of
// files never keeps the window from its other events. Transfer progress is
// coalesced: however often the run reports it, at most one event is waiting, and it
// hands over the latest value. The run never touches a widget.
class GuiLogSink : public QObject, public ILogSink {
    Q_OBJECT
public:
    static constexpr qsizetype kMaxPiece = 64 * 1024;

    explicit GuiLogSink(QObject* parent = nullptr) : QObject(parent) {}

    void AppendText(std::string_view text) override;
    void SetProgress(int percent) override;
    // The window keeps the end of the log in view itself.
    void Scroll(int) override {}
    // The window enables Close when the run's thread has ended (and the results are
    // written back), not when the run says so.
    void EnableClose(bool) override {}
    void ShowTransfer(const TransferProgress& progress) override;

    // On this object's thread, once the run has ended: hands over all text not yet
    // handed over, in pieces, then the last transfer progress if it was not.
    void Drain();

signals:
    // The log's next bytes (UTF-8; a piece never splits a character).
    void textAppended(const QByteArray& bytes);
    void progressChanged(int percent);
    // The latest transfer progress (emitted on this object's thread only: connect
    // directly or on the same thread).
    void transferChanged(const foldcraft::TransferProgress& progress);

private:
    // On this object's thread: hands over the next piece and asks again for the rest.
    void Deliver();
    // On this object's thread: hands over the latest transfer progress, if one waits.
    void DeliverTransfer();

    std::mutex m_mutex;
    QByteArray m_pending;          // guarded by m_mutex
    bool m_deliveryAsked = false;  // guarded by m_mutex
    TransferProgress m_transfer;   // guarded by m_mutex
    bool m_transferAsked = false;  // guarded by m_mutex: m_transfer waits to be handed over
};

}  // namespace foldcraft
