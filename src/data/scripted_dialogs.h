#pragma once
#include "data/dialogs.h"

#include <deque>
#include <string>
#include <vector>

namespace demovia {

// Dialogs driven by a script: answers are taken from queues, every message
// and question is recorded. Used by the tests and by the command line.
class ScriptedDialogs : public Dialogs {
public:
    struct Entry {
        std::string kind; // "warning", "error", "information", "confirm", "input"
        std::string text;
    };

    void message(Kind kind, const std::string& text) override;
    bool confirm(const std::string& text) override;
    std::optional<std::string> chooseOpenFile(const std::string& title) override;
    std::optional<std::string> chooseSaveFile() override;
    std::optional<std::string> inputBox(const std::string& title, const std::string& prompt,
                                        const std::string& defaultText) override;
    void beep() override { ++beeps; }

    // Answers. An empty queue answers No / cancel (confirmDefault for questions).
    std::deque<bool> confirmAnswers;
    bool confirmDefault = false;
    std::deque<std::optional<std::string>> openFiles;
    std::deque<std::optional<std::string>> saveFiles;
    std::deque<std::optional<std::string>> inputs;

    std::vector<Entry> log;
    int beeps = 0;

    // Optional echo of every message (the command line prints them).
    bool echoToStderr = false;

    std::string lastText() const { return log.empty() ? std::string() : log.back().text; }
    bool saw(const std::string& kind, const std::string& textPart) const;
};

} // namespace demovia
