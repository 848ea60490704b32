#pragma once
#include "data/dialogs.h"
#include "engine/run.h"

#include <QDialog>

#include <functional>
#include <optional>

class QLabel;
class QListWidget;
class QProgressBar;
class QPushButton;

namespace demovia::ui {

// The window a run takes place in: the step log, the remaining time and
// progress of the projection, and the button that cancels the run and then
// closes the window. It cannot be closed from its frame.
class TfrmProcessando : public QDialog, public RunMonitor {
    Q_OBJECT
public:
    explicit TfrmProcessando(Dialogs& dialogs, QWidget* parent = nullptr);

    // Empty log, "&Cancelar", "00:00:00", progress 0.
    void resetaForm();
    // The run the next showing performs, once.
    void prepareRun(RunContext ctx);
    // What the last run returned; empty when it has not ended normally
    // (not run yet, or an error stopped it).
    const std::optional<RunOutcome>& outcome() const { return m_outcome; }

    // Called as the run begins, before the steps: the results window is reset
    // and repainted here.
    std::function<void()> beforeRun;

    // RunMonitor
    void insertStep(const std::string& title) override;
    void appendLine(const std::string& line) override;
    void setProgressRange(int max) override;
    void setProgress(int position) override;
    void setRemainingTime(const std::string& hhmmss) override;
    void processEvents() override;
    void stepsEnded() override;

public slots:
    void bb_cancelaClick();
    void reject() override;

protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    void dispatch();

    Dialogs& m_dialogs;
    QListWidget* m_log;
    QLabel* m_remaining;
    QProgressBar* m_progress;
    QPushButton* m_button;
    std::optional<RunContext> m_pending;
    std::optional<RunOutcome> m_outcome;
    bool m_mayClose = false;
};

} // namespace demovia::ui
