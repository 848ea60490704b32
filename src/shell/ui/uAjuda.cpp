#include "shell/ui/uAjuda.h"

#include "data/table.h"

#include <QComboBox>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QScreen>
#include <QTextBrowser>
#include <QUrl>
#include <QVBoxLayout>

namespace demovia::ui {

namespace {

const char* const kManualDocuments[] = {"Manual Demovia 5.rtf", "METODOLOGIA.rtf"};

// What is shown for a manual: its HTML twin, the same name with ".htm".
fs::path htmlTwin(const fs::path& helpDir, const char* documentName)
{
    return helpDir / fs::path(documentName).replace_extension(".htm");
}

} // namespace

TfrmAjuda::TfrmAjuda(UiContext& ctx, QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::WindowStaysOnTopHint), m_ctx(ctx)
{
    setObjectName("frmAjuda");
    setWindowTitle("Manual do sistema");
    resize(820, 620);

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
    re_manual = new QTextBrowser(this);
    re_manual->setObjectName("re_manual");
    re_manual->setOpenLinks(true);          // the tables of contents jump inside the manual
    re_manual->setOpenExternalLinks(false); // nothing leaves the help window
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
    if (i < 0 || i >= static_cast<int>(std::size(kManualDocuments)))
        return;
    const fs::path helpDir = m_ctx.state.appDir / "Ajuda";
    const fs::path file = htmlTwin(helpDir, kManualDocuments[i]);
    if (!fileExists(file)) {
        m_ctx.dialogs.warning("Manual não encontrado");
        return;
    }
    std::string bytes;
    try {
        bytes = readFileBytes(resolveFile(file));
    } catch (const std::exception&) {
        m_ctx.dialogs.error("Erro ao tentar carregar o manual selecionado");
        return;
    }
    // Pictures and links are named relative to the help folder.
    const QString dir = QString::fromStdString(helpDir.string());
    re_manual->setSearchPaths({dir});
    re_manual->document()->setBaseUrl(QUrl::fromLocalFile(dir + "/"));
    re_manual->setHtml(QString::fromUtf8(bytes));
    re_manual->moveCursor(QTextCursor::Start);
}

} // namespace demovia::ui
