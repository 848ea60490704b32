#include "data/census.h"

#include "data/error.h"
#include "data/project.h"
#include "data/sql_engine.h"
#include "data/text_util.h"

namespace demovia {

namespace {

std::string censusName(int census) { return "CENSO" + std::to_string(census); }

// UF with two digits, MUN with four, and every count that rounds below one
// person set to one: later steps divide by these counts.
void normaliseWideTable(const fs::path& wide)
{
    Table t = readTable(wide);
    const int fUf = t.field("UF"), fMun = t.field("MUN");
    for (auto& row : t.rows) {
        row[static_cast<std::size_t>(fUf)] = Value(uf2(parseWhole(row[static_cast<std::size_t>(fUf)].toText())));
        row[static_cast<std::size_t>(fMun)] = Value(mun4(parseWhole(row[static_cast<std::size_t>(fMun)].toText())));
        for (std::size_t c = 2; c < row.size(); ++c)
            if (roundHalfEven(row[c].toDouble()) < 1)
                row[c] = Value(1.0);
    }
    writeTable(wide, t);
}

} // namespace

std::string normaliseCensusYear(const std::string& typed)
{
    std::string t = trim(typed);
    if (t.empty())
        t = "0";
    return year4(parseWhole(t));
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
    const std::string lower = "censo" + std::to_string(census);
    const std::string pf = folderText(projectDir);
    const fs::path wide = projectDir / (name + ".db");
    const fs::path longTable = projectDir / (name + ".dbf");
    const fs::path templates = appDir / "DBVazio";

    // A failed import keeps the census imported before, wide and long tables alike.
    const FileSnapshot before({wide, longTable});
    if (!importText(textFile, wide, templates / (name + ".db"), 0, fmt, dialogs))
        return std::nullopt;

    try {
        normaliseWideTable(wide);

        fs::path oldLong = resolveFile(longTable);
        std::error_code ec;
        if (fs::exists(oldLong, ec) && !fs::remove(oldLong, ec)) {
            before.restore();
            dialogs.error("Falha ao apagar cópia anterior de " + name + ".dbf" + "\n" + "Erro número " +
                          std::to_string(ec.value()));
            return std::nullopt;
        }
        try {
            copyTemplate(templates / (name + ".dbf"), longTable, CopyMode::DeleteThenCreate);
        } catch (const Error&) {
            before.restore();
            dialogs.error("Falha ao copiar " + name + ".dbf");
            return std::nullopt;
        }

        BusyGuard busy(dialogs);
        SqlEngine sql;
        // The state code goes in as a parameter: it comes from a settings file
        // the person may have edited.
        sql.execute("delete from " + quotedTable(pf + name + ".db") + " where UF <> ?;", {Value(uf)});
        ResultSet left = sql.query("select count(*) as qtd from " + quotedTable(pf + name + ".db") + ";");
        const long long rows = left.rows.empty() ? 0 : left.rows[0][0].toInt();
        if (rows == 0) {
            before.restore();
            dialogs.warning("Esse arquivo não possui registro para a UF escolhida.");
            return std::nullopt;
        }

        // One statement per age: the age's columns of every municipality become
        // rows of the long table, age after age.
        sql.beginBatch();
        try {
            for (int a = 0; a <= 81; ++a) {
                const std::string aaa = formatMask(a, "000"), an = std::to_string(a);
                sql.execute("INSERT INTO " + quotedTable(pf + lower + ".dbf") + " ( UF, MUN, idade, HOM, MUL ) SELECT UF AS Expr1, "
                            "MUN AS Expr2, '" + aaa + "' AS Expr3, HOM_" + an + " AS Expr4, MUL_" + an +
                            " AS Expr5 FROM " + quotedTable(pf + lower + ".db") + ";");
            }
            sql.commitBatch();
        } catch (...) {
            sql.rollbackBatch();
            throw;
        }

        CensusImport result;
        result.file = textFile.string();
        result.municipalities = rows;
        result.recordCount = std::to_string(81 * rows);
        return result;
    } catch (...) {
        before.restore();
        throw;
    }
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
    return true;
}

} // namespace demovia
