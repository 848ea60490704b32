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
    int column(std::string_view name) const; // without regard to case; -1 when absent
};

// Runs the statements as the system writes them -- tables named by full path in
// double quotes, text literals in double quotes -- on SQLite. A double-quoted
// token that names a table file is that table; every other double-quoted token
// is a text literal. A statement that changes a table (INSERT, UPDATE, DELETE)
// writes it back atomically, keeping its fields, types, widths and row order.
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
    // (a long series of INSERTs into one table). rollback drops the changes.
    void beginBatch();
    void commitBatch();
    void rollbackBatch();

private:
    struct Impl;
    std::unique_ptr<Impl> m;
};

} // namespace demovia
