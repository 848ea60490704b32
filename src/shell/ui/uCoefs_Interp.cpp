#include "shell/ui/uCoefs_Interp.h"

#include "ui/editable_table_model.h"
#include "ui/widgets.h"

#include <QStatusBar>
#include <QTabWidget>
#include <QTableView>
#include <QToolBar>
#include <QToolButton>
#include <QVBoxLayout>

namespace demovia::ui {

namespace {

QWidget* page(const char* name, const char* grid, const char* status, EditableTableModel* model, QWidget* parent)
{
    auto* w = new QWidget(parent);
    w->setObjectName(name);
    auto* lay = new QVBoxLayout(w);
    lay->setContentsMargins(0, 0, 0, 0);
    lay->addWidget(makeEditableGrid(grid, model, w), 1);
    auto* bar = new QStatusBar(w);
    bar->setObjectName(status);
    bar->setSizeGripEnabled(false);
    lay->addWidget(bar);
    return w;
}

} // namespace

TfrmCoefs_Interp::TfrmCoefs_Interp(UiContext& ctx, QWidget* parent)
    : QDialog(parent), m_ctx(ctx), m_registry(m_sql, ctx.state.appDir, ctx.dialogs)
{
    setObjectName("frmCoefs_Interp");
    setWindowTitle("Coeficientes de interpolação");
    setModal(true);
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint);
    resize(560, 440);

    auto* root = new QVBoxLayout(this);
    root->setContentsMargins(4, 4, 4, 4);
    auto* bar = new QToolBar(this);
    auto* importa = addToolButton(bar, "tb_importa", "&Importa", "Importa arquivo de coeficientes");
    auto* fecha = addToolButton(bar, "tb_fecha", "&Fecha", "Fecha a tela");
    root->addWidget(bar);

    m_kking = new EditableTableModel(ctx.format, ctx.dialogs, this);
    m_sprague = new EditableTableModel(ctx.format, ctx.dialogs, this);
    m_pages = new QTabWidget(this);
    m_pages->setObjectName("pc_Pag_Coef");
    m_pages->setTabPosition(QTabWidget::West);
    m_pages->addTab(page("ts_kking", "grd_kking", "Status_KKing", m_kking, m_pages), "Karup King");
    m_pages->addTab(page("ts_sprague", "grd_sprague", "Status_Sprague", m_sprague, m_pages), "Sprague");
    m_pages->setCurrentIndex(0);
    root->addWidget(m_pages, 1);

    connect(importa, &QToolButton::clicked, this, &TfrmCoefs_Interp::importaClick);
    connect(fecha, &QToolButton::clicked, this, &QDialog::accept);

    open(m_kking, "kking.dbf");
    open(m_sprague, "sprague.dbf");
}

TfrmCoefs_Interp::~TfrmCoefs_Interp() = default;

void TfrmCoefs_Interp::done(int result)
{
    m_kking->commitRow();
    m_sprague->commitRow();
    QDialog::done(result);
}

void TfrmCoefs_Interp::open(EditableTableModel* model, const std::string& file)
{
    try {
        model->open(m_ctx.state.appDir / "DBPadrao" / file, true);
    } catch (const std::exception& e) {
        // A damaged table leaves its page empty; the next import replaces it.
        model->clear();
        m_ctx.dialogs.warning("Erro ao tentar abrir o arquivo\n" + (m_ctx.state.appDir / "DBPadrao" / file).string() +
                              "\n\nErro original: " + e.what());
    }
}

void TfrmCoefs_Interp::importaClick()
{
    const auto chosen = m_ctx.dialogs.chooseOpenFile("Abrir arquivo");
    if (!chosen || chosen->empty())
        return;
    const bool kking = m_pages->currentIndex() == 0;
    EditableTableModel* model = kking ? m_kking : m_sprague;
    const std::string file = kking ? "kking.dbf" : "sprague.dbf";
    model->clear();
    if (m_registry.importMultipliers(file, *chosen, m_ctx.format))
        open(model, file);
}

} // namespace demovia::ui
