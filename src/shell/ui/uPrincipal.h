#pragma once
#include "data/ui/project_host.h"
#include "data/app_state.h"
#include "ui/work_window.h"

#include <QMainWindow>

#include <array>
#include <functional>

class QAction;
class QLabel;
class QMdiArea;
class QMdiSubWindow;
class QMenu;

namespace demovia::ui {

// The seven work windows inside the main window, in the order in which
// "Minimizar todas" minimises them.
enum class WindowRole { Censos, ProjCenso, Processar, Resultados, KMod, AdapExt, Conf };
inline constexpr int kWindowRoles = 7;
// The six that belong to a project (all but the configuration window).
inline constexpr std::array<WindowRole, 6> kProjectWindows = {WindowRole::Censos,     WindowRole::ProjCenso,
                                                               WindowRole::Processar, WindowRole::Resultados,
                                                               WindowRole::KMod,      WindowRole::AdapExt};

// The main window: a frame of work windows, the menu of every command and the
// state every window reads (AppState, shared through UiContext).
class TfrmPrincipal : public QMainWindow, public ProjectHost {
    Q_OBJECT
public:
    // appDir: the application folder (the executable's, ending with the
    // separator). Runs the creation steps: help check, leftover temporary
    // tables, empty project folder.
    TfrmPrincipal(const fs::path& appDir, Dialogs& dialogs, NumberFormat format, QWidget* parent = nullptr);
    ~TfrmPrincipal() override;

    AppState& state() { return m_state; }
    UiContext& context() override { return m_ctx; }

    // Puts a work window inside the main window and ties it to its "&Janelas"
    // command. The six project windows start disabled (enabled while a project
    // is open); the configuration window is always enabled. The window keeps
    // its own caption; closing its frame only minimises it.
    void addWorkWindow(WindowRole role, WorkWindow* window);
    WorkWindow* workWindow(WindowRole role) const;
    QMdiSubWindow* subWindow(WindowRole role) const;

    // A menu item by its name (mi_serv_novo, mi_aju_sobre, ...), for the
    // windows that give a command its effect.
    QAction* menuItem(const QString& name) const;
    QMdiArea* mdiArea() const { return m_mdi; }

    // The loading of the reference tables at the first show; off for the tests.
    void setLoadAtFirstShow(bool on) { m_loadAtFirstShow = on; }

    // ---- operations offered to the other windows -------------------------
    void minimiseAll();
    void cascade();
    void tileHorizontal();
    void tileVertical();
    // "Censos" ... "Configurações padrão": nothing while the window is absent
    // or disabled.
    void bringForward(WindowRole role);
    // The window at normal size, centred and in front (also when disabled).
    void showCentred(WindowRole role);

    // ---- ProjectHost ------------------------------------------------------
    void refreshState() override;
    ProjectDetails currentDetails() const override;
    void saveDetails() override;
    void leaveProject() override;
    void setUpNewProject() override;
    void restoreProject(const ProjectDetails& details) override;
    void showProject() override;

    // Menu commands.
    void novoClick();
    void abrirClick();
    void excluirClick();

protected:
    void showEvent(QShowEvent* e) override;
    void closeEvent(QCloseEvent* e) override;
    bool eventFilter(QObject* watched, QEvent* e) override;

private:
    void buildMenu();
    void buildStatusBar();
    void runLoading();
    void placeCensusWindow();
    void setProjectWindowsEnabled(bool on);
    void centre(QMdiSubWindow* sub);
    void tile(bool horizontal);

    AppState m_state;
    UiContext m_ctx;
    QMdiArea* m_mdi = nullptr;
    QLabel* m_panelUf = nullptr;
    QLabel* m_panelGeral = nullptr;
    QMenu* m_ppmTela = nullptr;
    std::array<WorkWindow*, kWindowRoles> m_windows{};
    std::array<QMdiSubWindow*, kWindowRoles> m_subs{};
    bool m_loadAtFirstShow = true;
    bool m_shown = false;
};

// The creation steps that touch the application folder.
bool hasHelpPages(const fs::path& appDir);      // a file Ajuda/*.htm*
void deleteLeftoverTables(const fs::path& appDir); // files "_*.db*"

} // namespace demovia::ui
