#include "shell/ui/uUF_Mun_Edicao.h"

#include "ui/widgets.h"

#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QStyle>
#include <QVBoxLayout>

#include <algorithm>

namespace demovia::ui {

namespace {

QString q(const std::string& s) { return QString::fromStdString(s); }

// A name box of several lines on screen that holds one line of at most
// `limit` characters: a name is one field of one exported line, so a line
// break typed or pasted becomes a blank.
QPlainTextEdit* nameBox(const char* name, int limit, QWidget* parent)
{
    auto* box = new QPlainTextEdit(parent);
    box->setObjectName(name);
    box->setTabChangesFocus(true);
    box->setFixedHeight(box->fontMetrics().height() * 3 + 12);
    QObject::connect(box, &QPlainTextEdit::textChanged, box, [box, limit] {
        const QString t = box->toPlainText();
        QString flat = t;
        for (QChar& c : flat)
            if (c == u'\n' || c == u'\r' || c == QChar::LineSeparator || c == QChar::ParagraphSeparator)
                c = u' ';
        flat.truncate(limit);
        if (flat != t) {
            const int at = std::min(box->textCursor().position(), static_cast<int>(flat.size()));
            const QSignalBlocker block(box);
            box->setPlainText(flat);
            QTextCursor cursor = box->textCursor();
            cursor.setPosition(at);
            box->setTextCursor(cursor);
        }
    });
    return box;
}

QLabel* lockPicture(const char* name, QWidget* parent)
{
    auto* lock = new QLabel(parent);
    lock->setObjectName(name);
    lock->setPixmap(parent->style()->standardIcon(QStyle::SP_MessageBoxWarning).pixmap(24, 24));
    lock->setToolTip("<não editável>");
    return lock;
}

} // namespace

TfrmUF_Mun_Edicao::TfrmUF_Mun_Edicao(Registry& registry, EditMode mode, EditPanel panel, const EditBoxes& shown,
                                     QWidget* parent)
    : QDialog(parent), m_registry(registry), m_mode(mode), m_panel(panel)
{
    setObjectName("frmUF_Mun_Edicao");
    setWindowTitle("Edição de UF e município");
    setModal(true);
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint);

    auto* root = new QVBoxLayout(this);
    auto* ufBox = new QGroupBox(" UF", this);
    auto* ufGrid = new QGridLayout(ufBox);
    m_idUf = new QLineEdit(ufBox);
    m_idUf->setObjectName("edt_id_uf");
    m_idUf->setMaxLength(2);
    m_idUf->installEventFilter(this);
    m_sigla = new QLineEdit(ufBox);
    m_sigla->setObjectName("edt_sigla");
    m_sigla->setMaxLength(2);
    m_dsUf = nameBox("mm_ds_uf", 30, ufBox);
    auto* lockUf = lockPicture("im_lock_uf", ufBox);
    ufGrid->addWidget(new QLabel("Código ", ufBox), 0, 0);
    ufGrid->addWidget(m_idUf, 0, 1);
    ufGrid->addWidget(new QLabel("Sigla ", ufBox), 0, 2);
    ufGrid->addWidget(m_sigla, 0, 3);
    ufGrid->addWidget(lockUf, 0, 4);
    ufGrid->addWidget(new QLabel("Nome", ufBox), 1, 0);
    ufGrid->addWidget(m_dsUf, 1, 1, 1, 4);
    root->addWidget(ufBox);

    auto* munBox = new QGroupBox(" Município", this);
    auto* munGrid = new QGridLayout(munBox);
    m_idMun = new QLineEdit(munBox);
    m_idMun->setObjectName("edt_id_mun");
    m_idMun->setMaxLength(4);
    m_idMun->installEventFilter(this);
    m_dsMun = nameBox("mm_ds_mun", 50, munBox);
    auto* lockMun = lockPicture("im_lock_mun", munBox);
    munGrid->addWidget(new QLabel("Código ", munBox), 0, 0);
    munGrid->addWidget(m_idMun, 0, 1);
    munGrid->addWidget(lockMun, 0, 2);
    munGrid->addWidget(new QLabel("Nome", munBox), 1, 0);
    munGrid->addWidget(m_dsMun, 1, 1, 1, 2);
    root->addWidget(munBox);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    auto* gravar = new QPushButton("&Gravar", this);
    gravar->setObjectName("bb_gravar");
    gravar->setToolTip("Grava as alterações em banco de dados");
    gravar->setAutoDefault(false);
    auto* cancelar = new QPushButton("&Cancelar", this);
    cancelar->setObjectName("bb_cancelar");
    cancelar->setToolTip("Cancela a edição");
    cancelar->setAutoDefault(false);
    buttons->addWidget(gravar);
    buttons->addWidget(cancelar);
    root->addLayout(buttons);
    connect(gravar, &QPushButton::clicked, this, &TfrmUF_Mun_Edicao::gravarClick);
    connect(cancelar, &QPushButton::clicked, this, &QDialog::reject);

    const bool state = panel == EditPanel::State;
    m_idUf->setText(q(shown.idUf));
    m_sigla->setText(q(shown.sigla));
    m_dsUf->setPlainText(q(shown.dsUf));
    m_idMun->setText(q(shown.idMun));
    m_dsMun->setPlainText(q(shown.dsMun));
    lockUf->setVisible(!state);
    lockMun->setVisible(state);
    for (QWidget* w : {static_cast<QWidget*>(m_idUf), static_cast<QWidget*>(m_sigla), static_cast<QWidget*>(m_dsUf)})
        w->setEnabled(state);
    for (QWidget* w : {static_cast<QWidget*>(m_idMun), static_cast<QWidget*>(m_dsMun)})
        w->setEnabled(!state);
    // The boxes as shown are what a save compares against.
    m_initial = boxes();
}

EditBoxes TfrmUF_Mun_Edicao::boxes() const
{
    return {m_idUf->text().toStdString(), m_sigla->text().toStdString(), m_dsUf->toPlainText().toStdString(),
            m_idMun->text().toStdString(), m_dsMun->toPlainText().toStdString()};
}

void TfrmUF_Mun_Edicao::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    (m_panel == EditPanel::State ? m_idUf : m_idMun)->setFocus();
}

bool TfrmUF_Mun_Edicao::eventFilter(QObject* watched, QEvent* event)
{
    if ((watched == m_idUf || watched == m_idMun) && dropFilteredKey(event))
        return true;
    return QDialog::eventFilter(watched, event);
}

void TfrmUF_Mun_Edicao::gravarClick()
{
    m_result = m_registry.save(m_mode, m_panel, m_initial, boxes());
    if (m_result == SaveResult::Saved || m_result == SaveResult::Unchanged)
        accept();
}

} // namespace demovia::ui
