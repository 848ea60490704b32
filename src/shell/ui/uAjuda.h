#pragma once
#include "ui/work_window.h"

#include <QWidget>

class QComboBox;
class QTextEdit;

namespace demovia::ui {

// The help window: one of the manuals of the help folder, chosen in a list.
// It stays in front of the other windows and is not modal; every "Manual"
// command opens one more.
class TfrmAjuda : public QWidget {
    Q_OBJECT
public:
    explicit TfrmAjuda(UiContext& ctx, QWidget* parent = nullptr);

    void cb_manualChange();

protected:
    void showEvent(QShowEvent* e) override;

private:
    UiContext& m_ctx;
    QComboBox* cb_manual;
    QTextEdit* re_manual;
    bool m_shown = false;
};

} // namespace demovia::ui
