#include "cli/cli.h"

#include "shell/reference_loader.h"

#include <cstdio>

namespace demovia::cli {

static int checkReference(Context& ctx)
{
    auto lines = loadReferenceTables(ctx.appDir, ctx.format, ctx.dialogs);
    for (const auto& l : lines)
        std::printf("%s\n", l.c_str());
    for (const auto& l : lines)
        if (l.rfind("carregado", 0) != 0)
            return 1;
    return 0;
}

static Registrar reg("check-reference", "", &checkReference);

} // namespace demovia::cli
