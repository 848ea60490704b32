#include "results/ui/uResultados.h"

#include "data/error.h"
#include "data/project.h"
#include "data/sql_engine.h"
#include "data/text_exchange.h"
#include "data/text_util.h"
#include "results/ui/uRel_01.h"
#include "ui/widgets.h"

#include <QComboBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QRegularExpressionValidator>
#include <QSplitter>
#include <QTabWidget>
#include <QTableView>
#include <QToolBar>
#include <QToolButton>
#include <QVBoxLayout>

namespace demovia::ui {

namespace {

struct GridInfo {
    const char* name;
    const char* file;   // nullptr: the year table or a query
    const char* report;
};

// In the order the export and print commands test the grids.
constexpr GridInfo kGrids[] = {
    {"grd_cr_ufp", "cr_ufp.dbf", "qr_cr_ufp"},
    {"grd_cr_uf", "cr_uf.dbf", "qr_cr_uf"},
    {"grd_cr_uf_mun", "cr_ufm.dbf", "qr_cr_ufmun"},
    {"grd_fator_k", "fator_k.dbf", "qr_fator_k"},
    {"grd_interpolacao", "interp.dbf", "qr_interpolacao"},
    {"grd_tef_proj", "tef_ufp.dbf", "qr_tef_proj"},
    {"grd_tefm", "tef_ufm.dbf", "qr_tefm"},
    {"grd_tef_amen", "tef_mun.dbf", "qr_tef_amen"},
    {"grd_rcm", "rcm.dbf", "qr_rcm"},
    {"grd_nasc_sexo", "nascsexo.dbf", "qr_nasc_sexo"},
    {"grd_psfinais", nullptr, "qr_psfinais"},
    {"grd_psfin_fx", nullptr, "qr_psfin_fx"},
    {"grd_psfin_tot", nullptr, "qr_psfin_tot"},
};

// A query's rows as a table for its grid: a column is numeric when it holds numbers.
Table asTable(const ResultSet& rs)
{
    Table t;
    for (std::size_t c = 0; c < rs.columns.size(); ++c) {
        bool numeric = false;
        for (const Row& r : rs.rows)
            if (c < r.size() && r[c].isNumber()) {
                numeric = true;
                break;
            }
        t.fields.push_back(FieldDef{rs.columns[c], numeric ? 'N' : 'C', numeric ? 20 : 254, numeric ? 6 : 0});
    }
    t.rows = rs.rows;
    return t;
}

QSplitter* splitter(Qt::Orientation o, QWidget* parent)
{
    auto* s = new QSplitter(o, parent);
    s->setChildrenCollapsible(false);
    return s;
}

} // namespace

TfrmResultados::TfrmResultados(UiContext& ctx, QWidget* parent)
    : WorkWindow(ctx, parent), m_sql(std::make_unique<SqlEngine>())
{
    setObjectName("frmResultados");
    setWindowTitle("Resultados da projeção");
    resize(900, 600);
    showReport = [this](const ReportDocument& doc) { previewReport(doc, this); };

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);

    auto* bar = new QToolBar(this);
    auto* exportButton = makeToolButton(this, "tb_exporta", "&Exporta", "Exporta planilha selecionada");
    auto* printButton = makeToolButton(this, "tb_imprime", "&Imprime", "Imprime planilha selecionada");
    bar->addWidget(exportButton);
    bar->addWidget(printButton);
    layout->addWidget(bar);

    // The search strip.
    auto* strip = new QHBoxLayout;
    strip->setContentsMargins(4, 2, 4, 2);
    auto* munLabel = new QLabel("Cód. Mun.", this);
    strip->addWidget(munLabel);
    m_munCode = new QLineEdit("0000", this);
    m_munCode->setObjectName("edt_id_mun");
    m_munCode->setMaxLength(4);
    m_munCode->setFixedWidth(m_munCode->fontMetrics().horizontalAdvance("00000") + 12);
    m_munCode->setValidator(new QRegularExpressionValidator(QRegularExpression("[0-9]{0,4}"), m_munCode));
    munLabel->setBuddy(m_munCode);
    strip->addWidget(m_munCode);
    auto* locate = makeToolButton(this, "sb_localizar", "&Localizar", "Seleciona os registros, segundo a condição");
    strip->addWidget(locate);
    strip->addStretch();
    layout->addLayout(strip);

