#pragma once
#include "engine/run.h"
#include "results/charts.h"
#include "results/report_layouts.h"
#include "ui/table_model.h"
#include "ui/work_window.h"

#include <array>
#include <functional>
#include <memory>
#include <optional>
#include <string>

class QCheckBox;
class QComboBox;
class QLineEdit;
class QTabWidget;
class QTableView;

namespace demovia::ui {

class ChartView;
class ChecksPage;
class IndicatorsPage;

// The results browser: every table a run writes, the projected population of
// one chosen year by single age, by age group and per municipality, and the
// export and print of the focused grid.
class TfrmResultados : public WorkWindow {
    Q_OBJECT
public:
    TfrmResultados(UiContext& ctx, QWidget* parent = nullptr);
    ~TfrmResultados() override;

    // Every grid empty, the first projected year 0, the first page and tab,
    // an empty year list. Also called at the start of every run.
    void resetaForm() override;
    // Shows the project's tables that exist and, when the project has
    // projected years, lists them and shows the first.
    void projectOpened(const ProjectDetails& details) override;
    // A run ended: its tables are shown again, its years listed and the
    // first of them shown.
    void runFinished(const RunOutcome& outcome);

    // Shows a laid-out report; the print preview unless replaced (tests).
    std::function<void(const ReportDocument&)> showReport;
    // The file a chart is saved to (.png or .svg); a file dialog unless
    // replaced (tests). nullopt: cancelled.
    std::function<std::optional<std::string>()> chooseChartFile;

public slots:
    void sb_pesq_anoClick();   // Show year
    void sb_localizarClick();  // Locate municipality
    void tb_exportaClick();
    void tb_imprimeClick();
    void sb_desenharClick();          // draws the chart chosen on the page "Gráficos"
    void sb_salvar_graficoClick();    // saves it as PNG or SVG
    void sb_imprimir_graficoClick();  // prints it through the reports' preview

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // The grids in the order the commands test them.
    enum Grid {
        CrUfp, CrUf, CrUfMun, FatorK, Interpolacao, TefProj, Tefm, TefAmen, Rcm, NascSexo,
        PsFinais, PsFinFx, PsFinTot, GridCount
    };

    QTableView* makeGrid(Grid g, QWidget* parent);
    QWidget* titled(const char* title, QTableView* grid, QWidget* parent);
    // Re-reads the intermediate tables from the project folder; false, with
    // the text of the failure, when one could not be read.
    bool loadIntermediate(std::string& failure);
    void fillYears(const std::vector<int>& years);
    int focusedGrid() const;
    std::string statementOf(int grid) const;
    QWidget* makeChartPage(QWidget* parent);

    std::array<TableModel*, GridCount> m_models{};
    std::array<QTableView*, GridCount> m_grids{};
    std::string m_yearFile;  // the file the year grid shows ("" while none)
    std::string m_fxQuery;   // the age-group query's text
    std::string m_totQuery;  // the totals query's text
    QComboBox* m_years;
    QLineEdit* m_munCode;
    QTabWidget* m_pages;
    QTabWidget* m_intermediate;
    std::unique_ptr<SqlEngine> m_sql;
    // The page "Gráficos".
    QComboBox* m_chartKind;
    QComboBox* m_chartYear;
    QComboBox* m_chartCompare;
    QLineEdit* m_chartMun;
    QCheckBox* m_chartGroups;
    QCheckBox* m_chartPercent;
    QComboBox* m_chartIndicator;
    ChartView* m_chart;
    IndicatorsPage* m_indicatorsPage;
    ChecksPage* m_checksPage;
    int m_census1Year = 0;
    int m_census2Year = 0;

    // The year list and census 2 of the analysis pages.
    void setAnalysisSource(const std::vector<int>& years);
};

} // namespace demovia::ui
