#include "data/sql_engine.h"

#include "data/encoding.h"
#include "data/error.h"
#include "data/text_util.h"

#include <sqlite3.h>
#include <sys/stat.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <map>
#include <set>

namespace demovia {

int ResultSet::column(std::string_view name) const
{
    for (std::size_t i = 0; i < columns.size(); ++i)
        if (equalsNoCase(columns[i], name))
            return static_cast<int>(i);
    return -1;
}

namespace {

// "NUMERIC(19,12)" -> 12; anything else -> -1.
int declaredDecimals(const char* decl)
{
    if (!decl)
        return -1;
    const std::string_view d(decl);
    const auto comma = d.find(',');
    if (d.substr(0, 8) != "NUMERIC(" || comma == std::string_view::npos)
        return -1;
    int n = 0;
    for (std::size_t i = comma + 1; i < d.size() && d[i] >= '0' && d[i] <= '9'; ++i)
        n = n * 10 + (d[i] - '0');
    return n;
}

// ---- statement text ---------------------------------------------------------

enum class Tok { Space, Word, DQuote, SQuote, Punct, Param, Comment };

struct Token {
    Token(Tok k, std::string t) : kind(k), text(std::move(t)) {}
    Tok kind;
    std::string text;     // as written; for DQuote the text between the quotes, "" undoubled
    int depth = 0;        // parentheses around the token
    bool table = false;   // DQuote naming a table file
    std::string replace;  // when not empty, written instead of the token
    bool drop = false;    // the final ";"
};

bool isSpace(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\f' || c == '\v'; }

bool isWordByte(char ch)
{
    auto c = static_cast<unsigned char>(ch);
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_' || c == '.' ||
           c == '$' || c >= 0x80;
}

std::vector<Token> tokenize(const std::string& s)
{
    std::vector<Token> out;
    const std::size_t n = s.size();
    std::size_t i = 0;
    while (i < n) {
        const char c = s[i];
        std::size_t j = i + 1;
        if (isSpace(c)) {
            while (j < n && isSpace(s[j]))
                ++j;
            out.push_back({Tok::Space, s.substr(i, j - i)});
        } else if (c == '"') {
            std::string content;
            for (;;) {
                if (j >= n)
                    throw Error("Comando SQL com aspas duplas sem fechamento: " + s);
                if (s[j] == '"') {
                    if (j + 1 < n && s[j + 1] == '"') {
                        content += '"';
                        j += 2;
                        continue;
                    }
                    ++j;
                    break;
                }
                content += s[j++];
            }
            out.push_back({Tok::DQuote, std::move(content)});
        } else if (c == '\'') {
            for (;;) {
                if (j >= n)
                    throw Error("Comando SQL com aspas simples sem fechamento: " + s);
                if (s[j] == '\'') {
                    if (j + 1 < n && s[j + 1] == '\'') {
                        j += 2;
                        continue;
                    }
                    ++j;
                    break;
                }
                ++j;
            }
            out.push_back({Tok::SQuote, s.substr(i, j - i)});
        } else if (c == '-' && j < n && s[j] == '-') {
            while (j < n && s[j] != '\n')
                ++j;
            out.push_back({Tok::Comment, s.substr(i, j - i)});
        } else if (c == '/' && j < n && s[j] == '*') {
            std::size_t e = s.find("*/", j + 1);
            j = e == std::string::npos ? n : e + 2;
            out.push_back({Tok::Comment, s.substr(i, j - i)});
        } else if (c == '[' || c == '`') {
            const char close = c == '[' ? ']' : '`';
            std::size_t e = s.find(close, j);
            if (e == std::string::npos)
                throw Error("Comando SQL com identificador sem fechamento: " + s);
            j = e + 1;
            out.push_back({Tok::Word, s.substr(i, j - i)});
        } else if (isWordByte(c)) {
            while (j < n && isWordByte(s[j]))
                ++j;
            out.push_back({Tok::Word, s.substr(i, j - i)});
        } else if (c == '?') {
            while (j < n && s[j] >= '0' && s[j] <= '9')
                ++j;
            out.push_back({Tok::Param, s.substr(i, j - i)});
        } else {
            out.push_back({Tok::Punct, std::string(1, c)});
        }
        i = j;
    }
    return out;
}

bool endsWithNoCase(std::string_view s, std::string_view tail)
{
    return s.size() >= tail.size() && equalsNoCase(s.substr(s.size() - tail.size()), tail);
}

// A double-quoted token names a table when it is a table file name, or the full
// path of an existing file; anything else in double quotes is a text.
bool namesTable(const std::string& text)
{
    if (endsWithNoCase(text, ".dbf") || endsWithNoCase(text, ".db"))
        return true;
    fs::path p(text);
    return p.is_absolute() && fileExists(p);
}

enum class Kind { Select, Insert, Update, Delete };

struct Plan {
    Kind kind = Kind::Select;
    std::vector<Token> tokens;
    int target = -1;                 // token of the changed table
    std::size_t orderAt = 0;         // where a generated ORDER BY goes
    std::size_t groupFrom = 0, groupTo = 0; // its fields (empty range: none)
};

bool isWord(const Token& t, std::string_view w) { return t.kind == Tok::Word && equalsNoCase(t.text, w); }
bool significant(const Token& t) { return t.kind != Tok::Space && t.kind != Tok::Comment && !t.drop; }

bool isClauseEnd(const Token& t)
{
    for (const char* w : {"WHERE", "GROUP", "ORDER", "HAVING", "LIMIT", "UNION", "EXCEPT", "INTERSECT", "WINDOW",
                          "RETURNING"})
        if (isWord(t, w))
            return true;
    return false;
}

Plan analyse(const std::string& text)
{
    Plan p;
    p.tokens = tokenize(text);
    auto& tk = p.tokens;

    // The final ";" (and blanks) is not part of the statement; any other ";"
    // would start a second one.
    for (std::size_t k = tk.size(); k-- > 0;) {
        if (tk[k].kind == Tok::Space || tk[k].kind == Tok::Comment)
            continue;
        if (tk[k].kind == Tok::Punct && tk[k].text == ";") {
            tk[k].drop = true;
            continue;
        }
        break;
    }
    int depth = 0;
    std::vector<std::size_t> sig;
    for (std::size_t k = 0; k < tk.size(); ++k) {
        Token& t = tk[k];
        if (t.kind == Tok::Punct && t.text == ")")
            --depth;
        t.depth = depth;
        if (t.kind == Tok::Punct && t.text == "(")
            ++depth;
        if (!significant(t))
            continue;
        if (t.kind == Tok::Punct && t.text == ";")
            throw Error("Só é possível executar um comando SQL por vez: " + text);
        sig.push_back(k);
    }
    if (depth != 0)
        throw Error("Comando SQL com parênteses desbalanceados: " + text);
    if (sig.empty())
        throw Error("Comando SQL vazio");

    auto at = [&](std::size_t s) -> Token& { return tk[sig[s]]; };
    std::size_t s = 0;
    const Token& first = at(0);
    std::size_t targetSig = 0;
    auto skipOr = [&](std::size_t q) {
        if (q + 1 < sig.size() && isWord(at(q), "OR"))
            return q + 2;
        return q;
    };
    if (isWord(first, "SELECT")) {
        p.kind = Kind::Select;
    } else if (isWord(first, "INSERT")) {
        p.kind = Kind::Insert;
        s = skipOr(1);
        if (s >= sig.size() || !isWord(at(s), "INTO"))
            throw Error("Comando INSERT sem INTO: " + text);
        targetSig = s + 1;
    } else if (isWord(first, "UPDATE")) {
        p.kind = Kind::Update;
        targetSig = skipOr(1);
    } else if (isWord(first, "DELETE")) {
        p.kind = Kind::Delete;
        if (sig.size() < 2 || !isWord(at(1), "FROM"))
            throw Error("Comando DELETE sem FROM: " + text);
        targetSig = 2;
    } else {
        throw Error("Comando SQL não suportado (use SELECT, INSERT, UPDATE ou DELETE): " + text);
    }
    if (p.kind != Kind::Select) {
        if (targetSig >= sig.size() || at(targetSig).kind != Tok::DQuote)
            throw Error("O comando não indica a tabela a alterar entre aspas: " + text);
        p.target = static_cast<int>(sig[targetSig]);
    }
    for (std::size_t k = 0; k < tk.size(); ++k)
        if (tk[k].kind == Tok::DQuote)
            tk[k].table = static_cast<int>(k) == p.target || namesTable(tk[k].text);

    // Joins: the first table of FROM drives the loop, so the rows of a join come
    // in its stored order (as a plain "select *" does).
    for (std::size_t q = 0; q < sig.size(); ++q) {
        if (!isWord(at(q), "FROM") || at(q).depth != 0 || (p.kind == Kind::Delete && q == 1))
            continue;
        for (std::size_t r = q + 1; r < sig.size(); ++r) {
            Token& t = at(r);
            if (t.depth != 0)
                continue;
            if (isClauseEnd(t))
                break;
            if (t.kind == Tok::Punct && t.text == ",") {
                t.replace = " CROSS JOIN ";
            } else if (isWord(t, "INNER") && r + 1 < sig.size() && isWord(at(r + 1), "JOIN") &&
                       !(r > 0 && isWord(at(r - 1), "NATURAL"))) {
                t.replace = "CROSS";
            } else if (isWord(t, "JOIN")) {
                const Token& before = at(r - 1);
                bool kindGiven = false;
                for (const char* w : {"INNER", "LEFT", "RIGHT", "FULL", "OUTER", "CROSS", "NATURAL"})
                    kindGiven = kindGiven || isWord(before, w);
                if (!kindGiven)
                    t.replace = "CROSS JOIN"; // a plain JOIN is an inner join
            }
        }
    }

    // GROUP BY without ORDER BY: order by the grouping fields.
    p.orderAt = tk.size();
    bool compound = false, ordered = false;
    std::size_t groupSig = sig.size();
    for (std::size_t q = 0; q < sig.size(); ++q) {
        const Token& t = at(q);
        if (t.depth != 0)
            continue;
        if (isWord(t, "UNION") || isWord(t, "EXCEPT") || isWord(t, "INTERSECT"))
            compound = true;
        if (q + 1 < sig.size() && isWord(t, "ORDER") && isWord(at(q + 1), "BY"))
            ordered = true;
        if (q + 1 < sig.size() && isWord(t, "GROUP") && isWord(at(q + 1), "BY") && groupSig == sig.size())
            groupSig = q + 2;
        if (isWord(t, "LIMIT") && p.orderAt == tk.size())
            p.orderAt = sig[q];
    }
    if (groupSig < sig.size() && !compound && !ordered) {
        std::size_t e = groupSig;
        while (e < sig.size() && !(at(e).depth == 0 && (isWord(at(e), "HAVING") || isWord(at(e), "LIMIT") ||
                                                          isWord(at(e), "WINDOW"))))
            ++e;
        p.groupFrom = sig[groupSig];
        p.groupTo = e < sig.size() ? sig[e] : sig.back() + 1;
    }
    return p;
}

std::string tokenText(const Token& t, const std::map<std::string, std::string>& idents)
{
    if (t.drop)
        return {};
    if (!t.replace.empty())
        return t.replace;
    switch (t.kind) {
    case Tok::DQuote:
        if (t.table)
            return " " + idents.at(t.text) + " ";
        else {
            std::string lit = "'";
            for (char c : t.text) {
                if (c == '\'')
                    lit += '\'';
                lit += c;
            }
            return lit + "'";
        }
    case Tok::Punct:
        // Numbers in tables are real numbers: a division is never a whole-number one.
        if (t.text == "/")
            return "*1.0/";
        return t.text;
    default:
        return t.text;
    }
}

std::string assemble(const Plan& p, const std::map<std::string, std::string>& idents)
{
    std::string sql;
    for (std::size_t k = 0; k <= p.tokens.size(); ++k) {
        if (k == p.orderAt && p.groupTo > p.groupFrom) {
            sql += "\n ORDER BY "; // on a line of its own, after any comment
            for (std::size_t g = p.groupFrom; g < p.groupTo; ++g)
                sql += tokenText(p.tokens[g], idents);
            sql += ' ';
        }
        if (k < p.tokens.size())
            sql += tokenText(p.tokens[k], idents);
    }
    return sql;
}

// ---- SQLite helpers ---------------------------------------------------------

struct Stmt {
    sqlite3_stmt* h = nullptr;
    ~Stmt()
    {
        if (h)
            sqlite3_finalize(h);
    }
};

[[noreturn]] void sqlFail(sqlite3* db)
{
    throw Error(std::string("Erro no comando SQL: ") + sqlite3_errmsg(db));
}

void prepare(sqlite3* db, const std::string& sql, Stmt& st)
{
    const char* tail = nullptr;
    if (sqlite3_prepare_v2(db, sql.c_str(), static_cast<int>(sql.size()), &st.h, &tail) != SQLITE_OK)
        sqlFail(db);
    if (!st.h)
        throw Error("Comando SQL vazio");
    for (; tail && *tail; ++tail)
        if (!isSpace(*tail))
            throw Error("Só é possível executar um comando SQL por vez");
}

void execSql(sqlite3* db, const std::string& sql)
{
    char* msg = nullptr;
    if (sqlite3_exec(db, sql.c_str(), nullptr, nullptr, &msg) != SQLITE_OK) {
        std::string m = msg ? msg : sqlite3_errmsg(db);
        sqlite3_free(msg);
        throw Error("Erro no comando SQL: " + m);
    }
}

void bindValue(sqlite3* db, sqlite3_stmt* st, int i, const Value& v)
{
    int rc;
    if (v.isNull()) {
        rc = sqlite3_bind_null(st, i);
    } else if (v.isNumber()) {
        // Whole numbers go in as integers, so that a text field given a number
        // holds "35", not "35.0".
        const double d = v.toDouble();
        if (std::isfinite(d) && d == std::trunc(d) && std::fabs(d) < 9.0e15)
            rc = sqlite3_bind_int64(st, i, static_cast<sqlite3_int64>(d));
        else
            rc = sqlite3_bind_double(st, i, d);
    } else {
        const std::string t = v.toText();
        rc = sqlite3_bind_text(st, i, t.data(), static_cast<int>(t.size()), SQLITE_TRANSIENT);
    }
    if (rc != SQLITE_OK)
        sqlFail(db);
}

Value columnValue(sqlite3_stmt* st, int i)
{
    switch (sqlite3_column_type(st, i)) {
    case SQLITE_INTEGER:
        return Value(static_cast<double>(sqlite3_column_int64(st, i)));
    case SQLITE_FLOAT:
        return Value(sqlite3_column_double(st, i));
    case SQLITE_NULL:
        return Value();
    default: {
        const char* p = reinterpret_cast<const char*>(sqlite3_column_blob(st, i));
        return Value(std::string(p ? p : "", static_cast<std::size_t>(sqlite3_column_bytes(st, i))));
    }
    }
}

std::string quoteIdent(const std::string& name)
{
    std::string q = "\"";
    for (char c : name) {
        if (c == '"')
            q += '"';
        q += c;
    }
    return q + "\"";
}

// What identifies a file's content on disk: an atomic rewrite makes a new file
// (new inode); an in-place change moves size or modification time.
struct Stamp {
    std::uintmax_t size = 0;
    long long mtimeSec = 0, mtimeNsec = 0;
    unsigned long long ino = 0, dev = 0;
    bool operator==(const Stamp&) const = default;
};

Stamp stampOf(const fs::path& p)
{
    Stamp s;
    struct stat st {};
    if (::stat(p.c_str(), &st) == 0) {
        s.size = static_cast<std::uintmax_t>(st.st_size);
        s.mtimeSec = static_cast<long long>(st.st_mtim.tv_sec);
        s.mtimeNsec = static_cast<long long>(st.st_mtim.tv_nsec);
        s.ino = static_cast<unsigned long long>(st.st_ino);
        s.dev = static_cast<unsigned long long>(st.st_dev);
    }
    return s;
}

// The value a cell of the table takes from what SQLite holds.
Value toField(sqlite3_stmt* st, int i, const FieldDef& f)
{
    const int type = sqlite3_column_type(st, i);
    if (type == SQLITE_NULL)
        return Value();
    if (f.isNumeric()) {
        if (type == SQLITE_INTEGER)
            return Value(static_cast<double>(sqlite3_column_int64(st, i)));
        if (type == SQLITE_FLOAT)
            return Value(sqlite3_column_double(st, i));
        const char* p = reinterpret_cast<const char*>(sqlite3_column_text(st, i));
        std::string text = trim(p ? p : "");
        if (text.empty())
            return Value();
        double d = 0;
        try {
            d = Value(text).toDouble();
        } catch (const Error&) {
            throw Error("O valor '" + text + "' não é numérico e não pode ser gravado no campo " + f.name);
        }
        if (!std::isfinite(d))
            throw Error("O valor '" + text + "' não é numérico e não pode ser gravado no campo " + f.name);
        return Value(d);
    }
    if (type == SQLITE_INTEGER)
        return Value(std::to_string(sqlite3_column_int64(st, i)));
    if (type == SQLITE_FLOAT)
        return Value(formatGeneral(sqlite3_column_double(st, i)));
    const char* p = reinterpret_cast<const char*>(sqlite3_column_blob(st, i));
    return Value(std::string(p ? p : "", static_cast<std::size_t>(sqlite3_column_bytes(st, i))));
}

// The checks the table writer makes, made before anything is written.
void checkFits(const FieldDef& f, const Value& v)
{
    if (v.isNull())
        return;
    if (f.isNumeric()) {
        formatNumericField(v.toDouble(), f);
        return;
    }
    if (static_cast<int>(utf8ToCp1252(v.toText()).size()) > f.width)
        throw Error("O texto '" + v.toText() + "' não cabe no campo " + f.name + " (largura " +
                    std::to_string(f.width) + ")");
}

// The name of SQLite's row number that no field of the table hides.
std::string rowidName(const std::vector<FieldDef>& fields)
{
    for (const char* name : {"rowid", "_rowid_", "oid"}) {
        bool hidden = false;
        for (const auto& f : fields)
            hidden = hidden || equalsNoCase(f.name, name);
        if (!hidden)
            return name;
    }
    throw Error("A tabela tem campos chamados rowid, _rowid_ e oid");
}

struct Loaded {
    std::string key;
    std::string ident;
    fs::path file;
    std::vector<FieldDef> fields;
    Stamp stamp;
    bool dirty = false;
    std::size_t cells = 0;
    std::uint64_t lastUse = 0;
    std::uint64_t loadOrder = 0;
};

// Loaded tables beyond this many cells are dropped, least recently used first
// (a year table holds about 570,000).
constexpr std::size_t kCellBudget = 4'000'000;

enum class Mode { Query, Execute, Any };

} // namespace

std::string quotedTable(const std::string& pathText) { return quoteIdent(pathText); }

// ---- engine -----------------------------------------------------------------

struct SqlEngine::Impl {
    sqlite3* db = nullptr;
    std::map<std::string, Loaded> tables; // by the file's canonical path
    std::uint64_t counter = 0;
    std::uint64_t clock = 0;
    bool batch = false;

