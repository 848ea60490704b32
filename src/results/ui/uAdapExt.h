#pragma once
#include "ui/work_window.h"

#include <exception>
#include <string>
#include <vector>

class QCheckBox;
class QComboBox;
class QLineEdit;
class QPushButton;
class QTabWidget;
class QTableView;
class QToolButton;

namespace demovia::ui {

class EditableTableModel;
class TableModel;

// "Adaptador de projeções externas ao sistema Demovia": imports municipal
// totals projected elsewhere and gives them the age and sex structure of the
// project's year table. The grids are read-only in this version.
class TfrmAdapExt : public WorkWindow {
    Q_OBJECT
public:
    TfrmAdapExt(UiContext& ctx, QWidget* parent = nullptr);

    void resetaForm() override;
    void projectOpened(const ProjectDetails& details) override;

    void tb_importaClick();
    void tb_exportaClick();
    void sb_localizarClick();
    void sb_processarClick();

private:
    void addYears(const std::vector<std::string>& years);

    QToolButton* m_import = nullptr;
    QToolButton* m_export = nullptr;
    QLineEdit* m_mun = nullptr;
    QPushButton* m_search = nullptr;
    QComboBox* m_years = nullptr;
    QPushButton* m_process = nullptr;
    QCheckBox* m_prorate = nullptr;
    QTabWidget* m_pages = nullptr;
    QTableView* m_gridOrigin = nullptr;
    QTableView* m_gridAges = nullptr;
    QTableView* m_gridGroups = nullptr;
    EditableTableModel* m_origin = nullptr;
    EditableTableModel* m_ages = nullptr;
    TableModel* m_groups = nullptr;
    std::string m_groupStatement; // the age-group view's query while it is open
    std::string m_adaptedPath;    // the adapted table shown in grd_idade
};

} // namespace demovia::ui
