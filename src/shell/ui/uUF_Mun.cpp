#include "shell/ui/uUF_Mun.h"

#include "data/error.h"
#include "data/text_util.h"
#include "ui/table_model.h"
#include "shell/ui/uUF_Mun_Edicao.h"
#include "ui/widgets.h"

#include <QApplication>
#include <QEvent>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QSplitter>
#include <QStatusBar>
#include <QTableView>
#include <QToolBar>
#include <QToolButton>
#include <QVBoxLayout>

namespace demovia::ui {

namespace {

QString q(const std::string& s) { return QString::fromStdString(s); }

QToolButton* searchButton(QWidget* parent, const char* name, const char* text, const char* hint)
{
    auto* b = new QToolButton(parent);
    b->setObjectName(name);
    b->setText(text);
    b->setToolTip(hint);
    b->setAutoRaise(true);
    return b;
}

} // namespace

TfrmUF_Mun::TfrmUF_Mun(UiContext& ctx, QWidget* parent)
    : QDialog(parent), m_ctx(ctx), m_registry(m_sql, ctx.state.appDir, ctx.dialogs)
{
    setObjectName("frmUF_Mun");
    setWindowTitle("UFs e seus municípios");
    setModal(true);
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint);
    resize(720, 480);

    auto* root = new QVBoxLayout(this);
    root->setContentsMargins(4, 4, 4, 4);
    auto* bar = new QToolBar(this);
    bar->setObjectName("tbr_uf_mun");
    auto* inclui = addToolButton(bar, "tb_inclui", "Inclui", "Novo registro");
    auto* altera = addToolButton(bar, "tb_altera", "Altera", "Altera registro");
    auto* localiza = addToolButton(bar, "tb_localiza", "Localiza", "Localizar dados");
    auto* apaga = addToolButton(bar, "tb_apaga", "Apaga", "Elimina o registro atual");
    auto* atualiza = addToolButton(bar, "tb_atualiza", "&Atualiza", "Atualiza as planilhas de UF e município");
    bar->addSeparator();
    auto* importa = addToolButton(bar, "tb_importa", "Importa", "Importar de arquivo");
    auto* pmImporta = new QMenu(importa);
    pmImporta->setObjectName("pm_importa");
    auto* miUf = pmImporta->addAction("UFs");
    miUf->setObjectName("mi_uf");
    auto* miMun = pmImporta->addAction("Municípios");
    miMun->setObjectName("mi_municipio");
    importa->setMenu(pmImporta);
    importa->setPopupMode(QToolButton::InstantPopup);
    auto* exporta = addToolButton(bar, "tb_exporta", "Exporta", "Grava em arquivo-texto");
    auto* pmExporta = new QMenu(exporta);
    pmExporta->setObjectName("pm_exporta");
    const std::pair<const char*, const char*> exports[] = {{"mi_tudo_uf", "Todas as UFs"},
                                                           {"mi_tudo_mun", "Todos os municípios"},
                                                           {"mi_uf_selecionada", "Somente municípios da UF selecionada"},
                                                           {"mi_mescla_geral", "Mescla geral"}};
    for (int i = 0; i < 4; ++i) {
        auto* a = pmExporta->addAction(exports[i].second);
        a->setObjectName(exports[i].first);
        connect(a, &QAction::triggered, this, [this, i] { this->exporta(static_cast<RegistryExport>(i)); });
    }
    exporta->setMenu(pmExporta);
    exporta->setPopupMode(QToolButton::InstantPopup);
    bar->addSeparator();
    auto* fecha = addToolButton(bar, "tb_fecha", "Fecha", "Fecha a tela");
    root->addWidget(bar);

