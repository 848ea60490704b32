#include "engine/ui/uProcessar.h"

#include "data/error.h"
#include "data/project.h"
#include "data/sql_engine.h"
#include "data/text_exchange.h"
#include "data/text_util.h"
#include "engine/preprocessing.h"
#include "engine/ui/uProcessando.h"
#include "ui/widgets.h"

#include <QComboBox>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMdiSubWindow>
#include <QRegularExpressionValidator>
#include <QSlider>
#include <QStatusBar>
#include <QStyle>
#include <QTabWidget>
#include <QTableView>
#include <QToolBar>
#include <QToolButton>
#include <QVBoxLayout>

namespace demovia::ui {

namespace {

// True when a year box holds something that is not a whole number: that is
// no message of the window but an error for the general report.
bool yearNotNumber(const std::string& typed)
{
    const std::string t = trim(typed);
    if (t.empty())
        return false;
    try {
        parseWhole(t);
        return false;
    } catch (const Error&) {
        return true;
    }
}

} // namespace

TfrmProcessar::TfrmProcessar(UiContext& ctx, QWidget* parent) : WorkWindow(ctx, parent)
{
    setObjectName("frmProcessar");
    setWindowTitle("Pré-processamento da projeção");
    resize(900, 560);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);

    // Toolbar: the commands, then the municipality search.
    auto* bar = new QToolBar(this);
    m_export = makeToolButton(this, "tb_exporta", "&Exporta", "Exporta planilha selecionada");
    m_print = makeToolButton(this, "tb_imprime", "&Imprime", "Imprime planilha selecionada");
    m_run = makeToolButton(this, "tb_processa", "&Processa", "Executa os cálculos até o passo desejado");
    bar->addWidget(m_export);
    bar->addWidget(m_print);
    bar->addSeparator();
    bar->addWidget(m_run);
    bar->addSeparator();
    auto* munLabel = new QLabel(" Cód. Mun. ", this);
    bar->addWidget(munLabel);
    m_munCode = new QLineEdit("0000", this);
    m_munCode->setObjectName("edt_id_mun");
    m_munCode->setMaxLength(4);
    m_munCode->setFixedWidth(m_munCode->fontMetrics().horizontalAdvance("00000") + 12);
    // Digits and Backspace only, as every code box.
    m_munCode->setValidator(new QRegularExpressionValidator(QRegularExpression("[0-9]{0,4}"), m_munCode));
    munLabel->setBuddy(m_munCode);
    bar->addWidget(m_munCode);
    auto* find = makeToolButton(this, "sb_localizar", "&Localizar", "Seleciona os registros, segundo a condição");
    bar->addWidget(find);
    layout->addWidget(bar);

    auto* middle = new QHBoxLayout;
    middle->setContentsMargins(4, 4, 4, 4);
    middle->setSpacing(2);

