#include "data/larger_area.h"

#include "data/error.h"
#include "data/project.h"
#include "data/sql_engine.h"
#include "data/text_util.h"

#include <fstream>
#include <sstream>

namespace demovia {

namespace {

// The lines of the text file as the import sees them (CR, CR LF or LF end a
// line; a Ctrl-Z byte ends the data; lines of blanks are no rows).
std::vector<std::string> dataLines(const fs::path& file)
{
    std::ifstream in(file, std::ios::binary);
    if (!in)
        throw Error("Não foi possível abrir o arquivo " + file.string());
    std::ostringstream ss;
    ss << in.rdbuf();
    std::string bytes = ss.str();
    if (auto z = bytes.find('\x1A'); z != std::string::npos)
        bytes.resize(z);
    std::vector<std::string> lines;
    std::size_t pos = 0;
    while (pos < bytes.size()) {
        std::size_t e = bytes.find_first_of("\r\n", pos);
        std::string line = bytes.substr(pos, e == std::string::npos ? std::string::npos : e - pos);
        pos = e == std::string::npos ? bytes.size() : e + 1;
        if (e != std::string::npos && bytes[e] == '\r' && pos < bytes.size() && bytes[pos] == '\n')
            ++pos;
        if (line.find_first_not_of(" \t") != std::string::npos)
            lines.push_back(std::move(line));
    }
    return lines;
}

// The state code of a line as the import stores it: the first field without
// its outer quotes, cut to the two characters of the UF column.
std::string lineUf(const std::string& line)
{
    std::string f = line.substr(0, line.find(';'));
    if (!f.empty() && f.front() == '"')
        f.erase(0, 1);
    if (!f.empty() && f.back() == '"')
        f.pop_back();
    return f.substr(0, 2);
}

int fieldCount(const std::string& line)
{
    int n = countChar(line, ';');
    return (line.empty() || line.back() != ';') ? n + 1 : n;
}

} // namespace

const char* largerAreaFile(LargerAreaTable t)
{
    switch (t) {
    case LargerAreaTable::PopProj: return "pop_proj.dbf";
    case LargerAreaTable::TxFec: return "tx_fec.dbf";
    case LargerAreaTable::RelNas: return "rel_nas.dbf";
    }
    return "";
}

int largerAreaValues(LargerAreaTable t)
{
    switch (t) {
    case LargerAreaTable::PopProj: return 162;
    case LargerAreaTable::TxFec: return 7;
    case LargerAreaTable::RelNas: return 2;
    }
    return 0;
}

bool importLargerArea(const fs::path& appDir, const fs::path& projectDir, const std::string& uf, LargerAreaTable table,
                      const fs::path& textFile, const NumberFormat& fmt, Dialogs& dialogs)
{
    const std::string file = largerAreaFile(table);
    const int needed = 1 + largerAreaValues(table);

    // The import fills a missing column with 0, which the steps would take for
    // a real value: a row of the state must bring every column itself.
    std::vector<std::string> lines;
    try {
        lines = dataLines(textFile);
    } catch (const Error& e) {
        dialogs.error(std::string("Não foi possível ler o arquivo.\nVerifique se ele está aberto por outra "
                                  "aplicação.\n\nErro original: ") + e.what());
        return false;
    }
    int stateRows = 0;
    for (std::size_t i = 0; i < lines.size(); ++i) {
        if (lineUf(lines[i]) != uf)
            continue;
        ++stateRows;
        int n = fieldCount(lines[i]);
        if (n < needed) {
            dialogs.error("O arquivo " + textFile.string() + " não tem todas as colunas de " + file + ".\n\nA " +
                          std::to_string(stateRows) + "ª linha da UF " + uf + " tem " + std::to_string(n) +
                          " colunas; são necessárias " + std::to_string(needed) + ".");
            return false;
        }
    }
    if (stateRows == 0) {
        dialogs.warning("Esse arquivo não possui registro para a UF escolhida.");
        return false;
    }

    const fs::path target = projectDir / file;
    std::vector<fs::path> kept = {target};
    if (table == LargerAreaTable::RelNas)
        kept.push_back(projectDir / "relnas_m.dbf");
    const FileSnapshot before(kept);
    if (!importText(textFile, target, appDir / "DBVazio" / file, 0, fmt, dialogs))
        return false;
    try {
        SqlEngine sql;
        sql.execute("delete from " + quotedTable(folderText(projectDir) + file) + " where UF <> ?;", {Value(uf)});
        if (table == LargerAreaTable::RelNas && !buildAveragedSurvival(appDir, projectDir, uf, dialogs)) {
            before.restore();
            return false;
        }
    } catch (...) {
        before.restore();
        throw;
    }
    return true;
}

bool buildAveragedSurvival(const fs::path& appDir, const fs::path& projectDir, const std::string& uf,
                           Dialogs& dialogs)
{
    Table source = readTable(projectDir / "rel_nas.dbf");
    const int fh = source.field("hom"), fm = source.field("mul");
    std::vector<double> h, m;
    for (const auto& r : source.rows) {
        h.push_back(r[static_cast<std::size_t>(fh)].toDouble());
        m.push_back(r[static_cast<std::size_t>(fm)].toDouble());
    }

    const fs::path target = projectDir / "relnas_m.dbf";
    Table averaged;
    try {
        averaged = Table(readSchema(appDir / "DBVazio" / "rel_nas.dbf"));
    } catch (const Error&) {
        dialogs.warning("Não foi possível copiar o arquivo " + folderText(projectDir) + "relnas_m.dbf" + "\n\n" +
                        "Ele pode estar em uso por outra aplicação." + "\n\n" + "Não será possível continuar");
        return false;
    }
    // By position, as the template gives them: UF, boys, girls.
    for (std::size_t i = 0; i + 1 < h.size(); ++i) {
        Row& r = averaged.append();
        r[0] = Value(uf);
        r[1] = Value((h[i] + h[i + 1]) / 2);
        r[2] = Value((m[i] + m[i + 1]) / 2);
    }
    writeTable(target, averaged);
    return true;
}

} // namespace demovia
