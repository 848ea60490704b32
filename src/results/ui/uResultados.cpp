#include "results/ui/uResultados.h"

#include "data/error.h"
#include "data/project.h"
#include "data/sql_engine.h"
#include "data/text_exchange.h"
#include "data/text_util.h"
#include "results/ui/analysis_pages.h"
#include "results/ui/chart_painter.h"
#include "results/ui/uRel_01.h"
#include "results/year_views.h"
#include "ui/widgets.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFileDialog>
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
#include <QStyle>
#include <QVBoxLayout>

#include <atomic>
#include <optional>
#include <thread>

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

// Column widths. A small table's columns fit its values; a large one (a
// year has 69,000 rows in a large state) is sized from its fields' widths,
// which bound every value's text, instead of sampling a thousand rows of it.
void fitColumns(QTableView* grid, const TableModel& model)
{
    constexpr int kLarge = 20000;
    if (model.rowCount() <= kLarge) {
        grid->resizeColumnsToContents();
        return;
    }
    const QFontMetrics fm = grid->fontMetrics();
    const QFontMetrics header = grid->horizontalHeader()->fontMetrics();
    const int pad = 2 * grid->style()->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, grid) + 12;
    const auto& fields = model.table().fields;
    for (int c = 0; c < static_cast<int>(fields.size()); ++c) {
        const FieldDef& f = fields[static_cast<std::size_t>(c)];
        // Numbers are shown in their shortest form, at most 15 significant
        // digits with sign and separator.
        const int chars = f.isNumeric() ? std::min(f.width, 18) : f.width;
        const int values = fm.horizontalAdvance(QString(std::max(chars, 1), f.isNumeric() ? QChar('0') : QChar('W')));
        const int heading = header.horizontalAdvance(QString::fromStdString(f.name)) + 16;
        grid->horizontalHeader()->resizeSection(c, std::max(values + pad, heading));
    }
}

// Reads the tables on two threads; each entry the table, nothing when the
// file does not exist, or the text of the failure.
struct ReadResult {
    std::optional<Table> table;
    std::string failure;
};
std::vector<ReadResult> readTables(const std::vector<fs::path>& files)
{
    std::vector<ReadResult> out(files.size());
    std::atomic<std::size_t> next{0};
    const auto work = [&] {
        for (std::size_t i; (i = next++) < files.size();) {
            try {
                if (fileExists(files[i]))
                    out[i].table = readTable(resolveFile(files[i]));
            } catch (const std::exception& e) {
                out[i].failure = e.what();
                if (out[i].failure.empty())
                    out[i].failure = "erro de leitura";
            }
        }
    };
    std::thread helper(work);
    work();
    helper.join();
    return out;
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
    m_pages->addTab(makeChartPage(m_pages), "Gráficos");
    m_indicatorsPage = new IndicatorsPage(m_ctx, showReport, m_pages);
    m_pages->addTab(m_indicatorsPage, "Indicadores");
    m_checksPage = new ChecksPage(m_ctx, showReport, m_pages);
    m_pages->addTab(m_checksPage, "Verificações");

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
    // Widths follow each table shown; a grid out of sight is sized when it
    // comes into sight.
    TableModel* model = m_models[static_cast<std::size_t>(g)];
    connect(model, &QAbstractItemModel::modelReset, grid, [grid, model] {
        if (grid->isVisible())
            fitColumns(grid, *model);
        else
            grid->setProperty("fitPending", true);
    });
    grid->installEventFilter(this);
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
    if (event->type() == QEvent::Show) {
        for (int g = 0; g < GridCount; ++g)
            if (watched == m_grids[static_cast<std::size_t>(g)] && watched->property("fitPending").toBool()) {
                watched->setProperty("fitPending", false);
                fitColumns(m_grids[static_cast<std::size_t>(g)], *m_models[static_cast<std::size_t>(g)]);
            }
    }
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
    fillYears({});
    setAnalysisSource({});
}

void TfrmResultados::setAnalysisSource(const std::vector<int>& years)
{
    const int census2 = m_ctx.state.run.baseYear > 0 ? m_ctx.state.run.baseYear : m_census2Year;
    m_indicatorsPage->setSource({years, census2});
    m_checksPage->setSource({years, census2});
}