    // Side panel: the step selector and the multipliers.
    auto* steps = new QGroupBox(" Etapas do processamento", this);
    steps->setObjectName("pnl_passos");
    steps->setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Preferred); // as wide as its labels
    m_steps = steps;
    auto* stepsLayout = new QVBoxLayout(steps);
    auto* selector = new QHBoxLayout;
    m_stepCount = new QSlider(Qt::Vertical, steps);
    m_stepCount->setObjectName("tkb_processos");
    m_stepCount->setRange(1, 7);
    m_stepCount->setSingleStep(1);
    m_stepCount->setPageStep(1);
    m_stepCount->setTickInterval(1);
    m_stepCount->setTickPosition(QSlider::TicksBothSides);
    m_stepCount->setInvertedAppearance(true); // step 1 at the top, beside its label
    m_stepCount->setInvertedControls(true);
    m_stepCount->setToolTip("Passos a executar");
    // Each tick level with the middle of its label: ticks 26 pixels apart.
    m_stepCount->setFixedHeight(6 * 26 + m_stepCount->style()->pixelMetric(QStyle::PM_SliderLength, nullptr, m_stepCount));
    selector->addWidget(m_stepCount, 0, Qt::AlignVCenter);
    auto* labels = new QVBoxLayout;
    labels->setSpacing(0);
    labels->setContentsMargins(0, 0, 0, 0);
    const char* names[7] = {"lbl_coef_cresc", "lbl_fator_k", "lbl_rcm", "lbl_fecundidade", "lbl_interpolacao",
                            "lbl_proj_pop", "lbl_prorrat"};
    const char* texts[7] = {"Coeficientes de crescimento", "Fator K", "Relação criança / mulher", "Fecundidade",
                            "Interpolação", "Projeção populacional", "Prorrateio"};
    for (int i = 0; i < 7; ++i) {
        m_stepLabels[i] = new QLabel(texts[i], steps);
        m_stepLabels[i]->setObjectName(names[i]);
        m_stepLabels[i]->setFixedHeight(26);
        labels->addWidget(m_stepLabels[i]);
    }
    auto* labelBox = new QWidget(steps);
    labelBox->setLayout(labels);
    labelBox->setFixedHeight(7 * 26);
    selector->addWidget(labelBox, 1);
    stepsLayout->addLayout(selector);
    stepsLayout->addSpacing(12);
    stepsLayout->addWidget(new QLabel("Multiplicadores a usar", steps));
    m_method = new QComboBox(steps);
    m_method->setObjectName("cb_coef_interp");
    m_method->addItems({"Karup King", "Sprague"});
    stepsLayout->addWidget(m_method);
    stepsLayout->addStretch();
    middle->addWidget(steps);

    // The narrow bar with the two small images that show and hide the panel.
    auto* strip = new QVBoxLayout;
    strip->setSpacing(2);
    auto* showButton = new QToolButton(this);
    showButton->setObjectName("img_mostra_conf");
    showButton->setArrowType(Qt::RightArrow);
    showButton->setAutoRaise(true);
    showButton->setFixedSize(14, 14);
    showButton->setToolTip("Mostra as opções de configuração do cálculo");
    auto* hideButton = new QToolButton(this);
    hideButton->setObjectName("img_esconde_conf");
    hideButton->setArrowType(Qt::LeftArrow);
    hideButton->setAutoRaise(true);
    hideButton->setFixedSize(14, 14);
    hideButton->setToolTip("Esconde as opções de configuração do cálculo");
    strip->addWidget(showButton);
    strip->addWidget(hideButton);
    strip->addStretch();
    middle->addLayout(strip);

    // The grouped census tables, one tab each.
    m_pages = new QTabWidget(this);
    m_pages->setObjectName("pc_paginas");
    m_uf = new TableModel(this);
    m_ufMun = new TableModel(this);
    m_detail = new TableModel(this);
    m_gridUf = makeGrid("Grade_UF", m_uf);
    m_gridUfMun = makeGrid("Grade_UF_MUN", m_ufMun);
    m_gridDetail = makeGrid("Grade_Uniao", m_detail);
    const std::pair<const char*, const char*> tabs[3] = {
        {"ts_uf", "Por UF"}, {"ts_uf_mun", "Por UF e município"}, {"ts_detalhado", "Detalhado"}};
    QTableView* grids[3] = {m_gridUf, m_gridUfMun, m_gridDetail};
    for (int i = 0; i < 3; ++i) {
        auto* page = new QWidget(m_pages);
        page->setObjectName(tabs[i].first);
        auto* pageLayout = new QVBoxLayout(page);
        pageLayout->setContentsMargins(0, 0, 0, 0);
        grids[i]->setParent(page);
        pageLayout->addWidget(grids[i]);
        m_pages->addTab(page, tabs[i].second);
    }
    middle->addWidget(m_pages, 1);
    layout->addLayout(middle, 1);

    m_status = new QStatusBar(this);
    m_status->setObjectName("Status");
    m_status->setSizeGripEnabled(false);
    layout->addWidget(m_status);

    m_processando = new TfrmProcessando(m_ctx.dialogs, this);
    m_processando->hide();

    connect(m_export, &QToolButton::clicked, this, &TfrmProcessar::tb_exportaClick);
    connect(m_run, &QToolButton::clicked, this, &TfrmProcessar::tb_processaClick);
    connect(find, &QToolButton::clicked, this, &TfrmProcessar::sb_localizarClick);
    connect(m_munCode, &QLineEdit::returnPressed, this, &TfrmProcessar::sb_localizarClick);
    connect(m_stepCount, &QSlider::valueChanged, this, &TfrmProcessar::tkb_processosChange);
    connect(showButton, &QToolButton::clicked, this, [this] { showSteps(true); });
    connect(hideButton, &QToolButton::clicked, this, [this] { showSteps(false); });

    m_pages->setCurrentIndex(0);
    m_method->setCurrentIndex(0);
    m_stepCount->setValue(7);
    tkb_processosChange();
}

