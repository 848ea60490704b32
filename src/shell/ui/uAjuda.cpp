#include "shell/ui/uAjuda.h"

#include "data/table.h"
#include "shell/about_info.h"

#include <QComboBox>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QScreen>
#include <QTextEdit>
#include <QVBoxLayout>

namespace demovia::ui {

namespace {

const char* const kManualFiles[] = {"Manual Demovia 5.rtf", "METODOLOGIA.rtf"};

} // namespace

TfrmAjuda::TfrmAjuda(UiContext& ctx, QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::WindowStaysOnTopHint), m_ctx(ctx)
{
    setObjectName("frmAjuda");
    setWindowTitle("Manual do sistema");
    resize(640, 480);

    auto* root = new QVBoxLayout(this);
    auto* top = new QHBoxLayout;
    top->addWidget(new QLabel("Escolha o manual", this));
    cb_manual = new QComboBox(this);
    cb_manual->setObjectName("cb_manual");
    cb_manual->setEditable(false);
    cb_manual->addItems({"Manual do sistema", "Metodologia"});
    top->addWidget(cb_manual);
    top->addStretch(1);
    root->addLayout(top);
    re_manual = new QTextEdit(this);
    re_manual->setObjectName("re_manual");
    re_manual->setReadOnly(true);
    root->addWidget(re_manual, 1);

    connect(cb_manual, &QComboBox::activated, this, [this] { cb_manualChange(); });
}

void TfrmAjuda::showEvent(QShowEvent* e)
{
    QWidget::showEvent(e);
    if (m_shown)
        return;
    m_shown = true;
    if (QScreen* s = QGuiApplication::primaryScreen())
        move(s->availableGeometry().center() - rect().center());
    cb_manual->setCurrentIndex(0);
    cb_manualChange();
}

void TfrmAjuda::cb_manualChange()
{
    const int i = cb_manual->currentIndex();
    if (i < 0 || i >= static_cast<int>(std::size(kManualFiles)))
        return;
    const fs::path file = m_ctx.state.appDir / "Ajuda" / kManualFiles[i];
    if (!fileExists(file)) {
        m_ctx.dialogs.warning("Manual não encontrado");
        return;
    }
    try {
        const std::string bytes = readFileBytes(resolveFile(file));
        re_manual->setPlainText(QString::fromStdString(rtfToText(bytes)));
        re_manual->moveCursor(QTextCursor::Start);
    } catch (const std::exception&) {
        m_ctx.dialogs.error("Erro ao tentar carregar o manual selecionado");
    }
}

} // namespace demovia::ui