    m_models.fill(nullptr);
    for (int g = 0; g < GridCount; ++g)
        m_models[static_cast<std::size_t>(g)] = new TableModel(m_ctx.format, this);

    m_pages = new QTabWidget(this);
    m_pages->setObjectName("pc_resultados");

    // Page "Tabelas intermediárias": an inner page control, tabs at the bottom.
    auto* interPage = new QWidget(m_pages);
    interPage->setObjectName("ts_intermediarias");
    auto* interLayout = new QVBoxLayout(interPage);
    interLayout->setContentsMargins(0, 0, 0, 0);
    m_intermediate = new QTabWidget(interPage);
    m_intermediate->setObjectName("pc_intermediarias");
    m_intermediate->setTabPosition(QTabWidget::South);
    interLayout->addWidget(m_intermediate);

    auto* crTab = splitter(Qt::Horizontal, m_intermediate);
    crTab->setObjectName("ts_coef_cresc");
    crTab->addWidget(titled(" CR por idades, com base na projeção", makeGrid(CrUfp, crTab), crTab));
    auto* crRight = splitter(Qt::Vertical, crTab);
    crRight->addWidget(titled(" CR por faixa etária", makeGrid(CrUf, crRight), crRight));
    crRight->addWidget(titled(" CR por município e faixa etária", makeGrid(CrUfMun, crRight), crRight));
    crTab->addWidget(crRight);
    m_intermediate->addTab(crTab, "Coef. de crescimento");

    auto single = [this](Grid g, const char* name, const char* caption) {
        auto* page = new QWidget(m_intermediate);
        page->setObjectName(name);
        auto* l = new QVBoxLayout(page);
        l->setContentsMargins(0, 0, 0, 0);
        l->addWidget(makeGrid(g, page));
        m_intermediate->addTab(page, caption);
    };
    single(FatorK, "ts_fator_k", "Fator K");
    single(Interpolacao, "ts_interpolacao", "Abertura Idade Simples");

    auto* tefTab = splitter(Qt::Vertical, m_intermediate);
    tefTab->setObjectName("ts_fecundidade");
    tefTab->addWidget(titled("Taxas específicas da projeção, com a TFT calculada", makeGrid(TefProj, tefTab), tefTab));
    tefTab->addWidget(titled("Taxas específicas médias", makeGrid(Tefm, tefTab), tefTab));
    tefTab->addWidget(titled("Taxas específicas para as áreas menores", makeGrid(TefAmen, tefTab), tefTab));
    m_intermediate->addTab(tefTab, "Tx. Fecundidade");

    single(Rcm, "ts_rcm", "Criança / Mulher e IDF");
    single(NascSexo, "ts_nasc_sexo", "Nasc. por Sexo");
    m_pages->addTab(interPage, "Tabelas intermediárias");

    // Page "Projeções".
    auto* projPage = new QWidget(m_pages);
    projPage->setObjectName("ts_projecoes");
    auto* projLayout = new QVBoxLayout(projPage);
    projLayout->setContentsMargins(0, 0, 0, 0);
    auto* yearStrip = new QHBoxLayout;
    yearStrip->setContentsMargins(4, 2, 4, 2);
    auto* yearLabel = new QLabel("Ano projetado", projPage);
    yearStrip->addWidget(yearLabel);
    m_years = new QComboBox(projPage);
    m_years->setObjectName("cb_ano_projetado");
    m_years->setEditable(false);
    m_years->setToolTip("Escolha o ano projetado a apresentar");
    m_years->setMinimumContentsLength(6);
    m_years->installEventFilter(this);
    yearLabel->setBuddy(m_years);
    yearStrip->addWidget(m_years);
    auto* search = makeToolButton(projPage, "sb_pesq_ano", "&Pesquisar", "Traz a projeção do ano escolhido");
    yearStrip->addWidget(search);
    yearStrip->addStretch();
    projLayout->addLayout(yearStrip);
    auto* projSplit = splitter(Qt::Vertical, projPage);
    projSplit->addWidget(makeGrid(PsFinais, projSplit));
    auto* bottom = splitter(Qt::Horizontal, projSplit);
    bottom->addWidget(titled(" População, por faixa etária", makeGrid(PsFinFx, bottom), bottom));
    bottom->addWidget(titled(" Totais, por município", makeGrid(PsFinTot, bottom), bottom));
    projSplit->addWidget(bottom);
    projLayout->addWidget(projSplit, 1);
    m_pages->addTab(projPage, "Projeções");

