#pragma once
#include "data/dialogs.h"
#include "data/project_details.h"
#include "data/text_exchange.h"

#include <optional>
#include <string>

namespace demovia {

// What the census window shows of a census once it is imported.
struct CensusImport {
    std::string file;        // the text file imported
    std::string recordCount; // 81 for every municipality kept
    long long municipalities = 0;
};

// The census year box on leaving it: trimmed, "0" when empty, then the whole
// number with four digits ("91" -> "0091"). Throws Error when it is not a
// whole number.
std::string normaliseCensusYear(const std::string& typed);

// The 4-digit municipality code of a census MUN field of state uf: up to four
// digits ("50" is "0050"), or the IBGE code of 6 digits (UF + municipality, as
// DATASUS publishes it) or of 7 (with the check digit, which must be the
// official one). Throws Error saying why when the field is none of these:
// a code is never cut.
std::string censusMunicipality(std::string_view field, int uf);

// Imports census n (1 or 2) from a semicolon text file into the project's wide
// table CENSO{n}.db, keeps only the rows of the state uf, and builds the long
// table CENSO{n}.dbf. On failure shows the message, returns nullopt and leaves
// both tables as they were before the call.
std::optional<CensusImport> importCensus(const fs::path& appDir, const fs::path& projectDir, const std::string& uf,
                                         int census, const fs::path& textFile, const NumberFormat& fmt,
                                         Dialogs& dialogs);

// The census import as one change of the project: the wide and long tables of
// census n and its details in detalhes.ini (typed: month and year as chosen;
// file and record count are filled in from the import) are replaced together.
// A failure, or a kill at any moment, leaves the old census with its details
// (the next writer to open the project rolls an interrupted import back).
std::optional<CensusImport> importCensusRecorded(const fs::path& appDir, const fs::path& projectDir,
                                                 const std::string& uf, int census, const fs::path& textFile,
                                                 const CensusDetails& typed, const NumberFormat& fmt,
                                                 Dialogs& dialogs);

// The age-group table (faixas.dbf) as the grouping and the steps need it:
// groups "001" to "017" in order, group n the ages 5n-5 to 5n-1 and group 17
// age 80, as three-digit texts. Returns what is wrong, or an empty text.
std::string ageGroupsProblem(const Table& faixas);

// Rows of the wide table of census n; -1 when it has not been imported.
long long censusRows(const fs::path& projectDir, int census);

// "Agrupa": pairs the two long tables and writes TCensos0, TCensos1, Tot_UF and
// Tot_UFM. Refused when the two wide tables differ in rows. True when done.
bool groupCensuses(const fs::path& appDir, const fs::path& projectDir, Dialogs& dialogs);

} // namespace demovia
