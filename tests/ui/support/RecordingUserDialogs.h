#pragma once

#include <deque>
#include <string>
#include <vector>

#include "ui/common/UserDialogs.h"

namespace foldcraft::test {

// A test double for the dialogs: records each question and hands out the answers
// queued by the test, in order. With no answer queued, a message box answers Cancel
// and a file, colour or text dialog is cancelled.
class RecordingUserDialogs : public IUserDialogs {
public:
    struct Call {
        std::string kind;  // "message", "open", "openMany", "save", "directory", "color", "url",
                           // "mail", "editText"
        QString text;      // message text, caption, URL or path
        // Of a message box.
        Buttons buttons = Buttons::kOk;
        Icon icon = Icon::kInformation;
        QString copyText = {};  // of a message with a copy button
    };

    std::vector<Call> calls;
    std::deque<Answer> answers;
    std::deque<QStringList> files;  // answers of the file and directory dialogs
    std::deque<std::optional<QColor>> colors;
    std::deque<std::optional<QString>> texts;  // answers of the Edit Text dialog
    bool opens = true;                         // whether the desktop's openers work

    Answer Message(QWidget*, const QString& text, Buttons buttons, Icon icon) override {
        const Answer answer = Record("message", text, answers, Answer::kCancel);
        calls.back().buttons = buttons;
        calls.back().icon = icon;
        return answer;
    }
    QString OpenFileName(QWidget*, const QString& title, const QString&, const QString&) override {
        return Record("open", title, files, {}).value(0);
    }
    QStringList OpenFileNames(QWidget*, const QString& title, const QString&,
                              const QString&) override {
        return Record("openMany", title, files, {});
    }
    QString SaveFileName(QWidget*, const QString& title, const QString&, const QString&) override {
        return Record("save", title, files, {}).value(0);
    }
    QString ExistingDirectory(QWidget*, const QString& caption, const QString&) override {
        return Record("directory", caption, files, {}).value(0);
    }
    // Records the colour the chooser opens at as the call's text ("#rrggbb").
    std::optional<QColor> Color(QWidget*, const QColor& initial) override {
        return Record("color", initial.name(), colors, {});
    }
    bool OpenUrl(const QUrl& url) override {
        calls.push_back({"url", url.toString()});
        return opens;
    }
    bool MailFile(const QString& path) override {
        calls.push_back({"mail", path});
        return opens;
    }
    void MessageWithCopy(QWidget*, const QString& text, const QString&,
                         const QString& copyText) override {
        calls.push_back({"message", text, Buttons::kOk, Icon::kWarning, copyText});
    }
    QString offeredText;  // the text the Edit Text dialog last opened with
    std::optional<QString> EditText(QWidget*, const QString& caption,
                                    const QString& text) override {
        offeredText = text;
        return Record("editText", caption, texts, {});
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
    T Record(const char* kind, const QString& text, std::deque<T>& queue, T fallback) {
        calls.push_back({kind, text});
        if (queue.empty()) return fallback;
        T value = std::move(queue.front());
        queue.pop_front();
        return value;
    }
};

}  // namespace foldcraft::test