    Impl()
    {
        if (sqlite3_open(":memory:", &db) != SQLITE_OK) {
            std::string m = db ? sqlite3_errmsg(db) : "sem memória";
            sqlite3_close(db);
            throw Error("Não foi possível iniciar o banco de dados SQL: " + m);
        }
        // Every double-quoted token is translated; SQLite must never guess.
        sqlite3_db_config(db, SQLITE_DBCONFIG_DQS_DML, 0, nullptr);
        sqlite3_db_config(db, SQLITE_DBCONFIG_DQS_DDL, 0, nullptr);
    }
    ~Impl() { sqlite3_close(db); }

    void drop(const std::string& key)
    {
        auto it = tables.find(key);
        if (it == tables.end())
            return;
        try {
            execSql(db, "DROP TABLE IF EXISTS " + it->second.ident);
        } catch (const Error&) {
            // The identifier is never used again either way.
        }
        tables.erase(it);
    }

    void dropDirty()
    {
        std::vector<std::string> keys;
        for (auto& [k, t] : tables)
            if (t.dirty)
                keys.push_back(k);
        for (const auto& k : keys)
            drop(k);
    }

    Loaded& load(const std::string& key, const fs::path& file)
    {
        Loaded t;
        t.key = key;
        t.stamp = stampOf(file);
        Table data = readTable(file);
        t.file = file;
        t.fields = data.fields;
        t.ident = "dv_t" + std::to_string(++counter);
        t.cells = data.rows.size() * std::max<std::size_t>(1, data.fields.size());
        t.loadOrder = counter;

        std::string create = "CREATE TABLE " + t.ident + " (";
        std::string insert = "INSERT INTO " + t.ident + " VALUES (";
        for (std::size_t i = 0; i < data.fields.size(); ++i) {
            if (i) {
                create += ", ";
                insert += ", ";
            }
            // Numeric fields compare as numbers, text fields as texts.
            // The declared type carries the field's decimals for the result's
            // columns (NUMERIC(w,d) keeps numeric affinity).
            const FieldDef& f = data.fields[i];
            create += quoteIdent(f.name) + (f.isNumeric() ? " NUMERIC(" + std::to_string(f.width) + "," +
                                                                 std::to_string(f.decimals) + ")"
                                                           : std::string(" TEXT"));
            insert += "?";
        }
        create += ")";
        insert += ")";
        execSql(db, create);
        try {
            execSql(db, "SAVEPOINT dv_load");
            try {
                Stmt st;
                prepare(db, insert, st);
                for (const Row& row : data.rows) {
                    for (std::size_t i = 0; i < data.fields.size(); ++i)
                        bindValue(db, st.h, static_cast<int>(i + 1), i < row.size() ? row[i] : Value());
                    if (sqlite3_step(st.h) != SQLITE_DONE)
                        sqlFail(db);
                    sqlite3_reset(st.h);
                }
            } catch (...) {
                execSql(db, "ROLLBACK TO dv_load");
                execSql(db, "RELEASE dv_load");
                throw;
            }
            execSql(db, "RELEASE dv_load");
        } catch (...) {
            execSql(db, "DROP TABLE IF EXISTS " + t.ident);
            throw;
        }
        return tables[key] = std::move(t);
    }

