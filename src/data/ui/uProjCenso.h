#pragma once
#include "data/larger_area.h"
#include "ui/work_window.h"

#include <functional>
#include <string>

class QLineEdit;
class QSplitter;
class QTabWidget;
class QTableView;
class QToolButton;

namespace demovia::ui {

class TableModel;

// "Projeção do Censo (Área maior)": imports the state's projection, fertility
// rates and survival ratios at birth, and holds the sex ratio at birth.
class TfrmProjCenso : public WorkWindow {
    Q_OBJECT
public:
    TfrmProjCenso(UiContext& ctx, QWidget* parent = nullptr);

    void resetaForm() override;
    void projectOpened(const ProjectDetails& details) override;
    void storeDetails(ProjectDetails& details) const override;

    // The sex ratio box as shown (boys born per 100 girls).
    std::string sexRatioText() const;

    // The default sex ratio of the general configuration, read at each reset;
    // "105" while unset.
    std::function<std::string()> defaultSexRatio;

    // "&Importa": into the table of the page shown.
    void tb_importaClick();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void showTable(LargerAreaTable t);
    void showAveraged();

    QTabWidget* m_pages = nullptr;
    QTableView* m_grid[3] = {};    // by LargerAreaTable
    TableModel* m_model[3] = {};
    QTableView* m_averagedGrid = nullptr;
    TableModel* m_averaged = nullptr;
    QSplitter* m_splitter = nullptr;
    QLineEdit* m_sexRatio = nullptr;
    QToolButton* m_import = nullptr;
};

} // namespace demovia::ui
