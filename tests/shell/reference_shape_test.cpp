#include "data/census.h"
#include "data/scripted_dialogs.h"
#include "data/table.h"
#include "shell/reference_data.h"
#include "shell/reference_loader.h"
#include "test_util.h"

#include <gtest/gtest.h>

#include <functional>

using namespace demovia;

namespace {

Table delivered(const char* file) { return readTable(test::appDir() / "DBPadrao" / file); }

} // namespace

// The reference tables as delivered pass; each kind of damage is named.
TEST(ReferenceShape, EachTableIsCheckedByItsShape)
{
    struct Case {
        const char* name;
        const char* file;
        std::function<void(Table&)> damage;
        const char* problem; // empty: sound
    };
    const Case cases[] = {
        {"faixas as delivered", "faixas.dbf", [](Table&) {}, ""},
        {"kking as delivered", "kking.dbf", [](Table&) {}, ""},
        {"sprague as delivered", "sprague.dbf", [](Table&) {}, ""},
        {"uf as delivered", "uf.dbf", [](Table&) {}, ""},
        {"mun as delivered", "mun.dbf", [](Table&) {}, ""},
        {"faixas emptied", "faixas.dbf", [](Table& t) { t.rows.clear(); }, "tem 0 linhas"},
        {"faixas with a group moved", "faixas.dbf", [](Table& t) { t.rows[3][1] = Value("016"); },
         "a linha 4 é 004 (016 a 019); deve ser 004 (015 a 019)"},
        {"kking without its last row", "kking.dbf", [](Table& t) { t.rows.pop_back(); },
         "deve ter 15 linhas e tem 14"},
        {"sprague with an empty multiplier", "sprague.dbf", [](Table& t) { t.rows[24][4] = Value(); },
         "a linha 25 não tem o multiplicador 5"},
        {"uf twice", "uf.dbf", [](Table& t) { t.rows.push_back(t.rows[0]); }, "a UF 11 aparece mais de uma vez"},
        {"uf code 0", "uf.dbf", [](Table& t) { t.rows[0][0] = Value(0.0); }, "o código de UF '0'"},
        {"municipality twice", "mun.dbf", [](Table& t) { t.rows.push_back(t.rows[1]); },
         "o município 0002 da UF 11 aparece mais de uma vez"},
        {"municipality code of five digits", "mun.dbf", [](Table& t) { t.rows[0][1] = Value(10000.0); },
         "o código de município '10000'"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Table t = delivered(c.file);
        c.damage(t);
        const std::string problem = referenceShapeProblem(c.file, t);
        if (std::string(c.problem).empty())
            EXPECT_EQ(problem, "");
        else
            EXPECT_NE(problem.find(c.problem), std::string::npos) << problem;
    }
}

// With faixas.dbf emptied, loading does not say "carregado" and the grouping
// writes no Tot_UF.
TEST(ReferenceShape, AnEmptyAgeGroupTableIsNeitherLoadedNorGroupedWith)
{
    test::TempDir app;
    fs::copy(test::appDir() / "DBPadrao", app / "DBPadrao", fs::copy_options::recursive);
    fs::copy(test::appDir() / "DBVazio", app / "DBVazio", fs::copy_options::recursive);
    writeTable(app / "DBPadrao" / "faixas.dbf", Table(delivered("faixas.dbf").fields));

    ScriptedDialogs dialogs;
    const auto lines = loadReferenceTables(app.path(), NumberFormat{}, dialogs);
    ASSERT_EQ(lines.size(), 5u);
    EXPECT_EQ(lines[2].rfind("não carregado - ", 0), 0u) << lines[2];
    EXPECT_TRUE(dialogs.saw("warning", "a tabela deve ter as 17 faixas etárias e tem 0 linhas"));

    const fs::path project = app / "P";
    fs::create_directories(project);
    std::string text = "12;1";
    for (int i = 0; i < 164; ++i)
        text += ";5";
    text += "\r\n";
    test::writeBytes(app / "c.txt", text);
    ASSERT_TRUE(importCensus(app.path(), project, "12", 1, app / "c.txt", NumberFormat{}, dialogs));
    ASSERT_TRUE(importCensus(app.path(), project, "12", 2, app / "c.txt", NumberFormat{}, dialogs));
    dialogs.log.clear();
    EXPECT_FALSE(groupCensuses(app.path(), project, dialogs));
    EXPECT_TRUE(dialogs.saw("error", "A tabela de faixas etárias")) << dialogs.lastText();
    EXPECT_FALSE(fileExists(project / "Tot_UF.dbf"));
    EXPECT_FALSE(fileExists(project / "Tot_UFM.dbf"));
}