    // The loaded table a statement names, read (again) when its file changed.
    Loaded& ensure(const std::string& written, std::set<std::string>& pinned)
    {
        fs::path real = resolveFile(fs::path(written));
        std::error_code ec;
        fs::path canon = fs::weakly_canonical(real, ec);
        const std::string key = ec ? real.string() : canon.string();
        if (!fs::is_regular_file(real, ec)) {
            auto it = tables.find(key);
            if (it != tables.end() && !it->second.dirty)
                drop(key);
            throw Error("Tabela não encontrada: " + written);
        }
        auto it = tables.find(key);
        if (it != tables.end() && !it->second.dirty && !(it->second.stamp == stampOf(real))) {
            drop(key);
            it = tables.end();
        }
        Loaded& t = it != tables.end() ? it->second : load(key, real);
        t.lastUse = ++clock;
        pinned.insert(key);
        return t;
    }

    void evict(const std::set<std::string>& pinned)
    {
        for (;;) {
            std::size_t total = 0;
            const std::string* oldest = nullptr;
            std::uint64_t oldestUse = UINT64_MAX;
            for (const auto& [k, t] : tables) {
                total += t.cells;
                if (!t.dirty && !pinned.count(k) && t.lastUse < oldestUse) {
                    oldestUse = t.lastUse;
                    oldest = &k;
                }
            }
            if (total <= kCellBudget || !oldest)
                return;
            drop(std::string(*oldest));
        }
    }

