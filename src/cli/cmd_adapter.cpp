// The external projection adapter on the command line: imports the external
// totals into a project and writes the adapted table of one year.
#include "cli/cli.h"

#include "data/error.h"
#include "data/project.h"
#include "data/text_util.h"
#include "results/adapter.h"
#include "data/app_state.h"

#include <algorithm>
#include <cstdio>

namespace demovia::cli {

namespace {

int adaptCommand(Context& ctx)
{
    const bool prorate = !ctx.flag("--no-prorate");
    const std::string name = upperAscii(trim(ctx.arg(0)));
    const std::string file = ctx.arg(1);
    const std::string year = trim(ctx.arg(2));
    if (ctx.args.size() > 3)
        throw UsageError("argumento a mais: " + ctx.args[3]);
    try {
        parseWhole(year);
    } catch (const Error&) {
        throw UsageError("ano inválido: " + year);
    }

    AppState state;
    state.appDir = ctx.appDir;
    if (!openProject(state, name, ctx.dialogs))
        return 1;
    auto years = importExternal(ctx.appDir, state.projectDir, state.ufCode(), fs::absolute(file), ctx.format,
                                ctx.dialogs);
    if (!years)
        return 1;
    if (std::find(years->begin(), years->end(), year) == years->end()) {
        std::fprintf(stderr, "O arquivo externo não tem totais da UF %s para o ano %s.\n", state.ufCode().c_str(),
                     year.c_str());
        return 1;
    }
    if (!adaptYear(ctx.appDir, state.projectDir, year, prorate, ctx.dialogs))
        return 1;
    std::printf("%s\n", adaptedFile(state.projectDir, year).string().c_str());
    return 0;
}

Registrar regAdapt("adapt", "NOME ARQUIVO ANO [--no-prorate]", &adaptCommand);

} // namespace

} // namespace demovia::cli
