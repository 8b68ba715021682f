#pragma once

#include <QThread>
#include <functional>
#include <memory>
#include <string>

#include "publish/LogSink.h"
#include "ui/common/GuiLogSink.h"

class CFoldcraftDoc;

namespace foldcraft {

// One publish run (local or FTP) on its own thread, working on a copy of the project
// made when the object is created, so that the user may go on editing the project.
// The log reaches Sink()'s signals, queued to the creating thread; QThread::finished
// arrives after the last of them. The pauses between the steps are real waits in
// the worker thread, cut short by requestInterruption().
class PublishRunThread : public QThread {
    Q_OBJECT
public:
    // The run itself, called on the worker thread with the copy, the sink, the pause
    // hook and a stop question (true once requestInterruption() was called).
    using Job = std::function<PublishResult(CFoldcraftDoc& copy, ILogSink& sink,
                                            const PublishPauseHook& pause,
                                            const std::function<bool()>& stop)>;

    // Copies doc (its project fields, as a project file holds them, and its
    // last-publish time). Returns nullptr, with the reason in *error, when the
    // project cannot be copied.
    static std::unique_ptr<PublishRunThread> Create(CFoldcraftDoc& doc, Job job,
                                                    std::string* error);
    // Interrupts a run still working and waits for its thread.
    ~PublishRunThread() override;

    GuiLogSink& Sink() { return m_sink; }

    // After the thread has finished: how the run ended and the copy it worked on.
    PublishResult Result() const { return m_result; }
    const CFoldcraftDoc& Copy() const { return *m_copy; }

    // Writes what the run changed into doc (the not-copied list and the last-publish
    // time). Call on doc's thread after the thread has finished; never after a dry
    // run, which published nothing.
    void WriteBack(CFoldcraftDoc& doc) const;

    // The result at a glance, for the line beside the log; dryRun: of a dry run.
    static const char* ResultText(PublishResult result, bool dryRun = false);

protected:
    void run() override;

private:
    PublishRunThread(std::unique_ptr<CFoldcraftDoc> copy, Job job);

    std::unique_ptr<CFoldcraftDoc> m_copy;
    Job m_job;
    GuiLogSink m_sink;
    PublishResult m_result = PublishResult::kFailed;
};

}  // namespace foldcraft
