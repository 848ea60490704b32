// Printed reports on the command line: any of the thirteen layouts to a PDF
// file, drawn by the results window's renderer.
#include "cli/cli.h"
#include "cli/ui/gui_app.h"

#include "data/error.h"
#include "data/project.h"
#include "data/text_util.h"
#include "results/report_layouts.h"
#include "results/ui/uRel_01.h"
#include "data/app_state.h"

#include <cstdio>

namespace demovia::cli {

namespace {

int reportCommand(Context& ctx)
{
    const std::string yearTyped = ctx.option("--year");
    const std::string name = ctx.arg(0), report = ctx.arg(1), out = ctx.arg(2);
    if (ctx.args.size() > 3)
        throw UsageError("argumento a mais: " + ctx.args[3]);
    if (!findReportLayout(report)) {
        std::string names;
        for (const ReportLayout& l : reportLayouts())
            names += (names.empty() ? "" : ", ") + l.name;
        throw UsageError("relatório desconhecido: " + report + " (" + names + ")");
    }
    long long year = 0;
    if (!yearTyped.empty()) {
        try {
            year = parseWhole(trim(yearTyped));
        } catch (const Error&) {
            throw UsageError("ano inválido: " + yearTyped);
        }
    }

    AppState state;
    state.appDir = ctx.appDir;
    const auto details = openProject(state, upperAscii(trim(name)), ctx.dialogs, {}, ProjectAccess::Read);
    if (!details)
        return 1;
    if (year == 0)
        year = details->ano1Proj; // the first projected year, as the window shows it
    ensureGuiApplication();
    SqlEngine sql;
    bool written = false;
    const bool shown = printStatement(
        sql, reportStatement(state.projectDir, report, year4(year)), report, ctx.format, ctx.dialogs,
        [&](const ReportDocument& doc) {
            written = ui::writeReportPdf(doc, QString::fromStdString(fs::absolute(out).string()));
            if (written)
                std::printf("%s: %zu página(s)%s, letra de %g pontos\n", out.c_str(), doc.pages.size(),
                            doc.landscape ? " deitadas" : "", doc.points);
        },
        ui::reportTextWidth());
    if (shown && !written)
        std::fprintf(stderr, "Não foi possível gravar o arquivo %s.\n", out.c_str());
    return shown && written ? 0 : 1;
}

Registrar regReport("report", "NOME RELATORIO ARQUIVO.pdf [--year ANO]", &reportCommand);

} // namespace

} // namespace demovia::cli
