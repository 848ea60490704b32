#pragma once
#include "data/dialogs.h"
#include "data/text_exchange.h"

#include <string>

namespace demovia {

// The three tables of the state (the larger area), one row per year from the
// year of census 2.
enum class LargerAreaTable { PopProj, TxFec, RelNas };

const char* largerAreaFile(LargerAreaTable t); // "pop_proj.dbf", "tx_fec.dbf", "rel_nas.dbf"
int largerAreaValues(LargerAreaTable t);       // numeric columns after UF: 162, 7, 2
std::string largerAreaLayout(LargerAreaTable t); // the fields as messages name them

// Checks the text file, imports it into {project folder}{file}, keeps only the
// rows of the state uf and, for rel_nas.dbf, derives relnas_m.dbf. A file with
// no row of the state, or a row of the state that lacks a column, is refused
// before anything is touched. On failure shows the message, returns false and
// leaves the project's tables as they were.
bool importLargerArea(const fs::path& appDir, const fs::path& projectDir, const std::string& uf, LargerAreaTable table,
                      const fs::path& textFile, const NumberFormat& fmt, Dialogs& dialogs);

// relnas_m.dbf: row i holds the means of rows i and i+1 of rel_nas.dbf, so it
// has one row fewer. Returns false (message shown) when the table cannot be made.
bool buildAveragedSurvival(const fs::path& appDir, const fs::path& projectDir, const std::string& uf,
                           Dialogs& dialogs);

} // namespace demovia
