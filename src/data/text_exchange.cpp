#include "data/text_exchange.h"

#include "data/encoding.h"
#include "data/error.h"
#include "data/text_util.h"
#include "data/xlsx_export.h"

#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <optional>
#include <random>
#include <system_error>

namespace demovia {

namespace {

constexpr std::size_t kMaxFields = 200;

bool isDigit(char c) { return c >= '0' && c <= '9'; }
bool isBlank(char c) { return c == ' ' || c == '\t'; }

std::string_view trimBlanks(std::string_view s)
{
    while (!s.empty() && isBlank(s.front()))
        s.remove_prefix(1);
    while (!s.empty() && isBlank(s.back()))
        s.remove_suffix(1);
    return s;
}

// The field rule shared by the import and the splitter: a line has as many
// fields as it has ";", plus one unless it ends with ";" (a final ";" opens no
// empty last field); every ";" separates, quotes or not. Calls f(i, field) for
// each field found, at most maxFields. Returns {fields found, field count}.
template <class F>
std::pair<std::size_t, std::size_t> forEachField(std::string_view line, std::size_t maxFields, F&& f)
{
    std::size_t count = static_cast<std::size_t>(countChar(line, ';'));
    if (line.empty() || line.back() != ';')
        ++count;
    count = std::min(count, maxFields);
    std::size_t i = 0;
    std::string_view rest = line;
    for (; i < count && !rest.empty(); ++i) {
        std::size_t p = rest.find(';');
        f(i, rest.substr(0, p));
        rest = p == std::string_view::npos ? std::string_view() : rest.substr(p + 1);
    }
    return {i, count};
}

// One double quote at the start and one at the end go, each on its own.
std::string_view unquote(std::string_view f)
{
    if (!f.empty() && f.front() == '"')
        f.remove_prefix(1);
    if (!f.empty() && f.back() == '"')
        f.remove_suffix(1);
    return f;
}

// The first width characters (code points) of a UTF-8 text: in the table's
// code page every character takes one byte of the field.
std::string cutToWidth(std::string_view s, int width)
{
    std::size_t i = 0, n = 0;
    while (i < s.size() && n < static_cast<std::size_t>(width)) {
        ++i;
        while (i < s.size() && (static_cast<unsigned char>(s[i]) & 0xC0) == 0x80)
            ++i;
        ++n;
    }
    return std::string(s.substr(0, i));
}

// Lines end with CR, CR LF or LF alone.
class LineCursor {
public:
    explicit LineCursor(std::string_view data) : m_data(data) {}

