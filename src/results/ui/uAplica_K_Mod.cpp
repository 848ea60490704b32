#include "results/ui/uAplica_K_Mod.h"

#include "results/k_modifiers.h"
#include "results/ui/uK_Mod.h"
#include "ui/work_window.h"

#include <QGroupBox>
#include <QHBoxLayout>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

namespace demovia::ui {

TfrmAplica_K_Mod::TfrmAplica_K_Mod(UiContext& ctx, TfrmK_Mod& kmod, RunMonitor& monitor, QWidget* parent)
    : QDialog(parent), m_ctx(ctx), m_kmod(kmod), m_monitor(monitor)
{
    setObjectName("frmAplica_K_Mod");
    setWindowTitle("Aplicação do K Modificado");
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint);
    setModal(true);

    auto* box = new QGroupBox(" Modelos disponíveis", this);
    auto* boxLay = new QVBoxLayout(box);
    m_models = new QListWidget(box);
    m_models->setObjectName("lb_modelos");
    m_models->setSortingEnabled(true);
    boxLay->addWidget(m_models);

    auto* aplicar = new QPushButton("&Aplicar", this);
    aplicar->setObjectName("bb_aplicar");
    aplicar->setAutoDefault(false);
    auto* ignorar = new QPushButton("&Ignorar", this);
    ignorar->setObjectName("bb_ignorar");
    ignorar->setAutoDefault(false);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(aplicar);
    buttons->addWidget(ignorar);
    auto* lay = new QVBoxLayout(this);
    lay->addWidget(box, 1);
    lay->addLayout(buttons);
    resize(300, 260);

    for (const std::string& m : kmod.modelNames())
        m_models->addItem(QString::fromStdString(m));
    if (m_models->count() > 0)
        m_models->setCurrentRow(0);

    connect(aplicar, &QPushButton::clicked, this, [this] { bb_aplicarClick(); });
    connect(ignorar, &QPushButton::clicked, this, [this] { bb_ignorarClick(); });
}

void TfrmAplica_K_Mod::bb_aplicarClick()
{
    const int index = m_models->currentRow();
    if (index < 0)
        return;
    // Both lists are sorted and hold the same names: the same position is the same model.
    m_kmod.selectModel(index);
    const ApplyResult result = applyKModel(m_ctx.state.projectDir, m_models->item(index)->text().toStdString(),
                                           m_kmod.selectedModifiers(), m_monitor, m_ctx.dialogs);
    if (result != ApplyResult::NoModifier)
        done(QDialog::Accepted);
}

std::function<void(RunMonitor&)> kModifierOffer(UiContext& ctx, TfrmK_Mod& kmod)
{
    return [&ctx, &kmod](RunMonitor& monitor) {
        if (kmod.modelNames().empty())
            return;
        TfrmAplica_K_Mod dialog(ctx, kmod, monitor);
        dialog.exec();
    };
}

} // namespace demovia::ui
