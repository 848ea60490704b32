#pragma once
#include "ui/work_window.h"

class QLineEdit;
class QToolButton;
class QGroupBox;

namespace demovia::ui {

// The general configuration: the default sex ratio at birth that every new
// project starts with. The box is what other windows read, not the file.
class TfrmConf : public WorkWindow {
    Q_OBJECT
public:
    explicit TfrmConf(UiContext& ctx, QWidget* parent = nullptr);

    // Fills the box from conf.ini; run once, at creation.
    void resetaForm() override;
    void valoresPadrao();
    void tb_gravaClick();

    // The text of Ed_QtdHom as typed.
    std::string sexRatio() const;

private:
    QToolButton* tb_grava;
    QGroupBox* pnl_popproj;
    QLineEdit* Ed_QtdHom;
};

} // namespace demovia::ui
