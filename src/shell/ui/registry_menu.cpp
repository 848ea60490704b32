#include "shell/ui/registry_menu.h"

#include "shell/ui/uCoefs_Interp.h"
#include "shell/ui/uPrincipal.h"
#include "shell/ui/uUF_Mun.h"

#include <QAction>

namespace demovia::ui {

void connectRegistryCommands(TfrmPrincipal& main)
{
    TfrmPrincipal* host = &main;
    if (QAction* a = main.menuItem("mi_serv_ufs_municipios"))
        QObject::connect(a, &QAction::triggered, host, [host] {
            TfrmUF_Mun dialog(host->context(), host);
            dialog.exec();
        });
    if (QAction* a = main.menuItem("mi_serv_coef_interp"))
        QObject::connect(a, &QAction::triggered, host, [host] {
            TfrmCoefs_Interp dialog(host->context(), host);
            dialog.exec();
        });
}

} // namespace demovia::ui