    // The rows of a loaded table as the table file will hold them, in stored
    // order; only those after fromRowid when given (the first of them being
    // record firstRecord, for the messages).
    Table snapshot(const Loaded& t, long long fromRowid = 0, std::size_t firstRecord = 1)
    {
        Table out(t.fields);
        Stmt st;
        const std::string rowid = rowidName(t.fields);
        prepare(db, "SELECT * FROM " + t.ident + " WHERE " + rowid + " > ? ORDER BY " + rowid, st);
        sqlite3_bind_int64(st.h, 1, fromRowid);
        const std::size_t nf = t.fields.size();
        int rc;
        while ((rc = sqlite3_step(st.h)) == SQLITE_ROW) {
            Row row(nf);
            for (std::size_t i = 0; i < nf; ++i) {
                try {
                    row[i] = toField(st.h, static_cast<int>(i), t.fields[i]);
                } catch (const Error& e) {
                    throw Error(std::string(e.what()) + " - tabela " + t.file.filename().string() + ", registro " +
                                std::to_string(firstRecord + out.rows.size()));
                }
            }
            out.rows.push_back(std::move(row));
        }
        if (rc != SQLITE_DONE)
            sqlFail(db);
        return out;
    }

    static void checkTable(const Table& tb, const fs::path& file, std::size_t firstRecord = 1)
    {
        for (std::size_t r = 0; r < tb.rows.size(); ++r)
            for (std::size_t i = 0; i < tb.fields.size(); ++i) {
                try {
                    checkFits(tb.fields[i], tb.rows[r][i]);
                } catch (const Error& e) {
                    throw Error(std::string(e.what()) + " - tabela " + file.filename().string() + ", registro " +
                                std::to_string(firstRecord + r));
                }
            }
    }

