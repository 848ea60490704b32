// Project commands: projects, census and larger-area inputs, runs, the sample
// state and the demonstration over it.
#include "cli/cli.h"

#include "data/census.h"
#include "data/error.h"
#include "data/larger_area.h"
#include "data/project.h"
#include "data/project_guard.h"
#include "data/sql_engine.h"
#include "data/text_util.h"
#include "engine/run.h"
#include "results/k_modifiers.h"
#include "shell/configuration.h"
#include "shell/sample_generator.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <random>

namespace demovia::cli {

namespace {

// Failure already reported through the dialogs: exit code 1.
struct Reported {};

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

void noMoreArgs(const Context& ctx, std::size_t used)
{
    if (ctx.args.size() > used)
        throw UsageError("argumento a mais: " + ctx.args[used]);
}

std::string projectName(const std::string& typed) { return upperAscii(trim(typed)); }

// A project opened for one command.
struct Opened {
    AppState state;
    ProjectDetails details;
};

// Every command that changes the project holds its writer lock (in the state)
// until it ends; a reader takes no lock and changes nothing.
Opened open(Context& ctx, const std::string& typedName, ProjectAccess access = ProjectAccess::Write)
{
    Opened o;
    o.state.appDir = ctx.appDir;
    auto d = openProject(o.state, projectName(typedName), ctx.dialogs, {}, access);
    if (!d)
        throw Reported{};
    o.details = *d;
    return o;
}

// "12", "2" or "AC": the two-digit code of a state of uf.dbf.
std::string resolveUf(const fs::path& appDir, const std::string& typed)
{
    const std::string t = upperAscii(trim(typed));
    for (const auto& line : ufChoices(appDir)) {
        const std::string code = ufOfChoice(line);
        if (line.substr(0, 2) == t)
            return code;
        try {
            if (!t.empty() && uf2(parseWhole(t)) == code)
                return code;
        } catch (const Error&) {
        }
    }
    throw UsageError("UF desconhecida: " + typed);
}

// The details a new project starts with: the census and larger-area windows
// just reset (month "Junho", empty boxes) and the sex ratio given.
ProjectDetails newProjectDetails(const std::string& sexRatio)
{
    ProjectDetails d;
    for (CensusDetails* c : {&d.census1, &d.census2})
        *c = CensusDetails{5, "", "", ""};
    d.rsnHom = sexRatio;
    d.ano1Proj = 0;
    return d;
}

bool createNamed(Context& ctx, AppState& state, const std::string& typedName, const std::string& uf,
                 std::string description, ProjectDetails& details)
{
    std::string name = projectName(typedName);
    return createProject(state, uf, name, description, details, ctx.dialogs);
}

// The step log on standard output, newest step as it starts.
class CliMonitor : public RunMonitor {
public:
    void insertStep(const std::string& title) override { std::printf("%s\n", title.c_str()), std::fflush(stdout); }
    void appendLine(const std::string& line) override { std::printf("%s\n", line.c_str()), std::fflush(stdout); }
};

// Runs the first steps on the open project and keeps the first projected year
// in its details. False when the run was cancelled, or when it should have
// projected and no year came out.
bool runOpened(Context& ctx, Opened& o, int steps, InterpolationMethod method, bool yes,
               const std::string& model = {})
{
    const ProjectDetails& d = o.details;
    RunContext run;
    run.appDir = ctx.appDir;
    run.projectDir = o.state.projectDir;
    run.uf = o.state.ufCode();
    run.sexRatioText = d.rsnHom;
    run.settings = deriveRunSettings(d.census1.ano, d.census1.mes, d.census2.ano, d.census2.mes, steps, method);
    o.state.run = run.settings;
    ctx.dialogs.confirmDefault = yes;
    if (!model.empty()) {
        // The answer to the K modifier dialog of step 2: "&Aplicar" on the model
        // named (without --model the answer is "&Ignorar").
        const fs::path kmod = o.state.projectDir / "k_mod.dbf";
        const std::string name = upperAscii(trim(model));
        const std::vector<std::string> models = fileExists(kmod) ? modelsInFile(kmod) : std::vector<std::string>{};
        if (std::find(models.begin(), models.end(), name) == models.end()) {
            std::fprintf(stderr, "O projeto não tem o modelo de modificadores %s.\n", name.c_str());
            return false;
        }
        run.offerKModifiers = [&ctx, kmod, name, dir = o.state.projectDir](RunMonitor& m) {
            applyKModel(dir, name, modelModifiers(kmod, name), m, ctx.dialogs);
        };
    }

    CliMonitor monitor;
    RunOutcome outcome = runProjection(run, monitor, ctx.dialogs);
    o.details.ano1Proj = outcome.firstProjectedYear;
    o.state.firstProjectedYear = outcome.firstProjectedYear;
    saveProjectDetails(o.state, o.details);
    if (outcome.cancelled || outcome.failed)
        return false;
    if (steps >= 6 && outcome.projectedYears.empty()) {
        std::fprintf(stderr, "Nenhum ano foi projetado.\n");
        return false;
    }
    return true;
}

bool importCensusInto(Context& ctx, Opened& o, int census, const fs::path& file, const std::string& year, int month)
{
    CensusDetails& c = census == 1 ? o.details.census1 : o.details.census2;
    CensusDetails typed = c;
    typed.mes = month - 1;
    typed.ano = year;
    // Tables and details in one change: a kill leaves the old census or the new one.
    auto r = importCensusRecorded(ctx.appDir, o.state.projectDir, o.state.ufCode(), census, fs::absolute(file),
                                  typed, ctx.format, ctx.dialogs);
    if (!r)
        return false;
    c = typed;
    c.arquivo = r->file;
    c.registros = r->recordCount;
    std::printf("Censo %d: %lld municípios, %s registros\n", census, r->municipalities, r->recordCount.c_str());
    return true;
}

std::optional<LargerAreaTable> largerAreaTable(const std::string& name)
{
    if (name == "pop_proj")
        return LargerAreaTable::PopProj;
    if (name == "tx_fec")
        return LargerAreaTable::TxFec;
    if (name == "rel_nas")
        return LargerAreaTable::RelNas;
    return std::nullopt;
}

template <class F>
int reporting(F&& f)
{
    try {
        return f() ? 0 : 1;
    } catch (const Reported&) {
        return 1;
    }
}

// ---- commands -------------------------------------------------------------------

int newCommand(Context& ctx)
{
    const std::string uf = ctx.option("--uf"), desc = ctx.option("--desc"), ratio = ctx.option("--sex-ratio");
    const std::string name = ctx.arg(0);
    noMoreArgs(ctx, 1);
    if (uf.empty() || desc.empty())
        throw UsageError("--uf e --desc são obrigatórios");
    const std::string sexRatio = ratio.empty() ? newProjectSexRatio(ctx.appDir, ctx.dialogs) : trim(ratio);
    if (!isSexRatio(sexRatio))
        throw UsageError("--sex-ratio espera um número inteiro de até 3 algarismos: " + ratio);
    AppState state;
    state.appDir = ctx.appDir;
    ProjectDetails details = newProjectDetails(sexRatio);
    if (!createNamed(ctx, state, name, resolveUf(ctx.appDir, uf), desc, details))
        return 1;
    std::printf("Projeto %s criado em %s\n", projectName(name).c_str(), state.projectDir.string().c_str());
    return 0;
}

int listCommand(Context& ctx)
{
    noMoreArgs(ctx, 0);
    auto list = listProjects(ctx.appDir);
    if (list.empty())
        std::printf("%s\n", kNoProjects);
    for (const auto& p : list)
        std::printf("%s\tUF %s\t%s\n", p.name.c_str(), p.uf.c_str(), p.description.c_str());
    return 0;
}

int deleteCommand(Context& ctx)
{
    const std::string name = projectName(ctx.arg(0));
    noMoreArgs(ctx, 1);
    AppState state;
    state.appDir = ctx.appDir;
    ctx.dialogs.confirmDefault = true; // the command is the answer to the question
    const std::size_t messages = ctx.dialogs.log.size();
    if (deleteProject(state, name, ctx.dialogs))
        return 0;
    if (ctx.dialogs.log.size() == messages + 1) // only the question: the folder stayed
        std::fprintf(stderr, "Não foi possível excluir a pasta do projeto %s\n", name.c_str());
    return 1;
}

int censusCommand(Context& ctx)
{
    const std::string yearText = ctx.option("--year"), monthText = ctx.option("--month");
    const std::string name = ctx.arg(0), which = ctx.arg(1), file = ctx.arg(2);
    noMoreArgs(ctx, 3);
    if (which != "1" && which != "2")
        throw UsageError("o censo é 1 ou 2: " + which);
    if (yearText.empty() || monthText.empty())
        throw UsageError("--year e --month são obrigatórios");
    long long month = 0;
    try {
        month = parseWhole(monthText);
    } catch (const Error&) {
    }
    if (month < 1 || month > 12)
        throw UsageError("--month espera de 1 (janeiro) a 12 (dezembro): " + monthText);
    const std::string year = normaliseCensusYear(yearText); // not a number: the general error report
    return reporting([&] {
        Opened o = open(ctx, name);
        return importCensusInto(ctx, o, which == "1" ? 1 : 2, file, year, static_cast<int>(month));
    });
}

int groupCommand(Context& ctx)
{
    const std::string name = ctx.arg(0);
    noMoreArgs(ctx, 1);
    return reporting([&] {
        Opened o = open(ctx, name);
        if (!groupCensuses(ctx.appDir, o.state.projectDir, ctx.dialogs))
            return false;
        std::printf("Tot_UF.dbf: %zu linhas; Tot_UFM.dbf: %zu linhas\n",
                    readTable(o.state.projectDir / "Tot_UF.dbf").size(),
                    readTable(o.state.projectDir / "Tot_UFM.dbf").size());
        return true;
    });
}

// "years NAME": the year list as the results window shows it.
int yearsCommand(Context& ctx)
{
    const std::string name = ctx.arg(0);
    noMoreArgs(ctx, 1);
    return reporting([&] {
        Opened o = open(ctx, name, ProjectAccess::Read);
        for (int y : projectedYears(o.state.projectDir, o.details.ano1Proj))
            std::printf("%d\n", y);
        return true;
    });
}

int runCommand(Context& ctx)
{
    const int steps = wholeOption(ctx, "--steps", 7, 1, 7);
    const std::string m = ctx.option("--method", "karup-king");
    const bool yes = ctx.flag("--yes");
    const std::string model = ctx.option("--model");
    const std::string name = ctx.arg(0);
    noMoreArgs(ctx, 1);
    InterpolationMethod method;
    if (m == "karup-king")
        method = InterpolationMethod::KarupKing;
    else if (m == "sprague")
        method = InterpolationMethod::Sprague;
    else
        throw UsageError("--method espera karup-king ou sprague: " + m);
    return reporting([&] {
        Opened o = open(ctx, name);
        return runOpened(ctx, o, steps, method, yes, model);
    });
}

int sampleCommand(Context& ctx)
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
    noMoreArgs(ctx, 1);
    Table mun = readTable(ctx.appDir / "DBPadrao" / "mun.dbf");
    SampleInfo info = writeSample(out, mun, o);
    std::printf("UF %s: %zu municípios, censos %d e %d, %d anos de projeção, em %s\n", uf2(info.uf).c_str(),
                info.municipalities.size(), info.census1Year, info.census2Year, info.years, out.string().c_str());
    return 0;
}

// The whole road on the sample state, generated afresh with its fixed seed
// (the same files as samples/), into the project EXEMPLO.
int demoCommand(Context& ctx)
{
    noMoreArgs(ctx, 0);
    const auto start = std::chrono::steady_clock::now();
    std::random_device rd;
    const fs::path sampleDir = fs::temp_directory_path() / ("demovia-demo-" + std::to_string(rd()));
    struct Cleanup {
        fs::path dir;
        ~Cleanup()
        {
            std::error_code ec;
            fs::remove_all(dir, ec);
        }
    } cleanup{sampleDir};

    const SampleInfo info = writeSample(sampleDir, readTable(ctx.appDir / "DBPadrao" / "mun.dbf"), SampleOptions{});
    ctx.format.decimal = info.decimal;
    ctx.format.grouping = info.decimal == ',' ? '.' : ',';

    const std::string name = "EXEMPLO";
    return reporting([&] {
        AppState state;
        state.appDir = ctx.appDir;
        if (fileExists(projectDetailsFile(projectFolder(ctx.appDir, name)))) {
            ctx.dialogs.confirmDefault = true;
            if (!deleteProject(state, name, ctx.dialogs))
                return false;
        }
        ProjectDetails details = newProjectDetails(std::to_string(info.sexRatio));
        if (!createNamed(ctx, state, name, uf2(info.uf), "Exemplo com um estado sintético", details))
            return false;
        std::printf("Projeto %s (UF %s) em %s\n", name.c_str(), uf2(info.uf).c_str(),
                    state.projectDir.string().c_str());

        Opened o{state, details};
        if (!importCensusInto(ctx, o, 1, sampleDir / kSampleCensus1, year4(info.census1Year), info.census1Month) ||
            !importCensusInto(ctx, o, 2, sampleDir / kSampleCensus2, year4(info.census2Year), info.census2Month))
            return false;
        for (auto [t, f] : {std::pair{LargerAreaTable::PopProj, kSamplePopProj},
                            std::pair{LargerAreaTable::TxFec, kSampleTxFec},
                            std::pair{LargerAreaTable::RelNas, kSampleRelNas}})
            if (!importLargerArea(ctx.appDir, o.state.projectDir, o.state.ufCode(), t, sampleDir / f, ctx.format,
                                  ctx.dialogs))
                return false;
        if (!groupCensuses(ctx.appDir, o.state.projectDir, ctx.dialogs))
            return false;
        if (!runOpened(ctx, o, 7, InterpolationMethod::KarupKing, true))
            return false;

        const std::vector<int> years = projectedYears(o.state.projectDir, o.details.ano1Proj);
        SqlEngine sql;
        const std::string pf = folderText(o.state.projectDir);
        auto count = sql.query("select count(*) as n from (select distinct mun from " +
                               quotedTable(pf + year4(years.front()) + ".dbf") + ");");
        std::printf("\nResumo\n");
        std::printf("  municípios projetados: %lld\n", count.rows.at(0).at(0).toInt());
        std::printf("  anos projetados: %d a %d (%zu anos)\n", years.front(), years.back(), years.size());
        for (int y : {years.front(), years.back()}) {
            auto t = sql.query("select sum(hom_int) as h, sum(mul_int) as m from " + quotedTable(pf + year4(y) + ".dbf") + ";");
            const long long h = t.rows.at(0).at(0).toInt(), m = t.rows.at(0).at(1).toInt();
            std::printf("  %d: %lld homens, %lld mulheres, %lld no total\n", y, h, m, h + m);
        }
        const double secs =
            std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        std::printf("  tempo: %.1f s\n", secs);
        return true;
    });
}

Registrar regNew("new", "NOME --uf UF --desc TEXTO [--sex-ratio R]", &newCommand);
Registrar regList("list", "", &listCommand);
Registrar regDelete("delete", "NOME", &deleteCommand);
Registrar regCensus("census", "NOME {1|2} ARQUIVO --year AAAA --month M", &censusCommand);
Registrar regGroup("group", "NOME", &groupCommand);
Registrar regRun("run", "NOME [--steps N] [--method karup-king|sprague] [--yes] [--model MODELO]", &runCommand);
Registrar regYears("years", "NOME", &yearsCommand);
Registrar regSample("sample", "PASTA [--uf UF] [--municipalities N] [--years A] [--seed S]", &sampleCommand);
Registrar regDemo("demo", "", &demoCommand);

} // namespace

