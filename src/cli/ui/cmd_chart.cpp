// Charts on the command line: the population pyramid and the total
// population, as PNG or SVG, drawn by the results window's painter.
#include "cli/cli.h"
#include "cli/ui/gui_app.h"

#include "data/error.h"
#include "data/project.h"
#include "data/text_util.h"
#include "results/charts.h"
#include "results/ui/chart_painter.h"
#include "data/app_state.h"

#include <cstdio>

namespace demovia::cli {

namespace {

int wholeOf(const std::string& typed, const char* what)
{
    try {
        return static_cast<int>(parseWhole(trim(typed)));
    } catch (const Error&) {
        throw UsageError(std::string(what) + " inválido: " + typed);
    }
}

int yearOf(const std::string& text)
{
    try {
        return static_cast<int>(parseWhole(trim(text)));
    } catch (const Error&) {
        return 0;
    }
}

int chartCommand(Context& ctx)
{
    const std::string yearTyped = ctx.option("--year"), munTyped = ctx.option("--mun");
    const std::string compareTyped = ctx.option("--compare");
    const bool groups = ctx.flag("--faixas"), percent = ctx.flag("--percent");
    const std::string name = ctx.arg(0), kind = ctx.arg(1), out = ctx.arg(2);
    if (ctx.args.size() > 3)
        throw UsageError("argumento a mais: " + ctx.args[3]);
    if (kind != "piramide" && kind != "total")
        throw UsageError("o gráfico é piramide ou total: " + kind);
    const std::string lower = lowerAscii(out);
    if (!lower.ends_with(".png") && !lower.ends_with(".svg"))
        throw UsageError("o arquivo do gráfico termina em .png ou .svg: " + out);

    ChartRequest r;
    r.appDir = ctx.appDir;
    r.format = ctx.format;
    r.options = {groups, percent};
    if (!munTyped.empty()) {
        try {
            r.mun = typedMunCode(munTyped);
        } catch (const Error&) {
            throw UsageError("código de município inválido: " + munTyped);
        }
    }
    if (!compareTyped.empty()) {
        if (lowerAscii(trim(compareTyped)) == "censo2") {
            r.compare = CompareWith::Census2;
        } else {
            r.compare = CompareWith::Year;
            r.compareYear = wholeOf(compareTyped, "ano de comparação");
        }
    }

    AppState state;
    state.appDir = ctx.appDir;
    const auto details = openProject(state, upperAscii(trim(name)), ctx.dialogs, {}, ProjectAccess::Read);
    if (!details)
        return 1;
    r.projectDir = state.projectDir;
    r.uf = state.ufCode();
    r.census1Year = yearOf(details->census1.ano);
    r.census2Year = yearOf(details->census2.ano);
    r.firstProjectedYear = details->ano1Proj;
    r.year = yearTyped.empty() ? details->ano1Proj : wholeOf(yearTyped, "ano");
    if (r.firstProjectedYear == 0) {
        std::fprintf(stderr, "O projeto %s ainda não tem anos projetados.\n", upperAscii(trim(name)).c_str());
        return 1;
    }

    ensureGuiApplication();
    ui::Chart chart;
    std::string msg;
    if (kind == "piramide") {
        PyramidChart c = projectPyramid(r);
        msg = c.message;
        chart = std::move(c);
    } else {
        TotalChart c = projectTotals(r);
        msg = c.message;
        chart = std::move(c);
    }
    if (!msg.empty())
        std::fprintf(stderr, "%s\n", msg.c_str());
    std::string failure;
    if (!ui::writeChartFile(chart, QString::fromStdString(fs::absolute(out).string()), failure)) {
        std::fprintf(stderr, "%s\n", failure.c_str());
        return 1;
    }
    std::printf("%s\n", out.c_str());
    return 0;
}

Registrar regChart("chart",
                   "NOME {piramide|total} ARQUIVO.{png|svg} [--year ANO] [--mun CODIGO] [--compare ANO2|censo2] "
                   "[--faixas] [--percent]",
                   &chartCommand);

} // namespace

} // namespace demovia::cli
