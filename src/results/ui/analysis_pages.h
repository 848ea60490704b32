#pragma once
#include "engine/plausibility.h"
#include "results/indicators.h"
#include "results/report_layouts.h"
#include "ui/work_window.h"

#include <QSortFilterProxyModel>
#include <QWidget>

#include <functional>
#include <optional>
#include <vector>

class QLabel;
class QLineEdit;
class QTableView;

namespace demovia::ui {

class TableModel;

// Sorts a table model's rows by the values themselves: numbers as numbers,
// empty cells first.
class TableSortProxy : public QSortFilterProxyModel {
public:
    using QSortFilterProxyModel::QSortFilterProxyModel;

protected:
    bool lessThan(const QModelIndex& left, const QModelIndex& right) const override;
};

// What the two pages share: the project's year list and census 2, and how a
// laid-out report is shown.
struct AnalysisSource {
    std::vector<int> years;
    int census2Year = 0;
};

// The page "Indicadores": the indicators of the state or of one municipality
// over census 2 and every projected year, sortable, exported and printed.
class IndicatorsPage : public QWidget {
    Q_OBJECT
public:
    IndicatorsPage(UiContext& ctx, std::function<void(const ReportDocument&)>& showReport, QWidget* parent);

    // Forgets what was computed; the grid empties.
    void setSource(AnalysisSource source);
    // The indicators of the project, computed on first use; nullptr (message
    // shown) when there is no projected year or a table cannot be read.
    const ProjectIndicators* indicators();

public slots:
    void sb_indicadoresClick(); // shows the area typed (empty: the state)
    void sb_exportar_indicadoresClick();
    void sb_imprimir_indicadoresClick();

protected:
    void showEvent(QShowEvent* event) override;

private:
    ResultSet shownRows() const;

    UiContext& m_ctx;
    std::function<void(const ReportDocument&)>& m_showReport;
    AnalysisSource m_source;
    std::optional<ProjectIndicators> m_indicators;
    std::optional<std::string> m_area; // the area shown: kStateArea or a code
    QLineEdit* m_mun;
    QLabel* m_note;
    TableModel* m_model;
    QTableView* m_grid;
};

// The page "Verificações": one row per municipality of the last run.
class ChecksPage : public QWidget {
    Q_OBJECT
public:
    ChecksPage(UiContext& ctx, std::function<void(const ReportDocument&)>& showReport, QWidget* parent);

    // A new source: the checks are run again when the page is next shown.
    void setSource(AnalysisSource source);
    // The checks a run has just made.
    void setChecks(std::vector<MunicipalityCheck> checks);

public slots:
    void sb_verificarClick(); // runs the checks over the year tables again
    void sb_exportar_verificacoesClick();
    void sb_imprimir_verificacoesClick();

protected:
    void showEvent(QShowEvent* event) override;

private:
    UiContext& m_ctx;
    std::function<void(const ReportDocument&)>& m_showReport;
    AnalysisSource m_source;
    std::optional<std::vector<MunicipalityCheck>> m_checks;
    QLabel* m_summary;
    TableModel* m_model;
    QTableView* m_grid;
};

// A result as the grids hold it: numbers in fields with their decimals.
Table tableOfResult(const ResultSet& rs);

} // namespace demovia::ui
