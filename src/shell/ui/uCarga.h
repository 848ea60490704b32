#pragma once
#include "data/dialogs.h"
#include "data/table.h"
#include "data/text_exchange.h"

#include <QDialog>

class QListWidget;
class QProgressBar;
class QTimer;

namespace demovia::ui {

// The loading window: opens the reference tables when it first becomes
// active and closes itself shortly after the last one. The person cannot
// close it.
class TfrmCarga : public QDialog {
    Q_OBJECT
public:
    TfrmCarga(const fs::path& appDir, NumberFormat format, Dialogs& dialogs, QWidget* parent = nullptr,
              int closeDelayMs = 1000);

    // True when a table could not be opened: the application is to end.
    bool failed() const { return m_failed; }
    QStringList lines() const;

    void reject() override; // Escape does not close it

protected:
    void showEvent(QShowEvent* e) override;
    void closeEvent(QCloseEvent* e) override;

private:
    void load();
    void timer_fecharTimer();

    fs::path m_appDir;
    NumberFormat m_format;
    Dialogs& m_dialogs;
    QProgressBar* pb_carga;
    QListWidget* lb_carga;
    QTimer* timer_fechar;
    bool m_started = false;
    bool m_failed = false;
    bool m_closing = false;
};

} // namespace demovia::ui
