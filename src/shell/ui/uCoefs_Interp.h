#pragma once
#include "data/sql_engine.h"
#include "shell/registry.h"
#include "ui/work_window.h"

#include <QDialog>

class QTabWidget;
class QTableView;

namespace demovia::ui {

class TableModel;

// The Karup-King and Sprague multipliers, one page each, and their import.
// The grids are read-only: the tables change only through "&Importa".
class TfrmCoefs_Interp : public QDialog {
    Q_OBJECT
public:
    explicit TfrmCoefs_Interp(UiContext& ctx, QWidget* parent = nullptr);
    ~TfrmCoefs_Interp() override;

    void importaClick();

private:
    void open(TableModel* model, const std::string& file);

    UiContext& m_ctx;
    SqlEngine m_sql;
    Registry m_registry;
    QTabWidget* m_pages = nullptr;
    TableModel* m_kking = nullptr;
    TableModel* m_sprague = nullptr;
};

} // namespace demovia::ui
