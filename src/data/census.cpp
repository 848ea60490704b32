#include "data/census.h"

#include "data/error.h"
#include "data/ibge.h"
#include "data/project.h"
#include "data/project_guard.h"
#include "data/sql_engine.h"
#include "data/text_util.h"

#include <algorithm>
#include <array>
#include <map>
#include <set>
#include <tuple>
#include <unordered_map>

namespace demovia {

namespace {

std::string censusName(int census) { return "CENSO" + std::to_string(census); }

constexpr std::size_t kCensusFields = 2 + 2 * 82; // UF;MUN;HOM_0..HOM_81;MUL_0..MUL_81

} // namespace

std::string censusMunicipality(std::string_view field, int uf)
{
    std::string_view t = field;
    while (!t.empty() && (t.front() == ' ' || t.front() == '\t'))
        t.remove_prefix(1);
    while (!t.empty() && (t.back() == ' ' || t.back() == '\t'))
        t.remove_suffix(1);
    bool digits = !t.empty() && t.size() <= 18;
    for (char c : t)
        digits = digits && c >= '0' && c <= '9';
    if (!digits)
        throw Error("'" + std::string(t.substr(0, 40)) + "' não é um código de município");
    const std::string state = uf2(uf);
    // The IBGE code: the state's two digits, the four of the municipality and,
    // in its 7-digit form, the check digit.
    if ((t.size() == 6 || t.size() == 7) && t.substr(0, 2) == state) {
        const std::string mun(t.substr(2, 4));
        if (t.size() == 7) {
            const auto official = ibgeCheckDigit(uf, static_cast<int>(parseWhole(mun)));
            if (!official)
                throw Error("o código IBGE " + std::string(t) +
                            " não consta da lista oficial de municípios; confira o código");
            if (*official != t[6] - '0')
                throw Error("o dígito verificador do código IBGE " + std::string(t) + " não confere (o oficial é " +
                            std::to_string(*official) + "); confira o código do município");
        }
        return mun;
    }
    const long long v = parseWhole(t);
    if (v > 9999)
        throw Error("'" + std::string(t) + "' não cabe nos 4 dígitos do código de município e não é um código IBGE "
                    "(6 ou 7 dígitos) da UF " + state + "; o código não é cortado");
    return mun4(v);
}


std::string normaliseCensusYear(const std::string& typed)
{
    std::string t = trim(typed);
    if (t.empty())
        t = "0";
    return year4(parseWhole(t));
}

std::string ageGroupsProblem(const Table& faixas)
{
    if (faixas.size() != 17)
        return "a tabela deve ter as 17 faixas etárias e tem " + std::to_string(faixas.size()) + " linhas";
    const int f = faixas.fieldIndex("FAIXA"), i0 = faixas.fieldIndex("IDADE0"), i1 = faixas.fieldIndex("IDADE1");
    if (f < 0 || i0 < 0 || i1 < 0)
        return "faltam os campos FAIXA, IDADE0 e IDADE1";
    for (int n = 1; n <= 17; ++n) {
        const Row& r = faixas.rows[static_cast<std::size_t>(n - 1)];
        const std::string want[] = {formatMask(n, "000"), formatMask(5 * n - 5, "000"),
                                    formatMask(n == 17 ? 80 : 5 * n - 1, "000")};
        const std::string got[] = {r[static_cast<std::size_t>(f)].toText(), r[static_cast<std::size_t>(i0)].toText(),
                                   r[static_cast<std::size_t>(i1)].toText()};
        if (got[0] != want[0] || got[1] != want[1] || got[2] != want[2])
            return "a linha " + std::to_string(n) + " é " + got[0] + " (" + got[1] + " a " + got[2] +
                   "); deve ser " + want[0] + " (" + want[1] + " a " + want[2] + ")";
    }
    return {};
}

long long censusRows(const fs::path& projectDir, int census)
{
    fs::path wide = projectDir / (censusName(census) + ".db");
    if (!fileExists(wide))
        return -1;
    return static_cast<long long>(readTable(wide).size());
}

std::optional<CensusImport> importCensus(const fs::path& appDir, const fs::path& projectDir, const std::string& uf,
                                         int census, const fs::path& textFile, const NumberFormat& fmt,
                                         Dialogs& dialogs)
{
    if (census != 1 && census != 2)
        throw Error("Censo inválido: " + std::to_string(census));
    const std::string name = censusName(census);
    const fs::path wide = projectDir / (name + ".db");
    const fs::path longTable = projectDir / (name + ".dbf");
    const fs::path templates = appDir / "DBVazio";

    std::vector<FieldDef> wideFields, longFields;
    try {
        wideFields = readSchema(templates / (name + ".db"));
    } catch (const std::exception&) {
        dialogs.error("Falha ao copiar\n" + (templates / (name + ".db")).string() + " para \n" + wide.string());
        return std::nullopt;
    }
    try {
        longFields = readSchema(templates / (name + ".dbf"));
    } catch (const std::exception&) {
        dialogs.error("Falha ao copiar " + name + ".dbf");
        return std::nullopt;
    }

    // One pass over the file: the rows of the state are checked, normalised
    // and written to the wide table as they come; their counts are kept for
    // the long table, which holds them age by age. Other states' rows are
    // only read as far as their state code. Both tables replace the old ones
    // only when the whole file was read.
    struct Municipality {
        std::string mun;
        long long line;
        std::vector<double> counts; // HOM_0..HOM_81, MUL_0..MUL_81
    };
    std::vector<Municipality> kept;
    std::optional<std::string> failure;
    std::optional<TableWriter> wideOut, longOut;
    {
        BusyGuard busy(dialogs);
        try {
            if (wideFields.size() != kCensusFields || longFields.size() < 5)
                throw Error("A tabela modelo " + (templates / (name + ".db")).string() +
                            " não tem os campos de um censo");
            const int state = static_cast<int>(parseWhole(uf));
            const StateLayout layout{uf, kCensusFields, "UF;MUN;HOM_0 … HOM_81;MUL_0 … MUL_81"};
            ImportLines lines(textFile, 0);
            wideOut.emplace(wide, wideFields);
            std::unordered_map<std::string, long long> seen;
            Row row(kCensusFields);
            while (lines.next()) {
                if (lineState(lines) != state)
                    continue;
                checkFieldCount(lines, layout);
                Municipality m;
                try {
                    m.mun = censusMunicipality(lines.field(1), state);
                } catch (const Error& e) {
                    throw lines.error(1, wideFields[1].name, e.what());
                }
                if (auto [it, fresh] = seen.emplace(m.mun, lines.number()); !fresh)
                    throw lines.error("o município " + m.mun + " aparece mais de uma vez no arquivo (linhas " +
                                      std::to_string(it->second) + " e " + std::to_string(lines.number()) +
                                      "); deixe uma só linha para ele");
                m.line = lines.number();
                row[0] = Value(uf2(state));
                row[1] = Value(m.mun);
                m.counts.resize(kCensusFields - 2);
                for (std::size_t c = 2; c < kCensusFields; ++c) {
                    double v = importValue(lines, c, wideFields[c], fmt).toDouble();
                    // Later steps divide by these counts: one that rounds below
                    // one person counts as one.
                    if (roundHalfEven(v) < 1)
                        v = 1;
                    m.counts[c - 2] = v;
                    row[c] = Value(v);
                }
                wideOut->append(row);
                kept.push_back(std::move(m));
            }
            if (!kept.empty()) {
                longOut.emplace(longTable, longFields);
                Row r(longFields.size());
                for (int a = 0; a <= 81; ++a) {
                    const std::string age = formatMask(a, "000");
                    for (const auto& m : kept) {
                        r[0] = Value(uf2(state));
                        r[1] = Value(m.mun);
                        r[2] = Value(age);
                        r[3] = Value(m.counts[static_cast<std::size_t>(a)]);
                        r[4] = Value(m.counts[static_cast<std::size_t>(82 + a)]);
                        longOut->append(r);
                    }
                }
            }
        } catch (const std::exception& e) {
            failure = e.what();
        }
    }
    if (failure) {
        dialogs.error("Não foi possível ler o arquivo.\nVerifique se ele está aberto por outra aplicação.\n\n"
                      "Erro original: " + *failure);
        return std::nullopt;
    }
    if (kept.empty()) {
        dialogs.warning("Esse arquivo não possui registro para a UF escolhida.");
        return std::nullopt;
    }

    // A failed replacement keeps the census imported before, both tables alike.
    const FileSnapshot before({wide, longTable});
    try {
        wideOut->commit();
        longOut->commit();
    } catch (...) {
        before.restore();
        throw;
    }

    CensusImport result;
    result.file = textFile.string();
    result.municipalities = static_cast<long long>(kept.size());
    result.recordCount = std::to_string(81 * kept.size());
    return result;
}

std::optional<CensusImport> importCensusRecorded(const fs::path& appDir, const fs::path& projectDir,
                                                 const std::string& uf, int census, const fs::path& textFile,
                                                 const CensusDetails& typed, const NumberFormat& fmt,
                                                 Dialogs& dialogs)
{
    const std::string name = censusName(census);
    const fs::path detailsFile = projectDetailsFile(projectDir);
    ProjectJournal journal(projectDir, {name + ".db", name + ".dbf", detailsFile.filename().string()});
    auto result = importCensus(appDir, projectDir, uf, census, textFile, fmt, dialogs);
    if (!result)
        return result; // the journal puts everything back
    ProjectDetails details = readProjectDetails(detailsFile);
    CensusDetails& c = census == 1 ? details.census1 : details.census2;
    c = typed;
    c.arquivo = result->file;
    c.registros = result->recordCount;
    writeProjectDetails(detailsFile, details);
    journal.commit();
    return result;
}

bool groupCensuses(const fs::path& appDir, const fs::path& projectDir, Dialogs& dialogs)
{
    const long long rows1 = censusRows(projectDir, 1), rows2 = censusRows(projectDir, 2);
    if (rows1 < 0 || rows2 < 0 || !fileExists(projectDir / "CENSO1.dbf") || !fileExists(projectDir / "CENSO2.dbf")) {
        dialogs.warning("Os dois censos devem ser importados antes do agrupamento");
        return false;
    }
    if (rows1 != rows2) {
        dialogs.warning("O número de linhas importadas nos dois censos deve ser o mesmo");
        return false;
    }

    // The grouping joins on the age groups: a table of another shape would
    // give an empty or partial Tot_UF that looks like a result.
    const fs::path faixasFile = appDir / "DBPadrao" / "faixas.dbf";
    try {
        const std::string problem = ageGroupsProblem(readTable(faixasFile));
        if (!problem.empty())
            throw Error(problem);
    } catch (const std::exception& e) {
        dialogs.error("A tabela de faixas etárias " + faixasFile.string() + " não está como o agrupamento precisa: " +
                      e.what() + ".\n\nRefaça-a (ela é criada com o sistema) e agrupe de novo.");
        return false;
    }

    const fs::path templates = appDir / "DBVazio";
    // The four grouped tables change together: a failure or a kill half way
    // leaves the grouping done before.
    ProjectJournal journal(projectDir, {"TCensos0.dbf", "TCensos1.dbf", "Tot_UF.dbf", "Tot_UFM.dbf"});
    {
        BusyGuard busy(dialogs);
        for (const char* f : {"TCensos0.dbf", "TCensos1.dbf", "Tot_UF.dbf", "Tot_UFM.dbf"}) {
            std::error_code ec;
            fs::remove(resolveFile(projectDir / f), ec); // a failed delete shows up in the copy
        }
        const std::pair<const char*, const char*> copies[] = {{"Censos.dbf", "TCensos0.dbf"},
                                                              {"Censos.dbf", "TCensos1.dbf"},
                                                              {"Tot_UF.dbf", "Tot_UF.dbf"},
                                                              {"Tot_UFM.dbf", "Tot_UFM.dbf"}};
        for (const auto& [tpl, target] : copies) {
            const fs::path t = projectDir / target;
            bool ok = !fileExists(t);
            if (ok) {
                try {
                    copyTemplate(templates / tpl, t, CopyMode::DeleteThenCreate);
                } catch (const Error&) {
                    ok = false;
                }
            }
            if (!ok) {
                dialogs.warning("Nem todos os arquivos para o novo projeto\npuderam ser copiados.\n\nVerifique os "
                                "arquivos abertos por outros aplicativos\ne tente novamente");
                return false;
            }
        }
    }

    // The four statements of the grouping, done in one pass over the two long
    // tables instead of through the SQL engine (a state of 853 municipalities
    // groups in a fraction of the time), with the same rows in the same order:
    //  TCensos0 = census 1 joined with census 2 on UF, MUN and IDADE, in the
    //             order of census 1 (municipalities in only one census dropped);
    //  TCensos1 = those rows with the group whose IDADE0..IDADE1 (three-digit
    //             texts) enclose their age, age "081" left out;
    //  Tot_UF / Tot_UFM = their sums by UF, FAIXA / UF, MUN, FAIXA, ascending.
    BusyGuard busy(dialogs);
    try {
        const Table c1 = readTable(projectDir / "censo1.dbf"), c2 = readTable(projectDir / "censo2.dbf");
        const Table faixas = readTable(appDir / "DBPadrao" / "Faixas.dbf");
        const auto col = [](const Table& t, const char* name) { return static_cast<std::size_t>(t.field(name)); };
        const std::size_t aUf = col(c1, "UF"), aMun = col(c1, "MUN"), aAge = col(c1, "IDADE"), aH = col(c1, "HOM"),
                          aM = col(c1, "MUL");
        const std::size_t bUf = col(c2, "UF"), bMun = col(c2, "MUN"), bAge = col(c2, "IDADE"), bH = col(c2, "HOM"),
                          bM = col(c2, "MUL");
        const std::size_t fF = col(faixas, "FAIXA"), f0 = col(faixas, "IDADE0"), f1 = col(faixas, "IDADE1");

        std::unordered_multimap<std::string, std::size_t> second;
        second.reserve(c2.size());
        const auto key = [](const Row& r, std::size_t u, std::size_t m, std::size_t a) {
            return r[u].toText() + '\x1F' + r[m].toText() + '\x1F' + r[a].toText();
        };
        for (std::size_t i = 0; i < c2.size(); ++i)
            second.emplace(key(c2.rows[i], bUf, bMun, bAge), i);

        const auto number = [](const Value& v) { return v.isNull() ? Value() : Value(v.toDouble()); };
        Table t0(readSchema(templates / "Censos.dbf")), t1(t0.fields);
        using Sums = std::array<double, 4>;
        std::map<std::pair<std::string, std::string>, Sums> byUf;
        std::map<std::tuple<std::string, std::string, std::string>, Sums> byMun;
        std::map<std::string, std::vector<std::string>> groupsOfAge;
        for (const Row& a : c1.rows) {
            const auto [from, to] = second.equal_range(key(a, aUf, aMun, aAge));
            std::vector<std::size_t> matches;
            for (auto it = from; it != to; ++it)
                matches.push_back(it->second);
            std::sort(matches.begin(), matches.end());
            for (std::size_t j : matches) {
                const Row& b = c2.rows[j];
                const std::string uf = a[aUf].toText(), mun = a[aMun].toText(), age = a[aAge].toText();
                t0.append({Value(uf), Value(mun), Value(age), Value(), number(a[aH]), number(a[aM]), number(b[bH]),
                           number(b[bM])});
                if (age == "081")
                    continue;
                auto g = groupsOfAge.find(age);
                if (g == groupsOfAge.end()) {
                    std::vector<std::string> codes;
                    for (const Row& f : faixas.rows)
                        if (age >= f[f0].toText() && age <= f[f1].toText())
                            codes.push_back(f[fF].toText());
                    g = groupsOfAge.emplace(age, std::move(codes)).first;
                }
                const Sums v = {a[aH].toDouble(), a[aM].toDouble(), b[bH].toDouble(), b[bM].toDouble()};
                for (const std::string& faixa : g->second) {
                    t1.append({Value(uf), Value(mun), Value(age), Value(faixa), number(a[aH]), number(a[aM]),
                               number(b[bH]), number(b[bM])});
                    Sums& su = byUf[{uf, faixa}];
                    Sums& sm = byMun[{uf, mun, faixa}];
                    for (std::size_t k = 0; k < 4; ++k) {
                        su[k] += v[k];
                        sm[k] += v[k];
                    }
                }
            }
        }
        Table totUf(readSchema(templates / "Tot_UF.dbf")), totUfm(readSchema(templates / "Tot_UFM.dbf"));
        for (const auto& [k, v] : byUf)
            totUf.append({Value(k.first), Value(k.second), Value(v[0]), Value(v[1]), Value(v[2]), Value(v[3])});
        for (const auto& [k, v] : byMun)
            totUfm.append({Value(std::get<0>(k)), Value(std::get<1>(k)), Value(std::get<2>(k)), Value(v[0]),
                           Value(v[1]), Value(v[2]), Value(v[3])});
        writeTable(projectDir / "TCensos0.dbf", t0);
        writeTable(projectDir / "TCensos1.dbf", t1);
        writeTable(projectDir / "Tot_UF.dbf", totUf);
        writeTable(projectDir / "Tot_UFM.dbf", totUfm);
    } catch (const std::exception& e) {
        dialogs.error(std::string("Não foi possível agrupar os censos.\n\nErro original: ") + e.what());
        return false;
    }

    // Every paired municipality has its 17 groups, and the state its 17 sums:
    // anything less is not left behind as a result.
    std::string problem;
    try {
        const Table uf = readTable(projectDir / "Tot_UF.dbf"), ufm = readTable(projectDir / "Tot_UFM.dbf");
        std::set<std::string> muns;
        const int fm = ufm.field("MUN");
        for (const auto& r : ufm.rows)
            muns.insert(r[static_cast<std::size_t>(fm)].toText());
        if (uf.size() != 17)
            problem = "Tot_UF.dbf tem " + std::to_string(uf.size()) + " linhas em vez das 17 faixas etárias";
        else if (muns.empty() || ufm.size() != 17 * muns.size())
            problem = "Tot_UFM.dbf tem " + std::to_string(ufm.size()) + " linhas para " +
                      std::to_string(muns.size()) + " municípios, e não 17 por município";
    } catch (const std::exception& e) {
        problem = e.what();
    }
    if (!problem.empty()) {
        // Not committed: the journal puts the grouping done before back.
        dialogs.error("Não foi possível agrupar os censos.\n\nErro original: " + problem +
                      ". Confira se os dois censos têm municípios em comum.");
        return false;
    }
    journal.commit();
    return true;
}

} // namespace demovia
