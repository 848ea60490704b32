#include "data/ui/uAbreProjeto.h"

#include <QGroupBox>
#include <QHBoxLayout>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace demovia::ui {

TfrmAbreProjeto::TfrmAbreProjeto(ProjectHost& host, QWidget* parent) : ProjectDialog(host, parent)
{
    setObjectName("frmAbreProjeto");
    setWindowTitle("Abrindo um projeto existente");
    lb_trabs->setToolTip("Projetos disponíveis");
    mm_descricao->setToolTip("Detalhes do projeto selecionado");

    bb_abrir = makeButton("bb_abrir", "&Abrir", "Abre o projeto selecionado");
    bb_fechar = makeButton("bb_fechar", "&Fechar", "Fecha a tela");
    connect(bb_abrir, &QPushButton::clicked, this, &TfrmAbreProjeto::bb_abrirClick);
    connect(bb_fechar, &QPushButton::clicked, this, &QDialog::reject);
    connect(lb_trabs, &QListWidget::itemDoubleClicked, this, &TfrmAbreProjeto::bb_abrirClick);
    // There is nothing to open on the placeholder line.
    connect(this, &ProjectDialog::selectionChanged, this, [this] { bb_abrir->setEnabled(selectedEntry()); });

    auto* top = new QHBoxLayout;
    top->addWidget(listPanel(), 1);
    top->addWidget(descriptionPanel(), 2);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(bb_abrir);
    buttons->addWidget(bb_fechar);
    auto* lay = new QVBoxLayout(this);
    lay->addLayout(top, 1);
    lay->addLayout(buttons);
    resize(480, 280);
}

void TfrmAbreProjeto::showEvent(QShowEvent* e)
{
    ProjectDialog::showEvent(e);
    listaProjetos();
    lb_trabs->setFocus();
}

void TfrmAbreProjeto::bb_abrirClick()
{
    const ProjectEntry* entry = selectedEntry();
    if (!entry)
        return;
    const std::string name = entry->name;
    const auto details = openProject(m_ctx.state, name, m_ctx.dialogs, [this] { m_host.leaveProject(); });
    if (!details)
        return;
    m_host.refreshState();
    try {
        BusyGuard busy(m_ctx.dialogs);
        m_host.restoreProject(*details);
    } catch (const std::exception& ex) {
        m_ctx.dialogs.error(std::string("Nem todos os arquivos do projeto puderam ser carregados.\n\nVerifique se "
                                        "algum deles está em uso e tente novamente\n\nErro original: ") +
                            ex.what());
        return;
    }
    m_host.showProject();
    accept();
}

} // namespace demovia::ui
