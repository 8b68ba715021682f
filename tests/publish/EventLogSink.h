#pragma once

// A log sink that records what the user would see of a publish run, in order: each
// show of the log (text appended with nothing else in between counts as one show),
// the progress bar, the scrolls, the pauses and the Close button.

#include <string>
#include <string_view>
#include <vector>

#include "publish/LogSink.h"

namespace foldcraft::test {

class EventLogSink : public ILogSink {
public:
    void AppendText(std::string_view text) override {
        if (!events.empty() && events.back().rfind("show:", 0) == 0) {
            events.back() += text;
        } else {
            events.push_back("show:" + std::string(text));
        }
    }
    void SetProgress(int percent) override {
        events.push_back("progress:" + std::to_string(percent));
    }
    void Scroll(int lines) override { events.push_back("scroll:" + std::to_string(lines)); }
    void EnableClose(bool enabled) override {
        events.push_back(enabled ? "close:on" : "close:off");
    }
    // The run's pause hook.
    PublishPauseHook Pauses() {
        return [this](int ms) { events.push_back("pause:" + std::to_string(ms)); };
    }
    // All the text shown, in one.
    std::string Shown() const {
        std::string text;
        for (const std::string& e : events) {
            if (e.rfind("show:", 0) == 0) text += e.substr(5);
        }
        return text;
    }
    // The events one a line, a line break in them written as \n (as the fixtures hold them).
    std::string Transcript() const {
        std::string lines;
        for (const std::string& e : events) {
            for (const char c : e) lines += c == '\n' ? std::string("\\n") : std::string(1, c);
            lines += '\n';
        }
        return lines;
    }

    std::vector<std::string> events;
};

}  // namespace foldcraft::test
