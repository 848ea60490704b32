#include "results/ui/analysis_pages.h"

#include "data/error.h"
#include "data/text_exchange.h"
#include "data/text_util.h"
#include "results/ui/uRel_01.h"
#include "ui/table_model.h"
#include "ui/widgets.h"

#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QRegularExpressionValidator>
#include <QTableView>
#include <QToolButton>
#include <QVBoxLayout>

namespace demovia::ui {

bool TableSortProxy::lessThan(const QModelIndex& left, const QModelIndex& right) const
{
    const auto* model = static_cast<const TableModel*>(sourceModel());
    const Table& t = model->table();
    const Value& a = t.rows[static_cast<std::size_t>(left.row())][static_cast<std::size_t>(left.column())];
    const Value& b = t.rows[static_cast<std::size_t>(right.row())][static_cast<std::size_t>(right.column())];
    if (a.isNull() || b.isNull())
        return a.isNull() && !b.isNull();
    if (a.isNumber() && b.isNumber())
        return a.toDouble() < b.toDouble();
    return a.toText() < b.toText();
}

Table tableOfResult(const ResultSet& rs)
{
    Table t;
    for (std::size_t c = 0; c < rs.columns.size(); ++c) {
        const int d = c < rs.decimals.size() ? rs.decimals[c] : -1;
        bool numeric = false;
        std::size_t width = 1;
        for (const Row& r : rs.rows)
            if (c < r.size()) {
                numeric = numeric || r[c].isNumber();
                width = std::max(width, r[c].toText().size());
            }
        t.fields.push_back(numeric ? FieldDef{rs.columns[c], 'N', 19, std::max(d, 0)}
                                   : FieldDef{rs.columns[c], 'C', static_cast<int>(width), 0});
    }
    t.rows = rs.rows;
    return t;
}

namespace {

QTableView* sortedGrid(const char* name, TableModel* model, QWidget* parent)
{
    auto* proxy = new TableSortProxy(parent);
    proxy->setSourceModel(model);
    auto* grid = new QTableView(parent);
    grid->setObjectName(name);
    grid->setModel(proxy);
    grid->setEditTriggers(QAbstractItemView::NoEditTriggers);
    grid->setSelectionBehavior(QAbstractItemView::SelectRows);
    grid->setSelectionMode(QAbstractItemView::SingleSelection);
    grid->setSortingEnabled(true);
    grid->sortByColumn(-1, Qt::AscendingOrder); // stored order until a heading is clicked
    grid->verticalHeader()->setDefaultSectionSize(grid->fontMetrics().height() + 6);
    QObject::connect(model, &QAbstractItemModel::modelReset, grid, &QTableView::resizeColumnsToContents);
    return grid;
}

void exportRows(UiContext& ctx, const ResultSet& rows, const std::string& sheet)
{
    if (rows.rows.empty()) {
        ctx.dialogs.warning("Sem registros a exportar");
        return;
    }
    const std::optional<std::string> file = ctx.dialogs.chooseSaveFile();
    if (!file || file->empty())
        return;
    try {
        BusyGuard busy(ctx.dialogs);
        writeExportFile(*file, rows, ctx.format, sheet);
    } catch (const std::exception& e) {
        ctx.dialogs.warning(std::string("Erro ao tentar gravar o arquivo.\n\nErro original: ") + e.what());
        return;
    }
    ctx.dialogs.information("Arquivo " + *file + "\ncriado com sucesso");
}

void printRows(UiContext& ctx, const ReportLayout& layout, const ResultSet& rows,
               const std::function<void(const ReportDocument&)>& show)
{
    if (rows.rows.empty()) {
        ctx.dialogs.warning("Sem registros a imprimir");
        return;
    }
    try {
        const ReportDocument doc = produceReport(layout, rows, ctx.format, reportTextWidth());
        if (show)
            show(doc);
        else
            previewReport(doc);
    } catch (const std::exception& e) {
        ctx.dialogs.warning(std::string("Não foi possível preparar o relatório.\n\nErro original: ") + e.what());
    }
}

QString q(const std::string& s) { return QString::fromStdString(s); }

} // namespace

// ---- Indicadores ------------------------------------------------------------------

IndicatorsPage::IndicatorsPage(UiContext& ctx, std::function<void(const ReportDocument&)>& showReport,
                               QWidget* parent)
    : QWidget(parent), m_ctx(ctx), m_showReport(showReport)
{
    setObjectName("ts_indicadores");
    auto* l = new QVBoxLayout(this);
    l->setContentsMargins(0, 0, 0, 0);
    auto* strip = new QHBoxLayout;
    strip->setContentsMargins(4, 2, 4, 2);
    auto* label = new QLabel("Cód. Mun.", this);
    strip->addWidget(label);
    m_mun = new QLineEdit(this);
    m_mun->setObjectName("edt_mun_indicadores");
    m_mun->setMaxLength(4);
    m_mun->setPlaceholderText("UF");
    m_mun->setToolTip("Município dos indicadores; vazio: a UF inteira");
    m_mun->setFixedWidth(m_mun->fontMetrics().horizontalAdvance("00000") + 12);
    m_mun->setValidator(new QRegularExpressionValidator(QRegularExpression("[0-9]{0,4}"), m_mun));
    label->setBuddy(m_mun);
    strip->addWidget(m_mun);
    auto* show = makeToolButton(this, "sb_indicadores", "&Mostrar", "Mostra os indicadores do município ou da UF");
    auto* exp = makeToolButton(this, "sb_exportar_indicadores", "&Exportar", "Exporta os indicadores mostrados");
    auto* print = makeToolButton(this, "sb_imprimir_indicadores", "Im&primir", "Imprime os indicadores mostrados");
    for (QToolButton* b : {show, exp, print})
        strip->addWidget(b);
    strip->addStretch();
    l->addLayout(strip);
    m_model = new TableModel(ctx.format, this);
    m_grid = sortedGrid("grd_indicadores", m_model, this);
    l->addWidget(m_grid, 1);
    m_note = new QLabel(q(kIndicatorsNote), this);
    m_note->setWordWrap(true);
    m_note->setContentsMargins(4, 2, 4, 4);
    l->addWidget(m_note);

    connect(show, &QToolButton::clicked, this, &IndicatorsPage::sb_indicadoresClick);
    connect(m_mun, &QLineEdit::returnPressed, this, &IndicatorsPage::sb_indicadoresClick);
    connect(exp, &QToolButton::clicked, this, &IndicatorsPage::sb_exportar_indicadoresClick);
    connect(print, &QToolButton::clicked, this, &IndicatorsPage::sb_imprimir_indicadoresClick);
}

void IndicatorsPage::setSource(AnalysisSource source)
{
    m_source = std::move(source);
    m_indicators.reset();
    m_area.reset();
    m_model->clear();
}

const ProjectIndicators* IndicatorsPage::indicators()
{
    if (m_indicators)
        return &*m_indicators;
    if (m_source.years.empty() || m_ctx.state.projectDir.empty()) {
        m_ctx.dialogs.warning("Não há anos projetados.\n\nExecute a projeção até o passo 6.");
        return nullptr;
    }
    try {
        BusyGuard busy(m_ctx.dialogs);
        m_indicators = computeProjectIndicators(m_ctx.state.projectDir, m_source.census2Year, m_source.years);
    } catch (const std::exception& e) {
        m_ctx.dialogs.warning(std::string("Não foi possível calcular os indicadores.\n\nErro original: ") + e.what());
        return nullptr;
    }
    return &*m_indicators;
}

void IndicatorsPage::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    if (!m_area && !m_source.years.empty())
        sb_indicadoresClick();
}

