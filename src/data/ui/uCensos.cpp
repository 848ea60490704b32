#include "data/ui/uCensos.h"

#include "data/census.h"
#include "data/error.h"
#include "data/text_util.h"
#include "ui/table_model.h"
#include "ui/widgets.h"

#include <QComboBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QStatusBar>
#include <QTabWidget>
#include <QTableView>
#include <QToolBar>
#include <QToolButton>
#include <QVBoxLayout>

namespace demovia::ui {

namespace {

const char* const kMonths[] = {"Janeiro", "Fevereiro", "Março",    "Abril",   "Maio",     "Junho",
                               "Julho",   "Agosto",    "Setembro", "Outubro", "Novembro", "Dezembro"};

QString q(const std::string& s) { return QString::fromStdString(s); }

bool blank(const QLineEdit* e) { return e->text().trimmed().isEmpty(); }

} // namespace

TfrmCensos::TfrmCensos(UiContext& ctx, QWidget* parent) : WorkWindow(ctx, parent)
{
    setObjectName("frmCensos");
    setWindowTitle("Arquivos dos censos iniciais");

    auto* root = new QVBoxLayout(this);
    root->setContentsMargins(4, 4, 4, 4);

    // Tool bar with the search bar beside it.
    auto* bar = new QToolBar(this);
    bar->setObjectName("tbr_censos");
    m_import = addToolButton(bar, "tb_importa", "&Importa", "Importa arquivo referente ao censo selecionado");
    m_group = addToolButton(bar, "tb_agrupa", "&Agrupa",
                            "O processo de agrupar combinará as populações das duas pesquisas em \n"
                            "um mesmo arquivo de dados, onde cada registro (linha) terá:\n\n"
                            "UF, município, idade, faixa etária, e as populaçoes para homens e \n"
                            "mulheres nos dois momentos.\n\n"
                            "A idade 81 anos, por ser a idade ignorada, não é considerada neste processo.");
    bar->addSeparator();
    auto* munLabel = new QLabel("Cód. Mun.", bar);
    bar->addWidget(munLabel);
    m_mun = new QLineEdit(bar);
    m_mun->setObjectName("edt_id_mun");
    m_mun->setMaxLength(4);
    m_mun->setFixedWidth(m_mun->fontMetrics().horizontalAdvance("00000") + 16);
    munLabel->setBuddy(m_mun);
    bar->addWidget(m_mun);
    m_search = new QPushButton("&Localizar", bar);
    m_search->setObjectName("sb_localizar");
    m_search->setToolTip("Seleciona os registros, segundo a condição");
    m_search->setAutoDefault(false);
    bar->addWidget(m_search);
    root->addWidget(bar);

    m_pages = new QTabWidget(this);
    m_pages->setObjectName("pc_censos");
    m_pages->setDocumentMode(true);
    root->addWidget(m_pages, 1);

    // Page "Detalhes": the census the import acts on and the details of both.
    auto* details = new QWidget(m_pages);
    details->setObjectName("ts_detalhes");
    auto* grid = new QGridLayout(details);
    const char* headings[] = {"Mês", "Ano", "Arquivo", "Qtd. de regs."};
    for (int c = 0; c < 4; ++c)
        grid->addWidget(new QLabel(headings[c], details), 0, c + 1);
    for (int n = 0; n < 2; ++n) {
        const std::string sfx = std::to_string(n + 1);
        m_rb[n] = new QRadioButton(q("Censo " + sfx), details);
        m_rb[n]->setObjectName(q("rb_censo" + sfx));
        m_month[n] = new QComboBox(details);
        m_month[n]->setObjectName(q("cb_mes_censo" + sfx));
        for (const char* m : kMonths)
            m_month[n]->addItem(m);
        m_year[n] = new QLineEdit(details);
        m_year[n]->setObjectName(q("edt_ano_censo" + sfx));
        m_year[n]->setMaxLength(4);
        m_year[n]->setFixedWidth(m_year[n]->fontMetrics().horizontalAdvance("00000") + 16);
        m_year[n]->installEventFilter(this);
        m_file[n] = new QLineEdit(details);
        m_file[n]->setObjectName(q("edt_censo" + sfx));
        m_file[n]->setReadOnly(true);
        m_count[n] = new QLineEdit(details);
        m_count[n]->setObjectName(q("edt_qtd_censo" + sfx));
        m_count[n]->setReadOnly(true);
        m_count[n]->setFixedWidth(m_count[n]->fontMetrics().horizontalAdvance("0000000000") + 16);
        grid->addWidget(m_rb[n], n + 1, 0);
        grid->addWidget(m_month[n], n + 1, 1);
        grid->addWidget(m_year[n], n + 1, 2);
        grid->addWidget(m_file[n], n + 1, 3);
        grid->addWidget(m_count[n], n + 1, 4);
    }
    grid->setColumnStretch(3, 1);
    grid->setRowStretch(3, 1);
    m_rb[0]->setChecked(true);
    m_pages->addTab(details, "Detalhes");

    for (int n = 0; n < 2; ++n) {
        const std::string sfx = std::to_string(n + 1);
        auto* page = new QWidget(m_pages);
        page->setObjectName(q("ts_censo" + sfx));
        auto* lay = new QVBoxLayout(page);
        lay->setContentsMargins(0, 0, 0, 0);
        m_model[n] = new TableModel(this);
        m_grid[n] = makeTableGrid(n == 0 ? "grd_censo1" : "grd_censo2", m_model[n], page);
        lay->addWidget(m_grid[n]);
        m_pages->addTab(page, q("Censo " + sfx));
    }

    // Progress goes here; it is not shown.
    m_status = new QStatusBar(this);
    m_status->setObjectName("sb_situacao");
    m_status->hide();

    connect(m_import, &QToolButton::clicked, this, [this] { tb_importaClick(); });
    connect(m_group, &QToolButton::clicked, this, [this] { tb_agrupaClick(); });
    connect(m_search, &QPushButton::clicked, this, [this] { sb_localizarClick(); });
    connect(m_mun, &QLineEdit::returnPressed, this, [this] { sb_localizarClick(); });

    resize(500, 300);
    resetaForm();
}

void TfrmCensos::resetaForm()
{
    m_mun->setText("0000");
    for (int n = 0; n < 2; ++n) {
        m_month[n]->setCurrentIndex(5);
        m_year[n]->clear();
        m_file[n]->clear();
        m_count[n]->clear();
        m_model[n]->clear();
    }
    m_group->setEnabled(false);
    m_pages->setCurrentIndex(0);
}

void TfrmCensos::projectOpened(const ProjectDetails& details)
{
    const CensusDetails* c[2] = {&details.census1, &details.census2};
    for (int n = 0; n < 2; ++n) {
        m_month[n]->setCurrentIndex(c[n]->mes >= 0 && c[n]->mes < 12 ? c[n]->mes : -1);
        m_year[n]->setText(q(c[n]->ano));
        m_file[n]->setText(q(c[n]->arquivo));
        m_count[n]->setText(q(c[n]->registros));
    }
    // A damaged table throws: the project opener reports it.
    for (int n = 1; n <= 2; ++n)
        showCensus(n);
    atualizaAgrupa();
}

void TfrmCensos::storeDetails(ProjectDetails& details) const
{
    CensusDetails* c[2] = {&details.census1, &details.census2};
    for (int n = 0; n < 2; ++n) {
        c[n]->mes = m_month[n]->currentIndex();
        c[n]->ano = m_year[n]->text().toStdString();
        c[n]->arquivo = m_file[n]->text().toStdString();
        c[n]->registros = m_count[n]->text().toStdString();
    }
}

void TfrmCensos::atualizaAgrupa() { m_group->setEnabled(!blank(m_file[0]) && !blank(m_file[1])); }

CensusDates TfrmCensos::censusDates() const
{
    return {m_year[0]->text().toStdString(), m_month[0]->currentIndex(), m_year[1]->text().toStdString(),
            m_month[1]->currentIndex()};
}

void TfrmCensos::showCensus(int census)
{
    TableModel* m = m_model[census - 1];
    if (m_ctx.state.projectDir.empty())
        m->clear();
    else
        m->load(m_ctx.state.projectDir / ("CENSO" + std::to_string(census) + ".db"));
}


void TfrmCensos::tb_importaClick()
{
    const int census = m_rb[1]->isChecked() ? 2 : 1;
    try {
        const auto chosen = m_ctx.dialogs.chooseOpenFile("Abrir arquivo");
        if (!chosen || chosen->empty())
            return;
        // The core keeps the tables as they were when the import fails, so the
        // grid shows the table on disk whatever the outcome.
        std::optional<CensusImport> done;
        try {
            // The census's details go to detalhes.ini with its tables, as one change.
            CensusDetails typed;
            typed.mes = m_month[census - 1]->currentIndex();
            typed.ano = m_year[census - 1]->text().toStdString();
            done = importCensusRecorded(m_ctx.state.appDir, m_ctx.state.projectDir, m_ctx.state.ufCode(), census,
                                        *chosen, typed, m_ctx.format, m_ctx.dialogs);
        } catch (...) {
            showCensus(census);
            throw;
        }
        if (done) {
            m_file[census - 1]->setText(q(done->file));
            m_count[census - 1]->setText(q(done->recordCount));
        }
        showCensus(census);
        atualizaAgrupa();
    } catch (const std::exception& e) {
        reportGeneral(e);
    }
}

void TfrmCensos::tb_agrupaClick()
{
    try {
        m_status->showMessage("Agrupando arquivos censitários...");
        if (!groupCensuses(m_ctx.state.appDir, m_ctx.state.projectDir, m_ctx.dialogs)) {
            m_status->showMessage("Não foi possível agrupar os censos");
            return;
        }
        m_status->showMessage("Carregando lista de municípios para Ks modificados...");
        if (onGrouped)
            onGrouped();
        m_status->clearMessage();
    } catch (const std::exception& e) {
        reportGeneral(e);
    }
}

void TfrmCensos::sb_localizarClick()
{
    try {
        const std::string code = typedMunCode(m_mun->text().toStdString());
        m_mun->setText(q(code));
        BusyGuard busy(m_ctx.dialogs);
        for (int n = 0; n < 2; ++n) {
            if (blank(m_file[n]))
                continue;
            locateInGrid(m_grid[n], *m_model[n], "MUN", code);
        }
    } catch (const std::exception& e) {
        reportGeneral(e);
    }
}

void TfrmCensos::yearBoxLeft(QLineEdit* box)
{
    try {
        box->setText(q(normaliseCensusYear(box->text().toStdString())));
    } catch (const std::exception& e) {
        reportGeneral(e);
    }
}

bool TfrmCensos::eventFilter(QObject* watched, QEvent* event)
{
    for (QLineEdit* box : m_year) {
        if (watched != box)
            continue;
        if (event->type() == QEvent::FocusOut)
            yearBoxLeft(box);
        else if (dropFilteredKey(event))
            return true;
    }
    return WorkWindow::eventFilter(watched, event);
}

} // namespace demovia::ui
