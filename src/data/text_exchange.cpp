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

// A field as messages show it: control bytes made visible, long garbage cut.
std::string shownField(std::string_view f)
{
    std::string out;
    for (std::size_t i = 0; i < f.size() && out.size() < 40; ++i) {
        const unsigned char c = static_cast<unsigned char>(f[i]);
        if (c < 0x20 || c == 0x7F) {
            char hex[8];
            std::snprintf(hex, sizeof hex, "\\x%02X", c);
            out += hex;
        } else
            out += static_cast<char>(c);
    }
    if (out.size() >= 40)
        out += "…";
    return isValidUtf8(out) ? out : cp1252ToUtf8(out);
}

bool hasControl(std::string_view f)
{
    for (unsigned char c : f)
        if ((c < 0x20 && c != '\t') || c == 0x7F)
            return true;
    return false;
}

constexpr std::size_t kChunk = 1 << 20;
constexpr std::size_t kMaxLine = 1 << 20;

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

ImportLines::ImportLines(const fs::path& file, int headingLines) : m_file(file)
{
    std::error_code ec;
    if (!fs::exists(file, ec))
        throw Error("Arquivo não encontrado: " + file.string());
    if (!fs::is_regular_file(file, ec))
        throw Error("Não é um arquivo: " + file.string());
    m_in = std::fopen(file.string().c_str(), "rb");
    if (!m_in)
        throw Error("Não foi possível abrir o arquivo " + file.string() + ": " + std::strerror(errno));
    // UTF-8 only when the whole file is: a first pass over the lines decides.
    while (readLine())
        if (!isValidUtf8(m_line)) {
            m_cp1252 = true;
            break;
        }
    std::rewind(m_in);
    m_cr = m_end = false;
    m_chunk.clear();
    m_pos = 0;
    m_number = 0;
    for (int k = 0; k < headingLines && readLine(); ++k) {
    }
}

ImportLines::~ImportLines()
{
    if (m_in)
        std::fclose(m_in);
}

bool ImportLines::readLine()
{
    m_line.clear();
    bool any = false;
    for (;;) {
        if (m_pos >= m_chunk.size()) {
            if (m_end) {
                if (any)
                    ++m_number;
                return any;
            }
            m_chunk.resize(kChunk);
            const std::size_t n = std::fread(m_chunk.data(), 1, kChunk, m_in);
            if (n < kChunk && std::ferror(m_in))
                throw Error("Erro de leitura no arquivo " + m_file.string() + ": " + std::strerror(errno));
            m_chunk.resize(n);
            m_pos = 0;
            if (m_number == 0 && !any && m_chunk.compare(0, 3, "\xEF\xBB\xBF") == 0)
                m_pos = 3;
            if (const std::size_t z = m_chunk.find('\x1A'); z != std::string::npos) {
                m_chunk.resize(z);
                m_end = true;
            }
            if (n == 0)
                m_end = true;
            continue;
        }
        if (m_cr) {
            m_cr = false;
            if (m_chunk[m_pos] == '\n') {
                ++m_pos;
                continue;
            }
        }
        const std::size_t e = m_chunk.find_first_of("\r\n", m_pos);
        const std::size_t stop = e == std::string::npos ? m_chunk.size() : e;
        m_line.append(m_chunk, m_pos, stop - m_pos);
        any = true;
        if (m_line.size() > kMaxLine)
            throw Error("Arquivo " + m_file.string() + ", linha " + std::to_string(m_number + 1) +
                        ": a linha passa de 1 MB; o arquivo não parece ser um texto separado por \";\"");
        if (e == std::string::npos) {
            m_pos = m_chunk.size();
            continue;
        }
        m_cr = m_chunk[e] == '\r';
        m_pos = e + 1;
        ++m_number;
        return true;
    }
}

bool ImportLines::next()
{
    while (readLine()) {
        if (trimBlanks(m_line).empty())
            continue;
        m_fields.clear();
        forEachField(m_line, kMaxFields, [&](std::size_t, std::string_view f) { m_fields.push_back(unquote(f)); });
        m_count = static_cast<std::size_t>(countChar(m_line, ';')) + (m_line.back() != ';' ? 1 : 0);
        return true;
    }
    return false;
}

