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
//
// Accepted: blanks around, one leading sign, digits with the grouping mark
// between groups of three in the whole part ("1.234.567,5"), one decimal
// separator, and an exponent ("1,5E-3"), since the export writes very small
// and very large values that way. Grouping must sit between exact groups of
// three, so "0.5" is refused under a decimal comma instead of becoming 5.
double parseRegionalNumber(std::string_view text, const NumberFormat& fmt);
// Shortest general form, up to 15 significant digits, with the regional separator.
// Whole numbers below 1e18 are written in full ("1000000000000000", not "1e+15").
std::string formatRegionalNumber(double v, const NumberFormat& fmt);

// Text import: fills a new copy of the template from the semicolon text file
// and replaces target only when the whole file was read; on any failure shows
// the system's message, returns false and leaves target exactly as it was.
//
// Lines end with CR, CR LF or LF; a Ctrl-Z byte ends the data; the file is read
// as UTF-8 when valid, else as Windows-1252 (a UTF-8 byte order mark is
// dropped). Lines holding only blanks add no row. At most 200 fields per line
// are read; a template of more than 200 columns is refused.
bool importText(const fs::path& textFile, const fs::path& target, const fs::path& templateFile, int headingLines,
                const NumberFormat& fmt, Dialogs& dialogs);

// The export's lines in UTF-8: heading line, then one line per row, each
// value followed by ";", every line ended with lineEnd.
std::string exportText(const ResultSet& rows, const NumberFormat& fmt, std::string_view lineEnd);

// Writes a result set as the export does (heading line, CR LF, regional numbers,
// Windows-1252); a name ending in .xlsx gets a spreadsheet instead, its one
// sheet named sheetName (the file's stem when empty). Throws Error.
void writeExportFile(const fs::path& file, const ResultSet& rows, const NumberFormat& fmt,
                     const std::string& sheetName = {});
// The stem of the first table file a statement names ("2011" for
// ... from "/p/2011.dbf"); empty when it names none.
std::string tableNameOf(std::string_view statement);

// Export operation: asks for the file through dialogs, runs the statement,
// writes the file; true when the file was written.
bool exportStatement(SqlEngine& sql, const std::string& statement, const NumberFormat& fmt, Dialogs& dialogs);

// Field splitter: true when the line holds anything but blanks; fills fields
// 0..count-1 (see the import's field rule), leaving the others as they were.
using FieldArray = std::array<std::string, 200>;
bool splitFields(std::string_view line, FieldArray& fields);

} // namespace demovia
