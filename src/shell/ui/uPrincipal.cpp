#include "shell/ui/uPrincipal.h"

#include "data/project.h"
#include "data/text_util.h"
#include "data/ui/uAbreProjeto.h"
#include "data/ui/uExcluiProjeto.h"
#include "data/ui/uNovoProjeto.h"
#include "shell/ui/uCarga.h"

#include <QAction>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QLabel>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QMenuBar>
#include <QMouseEvent>
#include <QStatusBar>
#include <QTimer>

namespace demovia::ui {

namespace {

int index(WindowRole r) { return static_cast<int>(r); }

// The four main windows come forward maximised, the extras at normal size.
bool isMainWindowRole(WindowRole r)
{
    return r == WindowRole::Censos || r == WindowRole::ProjCenso || r == WindowRole::Processar ||
           r == WindowRole::Resultados;
}

bool startsWithNoCase(const std::string& s, const std::string& prefix)
{
    return s.size() >= prefix.size() && equalsNoCase(s.substr(0, prefix.size()), prefix);
}

} // namespace

bool hasHelpPages(const fs::path& appDir)
{
    std::error_code ec;
    for (fs::directory_iterator it(appDir / "Ajuda", ec), end; !ec && it != end; it.increment(ec)) {
        if (!it->is_regular_file(ec))
            continue;
        if (startsWithNoCase(it->path().extension().string(), ".htm"))
            return true;
    }
    return false;
}

void deleteLeftoverTables(const fs::path& appDir)
{
    std::error_code ec;
    std::vector<fs::path> doomed;
    for (fs::directory_iterator it(appDir, ec), end; !ec && it != end; it.increment(ec)) {
        if (!it->is_regular_file(ec))
            continue;
        const std::string name = it->path().filename().string();
        if (name.size() > 1 && name[0] == '_' && startsWithNoCase(it->path().extension().string(), ".db"))
            doomed.push_back(it->path());
    }
    for (const auto& f : doomed)
        fs::remove(f, ec); // a file in use stays, without a word
}

TfrmPrincipal::TfrmPrincipal(const fs::path& appDir, Dialogs& dialogs, NumberFormat format, QWidget* parent)
    : QMainWindow(parent), m_ctx{m_state, dialogs, format}
{
    setObjectName("frmPrincipal");
    m_state.appDir = appDir;

    m_mdi = new QMdiArea(this);
    m_mdi->setObjectName("mdi_principal");
    // A window comes forward in the state its command gives it (the census
    // window at normal size after Create/Open, the extras at normal size),
    // not maximised because another one was.
    m_mdi->setOption(QMdiArea::DontMaximizeSubWindowOnActivation);
    m_mdi->viewport()->installEventFilter(this);
    setCentralWidget(m_mdi);
    buildMenu();
    buildStatusBar();

    // Creation steps, before any other window exists.
    if (!hasHelpPages(appDir)) {
        menuItem("mi_ajuda")->setEnabled(false);
        dialogs.warning("Não foi encontrado qualquer arquivo de ajuda.\n\nDeve existir algum arquivo *.HTM* no "
                        "diretório\n" + folderText(appDir) + "Ajuda");
    }
    m_state.baseCaption = "Demovia";
    m_state.caption = m_state.baseCaption;
    deleteLeftoverTables(appDir);
    m_state.projectDir.clear();
    refreshState();
}

TfrmPrincipal::~TfrmPrincipal()
{
    // The work windows hold the context: they go before the state does.
    QMdiArea* mdi = m_mdi;
    m_mdi = nullptr;
    delete mdi;
}

void TfrmPrincipal::buildMenu()
{
    QMenuBar* bar = menuBar();
    bar->setObjectName("MenuPrincipal");
    auto add = [this](QMenu* menu, const char* name, const QString& caption, void (TfrmPrincipal::*slot)()) {
        QAction* a = menu->addAction(caption);
        a->setObjectName(name);
        if (slot)
            connect(a, &QAction::triggered, this, slot);
        return a;
    };
    auto submenu = [](QMenu* parent, const char* name, const QString& caption) {
        QMenu* m = parent->addMenu(caption);
        m->setObjectName(name);
        m->menuAction()->setObjectName(name);
        return m;
    };
    auto bring = [this](QMenu* menu, const char* name, const QString& caption, WindowRole role) {
        QAction* a = menu->addAction(caption);
        a->setObjectName(name);
        connect(a, &QAction::triggered, this, [this, role] { bringForward(role); });
    };

    QMenu* serv = bar->addMenu("&Serviços");
    serv->setObjectName("mi_servicos");
    serv->menuAction()->setObjectName("mi_servicos");
    add(serv, "mi_serv_novo", "Novo", &TfrmPrincipal::novoClick);
    add(serv, "mi_serv_abrir", "Abrir", &TfrmPrincipal::abrirClick);
    add(serv, "mi_serv_excluir", "Excluir", &TfrmPrincipal::excluirClick);
    serv->addSeparator();
    QMenu* arq = submenu(serv, "mi_serv_arquivos", "Arquivos");
    add(arq, "mi_serv_ufs_municipios", "UFs e Municípios", nullptr);
    add(arq, "mi_serv_coef_interp", "Coeficientes de interpolação", nullptr);
    add(arq, "mi_serv_conversores", "Conversores", nullptr);
    serv->addSeparator();
    QAction* sair = add(serv, "mi_serv_sair", "Sair", nullptr);
    sair->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_X));
    connect(sair, &QAction::triggered, this, &QWidget::close);

    QMenu* jan = bar->addMenu("&Janelas");
    jan->setObjectName("mi_janelas");
    jan->menuAction()->setObjectName("mi_janelas");
    add(jan, "mi_jan_min_todas", "Minimizar todas", &TfrmPrincipal::minimiseAll);
    add(jan, "mi_jan_cascata", "Em cascata", &TfrmPrincipal::cascade);
    add(jan, "mi_jan_horizontal", "Na horizontal", &TfrmPrincipal::tileHorizontal);
    add(jan, "mi_jan_vertical", "Na vertical", &TfrmPrincipal::tileVertical);
    jan->addSeparator();
    bring(jan, "mi_jan_censos", "Censos", WindowRole::Censos);
    bring(jan, "mi_jan_bases_proj", "Bases para a projeção", WindowRole::ProjCenso);
    bring(jan, "mi_jan_pre_precess", "Pré-processamento", WindowRole::Processar);
    bring(jan, "mi_jan_resultados", "Resultados", WindowRole::Resultados);
    QMenu* extras = submenu(jan, "mi_jan_extras", "Extras");
    bring(extras, "mi_jan_k_mod", "Modificador do K", WindowRole::KMod);
    bring(extras, "mi_jan_adapext", "Adaptador Externo", WindowRole::AdapExt);
    bring(extras, "mi_jan_conf", "Configurações padrão", WindowRole::Conf);

    QMenu* aju = bar->addMenu("&Ajuda");
    aju->setObjectName("mi_ajuda");
    aju->menuAction()->setObjectName("mi_ajuda");
    add(aju, "mi_aju_manual", "Manual", nullptr);
    aju->addSeparator();
    add(aju, "mi_aju_sobre", "Sobre o sistema", nullptr);
    aju->addSeparator();
    add(aju, "mi_aju_atalho", "Criar atalho na área de trabalho", nullptr);

    m_ppmTela = new QMenu(this);
    m_ppmTela->setObjectName("ppm_tela");
    QAction* max = m_ppmTela->addAction("&Maximizar tela principal");
    max->setObjectName("mi_ppm_maximizar");
    connect(max, &QAction::triggered, this, &QWidget::showMaximized);
    QAction* min = m_ppmTela->addAction("Minimizar janelas abertas");
    min->setObjectName("mi_ppm_minimizar");
    connect(min, &QAction::triggered, this, &TfrmPrincipal::minimiseAll);
}

