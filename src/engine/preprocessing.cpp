#include "engine/preprocessing.h"

#include "data/error.h"
#include "data/project.h"
#include "data/sql_engine.h"

namespace demovia {

std::string preprocessingExportStatement(const fs::path& projectDir, int tab)
{
    static const char* const files[] = {"Tot_UF.dbf", "Tot_UFM.dbf", "TCensos1.dbf"};
    if (tab < 0 || tab > 2)
        throw Error("Aba sem tabela a exportar");
    return "select * from " + quotedTable(folderText(projectDir) + files[tab]) + ";";
}

} // namespace demovia
