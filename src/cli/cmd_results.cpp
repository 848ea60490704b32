// Results on the command line: the three views of a projected year and the
// K modifier models.
#include "cli/cli.h"

#include "data/error.h"
#include "data/project.h"
#include "data/text_util.h"
#include "results/k_modifiers.h"
#include "results/year_views.h"
#include "data/app_state.h"

#include <cstdio>

namespace demovia::cli {

namespace {

void noMoreArgs(const Context& ctx, std::size_t used)
{
    if (ctx.args.size() > used)
        throw UsageError("argumento a mais: " + ctx.args[used]);
}

// The project opened for one command; false when refused (message shown).
// A command that changes it holds its writer lock (in the state) until it ends.
bool openNamed(Context& ctx, const std::string& typed, AppState& state, ProjectAccess access)
{
    state.appDir = ctx.appDir;
    return openProject(state, upperAscii(trim(typed)), ctx.dialogs, {}, access).has_value();
}

void printTable(const Table& t, const NumberFormat& fmt, const std::string& mun)
{
    ResultSet rs;
    for (const FieldDef& f : t.fields)
        rs.columns.push_back(f.name);
    const int fm = t.fieldIndex("mun");
    for (const Row& r : t.rows)
        if (mun.empty() || (fm >= 0 && r[static_cast<std::size_t>(fm)].toText() == mun))
            rs.rows.push_back(r);
    const std::string text = exportText(rs, fmt, "\n");
    std::fwrite(text.data(), 1, text.size(), stdout);
}

// "show NAME YEAR {idades|faixas|municipios} [--mun CODE]".
int showCommand(Context& ctx)
{
    const std::string munTyped = ctx.option("--mun");
    const std::string name = ctx.arg(0), yearTyped = trim(ctx.arg(1)), view = ctx.arg(2);
    noMoreArgs(ctx, 3);
    if (view != "idades" && view != "faixas" && view != "municipios")
        throw UsageError("a vista é idades, faixas ou municipios: " + view);
    long long year = 0;
    try {
        year = parseWhole(yearTyped);
    } catch (const Error&) {
        throw UsageError("ano inválido: " + yearTyped);
    }
    std::string mun;
    if (!munTyped.empty()) {
        try {
            mun = typedMunCode(munTyped);
        } catch (const Error&) {
            throw UsageError("código de município inválido: " + munTyped);
        }
    }
    AppState state;
    if (!openNamed(ctx, name, state, ProjectAccess::Read))
        return 1;
    YearViews v;
    try {
        v = readYearViews(state.projectDir, year4(year));
    } catch (const std::exception& e) {
        ctx.dialogs.warning(std::string("Não foi possível acessar o arquivo do ano escolhido.\n"
                                        "Verifique se ele está aberto por outra aplicação e tente novamente.\n\n"
                                        "Erro original: ") +
                            e.what());
        return 1;
    }
    printTable(view == "idades" ? v.ages : view == "faixas" ? v.groups : v.totals, ctx.format, mun);
    return 0;
}

// ---- kmod ---------------------------------------------------------------------------

// The command's words as the window's captions.
std::string sexCaption(const std::string& typed)
{
    const std::string t = upperAscii(trim(typed));
    if (t == "AMBOS")
        return "Ambos";
    if (t == "HOMEM")
        return "Homem";
    if (t == "MULHER")
        return "Mulher";
    throw UsageError("SEXO é AMBOS, HOMEM ou MULHER: " + typed);
}

std::string groupCaption(const std::string& typed)
{
    const std::string t = upperAscii(trim(typed));
    if (t == "TODAS")
        return "Todas";
    try {
        const long long n = parseWhole(t);
        if (n >= 1 && n <= 17)
            return std::to_string(n);
    } catch (const Error&) {
    }
    throw UsageError("FAIXA é TODAS ou de 1 a 17: " + typed);
}

std::string operationCaption(const std::string& typed)
{
    const std::string t = upperAscii(trim(typed));
    if (t == "POTENCIA" || t == "POTêNCIA" || t == "POTÊNCIA")
        return "Potência";
    if (t == "RAIZ")
        return "Raiz";
    throw UsageError("OPERACAO é POTENCIA ou RAIZ: " + typed);
}

std::string valueText(const std::string& typed)
{
    const std::string t = trim(typed);
    if (t.size() != 1 || t[0] < '0' || t[0] > '9')
        throw UsageError("VALOR é um algarismo de 0 a 9: " + typed);
    return t;
}

int rowNumber(const std::string& typed)
{
    try {
        const long long n = parseWhole(trim(typed));
        if (n >= 1 && n <= 1000000)
            return static_cast<int>(n);
    } catch (const Error&) {
    }
    throw UsageError("LINHA é um número a partir de 1: " + typed);
}

// The modifier typed as MUN SEX FAIXA OPERATION VALUE, the municipality
// taken from the project's list as the window's drop-down list offers it.
KModifierInput typedModifier(Context& ctx, const AppState& state, std::size_t first)
{
    const std::string mun = [&] {
        try {
            return typedMunCode(ctx.arg(first));
        } catch (const Error&) {
            throw UsageError("código de município inválido: " + ctx.arg(first));
        }
    }();
    KModifierInput in;
    in.sexo = sexCaption(ctx.arg(first + 1));
    in.faixa = groupCaption(ctx.arg(first + 2));
    in.operacao = operationCaption(ctx.arg(first + 3));
    in.valor = valueText(ctx.arg(first + 4));
    noMoreArgs(ctx, first + 5);
    const std::vector<std::string> entries = municipalityEntries(ctx.appDir, state.projectDir, state.ufCode());
    if (entries.empty())
        throw Error("Nenhum município disponível.\n\nUse o botão AGRUPA da tela dos censos de origem para\n"
                    "ter acesso às opções da tela de modificadores de K");
    for (const std::string& e : entries)
        if (e.compare(0, 4, mun) == 0 && (e.size() == 4 || e[4] == ' '))
            in.munEntry = e;
    if (in.munEntry.empty())
        throw Error("O município " + mun + " não está nos censos agrupados do projeto (Tot_UFM.dbf)");
    return in;
}

// Selects the model typed; nullopt-like false when the project has no such model.
bool selectModel(KModifiers& k, const std::string& typed)
{
    const std::string name = trim(upperAscii(typed));
    for (std::size_t i = 0; i < k.models().size(); ++i)
        if (k.models()[i] == name) {
            k.select(static_cast<int>(i));
            return true;
        }
    return false;
}

void printModifiers(const KModifiers& k)
{
    const Table& t = k.table();
    std::printf("linha;modelo;municipio;sexo;operacao;valor;faixa\n");
    int n = 0;
    for (std::size_t i : k.modelRows()) {
        std::printf("%d", ++n);
        for (const char* f : {"modelo", "municipio", "sexo", "operacao", "valor", "faixa"})
            std::printf(";%s", t.rows[i][static_cast<std::size_t>(t.field(f))].toText().c_str());
        std::printf("\n");
    }
}

int kmodCommand(Context& ctx)
{
    const std::string name = ctx.arg(0), action = ctx.arg(1);
    if (action != "list" && action != "add" && action != "change" && action != "remove")
        throw UsageError("ação desconhecida: " + action);
    AppState state;
    if (!openNamed(ctx, name, state, ProjectAccess::Write))
        return 1;
    KModifiers k(ctx.dialogs);
    k.setFolders(ctx.appDir, state.projectDir);
    k.projectOpened();
    if (!k.isOpen())
        return 1;
    const auto noSuchModel = [&](const std::string& model) {
        std::fprintf(stderr, "O projeto não tem o modelo de modificadores %s.\n",
                     trim(upperAscii(model)).c_str());
        return 1;
    };

    if (action == "list") {
        noMoreArgs(ctx, 3);
        if (ctx.args.size() == 2) {
            for (std::size_t i = 0; i < k.models().size(); ++i) {
                k.select(static_cast<int>(i));
                std::printf("%s;%zu\n", k.models()[i].c_str(), k.modelRows().size());
            }
            return 0;
        }
        if (!selectModel(k, ctx.arg(2)))
            return noSuchModel(ctx.arg(2));
        printModifiers(k);
        return 0;
    }

    const std::string model = ctx.arg(2);
    if (action == "add") {
        const KModifierInput in = typedModifier(ctx, state, 3);
        if (!selectModel(k, model) && !k.newModel(model))
            throw UsageError("nome de modelo vazio");
        return k.insert(in) ? 0 : 1;
    }
    if (!selectModel(k, model))
        return noSuchModel(model);
    if (action == "change") {
        const int row = rowNumber(ctx.arg(3));
        const KModifierInput in = typedModifier(ctx, state, 4);
        if (row > static_cast<int>(k.modelRows().size())) {
            std::fprintf(stderr, "O modelo %s não tem a linha %d.\n", k.selectedModel().c_str(), row);
            return 1;
        }
        return k.change(in, row - 1) ? 0 : 1;
    }
    // remove
    noMoreArgs(ctx, 4);
    if (ctx.args.size() == 3) {
        ctx.dialogs.confirmDefault = true; // the command is the answer to the question
        return k.deleteModel() ? 0 : 1;
    }
    const int row = rowNumber(ctx.arg(3));
    if (row > static_cast<int>(k.modelRows().size())) {
        std::fprintf(stderr, "O modelo %s não tem a linha %d.\n", k.selectedModel().c_str(), row);
        return 1;
    }
    return k.removeRow(row - 1) ? 0 : 1;
}

Registrar regShow("show", "NOME ANO {idades|faixas|municipios} [--mun CODIGO]", &showCommand);
Registrar regKmod("kmod",
                  "NOME list [MODELO] | add MODELO MUN SEXO FAIXA OPERACAO VALOR | "
                  "change MODELO LINHA MUN SEXO FAIXA OPERACAO VALOR | remove MODELO [LINHA]",
                  &kmodCommand);

} // namespace

} // namespace demovia::cli
