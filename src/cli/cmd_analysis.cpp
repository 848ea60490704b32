// After a run: the demographic indicators and the plausibility checks of a
// project, printed or written to a file (.xlsx for a spreadsheet).
#include "cli/cli.h"

#include "data/error.h"
#include "data/project.h"
#include "data/text_util.h"
#include "engine/plausibility.h"
#include "results/indicators.h"

#include <cstdio>

namespace demovia::cli {

namespace {

struct ProjectRead {
    AppState state;
    ProjectDetails details;
    std::vector<int> years;
};

// The project and its year list; nullopt (message shown) when there is no such
// project or it holds no projected year.
std::optional<ProjectRead> readProject(Context& ctx, const std::string& typedName)
{
    ProjectRead p;
    p.state.appDir = ctx.appDir;
    auto d = openProject(p.state, upperAscii(trim(typedName)), ctx.dialogs);
    if (!d)
        return std::nullopt;
    p.details = *d;
    p.years = projectedYears(p.state.projectDir, p.details.ano1Proj);
    if (p.years.empty()) {
        ctx.dialogs.warning("O projeto " + upperAscii(trim(typedName)) +
                            " não tem anos projetados. Execute a projeção (comando run) antes.");
        return std::nullopt;
    }
    return p;
}

// Standard output, or the file named (a spreadsheet when it ends in .xlsx).
int emit(Context& ctx, const ResultSet& rows, const std::string& outFile, const std::string& sheet)
{
    if (outFile.empty()) {
        std::fputs(exportText(rows, ctx.format, "\n").c_str(), stdout);
        return 0;
    }
    writeExportFile(fs::absolute(outFile), rows, ctx.format, sheet);
    std::fprintf(stderr, "Arquivo %s criado com sucesso\n", outFile.c_str());
    return 0;
}

int indicatorsCommand(Context& ctx)
{
    const std::string yearText = ctx.option("--year"), munText = ctx.option("--mun");
    const std::string name = ctx.arg(0);
    if (ctx.args.size() > 2)
        throw UsageError("argumento a mais: " + ctx.args[2]);
    const std::string out = ctx.args.size() > 1 ? ctx.args[1] : std::string();
    std::optional<int> year;
    if (!yearText.empty()) {
        try {
            year = static_cast<int>(parseWhole(yearText));
        } catch (const Error&) {
            throw UsageError("ano inválido para --year: " + yearText);
        }
    }
    std::optional<std::string> mun;
    if (!munText.empty()) {
        const std::string t = upperAscii(trim(munText));
        if (t == kStateArea)
            mun = t;
        else {
            try {
                mun = mun4(parseWhole(t));
            } catch (const Error&) {
                throw UsageError("código de município inválido para --mun: " + munText + " (4 dígitos, ou UF)");
            }
        }
    }
    auto p = readProject(ctx, name);
    if (!p)
        return 1;
    int census2 = 0;
    try {
        census2 = static_cast<int>(parseWhole(p->details.census2.ano));
    } catch (const Error&) {
    }
    const ProjectIndicators pi = computeProjectIndicators(p->state.projectDir, census2, p->years);
    if (mun && *mun != kStateArea && !pi.byMunicipality.count(*mun)) {
        ctx.dialogs.warning("O município " + *mun + " não está nas tabelas anuais do projeto.");
        return 1;
    }
    const ResultSet rows = indicatorsResult(pi, year, mun);
    if (rows.rows.empty()) {
        ctx.dialogs.warning("Nenhum indicador para o ano " + yearText + ": os anos são " +
                            std::to_string(p->years.front()) + " a " + std::to_string(p->years.back()) +
                            (census2 ? " e o censo 2, " + std::to_string(census2) : std::string()) + ".");
        return 1;
    }
    return emit(ctx, rows, out, "indicadores");
}

int checksCommand(Context& ctx)
{
    const std::string name = ctx.arg(0);
    if (ctx.args.size() > 2)
        throw UsageError("argumento a mais: " + ctx.args[2]);
    const std::string out = ctx.args.size() > 1 ? ctx.args[1] : std::string();
    auto p = readProject(ctx, name);
    if (!p)
        return 1;
    const auto checks = checkRun(p->state.projectDir, p->years, loadCheckThresholds(ctx.appDir, ctx.dialogs));
    const int rc = emit(ctx, checksResult(checks), out, "verificacoes");
    std::fprintf(stderr, "%s\n", checksSummaryLine(checks).c_str());
    return rc;
}

Registrar regIndicators("indicators", "NOME [--year A] [--mun CODIGO|UF] [ARQUIVO]", &indicatorsCommand);
Registrar regChecks("checks", "NOME [ARQUIVO]", &checksCommand);

} // namespace

} // namespace demovia::cli
