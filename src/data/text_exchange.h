#pragma once
#include "data/dialogs.h"
#include "data/sql_engine.h"
#include "data/table.h"

#include "data/error.h"

#include <array>
#include <cstdio>
#include <optional>
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

// The lines of a semicolon text file as the import reads them, one at a time,
// so that memory does not grow with the file. Lines end with CR, CR LF or LF;
// a Ctrl-Z byte ends the data; the file is read as UTF-8 when it is valid
// UTF-8 throughout, else as Windows-1252 (a UTF-8 byte order mark is dropped).
// Lines holding only blanks are skipped. Every error names file and line.
class ImportLines {
public:
    // Opens the file and drops headingLines lines. Throws Error.
    ImportLines(const fs::path& file, int headingLines);
    ~ImportLines();
    ImportLines(const ImportLines&) = delete;
    ImportLines& operator=(const ImportLines&) = delete;

    // The next line holding more than blanks; false at the end of the data.
    bool next();
    const fs::path& file() const { return m_file; }
    long long number() const { return m_number; } // of the current line, from 1
    // Fields of the line by the import's rule (a final ";" opens no field).
    std::size_t count() const { return m_count; }
    // Fields read (at most 200) and field i without its outer quotes, as bytes
    // of the file; text() gives it in UTF-8.
    std::size_t found() const { return m_fields.size(); }
    std::string_view field(std::size_t i) const { return m_fields[i]; }
    std::string text(std::size_t i) const;
    // An Error naming file, line and field i (0-based; name may be empty).
    Error error(std::size_t i, const std::string& name, const std::string& what) const;
    // An Error naming file and line.
    Error error(const std::string& what) const;

private:
    bool readLine();

    fs::path m_file;
    std::FILE* m_in = nullptr;
    bool m_cp1252 = false;
    bool m_cr = false; // the last line ended with CR: a LF right after it is part of that end
    bool m_end = false;
    std::string m_chunk;
    std::size_t m_pos = 0;
    std::string m_line;
    long long m_number = 0;
    std::size_t m_count = 0;
    std::vector<std::string_view> m_fields;
};

// Field i of the current line converted for a column of the table: a number
// in the regional format that fits the column, or a text that fits its width
// (never cut). Throws Error naming file, line and field.
Value importValue(const ImportLines& lines, std::size_t i, const FieldDef& field, const NumberFormat& fmt);

// The state code of a line: its first field, one or two digits. Throws Error
// naming file, line and field UF when it is anything else.
int lineState(const ImportLines& lines);

// A layout of fixed width whose rows belong to states: only the rows of the
// project's state are kept, and each must have exactly the layout's fields.
struct StateLayout {
    std::string uf;          // the project's state code, "12"
    std::size_t fields = 0;  // fields of a row
    std::string description; // the layout as messages show it: "UF;HOM;MUL"
};

// "a linha tem 10 campos; são esperados 166 (UF;MUN;…)", thrown as Error naming
// file and line, when the current line does not have the layout's fields.
void checkFieldCount(const ImportLines& lines, const StateLayout& layout);

// Text import of a fixed layout: the rows of the state, checked against the
// layout and converted, go into a new copy of the template (UF written with
// two digits) that replaces target at the end; rows of other states are
// neither checked nor kept. Returns the rows kept, or nullopt after showing
// the message (target then untouched). When no row is of the state and
// refuseEmpty is set, shows "Esse arquivo não possui registro para a UF
// escolhida." and leaves target untouched.
std::optional<std::size_t> importStateRows(const fs::path& textFile, const fs::path& target,
                                           const fs::path& templateFile, const StateLayout& layout,
                                           bool refuseEmpty, const NumberFormat& fmt, Dialogs& dialogs);

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