// ---- project forms of sql, import and export --------------------------------------

// "import NAME {pop_proj|tx_fec|rel_nas} FILE"; nullopt when the arguments are
// not of this form.
std::optional<int> importIntoProject(Context& ctx)
{
    if (ctx.args.size() != 3 || !largerAreaTable(ctx.args[1]))
        return std::nullopt;
    const LargerAreaTable t = *largerAreaTable(ctx.args[1]);
    return reporting([&] {
        Opened o = open(ctx, ctx.args[0]);
        if (!importLargerArea(ctx.appDir, o.state.projectDir, o.state.ufCode(), t, fs::absolute(ctx.args[2]),
                              ctx.format, ctx.dialogs))
            return false;
        std::printf("%s: %zu linhas da UF %s\n", largerAreaFile(t),
                    readTable(o.state.projectDir / largerAreaFile(t)).size(), o.state.ufCode().c_str());
        return true;
    });
}

// "export NAME TABLE OUTFILE": every row of a table of the project folder.
int exportFromProject(Context& ctx)
{
    std::string table = ctx.arg(1);
    if (table.empty() || table.find_first_of("/\\\"") != std::string::npos)
        throw UsageError("TABELA é o nome de um arquivo da pasta do projeto: " + table);
    if (table.find('.') == std::string::npos)
        table += ".dbf";
    return reporting([&] {
        Opened o = open(ctx, ctx.args[0], ProjectAccess::Read);
        ctx.dialogs.saveFiles.push_back(ctx.args[2]);
        SqlEngine sql;
        return exportStatement(sql, "select * from " + quotedTable(folderText(o.state.projectDir) + table) + ";", ctx.format,
                               ctx.dialogs);
    });
}

// "sql NAME STATEMENT": {project folder} and {application folder} in the text
// are the project's folder and the application folder. nullopt (message
// shown) when there is no such project.
std::optional<std::string> projectStatement(Context& ctx, const std::string& name, std::string statement,
                                            std::shared_ptr<ProjectLock>* writerLock)
{
    AppState state;
    state.appDir = ctx.appDir;
    if (!openProject(state, projectName(name), ctx.dialogs, {},
                     writerLock ? ProjectAccess::Write : ProjectAccess::Read))
        return std::nullopt;
    if (writerLock)
        *writerLock = state.lock;
    // The marks stand inside a double-quoted table name: their " are doubled the
    // way the statement text wants them.
    const auto inQuotes = [](const std::string& folder) {
        const std::string q = quotedTable(folder);
        return q.substr(1, q.size() - 2);
    };
    const std::pair<std::string, std::string> marks[] = {
        {"{project folder}", inQuotes(folderText(state.projectDir))},
        {"{application folder}", inQuotes(folderText(ctx.appDir))}};
    for (const auto& [mark, text] : marks)
        for (std::size_t p; (p = statement.find(mark)) != std::string::npos;)
            statement.replace(p, mark.size(), text);
    return statement;
}

} // namespace demovia::cli