void IndicatorsPage::sb_indicadoresClick()
{
    std::string area = kStateArea;
    try {
        if (!m_mun->text().trimmed().isEmpty()) {
            area = typedMunCode(m_mun->text().toStdString());
            m_mun->setText(q(area));
        }
    } catch (const std::exception& e) {
        m_ctx.dialogs.warning(e.what());
        return;
    }
    const ProjectIndicators* pi = indicators();
    if (!pi)
        return;
    if (area != kStateArea && !pi->byMunicipality.count(area)) {
        m_ctx.dialogs.warning("O município " + area + " não está nas tabelas anuais do projeto.");
        return;
    }
    m_area = area;
    m_model->setTable(tableOfResult(shownRows()));
}

ResultSet IndicatorsPage::shownRows() const
{
    if (!m_indicators || !m_area)
        return {};
    return indicatorsResult(*m_indicators, std::nullopt, m_area);
}

void IndicatorsPage::sb_exportar_indicadoresClick() { exportRows(m_ctx, shownRows(), "indicadores"); }

void IndicatorsPage::sb_imprimir_indicadoresClick()
{
    printRows(m_ctx, indicatorsReportLayout(), shownRows(), m_showReport);
}

// ---- Verificações -----------------------------------------------------------------

ChecksPage::ChecksPage(UiContext& ctx, std::function<void(const ReportDocument&)>& showReport, QWidget* parent)
    : QWidget(parent), m_ctx(ctx), m_showReport(showReport)
{
    setObjectName("ts_verificacoes");
    auto* l = new QVBoxLayout(this);
    l->setContentsMargins(0, 0, 0, 0);
    auto* strip = new QHBoxLayout;
    strip->setContentsMargins(4, 2, 4, 2);
    m_summary = new QLabel(this);
    m_summary->setObjectName("lbl_verificacoes");
    strip->addWidget(m_summary);
    strip->addStretch();
    auto* again = makeToolButton(this, "sb_verificar", "&Verificar", "Verifica de novo as tabelas anuais");
    auto* exp = makeToolButton(this, "sb_exportar_verificacoes", "&Exportar", "Exporta as verificações");
    auto* print = makeToolButton(this, "sb_imprimir_verificacoes", "Im&primir", "Imprime as verificações");
    for (QToolButton* b : {again, exp, print})
        strip->addWidget(b);
    l->addLayout(strip);
    m_model = new TableModel(ctx.format, this);
    m_grid = sortedGrid("grd_verificacoes", m_model, this);
    l->addWidget(m_grid, 1);
    auto* note = new QLabel("Sinalizado (S) quando passa um dos limites da seção [verificacoes] do conf.ini: "
                            "células negativas na interpolação, fator K fora da faixa, crescimento anual acima do "
                            "limite, razão de sexo de uma idade fora da faixa (idades com pessoas suficientes).",
                            this);
    note->setWordWrap(true);
    note->setContentsMargins(4, 2, 4, 4);
    l->addWidget(note);

    connect(again, &QToolButton::clicked, this, &ChecksPage::sb_verificarClick);
    connect(exp, &QToolButton::clicked, this, &ChecksPage::sb_exportar_verificacoesClick);
    connect(print, &QToolButton::clicked, this, &ChecksPage::sb_imprimir_verificacoesClick);
}

