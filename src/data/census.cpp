#include "data/census.h"

#include "data/error.h"
#include "data/ibge.h"
#include "data/project.h"
#include "data/sql_engine.h"
#include "data/text_util.h"

#include <set>
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

    const std::string pf = folderText(projectDir);
    const fs::path templates = appDir / "DBVazio";
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

    BusyGuard busy(dialogs);
    SqlEngine sql;
    sql.beginBatch();
    try {
        const std::string app = folderText(appDir);
        sql.execute("INSERT INTO " + quotedTable(pf + "tcensos0.dbf") + " ( UF, MUN, IDADE, HOM1, MUL1, HOM2, MUL2 ) "
                    "SELECT A.UF, A.MUN, A.IDADE, A.HOM, A.MUL, B.HOM, B.MUL FROM " + quotedTable(pf + "censo1.dbf") +
                    " AS A, " + quotedTable(pf + "censo2.dbf") +
                    " AS B WHERE A.IDADE = B.IDADE AND A.MUN = B.MUN AND A.UF = B.UF;");
        sql.execute("INSERT INTO " + quotedTable(pf + "TCensos1.dbf") +
                    " ( UF, MUN, IDADE, FAIXA, HOM1, MUL1, HOM2, MUL2 ) SELECT A.UF, A.MUN, A.IDADE, B.FAIXA, A.HOM1, "
                    "A.MUL1, A.HOM2, A.MUL2 FROM " + quotedTable(pf + "TCensos0.dbf") + " AS A, " +
                    quotedTable(app + "DBPadrao/Faixas.dbf") + " AS B WHERE A.IDADE >= B.IDADE0 AND "
                    "A.IDADE <= B.IDADE1 AND NOT A.IDADE = '081';");
        sql.execute("INSERT INTO " + quotedTable(pf + "Tot_UF.dbf") + " ( UF, FAIXA, HOM1, MUL1, HOM2, MUL2 ) Select UF, "
                    "FAIXA, SUM (HOM1) As HOM1, SUM (MUL1) As MUL1, SUM (HOM2) As HOM2, SUM (MUL2) As MUL2 From " +
                    quotedTable(pf + "TCensos1.dbf") + " GROUP BY UF, FAIXA;");
        sql.execute("INSERT INTO " + quotedTable(pf + "Tot_UFM.dbf") + " ( UF, MUN, FAIXA, HOM1, MUL1, HOM2, MUL2 ) "
                    "Select UF, MUN, FAIXA, SUM (HOM1) As HOM1, SUM (MUL1) As MUL1, SUM (HOM2) As HOM2, SUM (MUL2) As "
                    "MUL2 From " + quotedTable(pf + "TCensos1.dbf") + " GROUP BY UF, MUN, FAIXA;");
        sql.commitBatch();
    } catch (const std::exception& e) {
        sql.rollbackBatch();
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
        for (const char* f : {"TCensos0.dbf", "TCensos1.dbf", "Tot_UF.dbf", "Tot_UFM.dbf"}) {
            std::error_code ec;
            fs::remove(resolveFile(projectDir / f), ec);
        }
        dialogs.error("Não foi possível agrupar os censos.\n\nErro original: " + problem +
                      ". Confira se os dois censos têm municípios em comum.");
        return false;
    }
    return true;
}

} // namespace demovia