    long long maxRowid(const Loaded& t)
    {
        Stmt st;
        prepare(db, "SELECT coalesce(max(" + rowidName(t.fields) + "), 0) FROM " + t.ident, st);
        if (sqlite3_step(st.h) != SQLITE_ROW)
            sqlFail(db);
        return sqlite3_column_int64(st.h, 0);
    }

    long long countRows(const Loaded& t)
    {
        Stmt st;
        prepare(db, "SELECT count(*) FROM " + t.ident, st);
        if (sqlite3_step(st.h) != SQLITE_ROW)
            sqlFail(db);
        return sqlite3_column_int64(st.h, 0);
    }

    // SQLite's message speaks of the generated table names; the user knows files.
    std::string withFileNames(std::string msg) const
    {
        for (const auto& [k, t] : tables) {
            for (std::size_t at = msg.find(t.ident); at != std::string::npos; at = msg.find(t.ident, at + 1)) {
                const std::size_t end = at + t.ident.size();
                if ((at > 0 && isWordByte(msg[at - 1])) || (end < msg.size() && isWordByte(msg[end])))
                    continue;
                const std::string name = t.file.filename().string();
                msg.replace(at, t.ident.size(), name);
                at += name.size() - 1;
            }
        }
        return msg;
    }

    ResultSet run(const std::string& text, const std::vector<Value>& params, Mode mode, long long* changed)
    {
        try {
            return runStatement(text, params, mode, changed);
        } catch (const Error& e) {
            const std::string msg = e.what();
            if (msg.find("dv_t") == std::string::npos)
                throw;
            throw Error(withFileNames(msg));
        }
    }

