#pragma once
#include "results/k_modifiers.h"
#include "ui/work_window.h"

#include <string>
#include <vector>

class QComboBox;
class QLineEdit;
class QListWidget;
class QPushButton;
class QTableView;
class QToolButton;

namespace demovia::ui {

class TableModel;

// "Modificadores de fator K": the modifier models of the project and their
// modifiers, kept in k_mod.dbf.
class TfrmK_Mod : public WorkWindow {
    Q_OBJECT
public:
    TfrmK_Mod(UiContext& ctx, QWidget* parent = nullptr);

    // Empties the model list and closes the table; asks whether the
    // municipality list is to be made again, unless a new project is being made.
    void resetaForm() override;
    // The model list from k_mod.dbf, or an empty k_mod.dbf when there is none.
    void projectOpened(const ProjectDetails& details) override;

    // Refills the municipality list from the grouped census totals (after the grouping).
    void buildMunicipalityList();

    // The model list as shown (sorted) and the selection in it.
    std::vector<std::string> modelNames() const { return m_core.models(); }
    // Selects the entry at index (-1: none) and limits the grid to its model.
    void selectModel(int index);
    // The modifiers of the selected model, in table order.
    std::vector<KModifier> selectedModifiers() const;

    // The commands, as the buttons run them.
    void tb_novo_arquivoClick();
    void tb_novo_modeloClick();
    void tb_exclui_modeloClick();
    void tb_lista_munClick() { buildMunicipalityList(); }
    void bb_inserirClick();
    void bb_alterarClick();
    void bb_removerClick();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void prepare();         // the core's folders from the state
    void showModels();      // list and grid from the core
    void showRows();        // grid: rows of the selected model, the first one current
    int currentRow() const; // grid row, 0 when none
    KModifierInput input() const;
    void guarded(const std::function<void()>& command);

    KModifiers m_core;
    QListWidget* m_models = nullptr;
    QComboBox* m_mun = nullptr;
    QComboBox* m_sexo = nullptr;
    QComboBox* m_faixa = nullptr;
    QComboBox* m_operacao = nullptr;
    QLineEdit* m_valor = nullptr;
    QTableView* m_grid = nullptr;
    TableModel* m_gridModel = nullptr;
};

} // namespace demovia::ui
