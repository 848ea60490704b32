#pragma once
#include "data/table.h"

#include <string>

namespace demovia {

// The pre-processing window's tables, by tab: 0 Tot_UF.dbf, 1 Tot_UFM.dbf,
// 2 TCensos1.dbf; the statement its export runs. Throws Error for another tab.
std::string preprocessingExportStatement(const fs::path& projectDir, int tab);

} // namespace demovia
