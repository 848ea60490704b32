#include "results/ui/uK_Mod.h"

#include "data/error.h"
#include "ui/table_model.h"
#include "ui/widgets.h"

#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QItemSelectionModel>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTableView>
#include <QToolBar>
#include <QToolButton>
#include <QVBoxLayout>

#include <functional>

namespace demovia::ui {

namespace {

QString q(const std::string& s) { return QString::fromStdString(s); }

// The municipality list: opened while empty, it is built first.
class MunCombo : public QComboBox {
public:
    using QComboBox::QComboBox;
    std::function<void()> onOpenEmpty;
    void showPopup() override
    {
        if (count() == 0 && onOpenEmpty)
            onOpenEmpty();
        QComboBox::showPopup();
    }
};

QPushButton* button(QWidget* parent, const char* name, const char* text, const char* hint)
{
    auto* b = new QPushButton(text, parent);
    b->setObjectName(name);
    b->setToolTip(hint);
    b->setAutoDefault(false);
    return b;
}

} // namespace

TfrmK_Mod::TfrmK_Mod(UiContext& ctx, QWidget* parent) : WorkWindow(ctx, parent), m_core(ctx.dialogs)
{
    setObjectName("frmK_Mod");
    setWindowTitle("Modificadores de fator K");
    setWindowFlags(windowFlags() & ~Qt::WindowMaximizeButtonHint);
    // Emptying the file resets the whole window, controls included.
    m_core.onReset = [this] { resetaForm(); };

    auto* root = new QVBoxLayout(this);
    root->setContentsMargins(4, 4, 4, 4);

    auto* bar = new QToolBar(this);
    bar->setObjectName("tbr_k_mod");
    auto* tbZera = addToolButton(bar, "tb_novo_arquivo", "&Zerar arquivo", "Zera a lista de modificadores");
    bar->addSeparator();
    auto* tbNovo = addToolButton(bar, "tb_novo_modelo", "&Novo modelo", "Novo conjunto de modificadores");
    auto* tbExclui = addToolButton(bar, "tb_exclui_modelo", "Excluir modelo", "Exclui conjunto de modificadores");
    auto* tbLista = addToolButton(bar, "tb_lista_mun", "&Lista de municípios", "Atualiza lista de municípios");
    root->addWidget(bar);

    auto* body = new QHBoxLayout;
    root->addLayout(body, 1);

    auto* left = new QGroupBox(" Modelos disponíveis", this);
    auto* leftLay = new QVBoxLayout(left);
    m_models = new QListWidget(left);
    m_models->setObjectName("lb_modelos");
    m_models->setSortingEnabled(true);
    leftLay->addWidget(m_models);
    left->setFixedWidth(200);
    body->addWidget(left);

    auto* right = new QVBoxLayout;
    body->addLayout(right, 1);
    auto* entry = new QGroupBox(" Inserindo modificadores", this);
    auto* grid = new QGridLayout(entry);
    auto* munCombo = new MunCombo(entry);
    munCombo->onOpenEmpty = [this] { buildMunicipalityList(); };
    m_mun = munCombo;
    m_mun->setObjectName("cb_mun");
    m_mun->setMinimumContentsLength(24);
    m_sexo = new QComboBox(entry);
    m_sexo->setObjectName("cb_sexo");
    m_sexo->addItems({"Ambos", "Homem", "Mulher"});
    m_faixa = new QComboBox(entry);
    m_faixa->setObjectName("cb_faixa");
    m_faixa->addItem("Todas");
    for (int g = 1; g <= 17; ++g)
        m_faixa->addItem(QString::number(g));
    m_operacao = new QComboBox(entry);
    m_operacao->setObjectName("cb_operacao");
    m_operacao->addItems({"Potência", "Raiz"});
    m_valor = new QLineEdit(entry);
    m_valor->setObjectName("edt_valor");
    m_valor->setMaxLength(1);
    m_valor->setFixedWidth(m_valor->fontMetrics().horizontalAdvance("000") + 16);
    m_valor->installEventFilter(this);
    auto* bbInserir = button(entry, "bb_inserir", "&Inserir", "Insere um novo modificador");
    auto* bbAlterar = button(entry, "bb_alterar", "&Alterar", "Substitui as instruções do modificador selecionado");
    grid->addWidget(new QLabel(" Município", entry), 0, 0);
    grid->addWidget(m_mun, 0, 1, 1, 3);
    grid->addWidget(new QLabel("Sexo", entry), 1, 0);
    grid->addWidget(m_sexo, 1, 1);
    grid->addWidget(new QLabel("Fx. Etária", entry), 1, 2);
    grid->addWidget(m_faixa, 1, 3);
    grid->addWidget(new QLabel("Operação", entry), 2, 0);
    grid->addWidget(m_operacao, 2, 1);
    grid->addWidget(new QLabel("Valor", entry), 2, 2);
    grid->addWidget(m_valor, 2, 3, Qt::AlignLeft);
    auto* entryButtons = new QHBoxLayout;
    entryButtons->addStretch(1);
    entryButtons->addWidget(bbInserir);
    entryButtons->addWidget(bbAlterar);
    grid->addLayout(entryButtons, 3, 0, 1, 4);
    right->addWidget(entry);

    m_gridModel = new TableModel(ctx.format, this);
    m_grid = makeTableGrid("grd_k_mod", m_gridModel, this);
    right->addWidget(m_grid, 1);
    auto* bbRemover = button(this, "bb_remover", "&Remover linha", "Remove o modificador selecionado");
    auto* removeRow = new QHBoxLayout;
    removeRow->addStretch(1);
    removeRow->addWidget(bbRemover);
    right->addLayout(removeRow);

    connect(tbZera, &QToolButton::clicked, this, [this] { tb_novo_arquivoClick(); });
    connect(tbNovo, &QToolButton::clicked, this, [this] { tb_novo_modeloClick(); });
    connect(tbExclui, &QToolButton::clicked, this, [this] { tb_exclui_modeloClick(); });
    connect(tbLista, &QToolButton::clicked, this, [this] { tb_lista_munClick(); });
    connect(bbInserir, &QPushButton::clicked, this, [this] { bb_inserirClick(); });
    connect(bbAlterar, &QPushButton::clicked, this, [this] { bb_alterarClick(); });
    connect(bbRemover, &QPushButton::clicked, this, [this] { bb_removerClick(); });
    // A click on the list or a key in it selects the model.
    connect(m_models, &QListWidget::itemClicked, this, [this] { selectModel(m_models->currentRow()); });
    connect(m_models, &QListWidget::currentRowChanged, this, [this](int row) {
        if (row != m_core.selected())
            selectModel(row);
    });

    resize(720, 420);
    // The initial choices, without the question of a reset.
    m_sexo->setCurrentIndex(0);
    m_operacao->setCurrentIndex(0);
    m_faixa->setCurrentIndex(0);
    m_valor->setText("2");
}

void TfrmK_Mod::prepare() { m_core.setFolders(m_ctx.state.appDir, m_ctx.state.projectDir); }

void TfrmK_Mod::resetaForm()
{
    m_core.reset();
    showModels();
    m_sexo->setCurrentIndex(0);
    m_operacao->setCurrentIndex(0);
    m_faixa->setCurrentIndex(0);
    m_valor->setText("2");
    if (m_mun->count() > 0 && !m_ctx.state.newProjectMark &&
        m_ctx.dialogs.confirm("A lista de municípios já foi montada.\n\nRefazê-la"))
        m_mun->clear();
    m_ctx.state.newProjectMark = false;
}

void TfrmK_Mod::projectOpened(const ProjectDetails& /*details*/)
{
    prepare();
    m_core.projectOpened();
    showModels();
}

void TfrmK_Mod::buildMunicipalityList()
{
    m_mun->clear();
    std::vector<std::string> entries;
    try {
        BusyGuard busy(m_ctx.dialogs);
        entries = municipalityEntries(m_ctx.state.appDir, m_ctx.state.projectDir, m_ctx.state.ufCode());
    } catch (const Error&) {
        // No grouped totals yet: the same as an empty result.
    }
    if (entries.empty()) {
        m_ctx.dialogs.warning("Nenhum município disponível.\n\nUse o botão AGRUPA da tela dos censos de origem para\n"
                              "ter acesso às opções da tela de modificadores de K");
        return;
    }
    for (const std::string& e : entries)
        m_mun->addItem(q(e));
}

void TfrmK_Mod::selectModel(int index)
{
    m_core.select(index);
    const QSignalBlocker block(m_models);
    m_models->setCurrentRow(m_core.selected());
    if (m_core.selected() < 0)
        m_models->clearSelection();
    showRows();
}

std::vector<KModifier> TfrmK_Mod::selectedModifiers() const
{
    return modifiersAt(m_core.table(), m_core.modelRows());
}

void TfrmK_Mod::showModels()
{
    {
        const QSignalBlocker block(m_models);
        m_models->clear();
        for (const std::string& m : m_core.models())
            m_models->addItem(q(m));
        m_models->setCurrentRow(m_core.selected());
    }
    showRows();
}

void TfrmK_Mod::showRows()
{
    if (!m_core.isOpen()) {
        m_gridModel->clear();
        return;
    }
    Table shown(m_core.table().fields);
    for (std::size_t i : m_core.visibleRows())
        shown.rows.push_back(m_core.table().rows[i]);
    m_gridModel->setTable(std::move(shown));
    if (m_gridModel->rowCount() > 0)
        m_grid->selectRow(0);
}

int TfrmK_Mod::currentRow() const
{
    const auto rows = m_grid->selectionModel() ? m_grid->selectionModel()->selectedRows() : QModelIndexList();
    return rows.size() == 1 ? rows.front().row() : 0;
}

KModifierInput TfrmK_Mod::input() const
{
    return {m_mun->currentText().toStdString(), m_sexo->currentText().toStdString(),
            m_operacao->currentText().toStdString(), m_valor->text().toStdString(),
            m_faixa->currentText().toStdString()};
}

void TfrmK_Mod::guarded(const std::function<void()>& command)
{
    prepare();
    try {
        command();
    } catch (const std::exception& e) {
        reportGeneral(e);
    }
}

void TfrmK_Mod::tb_novo_arquivoClick()
{
    guarded([this] {
        m_core.emptyFile();
        showModels();
    });
}

void TfrmK_Mod::tb_novo_modeloClick()
{
    guarded([this] {
        const auto typed = m_ctx.dialogs.inputBox("Novo modelo (15 caracteres)", "Digite um apelido", "");
        m_core.newModel(typed);
        showModels();
    });
}

void TfrmK_Mod::tb_exclui_modeloClick()
{
    guarded([this] {
        if (m_core.deleteModel())
            showModels();
    });
}

void TfrmK_Mod::bb_inserirClick()
{
    guarded([this] {
        const bool wasOpen = m_core.isOpen();
        if (m_core.insert(input()) || wasOpen != m_core.isOpen())
            showModels();
    });
}

void TfrmK_Mod::bb_alterarClick()
{
    guarded([this] {
        const int row = currentRow();
        if (m_core.change(input(), row)) {
            showRows();
            m_grid->selectRow(row);
        }
    });
}

void TfrmK_Mod::bb_removerClick()
{
    guarded([this] {
        if (m_core.removeRow(currentRow()))
            showRows();
    });
}

bool TfrmK_Mod::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == m_valor && dropFilteredKey(event))
        return true;
    return WorkWindow::eventFilter(watched, event);
}

} // namespace demovia::ui
