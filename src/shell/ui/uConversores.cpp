#include "shell/ui/uConversores.h"

#include "data/table.h"
#include "shell/about_info.h"
#include "ui/widgets.h"

#include <QStatusBar>
#include <QTabBar>
#include <QTextEdit>
#include <QToolBar>
#include <QToolButton>
#include <QVBoxLayout>

namespace demovia::ui {

namespace {

struct FileKind {
    const char* tab;
    const char* description; // under Ajuda/traducao
    ConversionSettings settings;
};
const FileKind kKinds[] = {{"Projeção da população", "pop_proj.rtf", populationProjectionSettings()}};

} // namespace

TfrmConversores::TfrmConversores(UiContext& ctx, QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint), m_ctx(ctx)
{
    setObjectName("frmConversores");
    setWindowTitle("Conversor de estrutura de arquivo-texto (*.CSV)");
    setModal(true);
    resize(560, 420);

    auto* root = new QVBoxLayout(this);
    root->setContentsMargins(0, 0, 0, 0);
    root->setSpacing(0);
    auto* bar = new QToolBar(this);
    tb_converte = addToolButton(bar, "tb_converte", "&Converte", "Importa arquivo para a guia selecionada");
    tb_fecha = addToolButton(bar, "tb_fecha", "&Fecha", "Fecha a tela");
    root->addWidget(bar);

    ts_arqs = new QTabBar(this);
    ts_arqs->setObjectName("ts_arqs");
    ts_arqs->setToolTip("Arquivos passíveis de re-estruturação");
    for (const FileKind& k : kKinds)
        ts_arqs->addTab(QString::fromUtf8(k.tab));
    root->addWidget(ts_arqs);

    re_detalhes = new QTextEdit(this);
    re_detalhes->setObjectName("re_detalhes");
    re_detalhes->setReadOnly(true);
    re_detalhes->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    root->addWidget(re_detalhes, 1);

    sb_situacao = new QStatusBar(this);
    sb_situacao->setObjectName("sb_situacao");
    sb_situacao->setSizeGripEnabled(false);
    root->addWidget(sb_situacao);

    connect(tb_converte, &QToolButton::clicked, this, [this] { tb_converteClick(); });
    connect(tb_fecha, &QToolButton::clicked, this, &QDialog::close);
    connect(ts_arqs, &QTabBar::currentChanged, this, [this] { ts_arqsChange(); });
    connect(ts_arqs, &QTabBar::tabBarClicked, this, [this] { ts_arqsChange(); });
}

void TfrmConversores::showEvent(QShowEvent* e)
{
    QDialog::showEvent(e);
    ts_arqsChange();
}

void TfrmConversores::ts_arqsChange()
{
    const int i = std::max(ts_arqs->currentIndex(), 0);
    const fs::path file = m_ctx.state.appDir / "Ajuda" / "traducao" / kKinds[i].description;
    re_detalhes->clear();
    try {
        re_detalhes->setPlainText(QString::fromStdString(rtfToText(readFileBytes(resolveFile(file)))));
    } catch (const std::exception& e) {
        m_ctx.dialogs.error(generalErrorText(e.what()));
    }
}

void TfrmConversores::tb_converteClick()
{
    const auto file = m_ctx.dialogs.chooseOpenFile("Abrir");
    if (!file)
        return;
    if (!m_ctx.dialogs.confirm("O arquivo selecionado será substituído e a conversão\n"
                               "não é reversível.\n\nDeseja continuar"))
        return;
    const int i = std::max(ts_arqs->currentIndex(), 0);
    convertTextFile(*file, kKinds[i].settings, m_ctx.dialogs, [this](const std::string& s) {
        sb_situacao->showMessage(QString::fromStdString(s));
        sb_situacao->repaint();
    });
}

} // namespace demovia::ui
