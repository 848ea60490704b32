#pragma once
#include "data/dialogs.h"
#include "data/sql_engine.h"
#include "data/table.h"

#include <array>
#include <string>
#include <string_view>

namespace demovia {

// The user's regional number format, passed in: the desktop program takes it
// from the system locale, the command line from the locale or an option.
struct NumberFormat {
    char decimal = ',';
    char grouping = '.'; // accepted on reading, never written
};

// Parses a number written in the regional format (digit grouping accepted).
// Throws Error when the text is not a number (an empty text is not one).
double parseRegionalNumber(std::string_view text, const NumberFormat& fmt);
// Shortest general form, up to 15 significant digits, with the regional separator.
std::string formatRegionalNumber(double v, const NumberFormat& fmt);

// Text import: fills a new copy of the template from the semicolon text file
// and replaces target only when the whole file was read; on any failure shows
// the system's message, returns false and leaves target exactly as it was.
bool importText(const fs::path& textFile, const fs::path& target, const fs::path& templateFile, int headingLines,
                const NumberFormat& fmt, Dialogs& dialogs);

// Writes a result set as the export does (heading line, CR LF, regional numbers,
// Windows-1252). Throws Error.
void writeExportFile(const fs::path& file, const ResultSet& rows, const NumberFormat& fmt);

// Export operation: asks for the file through dialogs, runs the statement,
// writes the file; true when the file was written.
bool exportStatement(SqlEngine& sql, const std::string& statement, const NumberFormat& fmt, Dialogs& dialogs);

// Field splitter: true when the line holds anything but blanks; fills fields
// 0..count-1 (see the import's field rule), leaving the others as they were.
using FieldArray = std::array<std::string, 200>;
bool splitFields(std::string_view line, FieldArray& fields);

} // namespace demovia
