#include "data/ui/uProjCenso.h"

#include "data/ui/uCensos.h"
#include "ui/table_model.h"
#include "ui/widgets.h"

#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QSplitter>
#include <QTabWidget>
#include <QTableView>
#include <QToolBar>
#include <QToolButton>
#include <QVBoxLayout>

namespace demovia::ui {

namespace {

const LargerAreaTable kByPage[] = {LargerAreaTable::PopProj, LargerAreaTable::TxFec, LargerAreaTable::RelNas};

int slot(LargerAreaTable t) { return static_cast<int>(t); }

QWidget* gridPage(const char* name, QTableView*& grid, TableModel* model, QWidget* parent, const char* gridName)
{
    auto* page = new QWidget(parent);
    page->setObjectName(name);
    auto* lay = new QVBoxLayout(page);
    lay->setContentsMargins(0, 0, 0, 0);
    grid = makeTableGrid(gridName, model, page);
    lay->addWidget(grid);
    return page;
}

} // namespace

TfrmProjCenso::TfrmProjCenso(UiContext& ctx, QWidget* parent) : WorkWindow(ctx, parent)
{
    setObjectName("frmProjCenso");
    setWindowTitle("Projeção do Censo (Área maior)");

    auto* root = new QVBoxLayout(this);
    root->setContentsMargins(4, 4, 4, 4);

    auto* bar = new QToolBar(this);
    bar->setObjectName("tbr_proj_censo");
    m_import = addToolButton(bar, "tb_importa", "&Importa", "Importa arquivo para a guia selecionada");
    root->addWidget(bar);

    m_pages = new QTabWidget(this);
    m_pages->setObjectName("pc_proj_censo");
    m_pages->setTabPosition(QTabWidget::West);
    root->addWidget(m_pages, 1);

    for (auto& m : m_model)
        m = new TableModel(this);
    m_averaged = new TableModel(this);

    m_pages->addTab(gridPage("ts_projecao", m_grid[slot(LargerAreaTable::PopProj)],
                             m_model[slot(LargerAreaTable::PopProj)], m_pages, "Grade_Buscar"),
                    "Projeções");
    m_pages->addTab(gridPage("ts_txfec", m_grid[slot(LargerAreaTable::TxFec)], m_model[slot(LargerAreaTable::TxFec)],
                             m_pages, "Tx_Fecundidade"),
                    "Tx. Fecundidade");

    // Survival ratios: the imported table and its means side by side, the sex
    // ratio at birth below.
    auto* relnas = new QWidget(m_pages);
    relnas->setObjectName("ts_relnas");
    auto* relLay = new QVBoxLayout(relnas);
    relLay->setContentsMargins(0, 0, 0, 0);
    m_splitter = new QSplitter(Qt::Horizontal, relnas);
    m_splitter->setObjectName("spl_relnas");
    auto* original = new QGroupBox(" Arquivo original", m_splitter);
    auto* origLay = new QVBoxLayout(original);
    m_grid[slot(LargerAreaTable::RelNas)] = makeTableGrid("Rel_SobNasc", m_model[slot(LargerAreaTable::RelNas)], original);
    origLay->addWidget(m_grid[slot(LargerAreaTable::RelNas)]);
    auto* means = new QGroupBox(" Médias (uma linha a menos)", m_splitter);
    auto* meansLay = new QVBoxLayout(means);
    m_averagedGrid = makeTableGrid("Rel_SobNasc_Med", m_averaged, means);
    meansLay->addWidget(m_averagedGrid);
    m_splitter->addWidget(original);
    m_splitter->addWidget(means);
    m_splitter->setStretchFactor(0, 1);
    m_splitter->setStretchFactor(1, 1);
    m_splitter->setSizes({10000, 10000}); // half and half until the person moves the divider
    relLay->addWidget(m_splitter, 1);

    auto* ratioBox = new QGroupBox(" Informe a razão de sexo ao nascimento", relnas);
    auto* ratioLay = new QHBoxLayout(ratioBox);
    ratioLay->addWidget(new QLabel("Para cada 100 nascimentos femininos, existem", ratioBox));
    m_sexRatio = new QLineEdit(ratioBox);
    m_sexRatio->setObjectName("Ed_QtdHom");
    m_sexRatio->setMaxLength(3);
    m_sexRatio->setFixedWidth(m_sexRatio->fontMetrics().horizontalAdvance("0000") + 16);
    m_sexRatio->installEventFilter(this);
    ratioLay->addWidget(m_sexRatio);
    ratioLay->addWidget(new QLabel("nascimentos masculinos", ratioBox));
    ratioLay->addStretch(1);
    relLay->addWidget(ratioBox);
    m_pages->addTab(relnas, "Rel. de Sobrev. ao Nasc.");

    m_sexRatio->setText("100");
    m_pages->setCurrentIndex(0);

    connect(m_import, &QToolButton::clicked, this, [this] { tb_importaClick(); });
    resize(640, 480);
}

void TfrmProjCenso::resetaForm()
{
    m_sexRatio->setText(QString::fromStdString(defaultSexRatio ? defaultSexRatio() : std::string("105")));
    for (auto* m : m_model)
        m->clear();
    m_averaged->clear();
    m_pages->setCurrentIndex(0);
}

void TfrmProjCenso::projectOpened(const ProjectDetails& details)
{
    m_sexRatio->setText(QString::fromStdString(details.rsnHom));
    // A damaged table throws: the project opener reports it.
    for (LargerAreaTable t : kByPage)
        showTable(t);
    showAveraged();
}

void TfrmProjCenso::storeDetails(ProjectDetails& details) const { details.rsnHom = sexRatioText(); }

std::string TfrmProjCenso::sexRatioText() const { return m_sexRatio->text().toStdString(); }

void TfrmProjCenso::showTable(LargerAreaTable t)
{
    TableModel* m = m_model[slot(t)];
    if (m_ctx.state.projectDir.empty())
        m->clear();
    else
        m->load(m_ctx.state.projectDir / largerAreaFile(t));
}

void TfrmProjCenso::showAveraged()
{
    if (m_ctx.state.projectDir.empty())
        m_averaged->clear();
    else
        m_averaged->load(m_ctx.state.projectDir / "relnas_m.dbf");
}

void TfrmProjCenso::tb_importaClick()
{
    const int page = m_pages->currentIndex();
    if (page < 0 || page > 2)
        return;
    const LargerAreaTable table = kByPage[page];
    try {
        const auto chosen = m_ctx.dialogs.chooseOpenFile("Abrir arquivo");
        if (!chosen || chosen->empty())
            return;
        // The core keeps the tables as they were when the import fails, so the
        // grids show the tables on disk whatever the outcome.
        const auto refresh = [this, table] {
            showTable(table);
            if (table == LargerAreaTable::RelNas)
                showAveraged();
        };
        try {
            importLargerArea(m_ctx.state.appDir, m_ctx.state.projectDir, m_ctx.state.ufCode(), table, *chosen,
                             m_ctx.format, m_ctx.dialogs);
        } catch (...) {
            refresh();
            throw;
        }
        refresh();
    } catch (const std::exception& e) {
        reportGeneral(e);
    }
}

bool TfrmProjCenso::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == m_sexRatio && dropFilteredKey(event))
        return true;
    return WorkWindow::eventFilter(watched, event);
}

} // namespace demovia::ui
