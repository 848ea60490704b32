#pragma once
#include "data/ui/project_dialog.h"

namespace demovia::ui {

// "Excluindo um projeto existente".
class TfrmExcluiProjeto : public ProjectDialog {
    Q_OBJECT
public:
    TfrmExcluiProjeto(ProjectHost& host, QWidget* parent = nullptr);

    // Asks, deletes the selected project's folder and lists again; the open
    // project is refused. Nothing on the placeholder line.
    void bb_excluirClick();

protected:
    void showEvent(QShowEvent* e) override;

private:
    QPushButton* bb_excluir;
    QPushButton* bb_fechar;
};

} // namespace demovia::ui
