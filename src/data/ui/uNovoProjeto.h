#pragma once
#include "data/ui/project_dialog.h"

class QComboBox;
class QLineEdit;

namespace demovia::ui {

// "Criando um novo projeto": state, name and description of a new project.
class TfrmNovoProjeto : public ProjectDialog {
    Q_OBJECT
public:
    TfrmNovoProjeto(ProjectHost& host, QWidget* parent = nullptr);

    void bb_criarClick();

protected:
    void showEvent(QShowEvent* e) override;

private:
    QComboBox* cb_uf;
    QLineEdit* eb_novo;
    QPlainTextEdit* mm_descricao_nova;
    QPushButton* bb_criar;
    QPushButton* bb_fechar;
};

} // namespace demovia::ui
