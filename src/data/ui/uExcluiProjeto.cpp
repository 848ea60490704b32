#include "data/ui/uExcluiProjeto.h"

#include <QGroupBox>
#include <QHBoxLayout>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace demovia::ui {

TfrmExcluiProjeto::TfrmExcluiProjeto(ProjectHost& host, QWidget* parent) : ProjectDialog(host, parent)
{
    setObjectName("frmExcluiProjeto");
    setWindowTitle("Excluindo um projeto existente");
    lb_trabs->setToolTip("Projetos disponíveis");
    mm_descricao->setToolTip("Detalhes do projeto selecionado");

    bb_excluir = makeButton("bb_excluir", "&Excluir", "Exclui o projeto selecionado");
    bb_fechar = makeButton("bb_fechar", "&Fechar", "Fecha a tela");
    connect(bb_excluir, &QPushButton::clicked, this, &TfrmExcluiProjeto::bb_excluirClick);
    connect(bb_fechar, &QPushButton::clicked, this, &QDialog::reject);
    connect(this, &ProjectDialog::selectionChanged, this, [this] { bb_excluir->setEnabled(selectedEntry()); });

    auto* top = new QHBoxLayout;
    top->addWidget(listPanel(), 1);
    top->addWidget(descriptionPanel(), 2);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(bb_excluir);
    buttons->addWidget(bb_fechar);
    auto* lay = new QVBoxLayout(this);
    lay->addLayout(top, 1);
    lay->addLayout(buttons);
    resize(480, 280);
}

void TfrmExcluiProjeto::showEvent(QShowEvent* e)
{
    ProjectDialog::showEvent(e);
    listaProjetos();
    lb_trabs->setFocus();
}

void TfrmExcluiProjeto::bb_excluirClick()
{
    const ProjectEntry* entry = selectedEntry();
    if (!entry)
        return;
    if (deleteProject(m_ctx.state, entry->name, m_ctx.dialogs))
        listaProjetos();
}

} // namespace demovia::ui
