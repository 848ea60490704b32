#include "data/ui/project_dialog.h"

#include <QGroupBox>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace demovia::ui {

ProjectDialog::ProjectDialog(ProjectHost& host, QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint), m_host(host),
      m_ctx(host.context())
{
    setModal(true);
    m_listPanel = new QGroupBox(" Projetos disponíveis", this);
    lb_trabs = new QListWidget(m_listPanel);
    lb_trabs->setObjectName("lb_trabs");
    lb_trabs->setMinimumWidth(190);
    auto* l1 = new QVBoxLayout(m_listPanel);
    l1->addWidget(lb_trabs);

    m_descPanel = new QGroupBox("Descrição", this);
    mm_descricao = new QPlainTextEdit(m_descPanel);
    mm_descricao->setObjectName("mm_descricao");
    mm_descricao->setReadOnly(true);
    auto* l2 = new QVBoxLayout(m_descPanel);
    l2->addWidget(mm_descricao);

    connect(lb_trabs, &QListWidget::currentRowChanged, this, [this] {
        showDescription();
        emit selectionChanged();
    });
}

QPushButton* ProjectDialog::makeButton(const char* name, const QString& caption, const QString& hint)
{
    auto* b = new QPushButton(caption, this);
    b->setObjectName(name);
    b->setAutoDefault(false);
    if (!hint.isEmpty())
        b->setToolTip(hint);
    return b;
}

void ProjectDialog::listaProjetos()
{
    const QSignalBlocker block(lb_trabs);
    lb_trabs->clear();
    m_entries = listProjects(m_ctx.state.appDir);
    for (const auto& e : m_entries)
        lb_trabs->addItem(QString::fromStdString(e.name));
    if (m_entries.empty())
        lb_trabs->addItem(QString::fromUtf8(kNoProjects));
    else
        lb_trabs->setCurrentRow(0);
    showDescription();
    emit selectionChanged();
}

const ProjectEntry* ProjectDialog::selectedEntry() const
{
    const int row = lb_trabs->currentRow();
    if (row < 0 || row >= static_cast<int>(m_entries.size()))
        return nullptr;
    return &m_entries[static_cast<std::size_t>(row)];
}

void ProjectDialog::showDescription()
{
    const ProjectEntry* e = selectedEntry();
    mm_descricao->setPlainText(e ? QString::fromStdString(e->description) : QString());
}

} // namespace demovia::ui
