#pragma once
#include "data/error.h"

#include <cstdio>
#include <filesystem>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

namespace demovia {

namespace fs = std::filesystem;

// One field of a dBase table. type: 'C' text, 'N' number (decimals > 0 for
// fractions), 'F' float, 'L' logical, 'D' date (the last two read as text).
struct FieldDef {
    std::string name;
    char type = 'C';
    int width = 1;
    int decimals = 0;

    bool isNumeric() const { return type == 'N' || type == 'F'; }
};

// A cell: empty, a number or a text (UTF-8 in memory).
class Value {
public:
    Value() = default;
    Value(double d) : m_v(d) {}
    Value(int i) : m_v(static_cast<double>(i)) {}
    Value(long long i) : m_v(static_cast<double>(i)) {}
    Value(std::string s) : m_v(std::move(s)) {}
    Value(const char* s) : m_v(std::string(s)) {}

    bool isNull() const { return std::holds_alternative<std::monostate>(m_v); }
    bool isNumber() const { return std::holds_alternative<double>(m_v); }
    bool isText() const { return std::holds_alternative<std::string>(m_v); }

    // A number, or a text read as a number ('.' decimal point); empty is 0.
    // Throws Error when the text is not a number.
    double toDouble() const;
    long long toInt() const; // toDouble truncated toward zero
    // A text, or a number in the shortest general form; empty is "".
    std::string toText() const;
    // The text itself, without a copy; nullptr when the cell is not a text.
    const std::string* text() const { return std::get_if<std::string>(&m_v); }

    bool operator==(const Value& o) const { return m_v == o.m_v; }

private:
    std::variant<std::monostate, double, std::string> m_v;
};

using Row = std::vector<Value>;

// A whole dBase table held in memory: its fields and its rows in stored order.
class Table {
public:
    std::vector<FieldDef> fields;
    std::vector<Row> rows;

    Table() = default;
    explicit Table(std::vector<FieldDef> f) : fields(std::move(f)) {}

    // Field position by name without regard to case; -1 when absent.
    int fieldIndex(std::string_view name) const;
    // As fieldIndex, but throws Error naming the field when absent.
    int field(std::string_view name) const;

    Row& append();                         // a row of empty cells, at the end
    void append(Row r);                    // sized to the fields
    std::size_t size() const { return rows.size(); }
};

// ---- files ----------------------------------------------------------------

// The file as it is on disk: the name is matched without regard to case (the
// first match when several differ only in case). Returns the path unchanged
// when nothing matches. Doubled separators are harmless.
fs::path resolveFile(const fs::path& p);
bool fileExists(const fs::path& p);   // through resolveFile

// Reads schema and rows (rows flagged deleted are not rows). Text fields are
// trimmed of trailing blanks and decoded from the header's code page.
// Throws Error with a clear message when the file is missing or damaged.
Table readTable(const fs::path& file);
// Only the fields (for templates).
std::vector<FieldDef> readSchema(const fs::path& file);

// Writes the table atomically: a temporary file in the same folder, renamed
// over the target when complete. Every value is checked against its field:
// a text longer than its width or a number that does not fit throws Error
// naming table, row and field, and the target stays untouched.
// The name written is the existing file's (any case) or the one given.
void writeTable(const fs::path& file, const Table& table);

// Writes a table row by row into a temporary file beside the target and puts
// it in place of the target at commit: memory stays the same whatever the
// number of rows, and a failure before commit (or no commit at all) leaves
// the target as it was and no temporary file behind.
class TableWriter {
public:
    // Throws Error when the temporary file cannot be made.
    TableWriter(const fs::path& target, std::vector<FieldDef> fields);
    ~TableWriter();
    TableWriter(const TableWriter&) = delete;
    TableWriter& operator=(const TableWriter&) = delete;

    const std::vector<FieldDef>& fields() const { return m_fields; }
    std::size_t size() const { return m_rows; }
    // Checks the row as writeTable does: throws Error naming the field when a
    // value does not fit; the row is then not written.
    void append(const Row& row);
    // Completes the file and renames it over the target (the name on disk
    // kept, whatever its case). Throws Error with the system's cause.
    void commit();

private:
    void flush();

