#include "data/ui/uNovoProjeto.h"

#include "data/text_util.h"

#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace demovia::ui {

namespace {

constexpr int kMaxDescription = 200;

// The name box takes A..Z and 0..9 only, letters turned to upper case.
// Keys that type nothing (arrows, Delete) are not characters and pass.
class NameKeyFilter : public QObject {
public:
    using QObject::QObject;

protected:
    bool eventFilter(QObject* watched, QEvent* e) override
    {
        if (e->type() != QEvent::KeyPress)
            return false;
        auto* ke = static_cast<QKeyEvent*>(e);
        const QString t = ke->text();
        if (t.isEmpty() || (ke->modifiers() & (Qt::ControlModifier | Qt::AltModifier)))
            return false;
        const QChar ch = t.at(0);
        if (t.size() == 1 && ch.unicode() < 32 && ch.unicode() != 8 && ch.unicode() != 27)
            return false; // Tab, Enter: moving on, not typing
        if (t.size() != 1 || ch.unicode() > 127)
            return true; // dropped
        const char key = projectNameKey(static_cast<char>(ch.unicode()));
        if (key == 0)
            return true;
        if (key == static_cast<char>(ch.unicode()))
            return false;
        if (auto* edit = qobject_cast<QLineEdit*>(watched))
            edit->insert(QString(QChar(key)));
        return true;
    }
};

} // namespace

TfrmNovoProjeto::TfrmNovoProjeto(ProjectHost& host, QWidget* parent) : ProjectDialog(host, parent)
{
    setObjectName("frmNovoProjeto");
    setWindowTitle("Criando um novo projeto");

    auto* novo = new QGroupBox(" Novo projeto", this);
    cb_uf = new QComboBox(novo);
    cb_uf->setObjectName("cb_uf");
    cb_uf->setEditable(false);
    eb_novo = new QLineEdit(novo);
    eb_novo->setObjectName("eb_novo");
    eb_novo->setMaxLength(8);
    eb_novo->installEventFilter(new NameKeyFilter(eb_novo));
    mm_descricao_nova = new QPlainTextEdit(novo);
    mm_descricao_nova->setObjectName("mm_descricao_nova");
    mm_descricao_nova->setToolTip("Máximo de 500 caracteres");
    mm_descricao_nova->setTabChangesFocus(true);
    connect(mm_descricao_nova, &QPlainTextEdit::textChanged, this, [this] {
        const QString t = mm_descricao_nova->toPlainText();
        if (t.size() > kMaxDescription) {
            const QSignalBlocker b(mm_descricao_nova);
            mm_descricao_nova->setPlainText(t.left(kMaxDescription));
            mm_descricao_nova->moveCursor(QTextCursor::End);
        }
    });

    auto* g = new QGridLayout(novo);
    g->addWidget(new QLabel("UF", novo), 0, 0);
    g->addWidget(cb_uf, 0, 1);
    g->addWidget(new QLabel("Nome", novo), 1, 0);
    auto* nameRow = new QHBoxLayout;
    nameRow->addWidget(eb_novo);
    nameRow->addWidget(new QLabel("( A-Z e 0-9 )", novo));
    nameRow->addStretch(1);
    g->addLayout(nameRow, 1, 1);
    g->addWidget(new QLabel("Descrição", novo), 2, 0, Qt::AlignTop);
    g->addWidget(mm_descricao_nova, 2, 1);

    bb_criar = makeButton("bb_criar", "&Criar", QString());
    bb_fechar = makeButton("bb_fechar", "&Fechar", QString());
    connect(bb_criar, &QPushButton::clicked, this, &TfrmNovoProjeto::bb_criarClick);
    connect(bb_fechar, &QPushButton::clicked, this, &QDialog::reject);

    auto* top = new QHBoxLayout;
    top->addWidget(listPanel(), 1);
    top->addWidget(descriptionPanel(), 1);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(bb_criar);
    buttons->addWidget(bb_fechar);
    auto* lay = new QVBoxLayout(this);
    lay->addLayout(top, 1);
    lay->addWidget(novo);
    lay->addLayout(buttons);
    resize(520, 420);
}

void TfrmNovoProjeto::showEvent(QShowEvent* e)
{
    ProjectDialog::showEvent(e);
    eb_novo->clear();
    listaProjetos();
    cb_uf->clear();
    try {
        for (const auto& line : ufChoices(m_ctx.state.appDir))
            cb_uf->addItem(QString::fromStdString(line));
    } catch (const std::exception& ex) {
        m_ctx.dialogs.warning(ex.what());
    }
    cb_uf->setCurrentIndex(-1);
    mm_descricao_nova->clear();
    cb_uf->setFocus();
}

void TfrmNovoProjeto::bb_criarClick()
{
    AppState& state = m_ctx.state;
    const std::string uf = cb_uf->currentIndex() >= 0 ? ufOfChoice(cb_uf->currentText().toStdString()) : "";
    std::string name = eb_novo->text().toStdString();
    std::string description = mm_descricao_nova->toPlainText().toStdString();
    const bool missing = uf.empty() || trim(name).empty() || trim(description).empty();

    // A new project has no projection yet; what the windows show goes with it.
    ProjectDetails details = m_host.currentDetails();
    details.ano1Proj = 0;
    const auto leave = [&] {
        m_host.leaveProject();
        details = m_host.currentDetails();
        details.ano1Proj = 0;
    };
    const bool created = createProject(state, uf, name, description, details, m_ctx.dialogs, leave);
    eb_novo->setText(QString::fromStdString(name));
    {
        const QSignalBlocker b(mm_descricao_nova);
        mm_descricao_nova->setPlainText(QString::fromStdString(description));
    }
    if (!created) {
        if (missing)
            cb_uf->setFocus();
        else
            eb_novo->setFocus();
        return;
    }
    m_host.refreshState();
    try {
        BusyGuard busy(m_ctx.dialogs);
        m_host.setUpNewProject();
        // The reset windows are what the new project starts with.
        m_host.saveDetails();
    } catch (const std::exception& ex) {
        m_ctx.dialogs.error(std::string("Não foi possível configurar o ambiente de trabalho\npara o novo projeto.\n\n"
                                        "Erro original: ") + ex.what());
        return;
    }
    accept();
}

} // namespace demovia::ui