bool TfrmResultados::loadIntermediate(std::string& failure)
{
    std::vector<fs::path> files;
    for (int g = CrUfp; g <= NascSexo; ++g)
        files.push_back(m_ctx.state.projectDir / kGrids[g].file);
    std::vector<ReadResult> read = readTables(files);
    bool ok = true;
    for (int g = CrUfp; g <= NascSexo; ++g) {
        TableModel* model = m_models[static_cast<std::size_t>(g)];
        ReadResult& r = read[static_cast<std::size_t>(g - CrUfp)];
        if (r.table) {
            model->setTable(std::move(*r.table));
            continue;
        }
        model->clear();
        if (!r.failure.empty()) {
            if (ok)
                failure = r.failure;
            ok = false;
        }
    }
    return ok;
}

void TfrmResultados::fillYears(const std::vector<int>& years)
{
    m_years->clear();
    m_chartYear->clear();
    m_chartCompare->clear();
    m_chartCompare->addItem("Sem contorno");
    m_chartCompare->addItem("Censo 2");
    for (int y : years) {
        const QString text = QString::fromStdString(year4(y));
        m_years->addItem(text);
        m_chartYear->addItem(text);
        m_chartCompare->addItem(text);
    }
    if (m_years->count() > 0)
        m_years->setCurrentIndex(0);
    m_chart->clear();
}

void TfrmResultados::projectOpened(const ProjectDetails& details)
{
    const auto yearOf = [](const std::string& text) {
        try {
            return static_cast<int>(parseWhole(trim(text)));
        } catch (const Error&) {
            return 0;
        }
    };
    m_census1Year = yearOf(details.census1.ano);
    m_census2Year = yearOf(details.census2.ano);
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
        const std::vector<int> years = projectedYears(m_ctx.state.projectDir, m_ctx.state.firstProjectedYear);
        fillYears(years);
        setAnalysisSource(years);
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
    setAnalysisSource(outcome.projectedYears);
    if (!outcome.checks.empty())
        m_checksPage->setChecks(outcome.checks);
    m_ctx.state.firstProjectedYear = outcome.projectedYears.front();
    sb_pesq_anoClick();
}

void TfrmResultados::sb_pesq_anoClick()
{
    // One read of the year table; the age-group and municipal views are summed
    // from it in one pass. Export and print run the statements of the same views.
    const std::string year = m_years->currentText().toStdString();
    const fs::path file = resolveFile(yearTableFile(m_ctx.state.projectDir, year));
    const auto cannotRead = [this](const std::string& why) {
        m_ctx.dialogs.warning("Não foi possível acessar o arquivo do ano escolhido.\n"
                              "Verifique se ele está aberto por outra aplicação e tente novamente.\n\n"
                              "Erro original: " +
                              why);
    };
    TableModel* fx = m_models[PsFinFx];
    TableModel* tot = m_models[PsFinTot];
    BusyGuard busy(m_ctx.dialogs);
    fx->clear();
    Table ages;
    try {
        ages = readTable(file); // a missing year keeps the table shown before
    } catch (const std::exception& e) {
        cannotRead(e.what());
        return;
    }
    Table groups, totals;
    std::string groupsFailure, totalsFailure;
    try {
        groups = ageGroupView(ages);
        totals = totalsView(ages);
    } catch (const std::exception& e) {
        (groups.fields.empty() ? groupsFailure : totalsFailure) = e.what();
    }
    m_yearFile = file.string();
    m_models[PsFinais]->setTable(std::move(ages));
    if (!groupsFailure.empty()) {
        cannotRead(groupsFailure);
        return;
    }
    m_fxQuery = ageGroupViewStatement(file);
    fx->setTable(std::move(groups));
    tot->clear();
    if (!totalsFailure.empty()) {
        m_ctx.dialogs.warning("Não foi possível obter os totais por município\npara o ano escolhido.\n\n"
                              "Erro original: " +
                              totalsFailure);
        return;
    }
    m_totQuery = totalsViewStatement(file);
    tot->setTable(std::move(totals));

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
    printStatement(*m_sql, statementOf(g), kGrids[g].report, m_ctx.format, m_ctx.dialogs, showReport,
                   reportTextWidth());
}

