// The first commands: one SQL statement, the text import and the export.
//
// Each command dispatches on its arguments to a named form, so that further
// forms (over the tables of a project) can sit beside these.
#include "cli/cli.h"

#include "data/error.h"
#include "data/project_guard.h"
#include "data/sql_engine.h"
#include "data/text_exchange.h"
#include "data/text_util.h"

#include <cstdio>
#include <memory>
#include <optional>

namespace demovia::cli {

// The forms over the tables of a project (cmd_project.cpp).
// writerLock: for a statement that changes tables, receives the project's
// writer lock, held while the statement runs; nullptr for a select.
std::optional<std::string> projectStatement(Context& ctx, const std::string& name, std::string statement,
                                            std::shared_ptr<ProjectLock>* writerLock);
std::optional<int> importIntoProject(Context& ctx);
int exportFromProject(Context& ctx);

namespace {

// Whether the statement gives rows (SELECT, or WITH ... SELECT) rather than changing a table.
bool returnsRows(const std::string& statement)
{
    std::string t = trim(statement);
    std::size_t b = t.find_first_not_of("( \t\r\n");
    if (b == std::string::npos)
        return false;
    std::size_t e = b;
    while (e < t.size() && ((t[e] >= 'a' && t[e] <= 'z') || (t[e] >= 'A' && t[e] <= 'Z')))
        ++e;
    std::string word = lowerAscii(std::string_view(t).substr(b, e - b));
    return word == "select" || word == "with";
}

// "sql STATEMENT": the rows go to standard output as the export writes them
// (heading line, every value followed by ";", regional numbers) but in UTF-8
// with LF line ends, for the terminal; a changing statement reports on
// standard error how many rows it changed.
int sqlStatement(Context& ctx, const std::string& statement)
{
    SqlEngine sql;
    if (returnsRows(statement)) {
        const std::string out = exportText(sql.query(statement), ctx.format, "\n");
        std::fwrite(out.data(), 1, out.size(), stdout);
    } else {
        const long long changed = sql.execute(statement);
        std::fprintf(stderr, "%lld registro(s) alterado(s)\n", changed);
    }
    return 0;
}

int sqlCommand(Context& ctx)
{
    if (ctx.args.size() == 1)
        return sqlStatement(ctx, ctx.args[0]);
    if (ctx.args.size() == 2) {
        std::shared_ptr<ProjectLock> lock;
        auto statement =
            projectStatement(ctx, ctx.args[0], ctx.args[1], returnsRows(ctx.args[1]) ? nullptr : &lock);
        return statement ? sqlStatement(ctx, *statement) : 1;
    }
    throw UsageError("número de argumentos inválido");
}

// "import TEXTFILE TARGET TEMPLATE [--skip K]"
int importFile(Context& ctx, int headingLines)
{
    // A target inside a project folder is a write to that project: its lock first.
    std::shared_ptr<ProjectLock> lock;
    const fs::path folder = fs::absolute(fs::path(ctx.args[1])).parent_path();
    if (fileExists(folder / "detalhes.ini")) {
        try {
            lock = ProjectLock::acquire(folder);
        } catch (const Error& e) {
            ctx.dialogs.warning(e.what());
            return 1;
        }
    }
    return importText(ctx.args[0], ctx.args[1], ctx.args[2], headingLines, ctx.format, ctx.dialogs) ? 0 : 1;
}

int importCommand(Context& ctx)
{
    const std::string skip = ctx.option("--skip", "0");
    long long k = 0;
    try {
        k = parseWhole(skip);
    } catch (const std::exception&) {
        throw UsageError("--skip espera um número de linhas: " + skip);
    }
    if (k < 0 || k > 1000000)
        throw UsageError("--skip espera um número de linhas: " + skip);
    if (auto r = importIntoProject(ctx))
        return *r;
    if (ctx.args.size() == 3)
        return importFile(ctx, static_cast<int>(k));
    throw UsageError("número de argumentos inválido");
}

// "export STATEMENT OUTFILE": the file stands for the one chosen in the save dialog.
int exportFile(Context& ctx)
{
    ctx.dialogs.saveFiles.push_back(ctx.args[1]);
    SqlEngine sql;
    return exportStatement(sql, ctx.args[0], ctx.format, ctx.dialogs) ? 0 : 1;
}

int exportCommand(Context& ctx)
{
    if (ctx.args.size() == 2)
        return exportFile(ctx);
    if (ctx.args.size() == 3)
        return exportFromProject(ctx);
    throw UsageError("número de argumentos inválido");
}

Registrar regSql("sql", "[PROJETO] INSTRUÇÃO", &sqlCommand);
Registrar regImport("import", "ARQUIVO_TEXTO TABELA MODELO [--skip LINHAS] | PROJETO {pop_proj|tx_fec|rel_nas} ARQUIVO",
                    &importCommand);
Registrar regExport("export", "INSTRUÇÃO ARQUIVO_SAÍDA | PROJETO TABELA ARQUIVO_SAÍDA", &exportCommand);

} // namespace

} // namespace demovia::cli