QTableView* TfrmProcessar::makeGrid(const char* name, TableModel* model)
{
    // Whole rows, no editing, columns as wide as what they show.
    return makeTableGrid(name, model, this);
}

void TfrmProcessar::resetaForm()
{
    m_uf->clear();
    m_ufMun->clear();
    m_detail->clear();
    m_pages->setCurrentIndex(0);
    showSteps(true);
}

void TfrmProcessar::projectOpened(const ProjectDetails& /*details*/)
{
    showGroupedTables();
}

void TfrmProcessar::load(TableModel* model, const char* file)
{
    try {
        model->load(m_ctx.state.projectDir / file);
    } catch (const std::exception& e) {
        model->clear();
        reportGeneral(e);
    }
}

void TfrmProcessar::showGroupedTables()
{
    if (m_ctx.state.projectDir.empty())
        return;
    load(m_uf, "Tot_UF.dbf");
    load(m_ufMun, "Tot_UFM.dbf");
    load(m_detail, "TCensos1.dbf");
}

void TfrmProcessar::tkb_processosChange()
{
    for (int i = 0; i < 7; ++i) {
        QPalette p = m_stepLabels[i]->palette();
        p.setColor(QPalette::WindowText, i < m_stepCount->value() ? Qt::blue : Qt::black);
        m_stepLabels[i]->setPalette(p);
    }
}

void TfrmProcessar::showSteps(bool show)
{
    m_steps->setVisible(show);
}

void TfrmProcessar::sb_localizarClick()
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
    locateInGrid(m_gridUfMun, *m_ufMun, "mun", code);
    locateInGrid(m_gridDetail, *m_detail, "mun", code);
}

void TfrmProcessar::tb_exportaClick()
{
    if (m_ctx.state.projectDir.empty())
        return;
    const int tab = std::clamp(m_pages->currentIndex(), 0, 2);
    try {
        const std::string statement = preprocessingExportStatement(m_ctx.state.projectDir, tab);
        SqlEngine sql;
        exportStatement(sql, statement, m_ctx.format, m_ctx.dialogs);
    } catch (const std::exception& e) {
        reportGeneral(e);
    }
}

void TfrmProcessar::tb_processaClick()
{
    const CensusDates dates = censusDates ? censusDates() : CensusDates{};
    const InterpolationMethod method =
        m_method->currentIndex() == 1 ? InterpolationMethod::Sprague : InterpolationMethod::KarupKing;
    RunSettings settings;
    try {
        settings = deriveRunSettings(dates.year1, dates.month1, dates.year2, dates.month2, m_stepCount->value(), method);
    } catch (const Error& e) {
        if (yearNotNumber(dates.year1) || yearNotNumber(dates.year2))
            reportGeneral(e);
        else
            m_ctx.dialogs.warning(e.what());
        return;
    }
    m_ctx.state.run = settings;

    if (minimiseAll) {
        minimiseAll();
        if (auto* frame = qobject_cast<QMdiSubWindow*>(parentWidget()))
            frame->showNormal();
    }

    RunContext run;
    run.appDir = m_ctx.state.appDir;
    run.projectDir = m_ctx.state.projectDir;
    run.uf = m_ctx.state.ufCode();
    run.sexRatioText = sexRatioText ? sexRatioText() : std::string();
    run.settings = settings;
    run.offerKModifiers = offerKModifiers;

    m_processando->resetaForm();
    m_processando->prepareRun(std::move(run));
    m_processando->exec();

    if (m_processando->outcome() && onRunFinished)
        onRunFinished(*m_processando->outcome());
}

} // namespace demovia::ui