    layout->addWidget(m_pages, 1);

    connect(exportButton, &QToolButton::clicked, this, &TfrmResultados::tb_exportaClick);
    connect(printButton, &QToolButton::clicked, this, &TfrmResultados::tb_imprimeClick);
    connect(locate, &QToolButton::clicked, this, &TfrmResultados::sb_localizarClick);
    connect(m_munCode, &QLineEdit::returnPressed, this, &TfrmResultados::sb_localizarClick);
    connect(search, &QToolButton::clicked, this, &TfrmResultados::sb_pesq_anoClick);

    m_pages->setCurrentIndex(0);
    m_intermediate->setCurrentIndex(0);
}

TfrmResultados::~TfrmResultados() = default;

QTableView* TfrmResultados::makeGrid(Grid g, QWidget* parent)
{
    auto* grid = new QTableView(parent);
    grid->setObjectName(kGrids[g].name);
    grid->setModel(m_models[static_cast<std::size_t>(g)]);
    grid->setSelectionBehavior(QAbstractItemView::SelectRows);
    grid->setSelectionMode(QAbstractItemView::SingleSelection);
    grid->setEditTriggers(QAbstractItemView::NoEditTriggers);
    grid->verticalHeader()->setDefaultSectionSize(grid->fontMetrics().height() + 6);
    m_grids[static_cast<std::size_t>(g)] = grid;
    // Widths follow the values of each table shown.
    connect(m_models[static_cast<std::size_t>(g)], &QAbstractItemModel::modelReset, grid,
            [grid] { grid->resizeColumnsToContents(); });
    return grid;
}

QWidget* TfrmResultados::titled(const char* title, QTableView* grid, QWidget* parent)
{
    auto* panel = new QWidget(parent);
    auto* l = new QVBoxLayout(panel);
    l->setContentsMargins(0, 0, 0, 0);
    l->setSpacing(1);
    auto* label = new QLabel(title, panel);
    QFont f = label->font();
    f.setBold(true);
    label->setFont(f);
    l->addWidget(label);
    grid->setParent(panel);
    l->addWidget(grid, 1);
    return panel;
}

bool TfrmResultados::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == m_years && event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (key == Qt::Key_Return || key == Qt::Key_Enter) {
            sb_pesq_anoClick();
            return true;
        }
    }
    return WorkWindow::eventFilter(watched, event);
}

void TfrmResultados::resetaForm()
{
    for (TableModel* m : m_models)
        m->clear();
    m_yearFile.clear();
    m_fxQuery.clear();
    m_totQuery.clear();
    m_ctx.state.firstProjectedYear = 0;
    m_pages->setCurrentIndex(0);
    m_intermediate->setCurrentIndex(0);
    m_years->clear();
}

bool TfrmResultados::loadIntermediate(std::string& failure)
{
    bool ok = true;
    for (int g = CrUfp; g <= NascSexo; ++g) {
        TableModel* model = m_models[static_cast<std::size_t>(g)];
        try {
            model->load(m_ctx.state.projectDir / kGrids[g].file);
        } catch (const std::exception& e) {
            model->clear();
            if (ok)
                failure = e.what();
            ok = false;
        }
    }
    return ok;
}

void TfrmResultados::fillYears(const std::vector<int>& years)
{
    m_years->clear();
    for (int y : years)
        m_years->addItem(QString::fromStdString(year4(y)));
    if (m_years->count() > 0)
        m_years->setCurrentIndex(0);
}

void TfrmResultados::projectOpened(const ProjectDetails& /*details*/)
{
    if (m_ctx.state.projectDir.empty())
        return;
    std::string failure;
    bool ok = true;
    {
        BusyGuard busy(m_ctx.dialogs);
        ok = loadIntermediate(failure);
    }
    if (!ok)
        m_ctx.dialogs.error("Nem todos os arquivos do projeto puderam ser carregados.\n\n"
                            "Verifique se algum deles está em uso e tente novamente\n\nErro original: " +
                            failure);
    if (m_ctx.state.firstProjectedYear > 0) {
        fillYears(projectedYears(m_ctx.state.projectDir, m_ctx.state.firstProjectedYear));
        if (m_years->count() > 0)
            sb_pesq_anoClick();
    }
}

