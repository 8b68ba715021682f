#pragma once

#include <QByteArray>
#include <QObject>

#include "publish/LogSink.h"

namespace foldcraft {

// A publish run's log sink for a window: every call, made on the run's thread,
// becomes a signal delivered queued on the thread this object lives on (the
// user-interface thread), in the order of the calls. The run never touches a widget.
class GuiLogSink : public QObject, public ILogSink {
    Q_OBJECT
public:
    explicit GuiLogSink(QObject* parent = nullptr) : QObject(parent) {}

    void AppendText(std::string_view text) override {
        emit textAppended(QByteArray(text.data(), static_cast<qsizetype>(text.size())));
    }
    void SetProgress(int percent) override { emit progressChanged(percent); }
    // The window keeps the end of the log in view itself.
    void Scroll(int) override {}
    // The window enables Close when the run's thread has ended (and the results are
    // written back), not when the run says so.
    void EnableClose(bool) override {}

signals:
    // The log's new bytes (UTF-8).
    void textAppended(const QByteArray& bytes);
    void progressChanged(int percent);
};

}  // namespace foldcraft
