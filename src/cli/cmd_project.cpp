// Project commands: projects, census and larger-area inputs, runs, the sample state.
#include "cli/cli.h"

#include "data/error.h"
#include "data/text_util.h"
#include "shell/sample_generator.h"

#include <cstdio>

namespace demovia::cli {

namespace {

int wholeOption(Context& ctx, const std::string& name, int def, int lo, int hi)
{
    std::string v = ctx.option(name);
    if (v.empty())
        return def;
    long long n;
    try {
        n = parseWhole(v);
    } catch (const Error&) {
        throw UsageError("valor inválido para " + name + ": " + v);
    }
    if (n < lo || n > hi)
        throw UsageError("valor fora do intervalo para " + name + ": " + v);
    return static_cast<int>(n);
}

int sample(Context& ctx)
{
    SampleOptions o;
    o.uf = wholeOption(ctx, "--uf", o.uf, 1, 99);
    o.municipalities = wholeOption(ctx, "--municipalities", 0, 0, 100000);
    o.years = wholeOption(ctx, "--years", o.years, 2, 100);
    std::string seed = ctx.option("--seed");
    if (!seed.empty()) {
        try {
            o.seed = static_cast<std::uint64_t>(parseWhole(seed));
        } catch (const Error&) {
            throw UsageError("valor inválido para --seed: " + seed);
        }
    }
    const fs::path out = ctx.arg(0);
    if (ctx.args.size() > 1)
        throw UsageError("argumento a mais: " + ctx.args[1]);
    Table mun = readTable(ctx.appDir / "DBPadrao" / "mun.dbf");
    SampleInfo info = writeSample(out, mun, o);
    std::printf("UF %s: %zu municípios, censos %d e %d, %d anos de projeção, em %s\n", uf2(info.uf).c_str(),
                info.municipalities.size(), info.census1Year, info.census2Year, info.years, out.string().c_str());
    return 0;
}

Registrar regSample("sample", "PASTA [--uf UF] [--municipalities N] [--years A] [--seed S]", &sample);

} // namespace

} // namespace demovia::cli
