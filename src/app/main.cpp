// The desktop program: one copy per user, the main window with its work
// windows, and the general error report for what no command caught.
#include "data/dialogs.h"
#include "ui/qt_dialogs.h"
#include "shell/ui/single_instance.h"
#include "shell/ui/help_menu.h"
#include "shell/ui/regional.h"
#include "shell/ui/registry_menu.h"
#include "shell/ui/work_windows.h"
#include "shell/ui/uPrincipal.h"
#include "ui/images.h"

#include <QApplication>
#include <QLocale>
#include <QMessageBox>
#include <QScreen>

#include <clocale>
#include <exception>

namespace {

const char* kTitle = "Módulo Demovia 2.0";

// An error that no command caught ends that command only: it is reported and
// the event loop goes on.
class DemoviaApplication : public QApplication {
public:
    using QApplication::QApplication;

    bool notify(QObject* receiver, QEvent* e) override
    {
        try {
            return QApplication::notify(receiver, e);
        } catch (const std::exception& ex) {
            report(ex.what());
        } catch (...) {
            report("Erro desconhecido");
        }
        return false;
    }

private:
    static void report(const std::string& text)
    {
        QGuiApplication::restoreOverrideCursor(); // a busy pointer left by the failed command
        QMessageBox::critical(nullptr, kTitle, QString::fromStdString(demovia::generalErrorText(text)));
    }
};

} // namespace

int main(int argc, char** argv)
{
    demovia::ui::defaultToBrazilianPortuguese();
    DemoviaApplication app(argc, argv);
    std::setlocale(LC_NUMERIC, "C"); // numbers inside the tables are locale-free
    // Dates and numbers in the person's regional form; Qt's own dialogs and
    // buttons in Portuguese, like every text of the system.
    const QLocale regional = demovia::ui::regionalLocale();
    QLocale::setDefault(regional);
    demovia::ui::installQtTranslations(app, QCoreApplication::applicationDirPath());

    demovia::ui::SingleInstance lock("Kavo.Demovia");
    if (!lock.acquired()) {
        QMessageBox box(QMessageBox::Critical, "Aviso",
                        "Uma cópia do Sistema Demovia está carregada.\n\nVerifique a barra de tarefas do sistema "
                        "operacional ou\npressione e segure a tecla <ALT> e então <TAB>\npara navegar entre os "
                        "programas abertos.",
                        QMessageBox::Ok);
        box.exec();
        return 0;
    }

    QApplication::setApplicationName(kTitle);
    QApplication::setWindowIcon(demovia::ui::applicationIcon());

    const std::filesystem::path appDir =
        std::filesystem::path(QCoreApplication::applicationDirPath().toStdString()) / "";
    demovia::ui::QtDialogs dialogs;
    dialogs.setStartFolder(appDir.string());

    demovia::ui::TfrmPrincipal principal(appDir, dialogs, demovia::ui::regionalFormat(regional));
    demovia::ui::addWorkWindows(principal);
    demovia::ui::connectToolCommands(principal);
    demovia::ui::connectRegistryCommands(principal);

    // Without a window manager a maximised window keeps its first size.
    if (const QScreen* screen = QGuiApplication::primaryScreen())
        principal.setGeometry(screen->availableGeometry());
    principal.showMaximized();
    return app.exec();
}