void TfrmPrincipal::buildStatusBar()
{
    QStatusBar* sb = statusBar();
    sb->setObjectName("Status_Principal");
    sb->setSizeGripEnabled(false);
    m_panelUf = new QLabel(sb);
    m_panelUf->setObjectName("Status_Principal_0");
    m_panelUf->setFixedWidth(100);
    m_panelGeral = new QLabel(sb);
    m_panelGeral->setObjectName("Status_Principal_1");
    m_panelGeral->setMinimumWidth(50); // the description takes the rest of the bar
    for (QLabel* l : {m_panelUf, m_panelGeral})
        l->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    sb->addWidget(m_panelUf);
    sb->addWidget(m_panelGeral, 1);
}

QAction* TfrmPrincipal::menuItem(const QString& name) const { return findChild<QAction*>(name); }

void TfrmPrincipal::addWorkWindow(WindowRole role, WorkWindow* window)
{
    const int i = index(role);
    Q_ASSERT(!m_windows[i]);
    QMdiSubWindow* sub = m_mdi->addSubWindow(window);
    sub->setObjectName(window->objectName() + "_frame");
    sub->setAttribute(Qt::WA_DeleteOnClose, false);
    if (role == WindowRole::Conf)
        sub->setWindowFlags(Qt::SubWindow | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                            Qt::WindowMinimizeButtonHint);
    else if (role == WindowRole::KMod) // minimise and close only
        sub->setWindowFlags(Qt::SubWindow | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                            Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint);
    sub->installEventFilter(this);
    m_windows[i] = window;
    m_subs[i] = sub;
    sub->adjustSize();
    sub->show();
    if (role == WindowRole::Conf)
        centre(sub);
    else
        sub->setEnabled(m_state.projectOpen());
}