    // Search bar, hidden until "Localiza".
    m_pnlLocaliza = new QWidget(this);
    m_pnlLocaliza->setObjectName("pnl_localiza");
    auto* sbar = new QHBoxLayout(m_pnlLocaliza);
    sbar->setContentsMargins(2, 0, 2, 0);
    sbar->addWidget(new QLabel("Encontrar", m_pnlLocaliza));
    m_edtLocaliza = new QLineEdit(m_pnlLocaliza);
    m_edtLocaliza->setObjectName("edt_localiza");
    m_edtLocaliza->setMaxLength(50);
    sbar->addWidget(m_edtLocaliza, 1);
    auto* first = searchButton(m_pnlLocaliza, "sb_localiza_primeiro", "|<", "Primeira ocorrência");
    auto* next = searchButton(m_pnlLocaliza, "sb_localiza_proximo", ">", "Próxima ocorrência");
    auto* prev = searchButton(m_pnlLocaliza, "sb_localiza_anterior", "<", "Ocorrência anterior");
    auto* last = searchButton(m_pnlLocaliza, "sb_localiza_ultimo", ">|", "Última ocorrência");
    auto* closeBar = searchButton(m_pnlLocaliza, "sb_localiza_fecha", "x", "Fecha a barra de localização");
    for (QToolButton* b : {first, prev, next, last, closeBar})
        sbar->addWidget(b);
    m_pnlLocaliza->setFixedHeight(27);
    m_pnlLocaliza->hide();
    root->addWidget(m_pnlLocaliza);

    m_ufModel = new TableModel(ctx.format, this);
    m_munModel = new TableModel(ctx.format, this);
    auto* split = new QSplitter(Qt::Horizontal, this);
    auto* ufPane = new QWidget(split);
    auto* ufLay = new QVBoxLayout(ufPane);
    ufLay->setContentsMargins(0, 0, 0, 0);
    ufLay->addWidget(new QLabel(" UF", ufPane));
    m_grdUf = makeTableGrid("grd_uf", m_ufModel, ufPane);
    ufLay->addWidget(m_grdUf);
    auto* munPane = new QWidget(split);
    auto* munLay = new QVBoxLayout(munPane);
    munLay->setContentsMargins(0, 0, 0, 0);
    munLay->addWidget(new QLabel(" Município", munPane));
    m_grdMun = makeTableGrid("grd_mun", m_munModel, munPane);
    munLay->addWidget(m_grdMun);
    // The municipality grid shows code and name; the state's code is the filter.
    connect(m_munModel, &QAbstractItemModel::modelReset, this, [this] {
        m_grdMun->setColumnHidden(0, true);
        if (m_munModel->columnCount() > 2)
            m_grdMun->setColumnWidth(2, 160);
    });
    split->addWidget(ufPane);
    split->addWidget(munPane);
    split->setStretchFactor(1, 1);
    root->addWidget(split, 1);

    m_status = new QStatusBar(this);
    m_status->setObjectName("sb_operacao");
    m_status->setSizeGripEnabled(false);
    root->addWidget(m_status);

    m_grdUf->installEventFilter(this);
    m_grdMun->installEventFilter(this);
    connect(m_grdUf, &QTableView::clicked, this, [this] { filterMunicipalities(); });

    connect(inclui, &QToolButton::clicked, this, &TfrmUF_Mun::incluiClick);
    connect(altera, &QToolButton::clicked, this, &TfrmUF_Mun::alteraClick);
    connect(localiza, &QToolButton::clicked, this, &TfrmUF_Mun::localizaClick);
    connect(apaga, &QToolButton::clicked, this, &TfrmUF_Mun::apagaClick);
    connect(atualiza, &QToolButton::clicked, this, &TfrmUF_Mun::atualizaClick);
    connect(fecha, &QToolButton::clicked, this, &QDialog::accept);
    connect(miUf, &QAction::triggered, this, [this] { this->importa(true); });
    connect(miMun, &QAction::triggered, this, [this] { this->importa(false); });
    connect(first, &QToolButton::clicked, this, [this] { localizaEmGrid(SearchButton::First); });
    connect(next, &QToolButton::clicked, this, [this] { localizaEmGrid(SearchButton::Next); });
    connect(prev, &QToolButton::clicked, this, [this] { localizaEmGrid(SearchButton::Previous); });
    connect(last, &QToolButton::clicked, this, [this] { localizaEmGrid(SearchButton::Last); });
    connect(closeBar, &QToolButton::clicked, this, &TfrmUF_Mun::fechaLocalizaClick);

    // The views as they were: the municipality view keeps the filter it had
    // (none at the first opening) until a state is clicked.
    reload();
    try {
        showMunicipalities();
    } catch (const std::exception&) {
        m_ctx.dialogs.beep();
    }
    setActiveGrid(true);
    m_grdUf->setFocus();
}

TfrmUF_Mun::~TfrmUF_Mun() = default;

