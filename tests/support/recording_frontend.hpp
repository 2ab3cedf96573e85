#pragma once

#include "shell/frontend.hpp"

#include <deque>
#include <functional>
#include <string>
#include <vector>

namespace pixtrail::testing {

/// A frontend that remembers what the core asked of it and answers questions as told.
class RecordingFrontend : public shell::Frontend {
public:
    struct Message {
        shell::MessageKind kind;
        std::string title;
        std::string text;
    };

    std::vector<Message> messages;
    std::vector<std::string> questions;
    bool answerYes = false;
    std::deque<bool> answers;       ///< the next answers, before answerYes is used
    std::vector<std::string> lines; ///< the progress list as the user sees it
    int selected = -1;
    std::vector<bool> busy;
    std::vector<bool> runButtons;
    std::function<void()> onPump; ///< called on every pumpEvents

    void showMessage(shell::MessageKind kind, const std::string& title,
                     const std::string& text) override {
        messages.push_back({kind, title, text});
    }
    bool askYesNo(const std::string&, const std::string& text, shell::QuestionIcon) override {
        questions.push_back(text);
        if (answers.empty())
            return answerYes;
        const bool yes = answers.front();
        answers.pop_front();
        return yes;
    }
    void progressCleared() override {
        lines.clear();
        selected = -1;
    }
    void progressLineAdded(int index, const std::string& text) override {
        lines.resize(static_cast<size_t>(index) + 1);
        lines[static_cast<size_t>(index)] = text;
    }
    void progressLineChanged(int index, const std::string& text) override {
        lines.at(static_cast<size_t>(index)) = text;
    }
    void progressLineSelected(int index) override { selected = index; }
    void progressValueChanged(int) override {}
    void captionChanged(const std::string&) override {}
    void busyChanged(bool b) override { busy.push_back(b); }
    void runButtonsChanged(bool active) override { runButtons.push_back(active); }
    void pumpEvents() override {
        if (onPump)
            onPump();
    }

    /// Texts of the messages of one kind.
    std::vector<std::string> texts(shell::MessageKind kind) const {
        std::vector<std::string> out;
        for (const auto& m : messages)
            if (m.kind == kind)
                out.push_back(m.text);
        return out;
    }
};

} // namespace pixtrail::testing
