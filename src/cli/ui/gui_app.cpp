#include "cli/ui/gui_app.h"

#include <QGuiApplication>

#include <clocale>
#include <memory>

namespace demovia::cli {

void ensureGuiApplication()
{
    if (QGuiApplication::instance())
        return;
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    static int argc = 1;
    static char name[] = "demovia-cli";
    static char* argv[] = {name, nullptr};
    static std::unique_ptr<QGuiApplication> app = std::make_unique<QGuiApplication>(argc, argv);
    std::setlocale(LC_NUMERIC, "C"); // numbers inside tables are locale-free
}

} // namespace demovia::cli
