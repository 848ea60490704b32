#include "engine/calculo.h"

#include "data/error.h"
#include "data/text_util.h"

#include <cmath>

namespace demovia {

namespace calculo {

std::string Step::folderText() const
{
    return (ctx.projectDir / "").string();
}

std::optional<std::vector<FieldDef>> Step::freshTable(const std::string& templ, const std::string& target) const
{
    try {
        const fs::path source = ctx.appDir / "DBVazio" / templ;
        copyTemplate(source, table(target), CopyMode::Replace);
        return readSchema(source);
    } catch (const Error& e) {
        writeError = originalError(e);
        return std::nullopt;
    }
}

void Step::writeFailed(const std::string& message) const
{
    dialogs.warning(message + (writeError.empty() ? std::string() : "\n\nErro original: " + writeError));
    outcome.failed = true;
}

double divide(double a, double b, const std::string& where)
{
    if (b == 0 || !std::isfinite(b))
        throw ArithmeticError("Divisão por zero: " + where);
    double r = a / b;
    if (!std::isfinite(r))
        throw ArithmeticError("Resultado inválido: " + where);
    return r;
}

double power(double base, double exp, const std::string& where)
{
    if (base < 0 && exp != std::floor(exp))
        throw ArithmeticError("Potência de base negativa com expoente fracionário: " + where);
    double r = std::pow(base, exp);
    if (!std::isfinite(r))
        throw ArithmeticError("Resultado inválido na potência: " + where);
    return r;
}

Multipliers loadMultipliers(const fs::path& appDir)
{
    Multipliers m;
    auto load = [&](const char* file, int columns, int rows, auto&& store) {
        Table t = readTable(appDir / "DBPadrao" / file);
        if (static_cast<int>(t.fields.size()) < columns || static_cast<int>(t.rows.size()) < rows)
            throw Error(std::string("A tabela de multiplicadores ") + file + " deve ter " + std::to_string(rows) +
                        " linhas e " + std::to_string(columns) + " colunas");
        for (int r = 0; r < rows; ++r)
            for (int c = 0; c < columns; ++c)
                store(c, r, t.rows[r][c].toDouble());
    };
    load("kking.dbf", 3, 15, [&](int c, int r, double v) { m.kk[c][r] = v; });
    load("sprague.dbf", 5, 25, [&](int c, int r, double v) { m.sp[c][r] = v; });
    return m;
}

} // namespace calculo

RunOutcome runProjection(const RunContext& ctx, RunMonitor& monitor, Dialogs& dialogs)
{
    monitor.cancel = false;
    RunOutcome outcome;
    const calculo::Multipliers multipliers = calculo::loadMultipliers(ctx.appDir);
    calculo::Step step{ctx, monitor, dialogs, multipliers, outcome};

    using StepFn = void (*)(calculo::Step&);
    static constexpr StepFn steps[] = {calculo::stepGrowth,       calculo::stepKFactor,
                                       calculo::stepChildWoman,   calculo::stepFertility,
                                       calculo::stepInterpolation, calculo::stepProjection};
    for (int k = 1; k <= 6; ++k) {
        if (ctx.settings.stepsToRun >= k && !monitor.cancel && !outcome.failed)
            steps[k - 1](step);
    }

    // A run that projected ends its log with the plausibility checks' count.
    if (!monitor.cancel && !outcome.failed && !outcome.projectedYears.empty()) {
        try {
            outcome.checks = checkRun(ctx.projectDir, outcome.projectedYears, loadCheckThresholds(ctx.appDir, dialogs));
            monitor.appendLine(checksSummaryLine(outcome.checks));
        } catch (const std::exception& e) {
            monitor.appendLine(std::string("Verificações não realizadas: ") + e.what());
        }
    }

    monitor.stepsEnded();
    if (outcome.failed) {
        // The later steps would have read the tables this one did not write.
        dialogs.warning("Processo interrompido: uma tabela do projeto não pôde ser gravada.\n\n"
                        "Corrija a causa indicada na mensagem anterior e processe novamente. "
                        "Clique em FECHAR para fechar a tela");
    } else if (monitor.cancel) {
        outcome.cancelled = true;
        dialogs.warning("Processo cancelado. Clique em FECHAR para fechar a tela");
    } else {
        dialogs.information("Processo concluído. Clique em FECHAR para fechar a tela");
    }
    monitor.cancel = true;
    return outcome;
}

} // namespace demovia