std::string ImportLines::text(std::size_t i) const
{
    const std::string_view f = m_fields[i];
    return m_cp1252 ? cp1252ToUtf8(f) : std::string(f);
}

Error ImportLines::error(std::size_t i, const std::string& name, const std::string& what) const
{
    return Error("Arquivo " + m_file.string() + ", linha " + std::to_string(m_number) + ", campo " +
                 std::to_string(i + 1) + (name.empty() ? "" : " (" + name + ")") + ": " + what);
}

Error ImportLines::error(const std::string& what) const
{
    return Error("Arquivo " + m_file.string() + ", linha " + std::to_string(m_number) + ": " + what);
}

Value importValue(const ImportLines& lines, std::size_t i, const FieldDef& field, const NumberFormat& fmt)
{
    const std::string_view raw = lines.field(i);
    if (field.isNumeric()) {
        if (trimBlanks(raw).empty())
            throw lines.error(i, field.name, "o campo está vazio; é esperado um número");
        if (hasControl(raw) || raw.size() > 60)
            throw lines.error(i, field.name, "'" + shownField(raw) + "' não é um valor numérico válido");
        try {
            const double v = parseRegionalNumber(raw, fmt);
            (void)formatNumericField(v, field); // a number that does not fit is refused, never cut
            return Value(v);
        } catch (const Error& e) {
            throw lines.error(i, field.name, e.what());
        }
    }
    if (hasControl(raw))
        throw lines.error(i, field.name, "'" + shownField(raw) + "' contém caracteres de controle");
    std::string t = lines.text(i);
    std::size_t chars = 0;
    for (unsigned char c : t)
        chars += (c & 0xC0) != 0x80;
    if (chars > static_cast<std::size_t>(field.width))
        throw lines.error(i, field.name,
                          "'" + shownField(t) + "' tem " + std::to_string(chars) + " caracteres e o campo comporta " +
                              std::to_string(field.width) + "; o valor não é cortado");
    return Value(std::move(t));
}

// The fields from `from` on; a field the line lacks is 0 or empty.
void fillRow(const ImportLines& lines, const std::vector<FieldDef>& schema, const NumberFormat& fmt, std::size_t from,
             Row& row)
{
    for (std::size_t c = from; c < schema.size(); ++c) {
        const FieldDef& fd = schema[c];
        if (c >= lines.found())
            row[c] = fd.isNumeric() ? Value(0.0) : Value(std::string());
        else
            row[c] = importValue(lines, c, fd, fmt);
    }
}

int lineState(const ImportLines& lines)
{
    const std::string_view f = trimBlanks(lines.field(0));
    bool ok = !f.empty() && f.size() <= 2;
    for (char c : f)
        ok = ok && isDigit(c);
    if (!ok)
        throw lines.error(0, "UF",
                          "'" + shownField(lines.field(0)) +
                              "' não é um código de UF (um ou dois dígitos); confira se o separador dos campos é \";\"");
    return f.size() == 1 ? f[0] - '0' : (f[0] - '0') * 10 + (f[1] - '0');
}

void checkFieldCount(const ImportLines& lines, const StateLayout& layout)
{
    if (lines.count() != layout.fields)
        throw lines.error("a linha tem " + std::to_string(lines.count()) + " campos; são esperados " +
                          std::to_string(layout.fields) + " (" + layout.description + ")");
}

