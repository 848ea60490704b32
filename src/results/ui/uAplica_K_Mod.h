#pragma once
#include "engine/run.h"

#include <QDialog>

#include <functional>

class QListWidget;

namespace demovia::ui {

class TfrmK_Mod;
struct UiContext;

// "Aplicação do K Modificado": at the end of the K factor step, applies one
// modifier model to fator_k.dbf or leaves it as it is. Closed only through
// its two buttons.
class TfrmAplica_K_Mod : public QDialog {
    Q_OBJECT
public:
    TfrmAplica_K_Mod(UiContext& ctx, TfrmK_Mod& kmod, RunMonitor& monitor, QWidget* parent = nullptr);

    void bb_aplicarClick();
    void bb_ignorarClick() { done(QDialog::Rejected); }

    // Escape and the window manager do not close it.
    void reject() override {}

private:
    UiContext& m_ctx;
    TfrmK_Mod& m_kmod;
    RunMonitor& m_monitor;
    QListWidget* m_models = nullptr;
};

// What step 2 calls after writing fator_k.dbf: the dialog, modal, when the
// K modifier window lists at least one model; nothing otherwise.
std::function<void(RunMonitor&)> kModifierOffer(UiContext& ctx, TfrmK_Mod& kmod);

} // namespace demovia::ui
