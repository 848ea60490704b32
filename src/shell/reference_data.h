#pragma once
#include "data/table.h"

#include <string>
#include <vector>

namespace demovia {

// The reference tables delivered in DBPadrao, built from the text sources kept
// under resources/data (states, municipalities, multipliers).
Table buildUfTable(const fs::path& ufsText);
Table buildMunTable(const fs::path& municipiosText);
Table buildFaixasTable();
// section: "karup-king" or "sprague"
Table buildMultiplierTable(const fs::path& multipliersText, const std::string& section);

void writeReferenceTables(const fs::path& dbPadrao, const fs::path& sourceFolder);

// The five reference tables in loading order, with their descriptions in messages.
struct ReferenceTable {
    const char* file;
    const char* description;
};
const std::vector<ReferenceTable>& referenceTables();

// What keeps a reference table from being the one the steps read (faixas.dbf
// 17 groups, kking.dbf 15 rows of 3 multipliers, sprague.dbf 25 of 5, uf.dbf
// and mun.dbf with valid and unique codes); an empty text when it is sound.
std::string referenceShapeProblem(const std::string& file, const Table& t);

} // namespace demovia
