#pragma once
// Small dBase fixtures for the SQL tests: tables made from the templates' fields,
// an application folder with DBPadrao and a project folder inside Trabalho.
#include "data/schema.h"
#include "data/sql_engine.h"
#include "data/table.h"
#include "data/text_util.h"
#include "test_util.h"

#include <string>
#include <vector>

namespace demovia::test {

using Texts = std::vector<std::vector<std::string>>;

// A table with the fields of a template and the given rows.
inline Table fromTemplate(const std::string& templateFile, std::vector<Row> rows)
{
    Table t(templateDef(templateFile).fields);
    for (auto& r : rows)
        t.append(std::move(r));
    return t;
}

inline std::vector<std::string> texts(const Row& row)
{
    std::vector<std::string> out;
    for (const auto& v : row)
        out.push_back(v.toText());
    return out;
}

inline Texts texts(const std::vector<Row>& rows)
{
    Texts out;
    for (const auto& r : rows)
        out.push_back(texts(r));
    return out;
}

// The 17 age groups as the reference table defines them.
inline Table ageGroups()
{
    Table t(templateDef("faixas.dbf").fields);
    for (int g = 1; g <= 17; ++g)
        t.append({formatMask(g, "00#"), formatMask(5 * g - 5, "00#"), formatMask(g == 17 ? 80 : 5 * g - 1, "00#")});
    return t;
}

// An application folder (with DBPadrao) and one project folder; both paths end
// with the separator, as the system forms them.
class Workspace {
public:
    Workspace()
    {
        fs::create_directories(m_dir / "app" / "DBPadrao");
        fs::create_directories(m_dir / "app" / "Trabalho" / "TESTE");
        m_app = (m_dir / "app").string() + "/";
        m_project = (m_dir / "app" / "Trabalho" / "TESTE").string() + "/";
    }
    const std::string& app() const { return m_app; }
    const std::string& project() const { return m_project; }
    fs::path inProject(const std::string& file) const { return fs::path(m_project + file); }
    fs::path reference(const std::string& file) const { return fs::path(m_app + "DBPadrao/" + file); }

    // Statement text with the folders filled in.
    std::string fill(std::string s) const
    {
        replaceAll(s, "{project folder}", m_project);
        replaceAll(s, "{application folder}", m_app);
        return s;
    }

    static void replaceAll(std::string& s, const std::string& from, const std::string& to)
    {
        for (std::size_t at = s.find(from); at != std::string::npos; at = s.find(from, at + to.size()))
            s.replace(at, from.size(), to);
    }

private:
    TempDir m_dir;
    std::string m_app, m_project;
};

} // namespace demovia::test
