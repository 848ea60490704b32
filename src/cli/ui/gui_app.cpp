#include "cli/ui/gui_app.h"

#include <QGuiApplication>

#include <cstdio>

#include <clocale>
#include <memory>

namespace demovia::cli {

namespace {

// Qt's notes about the session it runs in (no runtime folder, an offscreen
// platform that cannot do this or that) say nothing about the command's
// work: only Qt's warnings about the drawing itself and its errors are shown.
void qtMessage(QtMsgType type, const QMessageLogContext&, const QString& text)
{
    if (type == QtDebugMsg || type == QtInfoMsg)
        return;
    if (type == QtWarningMsg && (text.startsWith("QStandardPaths:") || text.contains("propagateSizeHints")))
        return;
    std::fprintf(stderr, "%s\n", text.toLocal8Bit().constData());
}

} // namespace

void ensureGuiApplication()
{
    if (QGuiApplication::instance())
        return;
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    qInstallMessageHandler(qtMessage);
    static int argc = 1;
    static char name[] = "demovia-cli";
    static char* argv[] = {name, nullptr};
    static std::unique_ptr<QGuiApplication> app = std::make_unique<QGuiApplication>(argc, argv);
    std::setlocale(LC_NUMERIC, "C"); // numbers inside tables are locale-free
}

} // namespace demovia::cli
