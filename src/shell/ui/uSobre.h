#pragma once
#include "ui/work_window.h"

#include <QDialog>

class QLabel;
class QPlainTextEdit;
class QPushButton;

namespace demovia::ui {

// The about box: the module's version and facts about the computer, filled
// once each time it is shown.
class TfrmSobre : public QDialog {
    Q_OBJECT
public:
    explicit TfrmSobre(UiContext& ctx, QWidget* parent = nullptr);

    // The note under the screen size shows below 800 pixels of width.
    static bool resolutionNoteShown(int screenWidth) { return screenWidth < 800; }

protected:
    void showEvent(QShowEvent* e) override;

private:
    void fill();

    UiContext& m_ctx;
    QLabel* lb_so;
    QLabel* lb_versao;
    QLabel* lb_data;
    QLabel* lb_hora;
    QLabel* lb_memoria;
    QLabel* lb_situacao;
    QLabel* lb_disco;
    QLabel* lb_video;
    QLabel* lb_video_nota;
    QPlainTextEdit* OCaminho;
    QPushButton* FechaSobre;
    bool m_filled = false;
};

} // namespace demovia::ui
