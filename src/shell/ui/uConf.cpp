#include "shell/ui/uConf.h"

#include "shell/configuration.h"
#include "ui/widgets.h"

#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QToolBar>
#include <QToolButton>
#include <QVBoxLayout>

namespace demovia::ui {

TfrmConf::TfrmConf(UiContext& ctx, QWidget* parent) : WorkWindow(ctx, parent)
{
    setObjectName("frmConf");
    setWindowTitle("Configurações gerais");

    auto* bar = new QToolBar(this);
    bar->setObjectName("tbar_conf");
    tb_grava = addToolButton(bar, "tb_grava", "&Grava", "Grava a configuração do sistema");
    connect(tb_grava, &QToolButton::clicked, this, &TfrmConf::tb_gravaClick);

    pnl_popproj = new QGroupBox(" Projeção do Censo (Área Maior)", this);
    pnl_popproj->setObjectName("pnl_popproj");
    Ed_QtdHom = new QLineEdit(pnl_popproj);
    Ed_QtdHom->setObjectName("Ed_QtdHom");
    Ed_QtdHom->setMaxLength(3);
    Ed_QtdHom->setFixedWidth(Ed_QtdHom->fontMetrics().horizontalAdvance("0000") + 12);
    auto* row = new QHBoxLayout(pnl_popproj);
    row->addWidget(new QLabel("Para cada 100 mulheres, existem", pnl_popproj));
    row->addWidget(Ed_QtdHom);
    row->addWidget(new QLabel("homens.", pnl_popproj));
    row->addStretch(1);

    auto* lay = new QVBoxLayout(this);
    lay->setContentsMargins(0, 0, 0, 6);
    lay->addWidget(bar);
    auto* body = new QVBoxLayout;
    body->setContentsMargins(8, 4, 8, 4);
    body->addWidget(pnl_popproj);
    lay->addLayout(body);
    lay->addStretch(1);

    resetaForm();
}

void TfrmConf::resetaForm()
{
    Ed_QtdHom->setText(QString::fromStdString(loadConfiguration(m_ctx.state.appDir, m_ctx.dialogs).sexRatio));
}

void TfrmConf::valoresPadrao() { Ed_QtdHom->setText(Configuration::kDefaultSexRatio); }

void TfrmConf::tb_gravaClick()
{
    Configuration c;
    c.sexRatio = sexRatio();
    try {
        saveConfiguration(m_ctx.state.appDir, c);
    } catch (const std::exception& e) {
        // Saying nothing would let the person believe the value was kept.
        m_ctx.dialogs.warning(std::string("Não foi possível gravar o arquivo de configuração do sistema.\n\n"
                                          "Erro original: ") + e.what());
    }
}

std::string TfrmConf::sexRatio() const { return Ed_QtdHom->text().toStdString(); }

} // namespace demovia::ui
