#include "data/larger_area.h"

#include "data/error.h"
#include "data/project.h"
#include "data/project_guard.h"
#include "data/sql_engine.h"
#include "data/text_util.h"


namespace demovia {


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

std::string largerAreaLayout(LargerAreaTable t)
{
    switch (t) {
    case LargerAreaTable::PopProj: return "UF;HOM_0 … HOM_80;MUL_0 … MUL_80";
    case LargerAreaTable::TxFec: return "UF;TRF_0 … TRF_6";
    case LargerAreaTable::RelNas: return "UF;HOM;MUL";
    }
    return "";
}

bool importLargerArea(const fs::path& appDir, const fs::path& projectDir, const std::string& uf, LargerAreaTable table,
                      const fs::path& textFile, const NumberFormat& fmt, Dialogs& dialogs)
{
    const std::string file = largerAreaFile(table);
    // The import would fill a missing column with 0, which the steps would
    // take for a real value: a row of the state must have the layout's fields.
    const StateLayout layout{uf, static_cast<std::size_t>(1 + largerAreaValues(table)), largerAreaLayout(table)};
    const fs::path target = projectDir / file;
    std::vector<fs::path> kept = {target};
    if (table == LargerAreaTable::RelNas)
        kept.push_back(projectDir / "relnas_m.dbf");
    const FileSnapshot before(kept);
    // rel_nas.dbf and its means in relnas_m.dbf change together, also across a kill.
    std::vector<std::string> names;
    for (const auto& k : kept)
        names.push_back(k.filename().string());
    ProjectJournal journal(projectDir, names);
    if (!importStateRows(textFile, target, appDir / "DBVazio" / file, layout, true, fmt, dialogs))
        return false;
    try {
        if (table == LargerAreaTable::RelNas && !buildAveragedSurvival(appDir, projectDir, uf, dialogs)) {
            before.restore();
            return false;
        }
    } catch (...) {
        before.restore();
        throw;
    }
    journal.commit();
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
