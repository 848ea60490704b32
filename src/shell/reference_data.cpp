#include "shell/reference_data.h"

#include "data/census.h"

#include <set>

#include "data/encoding.h"
#include "data/error.h"
#include "data/schema.h"
#include "data/text_util.h"

#include <charconv>
#include <fstream>
#include <sstream>

namespace demovia {

namespace {

std::vector<std::string> dataLines(const fs::path& file)
{
    std::string text = decodeText(readFileBytes(file));
    std::vector<std::string> lines;
    std::string line;
    std::istringstream is(text);
    while (std::getline(is, line)) {
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        lines.push_back(line);
    }
    return lines;
}

std::vector<std::string> split(const std::string& s, char sep)
{
    std::vector<std::string> out;
    std::string cur;
    for (char c : s) {
        if (c == sep) {
            out.push_back(cur);
            cur.clear();
        } else
            cur += c;
    }
    out.push_back(cur);
    return out;
}

double number(const std::string& s)
{
    std::string t = trim(s);
    double v = 0;
    auto [p, ec] = std::from_chars(t.data(), t.data() + t.size(), v);
    if (ec != std::errc() || p != t.data() + t.size())
        throw Error("Número inválido nos multiplicadores: " + t);
    return v;
}

} // namespace

Table buildUfTable(const fs::path& ufsText)
{
    Table t(templateDef("uf.dbf").fields);
    for (const auto& line : dataLines(ufsText)) {
        if (line.empty() || line[0] == '#')
            continue;
        auto f = split(line, ';');
        if (f.size() < 3)
            throw Error("Linha inválida em " + ufsText.string() + ": " + line);
        t.append({Value(parseWhole(f[0])), Value(trim(f[1])), Value(trim(f[2]))});
    }
    return t;
}

Table buildMunTable(const fs::path& municipiosText)
{
    Table t(templateDef("mun.dbf").fields);
    for (const auto& line : dataLines(municipiosText)) {
        if (line.empty() || line[0] == '#')
            continue;
        auto f = split(line, ';');
        if (f.size() < 4)
            throw Error("Linha inválida em " + municipiosText.string() + ": " + line);
        t.append({Value(parseWhole(f[0])), Value(parseWhole(f[1])), Value(trim(f[3]))});
    }
    return t;
}

Table buildFaixasTable()
{
    Table t(templateDef("faixas.dbf").fields);
    for (int n = 1; n <= 17; ++n) {
        int first = 5 * n - 5, last = n == 17 ? 80 : 5 * n - 1;
        t.append({Value(formatMask(n, "000")), Value(formatMask(first, "000")), Value(formatMask(last, "000"))});
    }
    return t;
}

Table buildMultiplierTable(const fs::path& multipliersText, const std::string& section)
{
    const char* file = section == "sprague" ? "sprague.dbf" : "kking.dbf";
    Table t(templateDef(file).fields);
    bool in = false;
    for (const auto& raw : dataLines(multipliersText)) {
        std::string line = trim(raw);
        if (line.empty() || line[0] == '#')
            continue;
        if (line[0] == '[') {
            in = line == "[" + section + "]";
            continue;
        }
        if (!in)
            continue;
        auto f = split(line, ';');
        if (f.size() != t.fields.size())
            throw Error("Linha de multiplicadores com número de campos inválido: " + line);
        Row r;
        for (const auto& x : f)
            r.emplace_back(number(x));
        t.append(std::move(r));
    }
    return t;
}

void writeReferenceTables(const fs::path& dbPadrao, const fs::path& src)
{
    fs::create_directories(dbPadrao);
    writeTable(dbPadrao / "uf.dbf", buildUfTable(src / "br-ufs.txt"));
    writeTable(dbPadrao / "mun.dbf", buildMunTable(src / "br-municipios.txt"));
    writeTable(dbPadrao / "faixas.dbf", buildFaixasTable());
    writeTable(dbPadrao / "kking.dbf", buildMultiplierTable(src / "multipliers.txt", "karup-king"));
    writeTable(dbPadrao / "sprague.dbf", buildMultiplierTable(src / "multipliers.txt", "sprague"));
}

const std::vector<ReferenceTable>& referenceTables()
{
    static const std::vector<ReferenceTable> t = {{"uf.dbf", "UFs"},
                                                  {"mun.dbf", "Municípios"},
                                                  {"faixas.dbf", "Faixas etárias"},
                                                  {"kking.dbf", "Coeficientes de Karup King"},
                                                  {"sprague.dbf", "Coeficientes de Sprague"}};
    return t;
}

namespace {

std::string multipliersProblem(const Table& t, std::size_t rows, std::size_t columns)
{
    if (t.size() != rows)
        return "a tabela deve ter " + std::to_string(rows) + " linhas e tem " + std::to_string(t.size());
    if (t.fields.size() < columns)
        return "a tabela deve ter " + std::to_string(columns) + " campos de multiplicadores e tem " +
               std::to_string(t.fields.size());
    for (std::size_t c = 0; c < columns; ++c)
        if (!t.fields[c].isNumeric())
            return "o campo " + t.fields[c].name + " deveria ser numérico";
    for (std::size_t r = 0; r < rows; ++r)
        for (std::size_t c = 0; c < columns; ++c)
            if (t.rows[r][c].isNull())
                return "a linha " + std::to_string(r + 1) + " não tem o multiplicador " + std::to_string(c + 1);
    return {};
}

// A whole number within [lo, hi], or a description of what it is instead.
bool codeIn(const Value& v, long long lo, long long hi)
{
    if (!v.isNumber())
        return false;
    const double d = v.toDouble();
    return d == static_cast<double>(static_cast<long long>(d)) && d >= static_cast<double>(lo) &&
           d <= static_cast<double>(hi);
}

} // namespace

std::string referenceShapeProblem(const std::string& file, const Table& t)
{
    if (equalsNoCase(file, "faixas.dbf"))
        return ageGroupsProblem(t);
    if (equalsNoCase(file, "kking.dbf"))
        return multipliersProblem(t, 15, 3);
    if (equalsNoCase(file, "sprague.dbf"))
        return multipliersProblem(t, 25, 5);
    if (equalsNoCase(file, "uf.dbf") || equalsNoCase(file, "mun.dbf")) {
        const bool mun = equalsNoCase(file, "mun.dbf");
        const int fu = t.fieldIndex("id_uf"), fm = t.fieldIndex("id_mun");
        if (fu < 0 || (mun && fm < 0))
            return mun ? "faltam os campos id_uf e id_mun" : "falta o campo id_uf";
        if (t.size() == 0)
            return "a tabela está vazia";
        std::set<std::pair<long long, long long>> seen;
        for (std::size_t r = 0; r < t.size(); ++r) {
            const Value& u = t.rows[r][static_cast<std::size_t>(fu)];
            if (!codeIn(u, 1, 99))
                return "a linha " + std::to_string(r + 1) + " tem o código de UF '" + u.toText() +
                       "' (deve ser de 1 a 99)";
            long long m = 0;
            if (mun) {
                const Value& v = t.rows[r][static_cast<std::size_t>(fm)];
                if (!codeIn(v, 0, 9999))
                    return "a linha " + std::to_string(r + 1) + " tem o código de município '" + v.toText() +
                           "' (deve ser de 0 a 9999)";
                m = v.toInt();
            }
            if (!seen.insert({u.toInt(), m}).second)
                return mun ? "o município " + mun4(m) + " da UF " + uf2(u.toInt()) + " aparece mais de uma vez"
                           : "a UF " + uf2(u.toInt()) + " aparece mais de uma vez";
        }
    }
    return {};
}

} // namespace demovia
