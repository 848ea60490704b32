#include "shell/ui/help_menu.h"

#include "shell/about_info.h"
#include "shell/ui/uAjuda.h"
#include "shell/ui/uConversores.h"
#include "shell/ui/uPrincipal.h"
#include "shell/ui/uSobre.h"

#include <QAction>
#include <QCoreApplication>
#include <QStandardPaths>

namespace demovia::ui {

void connectToolCommands(TfrmPrincipal& p)
{
    QObject::connect(p.menuItem("mi_serv_conversores"), &QAction::triggered, &p, [&p] {
        TfrmConversores dlg(p.context(), &p);
        dlg.exec();
    });
    QObject::connect(p.menuItem("mi_aju_manual"), &QAction::triggered, &p, [&p] {
        auto* w = new TfrmAjuda(p.context(), &p);
        w->setAttribute(Qt::WA_DeleteOnClose);
        w->show();
    });
    QObject::connect(p.menuItem("mi_aju_sobre"), &QAction::triggered, &p, [&p] {
        TfrmSobre dlg(p.context(), &p);
        dlg.exec();
    });
    QObject::connect(p.menuItem("mi_aju_atalho"), &QAction::triggered, &p, [&p] {
        try {
            const QString desk = QStandardPaths::writableLocation(QStandardPaths::DesktopLocation);
            createDesktopShortcut(desk.toStdString(), QCoreApplication::applicationFilePath().toStdString(),
                                  p.context().state.appDir);
        } catch (const std::exception& e) {
            p.context().dialogs.warning(std::string("Problema ao tentar criar atalho para o sistema.\n\nErro original: ") +
                                        e.what());
        }
    });
}

} // namespace demovia::ui
