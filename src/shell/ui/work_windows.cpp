#include "shell/ui/work_windows.h"

#include "data/ui/uCensos.h"
#include "data/ui/uProjCenso.h"
#include "engine/ui/uProcessando.h"
#include "engine/ui/uProcessar.h"
#include "results/ui/uAdapExt.h"
#include "results/ui/uAplica_K_Mod.h"
#include "results/ui/uK_Mod.h"
#include "results/ui/uResultados.h"
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
    auto* resultados = new TfrmResultados(ctx);
    p.addWorkWindow(WindowRole::Resultados, resultados);
    auto* kmod = new TfrmK_Mod(ctx);
    p.addWorkWindow(WindowRole::KMod, kmod);
    p.addWorkWindow(WindowRole::AdapExt, new TfrmAdapExt(ctx));
    auto* conf = new TfrmConf(ctx);
    p.addWorkWindow(WindowRole::Conf, conf);

    projCenso->defaultSexRatio = [conf] { return conf->sexRatio(); };
    processar->censusDates = [censos] { return censos->censusDates(); };
    processar->sexRatioText = [projCenso] { return projCenso->sexRatioText(); };
    processar->minimiseAll = [&p] { p.minimiseAll(); };
    processar->offerKModifiers = kModifierOffer(ctx, *kmod);
    // Every run starts by closing the results' tables and ends by showing them
    // with the first projected year.
    processar->processando().beforeRun = [resultados] { resultados->resetaForm(); };
    processar->onRunFinished = [&p, resultados](const RunOutcome& out) {
        resultados->runFinished(out);
        p.state().firstProjectedYear = out.firstProjectedYear;
        p.saveDetails();
        // Closing the run's window brings the results back to their normal size.
        if (QMdiSubWindow* sub = p.subWindow(WindowRole::Resultados)) {
            sub->showNormal();
            sub->raise();
        }
    };
    censos->onGrouped = [&p, processar, kmod] {
        // The grouped tables shown, the window brought forward at normal size,
        // and the municipalities the K modifiers can name.
        processar->showGroupedTables();
        p.showCentred(WindowRole::Processar);
        if (QMdiSubWindow* sub = p.subWindow(WindowRole::Processar))
            sub->setFocus();
        kmod->buildMunicipalityList();
    };
}

} // namespace demovia::ui
