#include "shell/ui/work_windows.h"

#include "data/ui/uCensos.h"
#include "data/ui/uProjCenso.h"
#include "engine/ui/uProcessar.h"
#include "shell/ui/uConf.h"
#include "shell/ui/uPrincipal.h"

#include <QMdiSubWindow>

namespace demovia::ui {

void addWorkWindows(TfrmPrincipal& p)
{
    UiContext& ctx = p.context();
    auto* censos = new TfrmCensos(ctx);
    auto* projCenso = new TfrmProjCenso(ctx);
    auto* processar = new TfrmProcessar(ctx);
    p.addWorkWindow(WindowRole::Censos, censos);
    p.addWorkWindow(WindowRole::ProjCenso, projCenso);
    p.addWorkWindow(WindowRole::Processar, processar);
    // The results, K modifier and adapter windows are not built yet.
    auto* conf = new TfrmConf(ctx);
    p.addWorkWindow(WindowRole::Conf, conf);

    projCenso->defaultSexRatio = [conf] { return conf->sexRatio(); };
    processar->censusDates = [censos] { return censos->censusDates(); };
    processar->sexRatioText = [projCenso] { return projCenso->sexRatioText(); };
    processar->minimiseAll = [&p] { p.minimiseAll(); };
    processar->onRunFinished = [&p](const RunOutcome& out) {
        p.state().firstProjectedYear = out.firstProjectedYear;
        p.saveDetails();
    };
    censos->onGrouped = [&p, processar] {
        // The grouped tables shown, and the window brought forward at normal size.
        processar->showGroupedTables();
        if (QMdiSubWindow* sub = p.subWindow(WindowRole::Processar)) {
            sub->showNormal();
            sub->raise();
            sub->setFocus();
        }
    };
}

} // namespace demovia::ui