void TfrmResultados::runFinished(const RunOutcome& outcome)
{
    if (m_ctx.state.projectDir.empty())
        return;
    std::string failure;
    if (!loadIntermediate(failure))
        reportGeneral(failure);
    if (outcome.projectedYears.empty())
        return; // the run stopped before step 6 wrote a year
    fillYears(outcome.projectedYears);
    m_ctx.state.firstProjectedYear = outcome.projectedYears.front();
    sb_pesq_anoClick();
}

void TfrmResultados::sb_pesq_anoClick()
{
    const std::string year = m_years->currentText().toStdString();
    const std::string file = folderText(m_ctx.state.projectDir) + year + ".dbf";
    TableModel* fx = m_models[PsFinFx];
    TableModel* tot = m_models[PsFinTot];
    try {
        BusyGuard busy(m_ctx.dialogs);
        if (fileExists(file)) {
            m_models[PsFinais]->load(file);
            m_yearFile = resolveFile(file).string();
        }
        fx->clear();
        m_fxQuery = "select ano, mun, faixa, sum (hom_int) as hom_int, sum (mul_int) as mul_int, sum (hom_dec) as "
                    "hom_dec, sum (mul_dec) as mul_dec from " +
                    quotedTable(file) + " group by ano, mun, faixa order by ano, mun, faixa;";
        fx->setTable(asTable(m_sql->query(m_fxQuery)));
    } catch (const std::exception& e) {
        m_ctx.dialogs.warning(std::string("Não foi possível acessar o arquivo do ano escolhido.\n"
                                          "Verifique se ele está aberto por outra aplicação e tente novamente.\n\n"
                                          "Erro original: ") +
                              e.what());
        return;
    }

    try {
        BusyGuard busy(m_ctx.dialogs);
        tot->clear();
        m_totQuery = "select ano, mun, sum (hom_int) as hom_int, sum (mul_int) as mul_int, sum (hom_dec) as hom_dec, "
                     "sum (mul_dec) as mul_dec from " +
                     quotedTable(file) + " group by ano, mun order by ano, mun;";
        tot->setTable(asTable(m_sql->query(m_totQuery)));
    } catch (const std::exception& e) {
        tot->clear();
        m_ctx.dialogs.warning(std::string("Não foi possível obter os totais por município\npara o ano escolhido.\n\n"
                                          "Erro original: ") +
                              e.what());
        return;
    }

    if (isEnabled() && isVisible())
        m_grids[PsFinais]->setFocus();
}

void TfrmResultados::sb_localizarClick()
{
    std::string code;
    try {
        code = typedMunCode(m_munCode->text().toStdString());
    } catch (const std::exception& e) {
        reportGeneral(e);
        return;
    }
    m_munCode->setText(QString::fromStdString(code));

    BusyGuard busy(m_ctx.dialogs);
    for (Grid g : {Interpolacao, CrUfMun, FatorK, TefAmen, Rcm, NascSexo, PsFinais, PsFinFx, PsFinTot}) {
        TableModel* model = m_models[static_cast<std::size_t>(g)];
        if (!model->isOpen())
            continue;
        locateInGrid(m_grids[static_cast<std::size_t>(g)], *model, "mun", code);
    }
}

int TfrmResultados::focusedGrid() const
{
    const QWidget* focused = focusWidget();
    for (int g = 0; g < GridCount; ++g)
        if (m_grids[static_cast<std::size_t>(g)] == focused)
            return g;
    return -1;
}

std::string TfrmResultados::statementOf(int grid) const
{
    if (grid == PsFinFx)
        return m_fxQuery;
    if (grid == PsFinTot)
        return m_totQuery;
    const std::string path = grid == PsFinais ? m_yearFile
                                              : resolveFile(m_ctx.state.projectDir / kGrids[grid].file).string();
    return "select * from " + quotedTable(path) + ";";
}

void TfrmResultados::tb_exportaClick()
{
    const int g = focusedGrid();
    if (g < 0)
        return;
    try {
        exportStatement(*m_sql, statementOf(g), m_ctx.format, m_ctx.dialogs);
    } catch (const std::exception& e) {
        reportGeneral(e);
    }
}

void TfrmResultados::tb_imprimeClick()
{
    const int g = focusedGrid();
    if (g < 0)
        return;
    printStatement(*m_sql, statementOf(g), kGrids[g].report, m_ctx.format, m_ctx.dialogs, showReport);
}

} // namespace demovia::ui
