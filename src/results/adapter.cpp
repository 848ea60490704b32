#include "results/adapter.h"

#include "data/error.h"
#include "data/project.h"
#include "data/sql_engine.h"
#include "data/text_util.h"

#include <cmath>
#include <map>

namespace demovia {

namespace {

const char* const kMissingYear =
    "O projeto atualmente carregado no sistema Demovia nãotem resultados para o ano selecionado";
const char* const kZeroTotal = "Um ou mais totais de homens e/ou mulheres calculado pelo sistema Demovia\n"
                               "para o ano selecionado está(ão) zerado(s)";
const char* const kNoData = "Não foi possível obter dados iniciais para a adaptação.\n\nErro original: ";
const char* const kJoinEmpty = "O arquivo de resultados do método Demovia para o ano selecionado\nfoi apagado";
const char* const kShareFailed = "Não foi possível adaptar.\n\nErro original: ";
const char* const kProrateFailed = "Não foi possível prorratear.\n\nErro original: ";
const char* const kWriteFailed = "Não foi possível concluir a adaptação.\n\nErro original: ";

long long nearest(double x) { return static_cast<long long>(roundHalfEven(x)); }

std::string yearFileStem(const std::string& year) { return year4(parseWhole(year)); }

// The cells of one municipality: [begin, end).
template <typename F> void eachMunicipality(std::vector<AdaptedCell>& cells, F f)
{
    std::size_t b = 0;
    while (b < cells.size()) {
        std::size_t e = b + 1;
        while (e < cells.size() && cells[e].mun == cells[b].mun)
            ++e;
        f(b, e);
        b = e;
    }
}

long long difference(const std::vector<AdaptedCell>& cells, std::size_t b, std::size_t e)
{
    long long sum = 0;
    for (std::size_t i = b; i < e; ++i)
        sum += cells[i].H + cells[i].M;
    return cells[b].P - sum;
}

} // namespace

long long externalTotal(double pop)
{
    if (!std::isfinite(pop))
        throw Error("total externo inválido");
    const double whole = roundHalfEven(pop);
    if (whole < 0)
        throw Error("total externo negativo: " + formatGeneral(pop));
    return static_cast<long long>(whole);
}

void shareExternal(const std::vector<ProjectedTotal>& totals, std::vector<AdaptedCell>& cells)
{
    std::map<std::string, double> byMun;
    for (const auto& t : totals)
        byMun[t.mun] = t.total;
    for (auto& c : cells) {
        auto it = byMun.find(c.mun);
        if (it == byMun.end())
            throw Error("o município " + c.mun + " não tem total projetado");
        const double T = it->second;
        if (T == 0)
            throw ArithmeticError("divisão por zero no total projetado do município " + c.mun);
        c.h = static_cast<double>(c.H) / T * static_cast<double>(c.P);
        c.m = static_cast<double>(c.M) / T * static_cast<double>(c.P);
        c.H = nearest(c.h);
        c.M = nearest(c.m);
    }
}

void prorateExternal(std::vector<AdaptedCell>& cells)
{
    eachMunicipality(cells, [&](std::size_t b, std::size_t e) {
        long long D = difference(cells, b, e);
        if (D == 0)
            return;
        const double share = static_cast<double>(D) / kAdapterAges;
        long long maxH = 0, maxM = 0;
        for (std::size_t i = b; i < e; ++i) {
            AdaptedCell& c = cells[i];
            c.h = static_cast<double>(c.H) + share;
            c.m = static_cast<double>(c.M) + share;
            c.H = nearest(c.h);
            c.M = nearest(c.m);
            maxH = std::max(maxH, c.H);
            maxM = std::max(maxM, c.M);
        }
        D = difference(cells, b, e);
        const long long s = D > 0 ? 1 : -1;
        // The persons left go one at a time to the youngest age holding the
        // largest count of each sex, in turns. A pass that moves nobody would
        // go round for ever (only possible with counts below zero): refuse it.
        while (D != 0) {
            bool moved = false;
            for (std::size_t i = b; i < e && D != 0; ++i) {
                AdaptedCell& c = cells[i];
                if (c.H == maxH) {
                    c.H += s, c.h += static_cast<double>(s), maxH += s, D -= s;
                    moved = true;
                    if (D == 0)
                        break;
                }
                if (c.M == maxM) {
                    c.M += s, c.m += static_cast<double>(s), maxM += s, D -= s;
                    moved = true;
                }
            }
            if (!moved)
                throw Error("o ajuste final do município " + cells[b].mun + " não converge");
        }
    });
}

fs::path adaptedFile(const fs::path& projectDir, const std::string& year)
{
    return projectDir / (yearFileStem(year) + "_ext.dbf");
}

std::string ageGroupStatement(const fs::path& projectDir, const std::string& year)
{
    return "select ano, mun, faixa, sum (hom_int) as hom_int, sum (mul_int) as mul_int, sum (hom_dec) as hom_dec, "
           "sum (mul_dec) as mul_dec from " +
           quotedTable(folderText(projectDir) + yearFileStem(year) + "_ext.dbf") +
           " group by ano, mun, faixa order by ano, mun, faixa;";
}

std::vector<std::string> externalYears(const fs::path& projectDir)
{
    std::vector<std::string> years;
    if (!fileExists(projectDir / "externo.dbf"))
        return years;
    SqlEngine sql;
    ResultSet r = sql.query("select distinct ano from " + quotedTable(folderText(projectDir) + "externo.dbf") + " order by ano;");
    for (const auto& row : r.rows)
        years.push_back(row[0].toText());
    return years;
}

std::optional<std::vector<std::string>> importExternal(const fs::path& appDir, const fs::path& projectDir,
                                                       const std::string& uf, const fs::path& textFile,
                                                       const NumberFormat& fmt, Dialogs& dialogs)
{
    const fs::path target = projectDir / "externo.dbf";
    const StateLayout layout{uf, 4, "UF;ANO;MUN;POP"};
    if (!importStateRows(textFile, target, appDir / "DBVazio" / "externo.dbf", layout, false, fmt, dialogs))
        return std::nullopt;
    return externalYears(projectDir);
}

namespace {

// Up to five codes, then an ellipsis.
std::string someCodes(const std::vector<std::string>& codes)
{
    std::string out;
    for (std::size_t i = 0; i < codes.size() && i < 5; ++i)
        out += (i ? ", " : "") + codes[i];
    if (codes.size() > 5)
        out += ", ...";
    return out;
}

// Why the join of the external file and the year table came out empty: the
// file has no total for the year, or none of its codes is a municipality of
// the year table (codes of another width or of another state, typically).
std::string joinEmptyReason(SqlEngine& sql, const fs::path& projectDir, const std::string& stem,
                            const std::string& year, const std::vector<ProjectedTotal>& totals)
{
    std::vector<std::string> external;
    try {
        ResultSet r = sql.query("select distinct mun from " + quotedTable(folderText(projectDir) + "externo.dbf") +
                                    " where ano = ? order by mun;",
                                {Value(year)});
        for (const auto& row : r.rows)
            external.push_back(row[0].toText());
    } catch (const Error&) {
        return std::string();
    }
    if (external.empty())
        return "\n\nO arquivo externo não tem totais para o ano " + year + ".";
    std::vector<std::string> projected;
    for (const auto& t : totals)
        projected.push_back(t.mun);
    return "\n\nNenhum código de município do arquivo externo para " + year + " (" + someCodes(external) +
           ") existe na tabela " + stem + ".dbf (" + someCodes(projected) +
           "). Os códigos devem ter quatro dígitos, sem o código da UF, como na tabela do ano.";
}

} // namespace

bool adaptYear(const fs::path& appDir, const fs::path& projectDir, const std::string& year, bool prorate,
               Dialogs& dialogs)
{
    const std::string stem = yearFileStem(year);
    const std::string folder = folderText(projectDir);
    if (!fileExists(projectDir / (stem + ".dbf"))) {
        dialogs.warning(kMissingYear);
        return false;
    }
    SqlEngine sql;

    // Totals of the projection, per municipality.
    std::vector<ProjectedTotal> totals;
    try {
        BusyGuard busy(dialogs);
        ResultSet r = sql.query("select mun, sum (hom_int + mul_int) as tot from " + quotedTable(folder + stem + ".dbf") +
                                " group by mun order by mun;");
        for (const auto& row : r.rows)
            totals.push_back({row[0].toText(), row[1].toDouble()});
    } catch (const Error& e) {
        dialogs.warning(std::string(kNoData) + e.what());
        return false;
    }
    for (const auto& t : totals) {
        if (t.total == 0) {
            dialogs.warning(kZeroTotal);
            return false;
        }
    }

    // The external totals beside the 81 ages of their municipalities.
    std::vector<AdaptedCell> cells;
    try {
        BusyGuard busy(dialogs);
        ResultSet r = sql.query("select a.mun, b.idade, a.pop, b.hom_int, b.mul_int from " + quotedTable(folder + "externo.dbf") +
                                    " as a, " + quotedTable(folder + stem + ".dbf") +
                                    " as b where a.ano = ? and a.ano = b.ano and a.mun = b.mun order by "
                                    "a.mun, b.idade;",
                                {Value(year)});
        for (const auto& row : r.rows) {
            AdaptedCell c;
            c.mun = row[0].toText();
            c.age = static_cast<int>(row[1].toInt());
            c.P = externalTotal(row[2].toDouble());
            c.H = nearest(row[3].toDouble());
            c.M = nearest(row[4].toDouble());
            // Two totals for one municipality and year would give each age twice.
            if (!cells.empty() && cells.back().mun == c.mun && cells.back().age == c.age)
                throw Error("o município " + c.mun + " tem mais de um total externo para o ano " + year);
            cells.push_back(std::move(c));
        }
    } catch (const Error& e) {
        dialogs.warning(std::string(kNoData) + e.what());
        return false;
    }
    if (cells.empty()) {
        dialogs.warning(kJoinEmpty + joinEmptyReason(sql, projectDir, stem, year, totals));
        return false;
    }

    try {
        BusyGuard busy(dialogs);
        shareExternal(totals, cells);
    } catch (const Error& e) {
        dialogs.warning(std::string(kShareFailed) + e.what());
        return false;
    }
    if (prorate) {
        try {
            BusyGuard busy(dialogs);
            prorateExternal(cells);
        } catch (const Error& e) {
            dialogs.warning(std::string(kProrateFailed) + e.what());
            return false;
        }
    }

    Table out;
    try {
        out = Table(readSchema(appDir / "DBVazio" / "PsFinais.dbf"));
    } catch (const Error&) {
        dialogs.warning("Não foi possível copiar o arquivo " + folder + stem + "\n\n" +
                        "Ele pode estar em uso por outra aplicação." + "\n\n" + "Não será possível continuar");
        return false;
    }
    try {
        BusyGuard busy(dialogs);
        const int fAno = out.field("ano"), fMun = out.field("mun"), fFaixa = out.field("faixa"),
                  fIdade = out.field("idade"), fHi = out.field("hom_int"), fMi = out.field("mul_int"),
                  fHd = out.field("hom_dec"), fMd = out.field("mul_dec");
        for (const auto& c : cells) {
            Row& r = out.append();
            r[static_cast<std::size_t>(fAno)] = Value(year);
            r[static_cast<std::size_t>(fMun)] = Value(c.mun);
            r[static_cast<std::size_t>(fFaixa)] = Value(age3(std::min(c.age / 5 + 1, 17)));
            r[static_cast<std::size_t>(fIdade)] = Value(c.age);
            r[static_cast<std::size_t>(fHi)] = Value(c.H);
            r[static_cast<std::size_t>(fMi)] = Value(c.M);
            r[static_cast<std::size_t>(fHd)] = Value(c.h);
            r[static_cast<std::size_t>(fMd)] = Value(c.m);
        }
        // One atomic write: a failure leaves the earlier adapted table as it was.
        writeTable(adaptedFile(projectDir, year), out);
    } catch (const Error& e) {
        dialogs.warning(std::string(kWriteFailed) + e.what());
        return false;
    }
    return true;
}

} // namespace demovia
