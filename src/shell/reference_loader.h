#pragma once
#include "data/dialogs.h"
#include "data/table.h"
#include "data/text_exchange.h"

#include <string>
#include <vector>

namespace demovia {

// Opens the five reference tables of DBPadrao as the loading window does. A
// missing table may be rebuilt from a text file the person chooses. Returns
// the window's lines, newest first ("carregado - ..." / "não carregado - ...").
// Throws Error with the closing message when a table cannot be opened (the
// application then ends).
std::vector<std::string> loadReferenceTables(const fs::path& appDir, const NumberFormat& fmt, Dialogs& dialogs);

} // namespace demovia