WorkWindow* TfrmPrincipal::workWindow(WindowRole role) const { return m_windows[index(role)]; }
QMdiSubWindow* TfrmPrincipal::subWindow(WindowRole role) const { return m_subs[index(role)]; }

void TfrmPrincipal::refreshState()
{
    setWindowTitle(QString::fromStdString(m_state.caption));
    m_panelUf->setText(QString::fromStdString(m_state.statusUf));
    m_panelGeral->setText(QString::fromStdString(m_state.statusDescription));
}

// ---- window commands ------------------------------------------------------------

void TfrmPrincipal::minimiseAll()
{
    for (QMdiSubWindow* sub : m_subs)
        if (sub)
            sub->showMinimized();
}

void TfrmPrincipal::cascade() { m_mdi->cascadeSubWindows(); }
void TfrmPrincipal::tileHorizontal() { tile(true); }
void TfrmPrincipal::tileVertical() { tile(false); }

// Only the windows at normal or maximised size take part; the minimised ones
// stay as icons.
void TfrmPrincipal::tile(bool horizontal)
{
    std::vector<QMdiSubWindow*> subs;
    for (QMdiSubWindow* sub : m_mdi->subWindowList(QMdiArea::CreationOrder))
        if (sub->isVisible() && !sub->isMinimized())
            subs.push_back(sub);
    if (subs.empty())
        return;
    const QRect area = m_mdi->viewport()->rect();
    const int n = static_cast<int>(subs.size());
    for (int k = 0; k < n; ++k) {
        QMdiSubWindow* sub = subs[static_cast<std::size_t>(k)];
        sub->showNormal();
        if (horizontal) {
            const int h = area.height() / n;
            sub->setGeometry(0, k * h, area.width(), h);
        } else {
            const int w = area.width() / n;
            sub->setGeometry(k * w, 0, w, area.height());
        }
    }
}

void TfrmPrincipal::centre(QMdiSubWindow* sub)
{
    const QRect area = m_mdi->viewport()->rect();
    const QSize s = sub->size();
    sub->move(std::max(0, (area.width() - s.width()) / 2), std::max(0, (area.height() - s.height()) / 2));
}

void TfrmPrincipal::bringForward(WindowRole role)
{
    QMdiSubWindow* sub = m_subs[index(role)];
    if (!sub || !sub->isEnabled())
        return;
    if (!isMainWindowRole(role)) {
        showCentred(role);
        return;
    }
    m_mdi->setActiveSubWindow(sub);
    sub->showNormal();
    centre(sub);
    sub->showMaximized();
    sub->raise();
}

void TfrmPrincipal::showCentred(WindowRole role)
{
    QMdiSubWindow* sub = m_subs[index(role)];
    if (!sub)
        return;
    m_mdi->setActiveSubWindow(sub);
    sub->showNormal();
    centre(sub);
    sub->raise();
}

void TfrmPrincipal::placeCensusWindow()
{
    QMdiSubWindow* sub = m_subs[index(WindowRole::Censos)];
    if (!sub)
        return;
    m_mdi->setActiveSubWindow(sub);
    sub->showNormal();
    sub->setGeometry(0, 0, 500, 300);
    sub->raise();
    if (m_windows[index(WindowRole::Censos)])
        m_windows[index(WindowRole::Censos)]->setFocus();
}

void TfrmPrincipal::setProjectWindowsEnabled(bool on)
{
    for (WindowRole r : kProjectWindows)
        if (QMdiSubWindow* sub = m_subs[index(r)])
            sub->setEnabled(on);
}

// ---- projects --------------------------------------------------------------------

ProjectDetails TfrmPrincipal::currentDetails() const
{
    ProjectDetails d;
    for (WindowRole r : kProjectWindows)
        if (const WorkWindow* w = m_windows[index(r)])
            w->storeDetails(d);
    d.ano1Proj = m_state.firstProjectedYear;
    return d;
}