    ResultSet runStatement(const std::string& text, const std::vector<Value>& params, Mode mode, long long* changed)
    {
        Plan plan = analyse(text);
        if (mode == Mode::Query && plan.kind != Kind::Select)
            throw Error("O comando não é uma consulta (SELECT): " + text);
        if (mode == Mode::Execute && plan.kind == Kind::Select)
            throw Error("O comando é uma consulta (SELECT) e não altera tabelas: " + text);

        std::set<std::string> pinned;
        std::map<std::string, std::string> idents;
        Loaded* target = nullptr;
        for (std::size_t k = 0; k < plan.tokens.size(); ++k) {
            const Token& t = plan.tokens[k];
            if (t.kind != Tok::DQuote || !t.table)
                continue;
            Loaded& l = ensure(t.text, pinned);
            idents[t.text] = l.ident;
            if (static_cast<int>(k) == plan.target)
                target = &l;
        }
        evict(pinned);

        Stmt st;
        prepare(db, assemble(plan, idents), st);
        const int expected = sqlite3_bind_parameter_count(st.h);
        if (expected != static_cast<int>(params.size()))
            throw Error("O comando SQL espera " + std::to_string(expected) + " parâmetro(s) e recebeu " +
                        std::to_string(params.size()));
        for (std::size_t i = 0; i < params.size(); ++i)
            bindValue(db, st.h, static_cast<int>(i + 1), params[i]);

        ResultSet rs;
        if (plan.kind == Kind::Select) {
            if (!sqlite3_stmt_readonly(st.h))
                throw Error("A consulta não pode alterar tabelas: " + text);
            const int nc = sqlite3_column_count(st.h);
            for (int i = 0; i < nc; ++i) {
                const char* n = sqlite3_column_name(st.h, i);
                rs.columns.emplace_back(n ? n : "");
                rs.decimals.push_back(declaredDecimals(sqlite3_column_decltype(st.h, i)));
            }
            int rc;
            while ((rc = sqlite3_step(st.h)) == SQLITE_ROW) {
                Row row(static_cast<std::size_t>(nc));
                for (int i = 0; i < nc; ++i)
                    row[static_cast<std::size_t>(i)] = columnValue(st.h, i);
                rs.rows.push_back(std::move(row));
            }
            if (rc != SQLITE_DONE)
                sqlFail(db);
            return rs;
        }

        const long long before = batch && plan.kind == Kind::Insert ? maxRowid(*target) : 0;
        execSql(db, "SAVEPOINT dv_stmt");
        try {
            int rc;
            while ((rc = sqlite3_step(st.h)) == SQLITE_ROW) {
            }
            if (rc != SQLITE_DONE)
                sqlFail(db);
            const long long n = sqlite3_changes(db);
            sqlite3_reset(st.h);
            if (n > 0) {
                if (batch) {
                    // Caught here, the failing statement is the one reported.
                    if (plan.kind == Kind::Insert) {
                        const auto first = static_cast<std::size_t>(countRows(*target) - n + 1);
                        checkTable(snapshot(*target, before, first), target->file, first);
                    }
                    else if (plan.kind == Kind::Update)
                        checkTable(snapshot(*target), target->file);
                    target->dirty = true;
                } else {
                    Table tb = snapshot(*target);
                    writeTable(target->file, tb);
                    target->stamp = stampOf(resolveFile(target->file));
                    target->cells = tb.rows.size() * std::max<std::size_t>(1, tb.fields.size());
                }
            }
            execSql(db, "RELEASE dv_stmt");
            if (changed)
                *changed = n;
        } catch (...) {
            sqlite3_reset(st.h);
            try {
                execSql(db, "ROLLBACK TO dv_stmt");
                execSql(db, "RELEASE dv_stmt");
            } catch (const Error&) {
                // Memory and disk may differ now: read the file again next time.
                if (!target->dirty)
                    drop(std::string(target->key));
            }
            throw;
        }
        return rs;
    }

