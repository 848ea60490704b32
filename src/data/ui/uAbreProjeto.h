#pragma once
#include "data/ui/project_dialog.h"

namespace demovia::ui {

// "Abrindo um projeto existente".
class TfrmAbreProjeto : public ProjectDialog {
    Q_OBJECT
public:
    TfrmAbreProjeto(ProjectHost& host, QWidget* parent = nullptr);

    // Opens the selected project; nothing on the placeholder line.
    void bb_abrirClick();

protected:
    void showEvent(QShowEvent* e) override;

private:
    QPushButton* bb_abrir;
    QPushButton* bb_fechar;
};

} // namespace demovia::ui