void TfrmUF_Mun::setActiveGrid(bool states)
{
    m_ufActive = states;
    QTableView* active = states ? m_grdUf : m_grdMun;
    QTableView* other = states ? m_grdMun : m_grdUf;
    QPalette p = active->palette();
    p.setColor(QPalette::Base, QColor(244, 248, 224));
    active->setPalette(p);
    other->setPalette(QApplication::palette(other));
}

bool TfrmUF_Mun::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::FocusIn && (watched == m_grdUf || watched == m_grdMun))
        setActiveGrid(watched == m_grdUf);
    if (event->type() == QEvent::KeyRelease && watched == m_grdUf)
        filterMunicipalities();
    return QDialog::eventFilter(watched, event);
}

int TfrmUF_Mun::currentRow(QTableView* grid) const
{
    const int rows = grid->model()->rowCount();
    if (rows == 0)
        return -1;
    const int r = grid->currentIndex().row();
    return r < 0 ? 0 : r;
}

void TfrmUF_Mun::selectRow(QTableView* grid, int row)
{
    if (row >= 0 && row < grid->model()->rowCount())
        grid->setCurrentIndex(grid->model()->index(row, grid == m_grdMun ? 1 : 0));
}

long long TfrmUF_Mun::currentState() const
{
    const int r = currentRow(m_grdUf);
    if (r < 0)
        throw Error("Nenhuma UF selecionada.");
    const Table& t = m_ufModel->table();
    return t.rows[r][t.field("id_uf")].toInt();
}

void TfrmUF_Mun::filterMunicipalities()
{
    try {
        if (!m_munOpen)
            return;
        m_ctx.state.registryFilterUf = currentState();
        showMunicipalities();
    } catch (const std::exception&) {
        m_ctx.dialogs.beep();
    }
}

void TfrmUF_Mun::showMunicipalities()
{
    if (!m_munOpen)
        return;
    const long long uf = m_ctx.state.registryFilterUf;
    if (uf < 0) { // never filtered: every municipality
        m_munModel->setTable(m_allMunicipalities);
    } else {
        const int col = m_allMunicipalities.field("id_uf");
        Table shown(m_allMunicipalities.fields);
        for (const Row& r : m_allMunicipalities.rows)
            if (r[col].toInt() == uf)
                shown.rows.push_back(r);
        m_munModel->setTable(std::move(shown));
    }
    selectRow(m_grdMun, 0);
}

bool TfrmUF_Mun::reopen(TableModel* model, const fs::path& file)
{
    model->clear();
    try {
        model->setTable(readTable(file));
        return true;
    } catch (const std::exception& e) {
        m_ctx.dialogs.warning("Erro ao tentar abrir o arquivo\n" + file.string() + "\n\nErro original: " + e.what());
        return false;
    }
}

void TfrmUF_Mun::loadMunicipalities(const fs::path& file)
{
    m_munOpen = false;
    m_munModel->clear();
    try {
        m_allMunicipalities = readTable(file);
        m_munOpen = true;
    } catch (const std::exception& e) {
        m_ctx.dialogs.warning("Erro ao tentar abrir o arquivo\n" + file.string() + "\n\nErro original: " + e.what());
    }
}

void TfrmUF_Mun::reload()
{
    if (reopen(m_ufModel, m_registry.statesFile()))
        selectRow(m_grdUf, 0);
    loadMunicipalities(m_registry.municipalitiesFile());
}

void TfrmUF_Mun::atualizaClick()
{
    reload();
    filterMunicipalities();
}

void TfrmUF_Mun::localizaClick()
{
    m_localizaFromUf = m_grdUf->hasFocus() || m_ufActive;
    m_pnlLocaliza->setFixedHeight(27);
    m_pnlLocaliza->show();
    m_edtLocaliza->setFocus();
}

void TfrmUF_Mun::fechaLocalizaClick()
{
    m_pnlLocaliza->setFixedHeight(0);
    m_pnlLocaliza->hide();
    (m_localizaFromUf ? m_grdUf : m_grdMun)->setFocus();
    setActiveGrid(m_localizaFromUf);
}