QWidget* TfrmResultados::makeChartPage(QWidget* parent)
{
    auto* page = new QWidget(parent);
    page->setObjectName("ts_graficos");
    auto* l = new QVBoxLayout(page);
    l->setContentsMargins(0, 0, 0, 0);
    auto* strip = new QHBoxLayout;
    strip->setContentsMargins(4, 2, 4, 2);

    m_chartKind = new QComboBox(page);
    m_chartKind->setObjectName("cb_grafico");
    m_chartKind->addItems({"Pirâmide etária", "População total", "Indicador ao longo dos anos"});
    m_chartKind->setToolTip("Gráfico a desenhar");
    m_chartKind->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    m_chartKind->setMinimumContentsLength(22);
    strip->addWidget(m_chartKind);

    auto* yearLabel = new QLabel("Ano", page);
    strip->addWidget(yearLabel);
    m_chartYear = new QComboBox(page);
    m_chartYear->setObjectName("cb_ano_grafico");
    m_chartYear->setToolTip("Ano da pirâmide");
    m_chartYear->setMinimumContentsLength(6);
    yearLabel->setBuddy(m_chartYear);
    strip->addWidget(m_chartYear);

    auto* munLabel = new QLabel("Cód. Mun.", page);
    strip->addWidget(munLabel);
    m_chartMun = new QLineEdit(page);
    m_chartMun->setObjectName("edt_mun_grafico");
    m_chartMun->setMaxLength(4);
    m_chartMun->setPlaceholderText("UF");
    m_chartMun->setToolTip("Município do gráfico; vazio: a UF inteira");
    m_chartMun->setFixedWidth(m_chartMun->fontMetrics().horizontalAdvance("00000") + 12);
    m_chartMun->setValidator(new QRegularExpressionValidator(QRegularExpression("[0-9]{0,4}"), m_chartMun));
    munLabel->setBuddy(m_chartMun);
    strip->addWidget(m_chartMun);

    auto* compareLabel = new QLabel("Contorno", page);
    strip->addWidget(compareLabel);
    m_chartCompare = new QComboBox(page);
    m_chartCompare->setObjectName("cb_comparar");
    m_chartCompare->setToolTip("Outro ano, ou o censo 2, desenhado em contorno sobre a pirâmide");
    compareLabel->setBuddy(m_chartCompare);
    strip->addWidget(m_chartCompare);

    m_chartIndicator = new QComboBox(page);
    m_chartIndicator->setObjectName("cb_indicador_grafico");
    m_chartIndicator->setToolTip("Indicador desenhado ao longo dos anos");
    for (const IndicatorInfo& i : indicatorList())
        m_chartIndicator->addItem(QString::fromUtf8(i.caption));
    m_chartIndicator->setCurrentIndex(11); // the old-age dependency ratio
    // The long captions show whole in the open list; the closed box keeps the strip inside the window.
    m_chartIndicator->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    m_chartIndicator->setMinimumContentsLength(30);
    strip->addWidget(m_chartIndicator);

    m_chartGroups = new QCheckBox("Por &faixa etária", page);
    m_chartGroups->setObjectName("ck_faixas");
    strip->addWidget(m_chartGroups);
    m_chartPercent = new QCheckBox("Em &%", page);
    m_chartPercent->setObjectName("ck_percentual");
    strip->addWidget(m_chartPercent);

    // Only the choices of the chart chosen are shown: the strip stays inside the window.
    const auto showChoices = [=, this](int kind) {
        for (QWidget* w : std::initializer_list<QWidget*>{yearLabel, m_chartYear, compareLabel, m_chartCompare,
                                                          m_chartGroups, m_chartPercent})
            w->setVisible(kind == 0);
        m_chartIndicator->setVisible(kind == 2);
    };
    showChoices(0);
    connect(m_chartKind, &QComboBox::currentIndexChanged, page, showChoices);

    auto* draw = makeToolButton(page, "sb_desenhar", "&Desenhar", "Desenha o gráfico escolhido");
    auto* save = makeToolButton(page, "sb_salvar_grafico", "&Salvar imagem", "Salva o gráfico em PNG ou SVG");
    auto* print = makeToolButton(page, "sb_imprimir_grafico", "Im&primir gráfico", "Imprime o gráfico");
    strip->addWidget(draw);
    strip->addWidget(save);
    strip->addWidget(print);
    strip->addStretch();
    l->addLayout(strip);

    m_chart = new ChartView(page);
    m_chart->setObjectName("img_grafico");
    l->addWidget(m_chart, 1);

    connect(draw, &QToolButton::clicked, this, &TfrmResultados::sb_desenharClick);
    connect(save, &QToolButton::clicked, this, &TfrmResultados::sb_salvar_graficoClick);
    connect(print, &QToolButton::clicked, this, &TfrmResultados::sb_imprimir_graficoClick);
    connect(m_chartMun, &QLineEdit::returnPressed, this, &TfrmResultados::sb_desenharClick);
    chooseChartFile = [this]() -> std::optional<std::string> {
        const QString f = QFileDialog::getSaveFileName(this, "Salvar gráfico", QString::fromStdString(
                                                           folderText(m_ctx.state.projectDir)),
                                                       "Imagem PNG (*.png);;Imagem SVG (*.svg)");
        if (f.isEmpty())
            return std::nullopt;
        return f.toStdString();
    };
    return page;
}

