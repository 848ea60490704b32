// The checks before the projection: which municipalities have everything the
// projection needs, and the selection of those that do.
#include "engine/calculo.h"

#include "data/error.h"
#include "data/sql_engine.h"
#include "data/text_util.h"

namespace demovia::calculo {

namespace {

std::string countText(const Value& v)
{
    return std::to_string(static_cast<long long>(v.toDouble()));
}

// The first n characters (code points) of a UTF-8 text.
std::string firstChars(const std::string& s, std::size_t n)
{
    std::size_t i = 0, count = 0;
    while (i < s.size() && count < n) {
        const auto c = static_cast<unsigned char>(s[i]);
        i += c < 0x80 ? 1 : c < 0xE0 ? 2 : c < 0xF0 ? 3 : 4;
        ++count;
    }
    return s.substr(0, std::min(i, s.size()));
}

} // namespace

int column(const ResultSet& rows, const std::string& name)
{
    for (std::size_t c = 0; c < rows.columns.size(); ++c)
        if (equalsNoCase(rows.columns[c], name))
            return static_cast<int>(c);
    throw Error("Coluna não encontrada no resultado da consulta: " + name);
}

Checks::Entry* Checks::find(const std::string& mun)
{
    auto it = m_index.find(mun);
    return it == m_index.end() ? nullptr : &m_list[it->second];
}

bool Checks::interpolated(const ResultSet& rows)
{
    if (rows.rows.empty()) {
        emptyMessage = "Nenhum município disponível para projeção no arquivo interpolado";
        return false;
    }
    const int fmun = column(rows, "mun"), fcount = column(rows, "qtd_idades");
    m_report = "Número de idades incorreto em interpolação\n";
    for (const Row& r : rows.rows) {
        Entry e{r[fmun].toText(), false};
        if (static_cast<int>(r[fcount].toDouble()) != kAges) {
            e.marked = true;
            m_report += e.mun + " (" + countText(r[fcount]) + "), ";
        }
        m_index.emplace(e.mun, m_list.size());
        m_list.push_back(std::move(e));
    }
    m_report += "\n";
    return true;
}

bool Checks::kFactors(const ResultSet& rows)
{
    if (rows.rows.empty()) {
        emptyMessage = "Nenhum município disponível para projeção no arquivo de fatores K";
        return false;
    }
    const int fmun = column(rows, "mun"), fcount = column(rows, "qtd_idades");
    m_report += "Fator K em falta\n";
    std::vector<bool> seen(m_list.size(), false);
    for (const Row& r : rows.rows) {
        Entry* e = find(r[fmun].toText());
        if (!e)
            continue;
        seen[e - m_list.data()] = true;
        if (!e->marked && static_cast<int>(r[fcount].toDouble()) != kAges) {
            e->marked = true;
            m_report += e->mun + " (" + countText(r[fcount]) + "), ";
        }
    }
    // Without its K factors a municipality would be projected with another's.
    for (std::size_t i = 0; i < m_list.size(); ++i)
        if (!seen[i] && !m_list[i].marked) {
            m_list[i].marked = true;
            m_report += m_list[i].mun + " (0), ";
        }
    m_report += "\n";
    return true;
}

bool Checks::fertility(const ResultSet& rows, const std::function<bool(const std::string&)>& complete)
{
    if (rows.rows.empty()) {
        emptyMessage = "Nenhum município disponível para projeção no arquivo de\n"
                       "taxas específicas de fecundidade para cada município";
        return false;
    }
    const int fmun = column(rows, "mun");
    std::vector<bool> seen(m_list.size(), false);
    for (const Row& r : rows.rows)
        if (Entry* e = find(r[fmun].toText()))
            seen[e - m_list.data()] = true;
    m_report += "Fecundidades\n";
    for (std::size_t i = 0; i < m_list.size(); ++i) {
        // Every projected year needs its own fertility row.
        if (!seen[i] || (complete && !complete(m_list[i].mun))) {
            m_list[i].marked = true;
            m_report += m_list[i].mun + ", ";
        }
    }
    m_report += "\n";
    return true;
}

bool Checks::anyMarked() const
{
    for (const auto& e : m_list)
        if (e.marked)
            return true;
    return false;
}

std::vector<std::string> Checks::selected() const
{
    std::vector<std::string> s;
    for (const auto& e : m_list)
        if (!e.marked)
            s.push_back(e.mun);
    return s;
}

std::string Checks::selection() const
{
    std::string s = " where mun in (";
    bool first = true;
    for (const auto& e : m_list) {
        if (e.marked)
            continue;
        if (!first)
            s += ", ";
        s += "\"" + e.mun + "\"";
        first = false;
    }
    return s + ")";
}

std::string Checks::confirmation() const
{
    return "Um ou mais municípios não poderão ser projetados.\n\nVerifique a lista a seguir:\n" +
           trim(firstChars(m_report, 500)) + "\n\n" + "Continuar";
}

} // namespace demovia::calculo
