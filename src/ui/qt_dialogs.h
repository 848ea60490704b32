#pragma once
#include "data/dialogs.h"

class QWidget;

namespace demovia::ui {

// Dialogs shown as Qt message boxes and file dialogs, captioned with the
// application title.
class QtDialogs : public demovia::Dialogs {
public:
    explicit QtDialogs(QWidget* parent = nullptr) : m_parent(parent) {}

    void message(Kind kind, const std::string& text) override;
    bool confirm(const std::string& text) override;
    std::optional<std::string> chooseOpenFile(const std::string& title) override;
    std::optional<std::string> chooseSaveFile() override;
    std::optional<std::string> inputBox(const std::string& title, const std::string& prompt,
                                        const std::string& defaultText) override;
    void setBusy(bool busy) override;
    void beep() override;

    void setStartFolder(const std::string& folder) { m_folder = folder; }

private:
    QWidget* m_parent;
    std::string m_folder;
};

} // namespace demovia::ui
