#pragma once
#include "ui/work_window.h"

#include <functional>
#include <string>

class QComboBox;
class QLineEdit;
class QRadioButton;
class QStatusBar;
class QTabWidget;
class QTableView;
class QToolButton;
class QPushButton;

namespace demovia::ui {

class TableModel;

// "Arquivos dos censos iniciais": imports the two censuses, keeps their dates
// and groups them into age groups.
class TfrmCensos : public WorkWindow {
    Q_OBJECT
public:
    TfrmCensos(UiContext& ctx, QWidget* parent = nullptr);

    void resetaForm() override;
    void projectOpened(const ProjectDetails& details) override;
    void storeDetails(ProjectDetails& details) const override;

    // "&Agrupa" is enabled when both file boxes hold something other than blanks.
    void atualizaAgrupa();
    CensusDates censusDates() const;

    // Called after a successful grouping: the main window shows the
    // pre-processing window and builds the K-modifier municipality list.
    std::function<void()> onGrouped;

    // The commands, as the buttons run them.
    void tb_importaClick();
    void tb_agrupaClick();
    void sb_localizarClick();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void yearBoxLeft(QLineEdit* box);
    void showCensus(int census);

    QTabWidget* m_pages = nullptr;
    QRadioButton* m_rb[2] = {};
    QComboBox* m_month[2] = {};
    QLineEdit* m_year[2] = {};
    QLineEdit* m_file[2] = {};
    QLineEdit* m_count[2] = {};
    QTableView* m_grid[2] = {};
    TableModel* m_model[2] = {};
    QLineEdit* m_mun = nullptr;
    QPushButton* m_search = nullptr;
    QToolButton* m_import = nullptr;
    QToolButton* m_group = nullptr;
    QStatusBar* m_status = nullptr;
};

} // namespace demovia::ui
