#pragma once
#include <optional>
#include <string>

namespace demovia {

// How the core talks to the person. The windows implement it with message
// boxes, the command line with standard error and flags, the tests with a
// script of answers. Texts use '\n' for a line break.
class Dialogs {
public:
    enum class Kind { Warning, Error, Information };

    virtual ~Dialogs() = default;

    virtual void message(Kind kind, const std::string& text) = 0;
    // Yes/No question; true means Yes.
    virtual bool confirm(const std::string& text) = 0;
    // Open / save file choosers; nullopt when the person cancels.
    virtual std::optional<std::string> chooseOpenFile(const std::string& title) = 0;
    virtual std::optional<std::string> chooseSaveFile() = 0;
    virtual std::optional<std::string> inputBox(const std::string& title, const std::string& prompt,
                                                const std::string& defaultText) = 0;
    virtual void setBusy(bool /*busy*/) {}
    virtual void beep() {}

    void warning(const std::string& text) { message(Kind::Warning, text); }
    void error(const std::string& text) { message(Kind::Error, text); }
    void information(const std::string& text) { message(Kind::Information, text); }
};

// Shows the busy pointer for the lifetime of the guard, and removes it on
// every way out, failures included.
class BusyGuard {
public:
    explicit BusyGuard(Dialogs& d) : m_d(d) { m_d.setBusy(true); }
    ~BusyGuard() { m_d.setBusy(false); }
    BusyGuard(const BusyGuard&) = delete;
    BusyGuard& operator=(const BusyGuard&) = delete;

private:
    Dialogs& m_d;
};

// The general error report's text: a full stop is added unless the text
// already ends with one or with a character that sorts before it.
std::string generalErrorText(const std::string& text);

} // namespace demovia