    bool next(std::string_view& line)
    {
        if (m_pos >= m_data.size())
            return false;
        std::size_t e = m_data.find_first_of("\r\n", m_pos);
        if (e == std::string_view::npos) {
            line = m_data.substr(m_pos);
            m_pos = m_data.size();
        } else {
            line = m_data.substr(m_pos, e - m_pos);
            m_pos = e + 1;
            if (m_data[e] == '\r' && m_pos < m_data.size() && m_data[m_pos] == '\n')
                ++m_pos;
        }
        ++m_number;
        return true;
    }
    int number() const { return m_number; }

private:
    std::string_view m_data;
    std::size_t m_pos = 0;
    int m_number = 0;
};


// Whether a new file can be made in the folder: tried, not guessed, so that
// permissions, read-only mounts and the like all count.
bool canCreateIn(const fs::path& dir)
{
    std::error_code ec;
    if (!fs::is_directory(dir, ec))
        return false;
    static std::mt19937_64 rng{std::random_device{}()};
    fs::path probe = dir / ("~demovia." + std::to_string(rng() % 1000000000) + ".probe");
    std::FILE* f = std::fopen(probe.string().c_str(), "wb");
    if (!f)
        return false;
    std::fclose(f);
    fs::remove(probe, ec);
    return true;
}

Table readTextIntoTable(const fs::path& textFile, const std::vector<FieldDef>& schema, int headingLines,
                        const NumberFormat& fmt)
{
    std::string bytes = readFileBytes(textFile);
    std::size_t eof = bytes.find('\x1A');
    if (eof != std::string::npos)
        bytes.resize(eof);
    std::string text = decodeText(bytes);
    std::string_view data = text;
    if (data.substr(0, 3) == "\xEF\xBB\xBF")
        data.remove_prefix(3);

    Table table(schema);
    const std::size_t ncols = schema.size();
    LineCursor cursor(data);
    std::string_view line;
    for (int k = 0; k < headingLines && cursor.next(line); ++k) {
    }
    std::vector<std::string_view> fields;
    fields.reserve(ncols);
    while (cursor.next(line)) {
        if (trimBlanks(line).empty())
            continue;
        fields.clear();
        forEachField(line, std::min(kMaxFields, ncols), [&](std::size_t, std::string_view f) {
            fields.push_back(unquote(f));
        });
        Row row(ncols);
        for (std::size_t c = 0; c < ncols; ++c) {
            const FieldDef& fd = schema[c];
            if (c >= fields.size()) {
                row[c] = fd.isNumeric() ? Value(0.0) : Value(std::string());
            } else if (fd.isNumeric()) {
                try {
                    double v = parseRegionalNumber(fields[c], fmt);
                    (void)formatNumericField(v, fd); // a number that does not fit is refused, never cut
                    row[c] = Value(v);
                } catch (const Error& e) {
                    throw Error("Linha " + std::to_string(cursor.number()) + ", coluna " + std::to_string(c + 1) +
                                " (campo " + fd.name + "): " + e.what());
                }
            } else {
                row[c] = Value(cutToWidth(fields[c], fd.width));
            }
        }
        table.rows.push_back(std::move(row));
    }
    return table;
}

} // namespace

// ---- numbers ------------------------------------------------------------------

double parseRegionalNumber(std::string_view text, const NumberFormat& fmt)
{
    const std::string_view t = trimBlanks(text);
    auto notANumber = [&] { return Error("'" + std::string(t) + "' não é um valor numérico válido"); };
    const bool grouping = fmt.grouping != 0 && fmt.grouping != fmt.decimal;

    std::string norm; // the same number in the C form from_chars reads
    std::size_t i = 0;
    const std::size_t n = t.size();
    if (i < n && (t[i] == '+' || t[i] == '-')) {
        if (t[i] == '-')
            norm += '-';
        ++i;
    }
    int wholeDigits = 0, groupLen = 0;
    bool grouped = false;
    while (i < n) {
        if (isDigit(t[i])) {
            norm += t[i];
            ++wholeDigits;
            ++groupLen;
        } else if (grouping && t[i] == fmt.grouping) {
            // "1.234.567": a first group of one to three digits, then groups of three.
            if (groupLen == 0 || groupLen > 3 || (grouped && groupLen != 3))
                throw notANumber();
            grouped = true;
            groupLen = 0;
        } else
            break;
        ++i;
    }
    if (grouped && groupLen != 3)
        throw notANumber();
    if (wholeDigits == 0)
        norm += '0';
    int fractionDigits = 0;
    if (i < n && t[i] == fmt.decimal) {
        ++i;
        std::string fraction;
        while (i < n && isDigit(t[i])) {
            fraction += t[i++];
            ++fractionDigits;
        }
        if (!fraction.empty())
            norm += '.' + fraction;
    }
    if (wholeDigits + fractionDigits == 0)
        throw notANumber();
    if (i < n && (t[i] == 'e' || t[i] == 'E')) {
        norm += 'e';
        ++i;
        if (i < n && (t[i] == '+' || t[i] == '-'))
            norm += t[i++];
        int expDigits = 0;
        while (i < n && isDigit(t[i])) {
            norm += t[i++];
            ++expDigits;
        }
        if (expDigits == 0)
            throw notANumber();
    }
    if (i != n)
        throw notANumber();

    double v = 0;
    auto [p, ec] = std::from_chars(norm.data(), norm.data() + norm.size(), v);
    if (ec == std::errc::result_out_of_range)
        throw Error("'" + std::string(t) + "' está fora da faixa dos valores numéricos");
    if (ec != std::errc() || p != norm.data() + norm.size())
        throw notANumber();
    return v;
}

std::string formatRegionalNumber(double v, const NumberFormat& fmt)
{
    if (v == 0)
        return "0"; // also -0
    if (std::isfinite(v) && v == std::trunc(v) && std::fabs(v) < 1e18)
        return std::to_string(static_cast<long long>(v));
    std::string s = formatGeneral(v);
    for (char& c : s)
        if (c == '.')
            c = fmt.decimal;
    return s;
}

// ---- import -------------------------------------------------------------------

bool importText(const fs::path& textFile, const fs::path& target, const fs::path& templateFile, int headingLines,
                const NumberFormat& fmt, Dialogs& dialogs)
{
    // Nothing is deleted up front: the new table is built in memory and put in
    // place of the old one only when the whole file was read, so a bad line, a
    // missing file or a full disk leaves the old table as it was.
    const fs::path real = resolveFile(target);
    fs::path folder = real.parent_path();
    if (folder.empty())
        folder = ".";
    std::error_code ec;
    const bool targetExists = fs::exists(real, ec);
    if (targetExists && (!fs::is_regular_file(real, ec) || !canCreateIn(folder))) {
        dialogs.error("Falha ao apagar arquivo\n" + target.string() +
                      "\n\nVerifique se ele está sendo usado por outra aplicação.");
        return false;
    }
    std::vector<FieldDef> schema;
    try {
        schema = readSchema(templateFile);
    } catch (const std::exception&) {
        schema.clear();
    }
    if (schema.empty() || (!targetExists && !canCreateIn(folder))) {
        dialogs.error("Falha ao copiar\n" + templateFile.string() + " para \n" + target.string());
        return false;
    }

    std::optional<std::string> failure;
    {
        BusyGuard busy(dialogs);
        try {
            if (schema.size() > kMaxFields)
                throw Error("A tabela modelo " + templateFile.string() + " tem mais de " +
                            std::to_string(kMaxFields) + " campos");
            Table table = readTextIntoTable(textFile, schema, std::max(headingLines, 0), fmt);
            writeTable(target, table);
        } catch (const std::exception& e) {
            failure = e.what();
        }
    }
    if (failure) {
        dialogs.error("Não foi possível ler o arquivo.\nVerifique se ele está aberto por outra aplicação.\n\n"
                      "Erro original: " +
                      *failure);
        return false;
    }
    return true;
}

// ---- export -------------------------------------------------------------------

std::string exportText(const ResultSet& rows, const NumberFormat& fmt, std::string_view lineEnd)
{
    std::string out;
    for (const auto& c : rows.columns) {
        out += c;
        out += ';';
    }
    out += lineEnd;
    const Value empty;
    for (const Row& r : rows.rows) {
        for (std::size_t i = 0; i < rows.columns.size(); ++i) {
            const Value& v = i < r.size() ? r[i] : empty;
            if (v.isNumber())
                out += formatRegionalNumber(v.toDouble(), fmt);
            else
                out += v.toText();
            out += ';';
        }
        out += lineEnd;
    }
    return out;
}

void writeExportFile(const fs::path& file, const ResultSet& rows, const NumberFormat& fmt, const std::string& sheetName)
{
    if (isSpreadsheetName(file))
        writeXlsxFile(file, rows, sheetName.empty() ? file.stem().string() : sheetName);
    else
        writeFileAtomically(file, utf8ToCp1252(exportText(rows, fmt, "\r\n")));
}

std::string tableNameOf(std::string_view statement)
{
    for (std::size_t open = statement.find('"'); open != std::string_view::npos;) {
        const std::size_t close = statement.find('"', open + 1);
        if (close == std::string_view::npos)
            break;
        const fs::path token(std::string(statement.substr(open + 1, close - open - 1)));
        const std::string ext = lowerAscii(token.extension().string());
        if (ext == ".dbf" || ext == ".db")
            return token.stem().string();
        open = statement.find('"', close + 1);
    }
    return {};
}

bool exportStatement(SqlEngine& sql, const std::string& statement, const NumberFormat& fmt, Dialogs& dialogs)
{
    std::optional<std::string> chosen = dialogs.chooseSaveFile();
    if (!chosen || chosen->empty())
        return false;
    bool noRows = false;
    std::optional<std::string> failure;
    {
        BusyGuard busy(dialogs);
        try {
            ResultSet rs = sql.query(statement);
            if (rs.rows.empty())
                noRows = true;
            else
                writeExportFile(*chosen, rs, fmt, tableNameOf(statement)); // atomic: a failure leaves no partial file
        } catch (const std::exception& e) {
            failure = e.what();
        }
    }
    if (failure) {
        dialogs.warning("Erro ao tentar obter as informações a exportar.\n\nErro original: " + *failure);
        return false;
    }
    if (noRows) {
        dialogs.warning("Sem registros a exportar");
        return false;
    }
    dialogs.information("Arquivo " + *chosen + "\ncriado com sucesso");
    return true;
}

// ---- field splitter -------------------------------------------------------------

bool splitFields(std::string_view line, FieldArray& fields)
{
    const std::string t = trim(line);
    if (t.empty())
        return false;
    auto [found, count] =
        forEachField(t, fields.size(), [&](std::size_t i, std::string_view f) { fields[i] = std::string(f); });
    for (std::size_t i = found; i < count; ++i)
        fields[i].clear();
    return true;
}

} // namespace demovia
