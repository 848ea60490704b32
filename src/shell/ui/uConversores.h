#pragma once
#include "shell/converter.h"
#include "ui/work_window.h"

#include <QDialog>

class QStatusBar;
class QTabBar;
class QTextEdit;
class QToolButton;

namespace demovia::ui {

// The text-file structure converter: one kind of file per tab, its layout
// described beside it, and "Converte" rewriting a chosen file in place.
class TfrmConversores : public QDialog {
    Q_OBJECT
public:
    explicit TfrmConversores(UiContext& ctx, QWidget* parent = nullptr);

    void tb_converteClick();
    void ts_arqsChange();

protected:
    void showEvent(QShowEvent* e) override;

private:
    UiContext& m_ctx;
    QToolButton* tb_converte;
    QToolButton* tb_fecha;
    QTabBar* ts_arqs;
    QTextEdit* re_detalhes;
    QStatusBar* sb_situacao;
};

} // namespace demovia::ui
