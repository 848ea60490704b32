#include "engine/ui/uProcessando.h"

#include "data/error.h"

#include <QApplication>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QFrame>
#include <QLabel>
#include <QListWidget>
#include <QProgressBar>
#include <QPushButton>
#include <QScreen>
#include <QTimer>
#include <QVBoxLayout>

namespace demovia::ui {

namespace {
const char* kProgressHint = "Somente processo final (Projeção)";
}

TfrmProcessando::TfrmProcessando(Dialogs& dialogs, QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint), m_dialogs(dialogs)
{
    setObjectName("frmProcessando");
    setWindowTitle("Processando...");
    setModal(true);
    resize(420, 360);

    auto* layout = new QVBoxLayout(this);

    m_log = new QListWidget(this);
    m_log->setObjectName("lb_processos");
    layout->addWidget(m_log, 1);

    auto* panel = new QFrame(this);
    panel->setObjectName("pnl_previsao");
    panel->setFrameShape(QFrame::StyledPanel);
    auto* panelLayout = new QVBoxLayout(panel);
    panelLayout->setContentsMargins(0, 0, 0, 6);
    auto* caption = new QLabel("Tempo restante", panel);
    caption->setAlignment(Qt::AlignCenter);
    caption->setAutoFillBackground(true);
    caption->setStyleSheet("background-color: palette(highlight); color: palette(highlighted-text); padding: 2px;");
    panelLayout->addWidget(caption);
    m_remaining = new QLabel("00:00:00", panel);
    m_remaining->setObjectName("lb_t_restante");
    m_remaining->setAlignment(Qt::AlignCenter);
    QFont bold = m_remaining->font();
    bold.setBold(true);
    m_remaining->setFont(bold);
    m_remaining->setToolTip(kProgressHint);
    panelLayout->addWidget(m_remaining);
    m_progress = new QProgressBar(panel);
    m_progress->setObjectName("pg_progresso");
    m_progress->setRange(0, 100);
    m_progress->setValue(0);
    m_progress->setToolTip(kProgressHint);
    auto* progressRow = new QHBoxLayout;
    progressRow->setContentsMargins(6, 0, 6, 0);
    progressRow->addWidget(m_progress);
    panelLayout->addLayout(progressRow);
    layout->addWidget(panel);

    m_button = new QPushButton("&Cancelar", this);
    m_button->setObjectName("bb_cancela");
    m_button->setToolTip("Cancela a projeção");
    m_button->setAutoDefault(false);
    auto* buttonRow = new QHBoxLayout;
    buttonRow->addStretch();
    buttonRow->addWidget(m_button);
    buttonRow->addStretch();
    layout->addLayout(buttonRow);
    connect(m_button, &QPushButton::clicked, this, &TfrmProcessando::bb_cancelaClick);
}

void TfrmProcessando::resetaForm()
{
    m_log->clear();
    m_button->setText("&Cancelar");
    m_remaining->setText("00:00:00");
    m_progress->setValue(0);
}

void TfrmProcessando::prepareRun(RunContext ctx)
{
    m_pending = std::move(ctx);
    m_outcome.reset();
}

void TfrmProcessando::insertStep(const std::string& title)
{
    m_log->insertItem(0, QString::fromStdString(title));
}

void TfrmProcessando::appendLine(const std::string& line)
{
    m_log->addItem(QString::fromStdString(line));
}

void TfrmProcessando::setProgressRange(int max)
{
    m_progress->setRange(0, max);
}

void TfrmProcessando::setProgress(int position)
{
    m_progress->setValue(position);
}

void TfrmProcessando::setRemainingTime(const std::string& hhmmss)
{
    m_remaining->setText(QString::fromStdString(hhmmss));
}

void TfrmProcessando::processEvents()
{
    QCoreApplication::processEvents();
}

void TfrmProcessando::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    if (QScreen* s = screen())
        move(s->availableGeometry().center() - rect().center()); // centred on the screen, not on the owner
    // The run starts once the window is on screen, from the event loop of
    // the modal showing, so that the window is drawn before the steps begin.
    if (m_pending)
        QTimer::singleShot(0, this, &TfrmProcessando::dispatch);
}

void TfrmProcessando::dispatch()
{
    if (!m_pending)
        return;
    const RunContext ctx = std::move(*m_pending);
    m_pending.reset();

    m_button->setEnabled(true);
    cancel = false;
    if (beforeRun)
        beforeRun();
    repaint();
    QCoreApplication::processEvents();

    try {
        m_outcome = runProjection(ctx, *this, m_dialogs);
    } catch (const std::exception& e) {
        // The run stops where the error came out; the window stays open with
        // "&Cancelar" and the flag clear: one press sets it, the next closes.
        cancel = false;
        m_dialogs.error(generalErrorText(e.what()));
    }
}

void TfrmProcessando::stepsEnded()
{
    // Before the closing message, so that the message already says "FECHAR"
    // of a button that reads so.
    m_button->setText("&Fechar");
}

void TfrmProcessando::bb_cancelaClick()
{
    while (QApplication::overrideCursor())
        QApplication::restoreOverrideCursor();
    if (cancel) {
        m_mayClose = true;
        accept();
        m_mayClose = false;
    } else {
        cancel = true;
    }
}

void TfrmProcessando::reject()
{
    // Escape and the frame do not close the window: only its button does.
    if (m_mayClose)
        QDialog::reject();
}

void TfrmProcessando::closeEvent(QCloseEvent* event)
{
    if (m_mayClose)
        QDialog::closeEvent(event);
    else
        event->ignore();
}

} // namespace demovia::ui