    void commit()
    {
        if (!batch)
            return;
        batch = false;
        std::vector<Loaded*> dirty;
        for (auto& [k, t] : tables)
            if (t.dirty)
                dirty.push_back(&t);
        std::sort(dirty.begin(), dirty.end(), [](auto a, auto b) { return a->loadOrder < b->loadOrder; });
        std::vector<Table> data;
        try {
            // Every table is checked before the first is written: all or none.
            for (Loaded* t : dirty) {
                data.push_back(snapshot(*t));
                checkTable(data.back(), t->file);
            }
            for (std::size_t i = 0; i < dirty.size(); ++i) {
                writeTable(dirty[i]->file, data[i]);
                dirty[i]->stamp = stampOf(resolveFile(dirty[i]->file));
                dirty[i]->cells = data[i].rows.size() * std::max<std::size_t>(1, data[i].fields.size());
                dirty[i]->dirty = false;
            }
        } catch (...) {
            dropDirty();
            throw;
        }
    }
};

SqlEngine::SqlEngine() : m(std::make_unique<Impl>()) {}
SqlEngine::~SqlEngine() = default;

ResultSet SqlEngine::query(const std::string& statement, const std::vector<Value>& params)
{
    return m->run(statement, params, Mode::Query, nullptr);
}

long long SqlEngine::execute(const std::string& statement, const std::vector<Value>& params)
{
    long long n = 0;
    m->run(statement, params, Mode::Execute, &n);
    return n;
}

ResultSet SqlEngine::run(const std::string& statement, const std::vector<Value>& params)
{
    return m->run(statement, params, Mode::Any, nullptr);
}

void SqlEngine::beginBatch()
{
    if (m->batch)
        throw Error("Já existe um lote de comandos SQL aberto");
    m->batch = true;
}

void SqlEngine::commitBatch() { m->commit(); }

void SqlEngine::rollbackBatch()
{
    m->batch = false;
    m->dropDirty();
}

bool SqlEngine::inBatch() const { return m->batch; }

} // namespace demovia
