#pragma once

#include <deque>
#include <string>
#include <vector>

#include "app/UserDialogs.h"

namespace foldcraft::test {

// A test double for the dialogs: records each question and hands out the answers
// queued by the test, in order. With no answer queued, a message box answers
// fallbackAnswer and a file or colour dialog is cancelled.
class RecordingUserDialogs : public IUserDialogs {
public:
    struct Call {
        std::string kind;  // "message", "open", "openMany", "save", "directory", "color", "url", "editText"
        QString text;      // message text, caption or URL
        Buttons buttons = Buttons::kOk;
    };

    std::vector<Call> calls;
    std::deque<Answer> answers;
    std::deque<QStringList> files;   // answers of the file and directory dialogs
    std::deque<std::optional<QColor>> colors;
    std::deque<std::optional<QString>> texts;  // answers of the Edit Text dialog
    Answer fallbackAnswer = Answer::kCancel;
    bool openUrlResult = true;

    Answer Message(QWidget*, const QString& text, Buttons buttons, Icon) override {
        calls.push_back({"message", text, buttons});
        return Next(answers, fallbackAnswer);
    }
    QString OpenFileName(QWidget*, const QString& caption, const QString&, const QString&) override {
        calls.push_back({"open", caption});
        return Next(files, QStringList{}).value(0);
    }
    QStringList OpenFileNames(QWidget*, const QString& caption, const QString&, const QString&) override {
        calls.push_back({"openMany", caption});
        return Next(files, QStringList{});
    }
    QString SaveFileName(QWidget*, const QString& caption, const QString&, const QString&) override {
        calls.push_back({"save", caption});
        return Next(files, QStringList{}).value(0);
    }
    QString ExistingDirectory(QWidget*, const QString& caption, const QString&) override {
        calls.push_back({"directory", caption});
        return Next(files, QStringList{}).value(0);
    }
    std::optional<QColor> Color(QWidget*, const QColor&) override {
        calls.push_back({"color", {}});
        return Next(colors, std::optional<QColor>{});
    }
    bool OpenUrl(const QUrl& url) override {
        calls.push_back({"url", url.toString()});
        return openUrlResult;
    }

    std::optional<QString> EditText(QWidget*, const QString& caption, const QString&) override {
        calls.push_back({"editText", caption});
        return Next(texts, std::optional<QString>{});
    }

    // The texts of the message boxes shown so far, in order.
    QStringList Messages() const {
        QStringList texts;
        for (const auto& call : calls)
            if (call.kind == "message") texts << call.text;
        return texts;
    }

private:
    template <typename T>
    static T Next(std::deque<T>& queue, T fallback) {
        if (queue.empty()) return fallback;
        T value = std::move(queue.front());
        queue.pop_front();
        return value;
    }
};

}  // namespace foldcraft::test
