#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "publish/LogSink.h"

namespace foldcraft::test {

// Records everything a publish run reports.
class RecordingLogSink : public ILogSink {
public:
    void AppendText(std::string_view text) override { log += text; }
    void SetProgress(int percent) override { progress.push_back(percent); }
    void Scroll(int lines) override { scrolls.push_back(lines); }
    void EnableClose(bool enabled) override { closeEnabled = enabled; }

    std::string log;
    std::vector<int> progress;
    std::vector<int> scrolls;
    bool closeEnabled = false;
};

}  // namespace foldcraft::test