void TfrmPrincipal::saveDetails()
{
    if (!m_state.projectOpen())
        return;
    // What a window that is not there keeps in the file stays as it was.
    ProjectDetails d;
    try {
        d = readProjectDetails(projectDetailsFile(m_state.projectDir));
    } catch (const std::exception&) {
        d = ProjectDetails();
    }
    for (WindowRole r : kProjectWindows)
        if (const WorkWindow* w = m_windows[index(r)])
            w->storeDetails(d);
    d.ano1Proj = m_state.firstProjectedYear;
    saveProjectDetails(m_state, d);
}

void TfrmPrincipal::leaveProject()
{
    saveDetails();
    for (WindowRole r : kProjectWindows)
        if (WorkWindow* w = m_windows[index(r)])
            w->resetaForm();
}

void TfrmPrincipal::setUpNewProject()
{
    minimiseAll();
    for (WindowRole r : kProjectWindows)
        if (WorkWindow* w = m_windows[index(r)])
            w->resetaForm();
    placeCensusWindow();
    setProjectWindowsEnabled(true);
}

void TfrmPrincipal::restoreProject(const ProjectDetails& details)
{
    for (WindowRole r : kProjectWindows)
        if (WorkWindow* w = m_windows[index(r)])
            w->projectOpened(details);
}

void TfrmPrincipal::showProject()
{
    minimiseAll();
    refreshState();
    placeCensusWindow();
    setProjectWindowsEnabled(true);
}

void TfrmPrincipal::novoClick()
{
    TfrmNovoProjeto dlg(*this, this);
    dlg.exec();
}

void TfrmPrincipal::abrirClick()
{
    std::error_code ec;
    if (!fs::is_directory(workFolder(m_state.appDir), ec)) {
        m_ctx.dialogs.warning("Não há trabalhos a recuperar.\n\nUse a opção \"Serviços -> Novo\" para criar um");
        return;
    }
    TfrmAbreProjeto dlg(*this, this);
    dlg.exec();
}

void TfrmPrincipal::excluirClick()
{
    std::error_code ec;
    if (!fs::is_directory(workFolder(m_state.appDir), ec)) {
        m_ctx.dialogs.warning("Não há trabalhos a excluir");
        return;
    }
    TfrmExcluiProjeto dlg(*this, this);
    dlg.exec();
}

// ---- events ----------------------------------------------------------------------

void TfrmPrincipal::showEvent(QShowEvent* e)
{
    QMainWindow::showEvent(e);
    if (m_shown)
        return;
    m_shown = true;
    if (m_loadAtFirstShow) {
        // The loading window stands alone: the work windows appear, minimised,
        // once the reference tables are open.
        for (QMdiSubWindow* sub : m_subs)
            if (sub)
                sub->hide();
        QTimer::singleShot(0, this, &TfrmPrincipal::runLoading);
    }
}

void TfrmPrincipal::runLoading()
{
    TfrmCarga carga(m_state.appDir, m_ctx.format, m_ctx.dialogs, this);
    carga.exec();
    if (carga.failed()) {
        QCoreApplication::exit(1);
        return;
    }
    minimiseAll();
}

void TfrmPrincipal::closeEvent(QCloseEvent* e)
{
    // Saved before the question, so an answer of No keeps them saved too.
    if (m_state.projectOpen()) {
        try {
            saveDetails();
        } catch (const std::exception& ex) {
            m_ctx.dialogs.error(std::string("Não foi possível gravar os detalhes do projeto.\n\nErro original: ") +
                                ex.what());
        }
    }
    if (m_ctx.dialogs.confirm("Mesmo fechando o módulo Demovia seu trabalho pode ser recuperado.\nContinuar"))
        e->accept();
    else
        e->ignore();
}

bool TfrmPrincipal::eventFilter(QObject* watched, QEvent* e)
{
    if (m_mdi && watched == m_mdi->viewport() && e->type() == QEvent::MouseButtonPress) {
        auto* me = static_cast<QMouseEvent*>(e);
        if (me->button() == Qt::RightButton) {
            m_ppmTela->popup(m_mdi->viewport()->mapToGlobal(me->position().toPoint()));
            return true;
        }
    }
    // A work window lives as long as the program: closing its frame minimises it.
    if (e->type() == QEvent::Close) {
        for (QMdiSubWindow* sub : m_subs)
            if (sub && watched == sub) {
                e->ignore();
                sub->showMinimized();
                return true;
            }
    }
    return QMainWindow::eventFilter(watched, e);
}

} // namespace demovia::ui
