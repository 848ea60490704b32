#include "shell/ui/uSobre.h"

#include "data/error.h"
#include "data/table.h"
#include "shell/about_info.h"
#include "ui/images.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QFileInfo>
#include <QFormLayout>
#include <QGroupBox>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QLocale>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScreen>
#include <QSysInfo>
#include <QVBoxLayout>

namespace demovia::ui {

namespace {

QLabel* valueLabel(const char* name, QWidget* parent)
{
    auto* l = new QLabel(parent);
    l->setObjectName(name);
    return l;
}

} // namespace

TfrmSobre::TfrmSobre(UiContext& ctx, QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint), m_ctx(ctx)
{
    setObjectName("frmSobre");
    setWindowTitle("Informações gerais");
    setModal(true);

    auto* root = new QVBoxLayout(this);
    auto* body = new QHBoxLayout;
    auto* icon = new QLabel(this);
    icon->setObjectName("img_icone");
    icon->setPixmap(applicationIcon().pixmap(32, 32));
    icon->setAlignment(Qt::AlignTop);
    body->addWidget(icon);
    auto* groups = new QVBoxLayout;

    auto* versoes = new QGroupBox("Versões", this);
    auto* fv = new QFormLayout(versoes);
    lb_so = valueLabel("lb_so", versoes);
    lb_versao = valueLabel("lb_versao", versoes);
    lb_data = valueLabel("lb_data", versoes);
    lb_hora = valueLabel("lb_hora", versoes);
    fv->addRow("Sistema operacional", lb_so);
    fv->addRow("Módulo Demovia", lb_versao);
    fv->addRow("Data da criação", lb_data);
    fv->addRow("Hora da criação", lb_hora);
    groups->addWidget(versoes);

    auto* recursos = new QGroupBox("Recursos de sistema", this);
    auto* fr = new QFormLayout(recursos);
    lb_memoria = valueLabel("lb_memoria", recursos);
    lb_situacao = valueLabel("lb_situacao", recursos);
    lb_disco = valueLabel("lb_disco", recursos);
    lb_video = valueLabel("lb_video", recursos);
    lb_video_nota = valueLabel("lb_video_nota", recursos);
    lb_video_nota->setText("Recomenda-se 800x600 ou mais");
    auto* video = new QWidget(recursos);
    auto* vl = new QHBoxLayout(video);
    vl->setContentsMargins(0, 0, 0, 0);
    vl->addWidget(lb_video);
    vl->addWidget(lb_video_nota);
    vl->addStretch(1);
    fr->addRow("Memória livre", lb_memoria);
    fr->addRow("Situação geral (livre)", lb_situacao);
    fr->addRow("Espaço de disco livre", lb_disco);
    fr->addRow("Resolução do vídeo", video);
    groups->addWidget(recursos);
    body->addLayout(groups, 1);
    root->addLayout(body);

    OCaminho = new QPlainTextEdit(this);
    OCaminho->setObjectName("OCaminho");
    OCaminho->setReadOnly(true);
    OCaminho->setMaximumHeight(48);
    root->addWidget(OCaminho);

    FechaSobre = new QPushButton("&Fechar", this);
    FechaSobre->setObjectName("FechaSobre");
    FechaSobre->setDefault(true);
    auto* bottom = new QHBoxLayout;
    bottom->addStretch(1);
    bottom->addWidget(FechaSobre);
    root->addLayout(bottom);
    connect(FechaSobre, &QPushButton::clicked, this, &QDialog::accept);
}

void TfrmSobre::showEvent(QShowEvent* e)
{
    QDialog::showEvent(e);
    if (m_filled)
        return;
    m_filled = true;
    fill();
    adjustSize(); // the values are known only now
    if (QScreen* s = QGuiApplication::primaryScreen())
        move(s->availableGeometry().center() - rect().center());
}

void TfrmSobre::fill()
{
    BusyGuard busy(m_ctx.dialogs);
    try {
        lb_so->setText(QSysInfo::prettyProductName() + " (" + QSysInfo::kernelType() + " " +
                       QSysInfo::kernelVersion() + ")");
        lb_versao->setText("2.0");

        const QDateTime changed = QFileInfo(QCoreApplication::applicationFilePath()).lastModified();
        const QLocale loc;
        lb_data->setText(loc.toString(changed.date(), QLocale::ShortFormat));
        lb_hora->setText(loc.toString(changed.time(), QLocale::LongFormat));

        OCaminho->clear();
        OCaminho->setPlainText(QString::fromStdString(m_ctx.state.appDir.string()));

        const QSize screen = QGuiApplication::primaryScreen() ? QGuiApplication::primaryScreen()->size() : QSize();
        lb_video->setText(QString("%1x%2").arg(screen.width()).arg(screen.height()));
        lb_video_nota->setVisible(resolutionNoteShown(screen.width()));

        for (QLabel* l : {lb_memoria, lb_situacao, lb_disco})
            l->setText("Aguarde...");

        // Memory the labels name: what is free, in kilobytes and in percent.
        const auto mem = parseMeminfo(readFileBytes("/proc/meminfo"));
        if (!mem)
            throw Error("/proc/meminfo sem MemTotal ou MemAvailable");
        lb_memoria->setText(
            QString::fromStdString(formatKilobytes(mem->availableKb, loc.groupSeparator().toStdString())));
        lb_situacao->setText(QString::asprintf("%d %%", mem->availablePercent()));

        // The system disk: the root file system, wherever the program lives.
        lb_disco->setText(QString::fromStdString(formatDiskSpace(fs::space("/").available)));
    } catch (const std::exception& e) {
        m_ctx.dialogs.warning(std::string("Erro ao obter informações do ambiente de trabalho\n\nErro original: ") +
                              e.what());
    }
}

} // namespace demovia::ui