namespace {

const char* const kReadFailure = "Não foi possível ler o arquivo.\nVerifique se ele está aberto por outra aplicação."
                                 "\n\nErro original: ";

// The checks before reading: the old target can be replaced, the template read.
std::optional<std::vector<FieldDef>> prepareImport(const fs::path& target, const fs::path& templateFile,
                                                   Dialogs& dialogs)
{
    const fs::path real = resolveFile(target);
    fs::path folder = real.parent_path();
    if (folder.empty())
        folder = ".";
    std::error_code ec;
    const bool targetExists = fs::exists(real, ec);
    if (targetExists && (!fs::is_regular_file(real, ec) || !canCreateIn(folder))) {
        dialogs.error("Falha ao apagar arquivo\n" + target.string() +
                      "\n\nVerifique se ele está sendo usado por outra aplicação.");
        return std::nullopt;
    }
    std::vector<FieldDef> schema;
    try {
        schema = readSchema(templateFile);
    } catch (const std::exception&) {
        schema.clear();
    }
    if (schema.empty() || (!targetExists && !canCreateIn(folder))) {
        dialogs.error("Falha ao copiar\n" + templateFile.string() + " para \n" + target.string());
        return std::nullopt;
    }
    return schema;
}

} // namespace

bool importText(const fs::path& textFile, const fs::path& target, const fs::path& templateFile, int headingLines,
                const NumberFormat& fmt, Dialogs& dialogs)
{
    // The new table is written row by row beside the old one and put in its
    // place only when the whole file was read, so a bad line, a missing file
    // or a full disk leaves the old table as it was.
    const auto schema = prepareImport(target, templateFile, dialogs);
    if (!schema)
        return false;
    std::optional<std::string> failure;
    {
        BusyGuard busy(dialogs);
        try {
            if (schema->size() > kMaxFields)
                throw Error("A tabela modelo " + templateFile.string() + " tem mais de " +
                            std::to_string(kMaxFields) + " campos");
            ImportLines lines(textFile, std::max(headingLines, 0));
            TableWriter out(target, *schema);
            const std::size_t ncols = schema->size();
            Row row(ncols);
            while (lines.next()) {
                fillRow(lines, *schema, fmt, 0, row);
                out.append(row);
            }
            out.commit();
        } catch (const std::exception& e) {
            failure = e.what();
        }
    }
    if (failure) {
        dialogs.error(kReadFailure + *failure);
        return false;
    }
    return true;
}

std::optional<std::size_t> importStateRows(const fs::path& textFile, const fs::path& target,
                                           const fs::path& templateFile, const StateLayout& layout,
                                           bool refuseEmpty, const NumberFormat& fmt, Dialogs& dialogs)
{
    const auto schema = prepareImport(target, templateFile, dialogs);
    if (!schema)
        return std::nullopt;
    std::optional<std::string> failure;
    std::size_t kept = 0;
    {
        BusyGuard busy(dialogs);
        try {
            const int uf = static_cast<int>(parseWhole(layout.uf));
            ImportLines lines(textFile, 0);
            TableWriter out(target, *schema);
            const std::size_t ncols = schema->size();
            Row row(ncols);
            while (lines.next()) {
                if (lineState(lines) != uf)
                    continue;
                checkFieldCount(lines, layout);
                row[0] = Value(uf2(uf));
                fillRow(lines, *schema, fmt, 1, row);
                out.append(row);
            }
            kept = out.size();
            if (kept > 0 || !refuseEmpty)
                out.commit();
        } catch (const std::exception& e) {
            failure = e.what();
        }
    }
    if (failure) {
        dialogs.error(kReadFailure + *failure);
        return std::nullopt;
    }
    if (kept == 0 && refuseEmpty) {
        dialogs.warning("Esse arquivo não possui registro para a UF escolhida.");
        return std::nullopt;
    }
    return kept;
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
    // Double-quoted tokens, a doubled quote inside one standing for one quote.
    for (std::size_t i = statement.find('"'); i != std::string_view::npos;) {
        std::string token;
        std::size_t j = i + 1;
        for (; j < statement.size(); ++j) {
            if (statement[j] != '"')
                token += statement[j];
            else if (j + 1 < statement.size() && statement[j + 1] == '"')
                token += statement[++j];
            else
                break;
        }
        if (j >= statement.size())
            break;
        const fs::path path(token);
        const std::string ext = lowerAscii(path.extension().string());
        if (ext == ".dbf" || ext == ".db")
            return path.stem().string();
        i = statement.find('"', j + 1);
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
