#pragma once
#include "data/sql_engine.h"
#include "shell/registry.h"
#include "ui/work_window.h"

#include <QDialog>

class QTabWidget;
class QTableView;

namespace demovia::ui {

class EditableTableModel;

// The Karup-King and Sprague multipliers, one page each, and their import.
// The grids are edited in place: a changed row is written when it is left
// (or the window closes), rows are added at the end and deleted after a
// confirmation.
class TfrmCoefs_Interp : public QDialog {
    Q_OBJECT
public:
    explicit TfrmCoefs_Interp(UiContext& ctx, QWidget* parent = nullptr);
    ~TfrmCoefs_Interp() override;

    void importaClick();
    // Closing writes the row being changed, as leaving it would.
    void done(int result) override;

private:
    void open(EditableTableModel* model, const std::string& file);

    UiContext& m_ctx;
    SqlEngine m_sql;
    Registry m_registry;
    QTabWidget* m_pages = nullptr;
    EditableTableModel* m_kking = nullptr;
    EditableTableModel* m_sprague = nullptr;
};

} // namespace demovia::ui
