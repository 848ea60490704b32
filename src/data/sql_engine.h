#pragma once
#include "data/table.h"

#include <memory>
#include <string>
#include <vector>

namespace demovia {

// The rows of a SELECT: column names as the statement gives them, rows in result order.
struct ResultSet {
    std::vector<std::string> columns;
    std::vector<Row> rows;
    // Per column, the decimals of the numeric table field it shows; -1 for a
    // text field or a computed column. May be empty (nothing known).
    std::vector<int> decimals;
    int column(std::string_view name) const; // without regard to case; -1 when absent
};

// Runs the statements as the system writes them -- tables named by full path in
// double quotes, text literals in double quotes -- on SQLite. A double-quoted
// token that names a table file (ends with .dbf or .db, or is the absolute path
// of an existing file) is that table; every other double-quoted token is a text
// literal. A statement that changes a table (INSERT, UPDATE, DELETE) writes it
// back atomically, keeping its fields, types, widths and row order: kept rows in
// their order, new rows after them. Nothing is written when a value does not fit.
//
// Rules that make results the same on every run:
// - numeric fields compare as numbers, text fields as texts (id_uf = "35" finds
//   35; "009" < "010"); divisions are real divisions;
// - the rows of a join come in the order of the first table named in FROM;
// - GROUP BY without ORDER BY gives its rows in ascending order of the grouping
//   fields, so INSERT ... SELECT ... GROUP BY appends them in that order.
//
// Only one SELECT, INSERT, UPDATE or DELETE per call. Tables read are kept in
// memory and read again only when their file changes on disk.
//
// User-typed values never go into the text: write '?' in the statement and pass
// them in params, in order.
class SqlEngine {
public:
    SqlEngine();
    ~SqlEngine();
    SqlEngine(const SqlEngine&) = delete;
    SqlEngine& operator=(const SqlEngine&) = delete;

    // A statement that returns rows. Throws Error.
    ResultSet query(const std::string& statement, const std::vector<Value>& params = {});
    // A statement that changes a table; returns the number of rows changed. Throws Error.
    long long execute(const std::string& statement, const std::vector<Value>& params = {});
    // Either: rows for a SELECT, an empty result otherwise.
    ResultSet run(const std::string& statement, const std::vector<Value>& params = {});

    // Between begin and commit, changed tables are written back once, at commit
    // (a long series of INSERTs into one table); statements inside the batch see
    // the changes, and a table changed in the batch is not read again from disk
    // until the batch ends. Commit writes every changed table, or none when a value does
    // not fit (the batch is then dropped). rollback drops the changes. A batch
    // left open when the engine is destroyed is dropped. Throws Error when a
    // batch is already open.
    void beginBatch();
    void commitBatch();
    void rollbackBatch();
    bool inBatch() const;

private:
    struct Impl;
    std::unique_ptr<Impl> m;
};

// A batch that is rolled back unless committed (an exception between begin
// and commit leaves the files as they were).
class SqlBatch {
public:
    explicit SqlBatch(SqlEngine& engine) : m_engine(engine) { m_engine.beginBatch(); }
    ~SqlBatch()
    {
        if (!m_done)
            m_engine.rollbackBatch();
    }
    SqlBatch(const SqlBatch&) = delete;
    SqlBatch& operator=(const SqlBatch&) = delete;
    void commit()
    {
        m_done = true;
        m_engine.commitBatch();
    }

private:
    SqlEngine& m_engine;
    bool m_done = false;
};

// A table file as it goes into a statement: in double quotes, with every " of
// the path doubled, so that any folder name reaches the engine whole. Every
// statement that names a table by its path is built with this.
std::string quotedTable(const std::string& pathText);
inline std::string quotedTable(const fs::path& file) { return quotedTable(file.string()); }

} // namespace demovia
