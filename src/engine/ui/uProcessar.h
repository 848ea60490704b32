#pragma once
#include "engine/run.h"
#include "ui/table_model.h"
#include "ui/work_window.h"

#include <functional>
#include <string>

class QComboBox;
class QLabel;
class QLineEdit;
class QSlider;
class QStatusBar;
class QTabWidget;
class QTableView;
class QToolButton;
class QWidget;

namespace demovia::ui {

class TfrmProcessando;

// The pre-processing window: the grouped census tables, how many steps to
// run and which multipliers to use, and the command that starts a run.
class TfrmProcessar : public WorkWindow {
    Q_OBJECT
public:
    TfrmProcessar(UiContext& ctx, QWidget* parent = nullptr);

    // Empty grids, tab "Por UF", side panel shown; the step count and the
    // multiplier choice stay as they are.
    void resetaForm() override;
    void projectOpened(const ProjectDetails& details) override;
    // Shows Tot_UF, Tot_UFM and TCensos1 of the open project, those that exist
    // (after the census grouping and when a project is opened).
    void showGroupedTables();

    TfrmProcessando& processando() { return *m_processando; }

    // Set by the main window.
    std::function<CensusDates()> censusDates;          // the census window's year boxes and months
    std::function<std::string()> sexRatioText;         // the larger-area window's sex ratio box
    std::function<void()> minimiseAll;                 // "Minimizar todas"
    std::function<void(RunMonitor&)> offerKModifiers;  // step 2's offer of the K modifier models
    std::function<void(const RunOutcome&)> onRunFinished; // after the processing window closes

public slots:
    void tb_processaClick();
    void tb_exportaClick();
    void sb_localizarClick();
    void tkb_processosChange();
    void showSteps(bool show); // Conf_Passos

private:
    QTableView* makeGrid(const char* name, TableModel* model);
    void load(TableModel* model, const char* file);

    QToolButton* m_export;
    QToolButton* m_print;
    QToolButton* m_run;
    QLineEdit* m_munCode;
    QWidget* m_steps;
    QSlider* m_stepCount;
    QLabel* m_stepLabels[7];
    QComboBox* m_method;
    QTabWidget* m_pages;
    TableModel* m_uf;
    TableModel* m_ufMun;
    TableModel* m_detail;
    QTableView* m_gridUf;
    QTableView* m_gridUfMun;
    QTableView* m_gridDetail;
    QStatusBar* m_status;
    TfrmProcessando* m_processando;
};

} // namespace demovia::ui