void ChecksPage::setSource(AnalysisSource source)
{
    m_source = std::move(source);
    m_checks.reset();
    m_model->clear();
    m_summary->clear();
}

void ChecksPage::setChecks(std::vector<MunicipalityCheck> checks)
{
    m_summary->setText(q(checksSummaryLine(checks)));
    m_model->setTable(tableOfResult(checksResult(checks)));
    m_checks = std::move(checks);
}

void ChecksPage::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    if (!m_checks && !m_source.years.empty())
        sb_verificarClick();
}

void ChecksPage::sb_verificarClick()
{
    if (m_source.years.empty() || m_ctx.state.projectDir.empty()) {
        m_ctx.dialogs.warning("Não há anos projetados.\n\nExecute a projeção até o passo 6.");
        return;
    }
    try {
        BusyGuard busy(m_ctx.dialogs);
        const CheckThresholds limits = loadCheckThresholds(m_ctx.state.appDir, m_ctx.dialogs);
        setChecks(checkRun(m_ctx.state.projectDir, m_source.years, limits));
    } catch (const std::exception& e) {
        m_ctx.dialogs.warning(std::string("Não foi possível verificar a projeção.\n\nErro original: ") + e.what());
    }
}

void ChecksPage::sb_exportar_verificacoesClick()
{
    exportRows(m_ctx, m_checks ? checksResult(*m_checks) : ResultSet{}, "verificacoes");
}

void ChecksPage::sb_imprimir_verificacoesClick()
{
    printRows(m_ctx, checksReportLayout(), m_checks ? checksResult(*m_checks) : ResultSet{}, m_showReport);
}

} // namespace demovia::ui