void TfrmResultados::sb_desenharClick()
{
    if (m_ctx.state.projectDir.empty() || m_chartYear->count() == 0) {
        m_ctx.dialogs.warning("Não há anos projetados para desenhar.\n\nExecute a projeção até o passo 6.");
        return;
    }
    ChartRequest r;
    r.appDir = m_ctx.state.appDir;
    r.projectDir = m_ctx.state.projectDir;
    r.uf = m_ctx.state.ufCode();
    r.format = m_ctx.format;
    r.census1Year = m_census1Year;
    r.census2Year = m_ctx.state.run.baseYear > 0 ? m_ctx.state.run.baseYear : m_census2Year;
    r.firstProjectedYear = m_chartYear->itemText(0).toInt();
    r.year = m_chartYear->currentText().toInt();
    r.options = {m_chartGroups->isChecked(), m_chartPercent->isChecked()};
    const int compare = m_chartCompare->currentIndex();
    if (compare == 1)
        r.compare = CompareWith::Census2;
    else if (compare > 1) {
        r.compare = CompareWith::Year;
        r.compareYear = m_chartCompare->currentText().toInt();
    }
    try {
        if (!m_chartMun->text().trimmed().isEmpty()) {
            r.mun = typedMunCode(m_chartMun->text().toStdString());
            m_chartMun->setText(QString::fromStdString(r.mun));
        }
        BusyGuard busy(m_ctx.dialogs);
        if (m_chartKind->currentIndex() == 0)
            m_chart->setChart(projectPyramid(r));
        else if (m_chartKind->currentIndex() == 1)
            m_chart->setChart(projectTotals(r));
        else if (const ProjectIndicators* pi = m_indicatorsPage->indicators()) {
            if (!r.mun.empty() && !pi->byMunicipality.count(r.mun))
                throw Error("O município " + r.mun + " não está nas tabelas anuais do projeto.");
            const auto& rows = r.mun.empty() ? pi->state : pi->byMunicipality.at(r.mun);
            m_chart->setChart(indicatorChart(rows, static_cast<std::size_t>(m_chartIndicator->currentIndex()),
                                             chartArea(r.appDir, r.uf, r.mun), r.format));
        }
    } catch (const std::exception& e) {
        m_chart->clear();
        m_ctx.dialogs.warning(std::string("Não foi possível desenhar o gráfico.\n\nErro original: ") + e.what());
    }
}

void TfrmResultados::sb_salvar_graficoClick()
{
    if (!m_chart->hasChart()) {
        m_ctx.dialogs.warning("Desenhe um gráfico antes de salvá-lo.");
        return;
    }
    const auto file = chooseChartFile ? chooseChartFile() : std::nullopt;
    if (!file)
        return;
    std::string failure;
    if (!writeChartFile(m_chart->chart(), QString::fromStdString(*file), failure)) {
        m_ctx.dialogs.warning("Não foi possível salvar o gráfico.\n\nErro original: " + failure);
        return;
    }
    m_ctx.dialogs.information("Arquivo " + *file + "\ncriado com sucesso");
}

void TfrmResultados::sb_imprimir_graficoClick()
{
    if (!m_chart->hasChart()) {
        m_ctx.dialogs.warning("Desenhe um gráfico antes de imprimi-lo.");
        return;
    }
    previewChart(m_chart->chart(), this);
}

} // namespace demovia::ui
