#pragma once
#include "data/sql_engine.h"
#include "data/table.h"

#include <string>

namespace demovia {

// True when the file name asks for a spreadsheet (ends in .xlsx, any case).
bool isSpreadsheetName(const fs::path& file);

// Writes the rows as one sheet of an Office Open XML workbook: numbers as
// numbers, formatted with their field's decimals where the column is a table
// field (the shortest form otherwise); texts as texts, so codes keep their
// leading zeros; the heading row bold and frozen; columns as wide as their
// widest text. The sheet is named sheetName (cut to what a sheet name allows).
// The file is written through the atomic door. Throws Error.
void writeXlsxFile(const fs::path& file, const ResultSet& rows, const std::string& sheetName);

} // namespace demovia