void TfrmUF_Mun::localizaEmGrid(SearchButton button)
{
    QTableView* grid = m_ufActive ? m_grdUf : m_grdMun;
    const Table& table = (m_ufActive ? m_ufModel : m_munModel)->table();
    const std::string text = m_edtLocaliza->text().toStdString();
    const int remembered = currentRow(grid);
    const int size = static_cast<int>(table.rows.size());
    m_status->showMessage(" Procurando...");
    // "Primeira" and "Última" run from the table's ends; "Próxima" and
    // "Anterior" from the row next to the current one, so that pressing them
    // again walks through the matches. An empty text stays on the current row.
    int from = remembered;
    bool forward = true;
    if (!trim(text).empty()) {
        switch (button) {
        case SearchButton::First: from = 0; break;
        case SearchButton::Next: from = remembered + 1; break;
        case SearchButton::Previous: from = remembered - 1; forward = false; break;
        case SearchButton::Last: from = size - 1; forward = false; break;
        }
    }
    const int found = remembered < 0 ? -1 : searchRows(table, text, from, forward);
    if (found >= 0) {
        selectRow(grid, found);
    } else {
        selectRow(grid, remembered);
        m_ctx.dialogs.information("Informação não encontrada");
    }
    m_status->clearMessage();
    if (m_ufActive)
        filterMunicipalities();
}

void TfrmUF_Mun::apagaClick()
{
    bool done = false;
    if (m_ufActive) {
        const int r = currentRow(m_grdUf);
        if (r < 0)
            return;
        const Table& t = m_ufModel->table();
        done = m_registry.deleteState(t.rows[r][t.field("id_uf")].toInt(), t.rows[r][t.field("sigla")].toText());
    } else {
        const int r = currentRow(m_grdMun);
        if (r < 0 || currentRow(m_grdUf) < 0)
            return;
        const Table& t = m_munModel->table();
        done = m_registry.deleteMunicipality(currentState(), t.rows[r][t.field("id_mun")].toInt(),
                                             t.rows[r][t.field("ds_mun")].toText());
    }
    if (done) {
        BusyGuard busy(m_ctx.dialogs);
        atualizaClick();
    }
}

void TfrmUF_Mun::openEditor(EditMode mode)
{
    const EditPanel panel = m_ufActive ? EditPanel::State : EditPanel::Municipality;
    EditBoxes shown;
    const int ufRow = currentRow(m_grdUf);
    const Table& uf = m_ufModel->table();
    auto ufText = [&](const char* f) { return ufRow < 0 ? std::string() : uf.rows[ufRow][uf.field(f)].toText(); };
    if (panel == EditPanel::State) {
        if (mode == EditMode::Alter && ufRow < 0)
            return;
        if (mode == EditMode::Alter)
            shown = {ufText("id_uf"), ufText("sigla"), ufText("ds_uf"), "", ""};
        shown.idMun = "0000";
        shown.dsMun = "<não editável>";
    } else {
        if (ufRow < 0)
            return;
        shown = {ufText("id_uf"), ufText("sigla"), ufText("ds_uf"), "", ""};
        if (mode == EditMode::Alter) {
            const int r = currentRow(m_grdMun);
            if (r < 0)
                return;
            const Table& mun = m_munModel->table();
            shown.idMun = mun4(mun.rows[r][mun.field("id_mun")].toInt());
            shown.dsMun = mun.rows[r][mun.field("ds_mun")].toText();
        }
    }
    TfrmUF_Mun_Edicao editor(m_registry, mode, panel, shown, this);
    if (m_editorDriver)
        m_editorDriver(editor);
    else
        editor.exec();
    if (editor.lastResult() == SaveResult::Saved) {
        BusyGuard busy(m_ctx.dialogs);
        atualizaClick();
    }
}

void TfrmUF_Mun::importa(bool states)
{
    const auto chosen = m_ctx.dialogs.chooseOpenFile("Abrir arquivo");
    if (!chosen || chosen->empty())
        return;
    if (states) {
        m_ufModel->clear();
        if (m_registry.importStates(*chosen, m_ctx.format))
            reopen(m_ufModel, m_registry.statesFile());
    } else {
        m_munOpen = false;
        m_munModel->clear();
        if (m_registry.importMunicipalities(*chosen, m_ctx.format)) {
            loadMunicipalities(m_registry.municipalitiesFile());
            filterMunicipalities();
        }
    }
}

void TfrmUF_Mun::exporta(RegistryExport item)
{
    long long uf = 0;
    if (item == RegistryExport::SelectedState) {
        try {
            uf = currentState();
        } catch (const Error&) {
            return;
        }
    }
    m_registry.exportItem(item, uf, m_ctx.format);
}

} // namespace demovia::ui
