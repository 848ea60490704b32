#include "results/ui/uAdapExt.h"

#include "data/error.h"
#include "data/project.h"
#include "data/sql_engine.h"
#include "data/text_util.h"
#include "results/adapter.h"
#include "results/year_views.h"
#include "ui/editable_table_model.h"
#include "ui/table_model.h"
#include "ui/widgets.h"

#include <QCheckBox>
#include <QComboBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QTableView>
#include <QToolBar>
#include <QToolButton>
#include <QVBoxLayout>

#include <type_traits>

namespace demovia::ui {

namespace {

QString q(const std::string& s) { return QString::fromStdString(s); }

// A page holding one grid, read-only over a table model or edited in place
// over an editable one.
template <class Model>
QWidget* gridPage(const char* name, QTableView*& grid, Model* model, QWidget* parent, const char* gridName)
{
    auto* page = new QWidget(parent);
    page->setObjectName(name);
    auto* lay = new QVBoxLayout(page);
    lay->setContentsMargins(0, 0, 0, 0);
    if constexpr (std::is_same_v<Model, EditableTableModel>)
        grid = makeEditableGrid(gridName, model, page);
    else
        grid = makeTableGrid(gridName, model, page);
    lay->addWidget(grid);
    return page;
}

} // namespace

TfrmAdapExt::TfrmAdapExt(UiContext& ctx, QWidget* parent) : WorkWindow(ctx, parent)
{
    setObjectName("frmAdapExt");
    setWindowTitle("Adaptador de projeções externas ao sistema Demovia");

    auto* root = new QVBoxLayout(this);
    root->setContentsMargins(4, 4, 4, 4);

    auto* bar = new QToolBar(this);
    bar->setObjectName("tbr_adaptador");
    m_import = addToolButton(bar, "tb_importa", "&Importa", "Importa arquivo CSV");
    m_export = addToolButton(bar, "tb_exporta", "&Exporta");
    bar->addSeparator();
    auto* munLabel = new QLabel("Cód. Mun.", bar);
    bar->addWidget(munLabel);
    m_mun = new QLineEdit(bar);
    m_mun->setObjectName("edt_id_mun");
    m_mun->setMaxLength(4);
    m_mun->setText("0000");
    m_mun->setFixedWidth(m_mun->fontMetrics().horizontalAdvance("00000") + 16);
    munLabel->setBuddy(m_mun);
    bar->addWidget(m_mun);
    m_search = new QPushButton("&Localizar", bar);
    m_search->setObjectName("sb_localizar");
    m_search->setToolTip("Seleciona os registros, segundo a condição");
    m_search->setAutoDefault(false);
    bar->addWidget(m_search);
    root->addWidget(bar);

    auto* yearStrip = new QWidget(this);
    auto* yearLay = new QHBoxLayout(yearStrip);
    yearLay->setContentsMargins(0, 0, 0, 0);
    auto* yearLabel = new QLabel("Ano a considerar", yearStrip);
    yearLay->addWidget(yearLabel);
    m_years = new QComboBox(yearStrip);
    m_years->setObjectName("cb_ano_projetado");
    m_years->setEditable(false);
    m_years->setToolTip("Escolha o ano projetado a apresentar");
    m_years->setMinimumContentsLength(6);
    yearLabel->setBuddy(m_years);
    yearLay->addWidget(m_years);
    m_process = new QPushButton("&Processar", yearStrip);
    m_process->setObjectName("sb_processar");
    m_process->setToolTip("Traz a projeção do ano escolhido");
    m_process->setAutoDefault(false);
    yearLay->addWidget(m_process);
    m_prorate = new QCheckBox("Com prorrateio", yearStrip);
    m_prorate->setObjectName("cb_prorratear");
    m_prorate->setChecked(true);
    yearLay->addWidget(m_prorate);
    yearLay->addStretch(1);
    root->addWidget(yearStrip);

    m_pages = new QTabWidget(this);
    m_pages->setObjectName("pc_adaptador");
    root->addWidget(m_pages, 1);
    // The external file and the adapted table are edited in place.
    m_origin = new EditableTableModel(ctx.format, ctx.dialogs, this);
    m_ages = new EditableTableModel(ctx.format, ctx.dialogs, this);
    m_groups = new TableModel(ctx.format, this);
    m_pages->addTab(gridPage("ts_origem", m_gridOrigin, m_origin, m_pages, "grd_origem"), "Arquivo de origem");
    m_pages->addTab(gridPage("ts_idade", m_gridAges, m_ages, m_pages, "grd_idade"), "Por idades simples");
    m_pages->addTab(gridPage("ts_faixa_etaria", m_gridGroups, m_groups, m_pages, "grd_faixa_etaria"),
                    "Por faixas etárias");
    m_pages->setCurrentIndex(0);

    connect(m_import, &QToolButton::clicked, this, [this] { tb_importaClick(); });
    connect(m_export, &QToolButton::clicked, this, [this] { tb_exportaClick(); });
    connect(m_search, &QPushButton::clicked, this, [this] { sb_localizarClick(); });
    connect(m_mun, &QLineEdit::returnPressed, this, [this] { sb_localizarClick(); });
    connect(m_process, &QPushButton::clicked, this, [this] { sb_processarClick(); });
    resize(720, 480);
}

void TfrmAdapExt::resetaForm()
{
    m_pages->setCurrentIndex(0);
    m_years->clear();
    m_origin->clear();
    m_ages->clear();
    m_groups->clear();
    m_groupStatement.clear();
    m_adaptedPath.clear();
}

void TfrmAdapExt::projectOpened(const ProjectDetails& /*details*/)
{
    // The external file imported earlier, with its years, so that a reopened
    // project can be adapted without importing again.
    if (m_ctx.state.projectDir.empty())
        return;
    if (m_origin->open(m_ctx.state.projectDir / "externo.dbf"))
        addYears(externalYears(m_ctx.state.projectDir));
}

// Each year once: a year already listed is not listed again.
void TfrmAdapExt::addYears(const std::vector<std::string>& years)
{
    for (const auto& y : years)
        if (m_years->findText(q(y)) < 0)
            m_years->addItem(q(y));
}


void TfrmAdapExt::tb_importaClick()
{
    try {
        const auto chosen = m_ctx.dialogs.chooseOpenFile("Abrir arquivo");
        if (!chosen || chosen->empty())
            return;
        m_origin->clear();
        std::optional<std::vector<std::string>> years;
        try {
            years = importExternal(m_ctx.state.appDir, m_ctx.state.projectDir, m_ctx.state.ufCode(), *chosen,
                                   m_ctx.format, m_ctx.dialogs);
        } catch (...) {
            m_origin->open(m_ctx.state.projectDir / "externo.dbf");
            throw;
        }
        // The list follows the file just imported: the years of the one it
        // replaced are gone with it.
        if (years) {
            m_years->clear();
            addYears(*years);
        }
        m_origin->open(m_ctx.state.projectDir / "externo.dbf");
    } catch (const std::exception& e) {
        reportGeneral(e);
    }
}

void TfrmAdapExt::sb_processarClick()
{
    if (m_years->currentIndex() < 0)
        return;
    const std::string year = m_years->currentText().toStdString();
    try {
        m_ages->clear();
        m_groups->clear();
        m_groupStatement.clear();
        m_adaptedPath.clear();
        if (!adaptYear(m_ctx.state.appDir, m_ctx.state.projectDir, year, m_prorate->isChecked(), m_ctx.dialogs))
            return;
        try {
            BusyGuard busy(m_ctx.dialogs);
            const fs::path adapted = adaptedFile(m_ctx.state.projectDir, year);
            m_ages->open(adapted);
            m_adaptedPath = adapted.string();
            // The age-group view summed from the table just read; export and
            // print run the statement of the same view.
            m_groups->setTable(ageGroupView(m_ages->table()));
            m_groupStatement = ageGroupStatement(m_ctx.state.projectDir, year);
        } catch (const Error& e) {
            m_ctx.dialogs.warning(std::string("Não foi possível concluir a adaptação.\n\nErro original: ") + e.what());
            return;
        }
        m_pages->setCurrentIndex(1);
        m_gridAges->setFocus();
    } catch (const std::exception& e) {
        reportGeneral(e);
    }
}

void TfrmAdapExt::sb_localizarClick()
{
    try {
        const std::string code = typedMunCode(m_mun->text().toStdString());
        m_mun->setText(q(code));
        BusyGuard busy(m_ctx.dialogs);
        const std::pair<TableModel*, QTableView*> views[] = {
            {m_origin, m_gridOrigin}, {m_ages, m_gridAges}, {m_groups, m_gridGroups}};
        for (const auto& [model, grid] : views) {
            if (!model->isOpen())
                continue;
            locateInGrid(grid, *model, "mun", code);
        }
    } catch (const std::exception& e) {
        reportGeneral(e); // a code that is not a whole number: nothing is searched
    }
}

void TfrmAdapExt::tb_exportaClick()
{
    try {
        // What is exported is read from the file: the row being changed goes there first.
        m_origin->commitRow();
        m_ages->commitRow();
        std::string statement;
        if (m_gridOrigin->hasFocus() && m_origin->isOpen())
            statement = "select * from " + quotedTable(folderText(m_ctx.state.projectDir) + "externo.dbf") + ";";
        else if (m_gridAges->hasFocus() && !m_adaptedPath.empty())
            statement = "select * from " + quotedTable(m_adaptedPath) + ";";
        else if (m_gridGroups->hasFocus() && !m_groupStatement.empty())
            statement = m_groupStatement;
        if (statement.empty())
            return;
        SqlEngine sql;
        exportStatement(sql, statement, m_ctx.format, m_ctx.dialogs);
    } catch (const std::exception& e) {
        reportGeneral(e);
    }
}

} // namespace demovia::ui
