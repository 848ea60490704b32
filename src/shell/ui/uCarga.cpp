#include "shell/ui/uCarga.h"

#include "shell/reference_loader.h"

#include <QCloseEvent>
#include <QListWidget>
#include <QProgressBar>
#include <QTimer>
#include <QVBoxLayout>

namespace demovia::ui {

TfrmCarga::TfrmCarga(const fs::path& appDir, NumberFormat format, Dialogs& dialogs, QWidget* parent,
                     int closeDelayMs)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint), m_appDir(appDir),
      m_format(format), m_dialogs(dialogs)
{
    setObjectName("frmCarga");
    setWindowTitle("Abrindo arquivos fundamentais");
    setModal(true);

    pb_carga = new QProgressBar(this);
    pb_carga->setObjectName("pb_carga");
    pb_carga->setRange(0, 5);
    pb_carga->setValue(0);
    pb_carga->setTextVisible(false);
    lb_carga = new QListWidget(this);
    lb_carga->setObjectName("lb_carga");
    lb_carga->setStyleSheet("QListWidget { background: silver; color: blue; }");
    lb_carga->setFocusPolicy(Qt::NoFocus);
    timer_fechar = new QTimer(this);
    timer_fechar->setObjectName("timer_fechar");
    timer_fechar->setSingleShot(true);
    timer_fechar->setInterval(closeDelayMs);
    connect(timer_fechar, &QTimer::timeout, this, &TfrmCarga::timer_fecharTimer);

    auto* lay = new QVBoxLayout(this);
    lay->addWidget(pb_carga);
    lay->addWidget(lb_carga);
    resize(420, 170);
}

QStringList TfrmCarga::lines() const
{
    QStringList l;
    for (int i = 0; i < lb_carga->count(); ++i)
        l << lb_carga->item(i)->text();
    return l;
}

void TfrmCarga::showEvent(QShowEvent* e)
{
    QDialog::showEvent(e);
    // Once: coming back to the window after one of its messages or the open
    // dialog does not start the loading again.
    if (m_started)
        return;
    m_started = true;
    QTimer::singleShot(0, this, &TfrmCarga::load);
}

void TfrmCarga::load()
{
    repaint();
    m_dialogs.setBusy(true);
    try {
        const auto found = loadReferenceTables(m_appDir, m_format, m_dialogs);
        // The tables are opened in one go; the list shows them newest first.
        for (auto it = found.rbegin(); it != found.rend(); ++it) {
            lb_carga->insertItem(0, QString::fromStdString(*it));
            pb_carga->setValue(pb_carga->value() + 1);
        }
        pb_carga->setValue(5);
        repaint();
        timer_fechar->start();
    } catch (const std::exception& e) {
        m_dialogs.setBusy(false);
        m_dialogs.warning(e.what());
        m_failed = true;
        m_closing = true;
        done(QDialog::Rejected);
    }
}

void TfrmCarga::timer_fecharTimer()
{
    timer_fechar->stop();
    m_dialogs.setBusy(false);
    m_closing = true;
    done(QDialog::Accepted);
}

void TfrmCarga::reject()
{
    if (m_closing)
        QDialog::reject();
}

void TfrmCarga::closeEvent(QCloseEvent* e)
{
    if (m_closing)
        QDialog::closeEvent(e);
    else
        e->ignore();
}

} // namespace demovia::ui
