#include "ui/common/PublishRunThread.h"

#include <algorithm>

#include "model/FoldcraftDoc.h"
#include "model/ProjectFile.h"

namespace foldcraft {

std::unique_ptr<PublishRunThread> PublishRunThread::Create(CFoldcraftDoc& doc, Job job,
                                                           std::string* error) {
    std::string bytes;
    ProjectFileResult written = WriteProjectBytes(doc, bytes);
    auto copy = std::make_unique<CFoldcraftDoc>();
    if (written.Ok()) written = ReadProjectBytes(*copy, bytes);
    if (!written.Ok()) {
        if (error) *error = written.message;
        return nullptr;
    }
    copy->m_timeLastPublish = doc.m_timeLastPublish;
    copy->SetTitle(doc.GetTitle());
    return std::unique_ptr<PublishRunThread>(new PublishRunThread(std::move(copy), std::move(job)));
}

PublishRunThread::PublishRunThread(std::unique_ptr<CFoldcraftDoc> copy, Job job)
    : m_copy(std::move(copy)), m_job(std::move(job)) {}

PublishRunThread::~PublishRunThread() {
    requestInterruption();
    wait();
}

void PublishRunThread::run() {
    const PublishPauseHook pause = [this](int milliseconds) {
        // In short steps, so that an interruption is seen soon.
        while (milliseconds > 0 && !isInterruptionRequested()) {
            const int step = std::min(milliseconds, 20);
            QThread::msleep(static_cast<unsigned long>(step));
            milliseconds -= step;
        }
    };
    const std::function<bool()> stop = [this] { return isInterruptionRequested(); };
    m_result = m_job(*m_copy, m_sink, pause, stop);
}

void PublishRunThread::WriteBack(CFoldcraftDoc& doc) const {
    doc.m_arrPublishFiles = m_copy->m_arrPublishFiles;
    doc.m_timeLastPublish = m_copy->m_timeLastPublish;
}

const char* PublishRunThread::ResultText(PublishResult result, bool dryRun) {
    if (dryRun) {
        return result == PublishResult::kFailed
                   ? "What would change is not known (see the end of the log)."
                   : "Nothing was changed: the log lists what Publish would do.";
    }
    switch (result) {
        case PublishResult::kSuccess:
            return "Published: every file was copied.";
        case PublishResult::kFilesNotCopied:
            return "Published, but some files were not copied (listed in the log).";
        case PublishResult::kFailed:
            break;
    }
    return "Publishing failed (see the end of the log).";
}

}  // namespace foldcraft