    fs::path m_target, m_tmp;
    std::vector<FieldDef> m_fields;
    std::string m_header, m_buffer;
    std::size_t m_recLen = 0;
    std::size_t m_rows = 0;
    std::FILE* m_file = nullptr;
    bool m_committed = false;
};

// A table laid out once as the bytes of its file, for a writer that writes
// the same rows over and over with new values (the yearly tables of the
// projection): cells are formatted straight into place, each write is one
// atomic file write. Values are checked as writeTable checks them.
class TableImage {
public:
    TableImage(std::vector<FieldDef> fields, std::size_t rows);
    const std::vector<FieldDef>& fields() const { return m_fields; }
    std::size_t size() const { return m_rows; }
    // Throw Error naming field and row when the value does not fit.
    void setNumber(std::size_t row, int field, double v);
    void setText(std::size_t row, int field, std::string_view text);
    // Writes the file atomically, keeping an existing file's name on disk.
    void write(const fs::path& file);

private:
    std::vector<FieldDef> m_fields;
    std::vector<std::size_t> m_offset; // of each field within a record
    std::size_t m_rows = 0;
    std::size_t m_headerLen = 0;
    std::size_t m_recLen = 0;
    std::string m_bytes;
};

// A table that only grows, written whole after each batch of rows (the births
// of the projection, written with every year): the rows are kept as the bytes
// of their records, so each write costs one copy, not a new formatting.
class AppendedTable {
public:
    explicit AppendedTable(std::vector<FieldDef> fields);
    const std::vector<FieldDef>& fields() const { return m_fields; }
    std::size_t size() const { return m_rows; }
    // Checked as writeTable checks; a row that does not fit is not added.
    void append(const Row& row);
    // Writes every row so far, atomically, keeping an existing file's name on disk.
    void write(const fs::path& file);

private:
    std::vector<FieldDef> m_fields;
    std::string m_name;
    std::size_t m_recLen = 0;
    std::size_t m_rows = 0;
    std::string m_records;
};

// Reads the template's fields and writes an empty table with them.
enum class CopyMode {
    Replace,           // over an existing target
    DeleteThenCreate   // delete the target first; fails if it cannot be deleted
};
void copyTemplate(const fs::path& templateFile, const fs::path& target, CopyMode mode);

// Formats a value for a numeric field of the given width and decimals;
// throws Error when it does not fit. Exposed for the SQL write-back and tests.
std::string formatNumericField(double v, const FieldDef& f);

// A write that the system refused (disk full, no permission, ...): the text
// names the file, cause() is the system's own words ("No space left on device").
class WriteError : public Error {
public:
    WriteError(const std::string& text, std::string cause) : Error(text), m_cause(std::move(cause)) {}
    const std::string& cause() const { return m_cause; }

private:
    std::string m_cause;
};

// The one door for every file the program writes: the bytes go to a temporary
// "~{name}.{n}.tmp" beside the target, renamed over it when complete, so a
// crash or a full disk never leaves a half file under a real name.
// Throws WriteError.
void writeFileAtomically(const fs::path& target, const std::string& bytes);

// True for the name of a temporary file of writeFileAtomically.
bool isAtomicWriteLeftover(const std::string& fileName);
// Removes the temporaries a killed writer left in the folder (not its sub-folders).
// Returns how many were removed. Only call it while no other process writes there.
int removeAtomicWriteLeftovers(const fs::path& dir);

// The fault point of the writer, so that a failing or dying write can be
// reproduced at will. The n-th atomic write from now (1 = the next one)
// fails as a full disk would (Fail) or kills the process half way through,
// leaving its temporary file behind (Kill). n <= 0 switches it off.
// The environment sets it for a whole process: DEMOVIA_FAIL_WRITE=n or
// DEMOVIA_ABORT_WRITE=n, counted from the start; or =NAME (2015.dbf), the
// first write of the file of that name.
enum class WriteFault { Fail, Kill };
void setWriteFault(WriteFault kind, long long n);
// Atomic writes done by this process so far.
long long atomicWriteCount();

// The text of a failure for a message's "Erro original: ": the system's cause
// of a WriteError, else the error's text.
std::string originalError(const std::exception& e);
// The whole file's bytes; throws Error naming the file when it is missing,
// not a regular file or cannot be read.
std::string readFileBytes(const fs::path& file);

} // namespace demovia
