#include "shell/registry.h"

#include "../data/sql_fixture.h"
#include "data/scripted_dialogs.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <sstream>

namespace demovia {
namespace {

using test::fromTemplate;
using test::Texts;
using test::texts;

// An application folder with a small state and municipality table.
class RegistryTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        fs::create_directories(m_dir.path() / "DBPadrao");
        fs::copy(test::appDir() / "DBVazio", m_dir.path() / "DBVazio", fs::copy_options::recursive);
        writeTable(uf(), fromTemplate("uf.dbf", {{35, "SP", "São Paulo"}, {33, "RJ", "Rio de Janeiro"}}));
        writeTable(mun(), fromTemplate("mun.dbf", {{35, 50, "Campinas"},
                                                   {33, 50, "Niterói"},
                                                   {35, 10, "Rio Claro"},
                                                   {33, 60, "Rio das Ostras"},
                                                   {35, 70, "Santos"}}));
    }
    fs::path uf() const { return m_dir.path() / "DBPadrao" / "uf.dbf"; }
    fs::path mun() const { return m_dir.path() / "DBPadrao" / "mun.dbf"; }
    Texts ufRows() const { return texts(readTable(uf()).rows); }
    Texts munRows() const { return texts(readTable(mun()).rows); }

    test::TempDir m_dir;
    SqlEngine m_sql;
    ScriptedDialogs m_dialogs;
    Registry m_reg{m_sql, m_dir.path(), m_dialogs};
};

TEST_F(RegistryTest, DeletingAStateTakesOnlyItsMunicipalities)
{
    m_dialogs.confirmAnswers = {false, true};
    EXPECT_FALSE(m_reg.deleteState(35, "SP"));
    EXPECT_EQ(munRows().size(), 5u);
    ASSERT_TRUE(m_reg.deleteState(35, "SP"));
    EXPECT_EQ(m_dialogs.log[0].text, "Se a UF \"SP\" for excluída, todos os municípios dela\ntambém serão eliminados.\n\n"
                                     "Continuar com a exclusão");
    EXPECT_EQ(ufRows(), (Texts{{"33", "RJ", "Rio de Janeiro"}}));
    EXPECT_EQ(munRows(), (Texts{{"33", "50", "Niterói"}, {"33", "60", "Rio das Ostras"}}));
}

TEST_F(RegistryTest, DeletingAMunicipalityLeavesTheSameCodeOfOtherStates)
{
    m_dialogs.confirmDefault = true;
    ASSERT_TRUE(m_reg.deleteMunicipality(35, 50, "Campinas"));
    EXPECT_EQ(m_dialogs.log[0].text, "O município Campinas será excluído.\n\nContinuar com a exclusão");
    EXPECT_EQ(munRows(), (Texts{{"33", "50", "Niterói"}, {"35", "10", "Rio Claro"}, {"33", "60", "Rio das Ostras"},
                                {"35", "70", "Santos"}}));
}

TEST_F(RegistryTest, ChangingAStateCodeMovesItsMunicipalitiesIncludingDoesNot)
{
    EXPECT_EQ(m_reg.save(EditMode::Alter, EditPanel::State, {"35", "SP", "São Paulo", "0000", ""}, {"36", "SP", "São Paulo", "0000", ""}),
              SaveResult::Saved);
    EXPECT_EQ(ufRows(), (Texts{{"36", "SP", "São Paulo"}, {"33", "RJ", "Rio de Janeiro"}}));
    EXPECT_EQ(munRows(), (Texts{{"36", "50", "Campinas"}, {"33", "50", "Niterói"}, {"36", "10", "Rio Claro"},
                                {"33", "60", "Rio das Ostras"}, {"36", "70", "Santos"}}));
    // A new state with code 33 (only the code repeated) is saved; nothing moves.
    EXPECT_EQ(m_reg.save(EditMode::Include, EditPanel::State, {}, {"33", "MG", "Minas Gerais", "0000", ""}), SaveResult::Saved);
    EXPECT_EQ(ufRows().back(), (std::vector<std::string>{"33", "MG", "Minas Gerais"}));
    EXPECT_EQ(munRows()[1], (std::vector<std::string>{"33", "50", "Niterói"}));
    EXPECT_TRUE(m_dialogs.log.empty());
}

TEST_F(RegistryTest, ConflictOnlyWhenEveryChangedFieldMatches)
{
    struct Case {
        EditMode mode;
        EditPanel panel;
        EditBoxes initial, typed;
        SaveResult expected;
    };
    const Case cases[] = {
        // the whole of an existing state typed again
        {EditMode::Include, EditPanel::State, {}, {"35", "SP", "São Paulo", "0000", ""}, SaveResult::Conflict},
        // a renamed municipality whose new name another code holds, in another state
        {EditMode::Alter, EditPanel::Municipality, {"35", "SP", "São Paulo", "0010", "Rio Claro"},
         {"35", "SP", "São Paulo", "0010", "Niterói"}, SaveResult::Conflict},
        // nothing changed: nothing written, no question
        {EditMode::Alter, EditPanel::Municipality, {"35", "SP", "São Paulo", "0010", "Rio Claro"},
         {"35", "SP", "São Paulo", "0010", "Rio Claro"}, SaveResult::Unchanged},
        // an empty code box cannot become a statement
        {EditMode::Include, EditPanel::State, {}, {"", "XX", "Xis", "0000", ""}, SaveResult::Failed},
    };
    const Texts ufBefore = ufRows(), munBefore = munRows();
    for (const Case& c : cases) {
        m_dialogs.log.clear();
        EXPECT_EQ(m_reg.save(c.mode, c.panel, c.initial, c.typed), c.expected) << c.typed.dsUf << c.typed.dsMun;
        EXPECT_EQ(ufRows(), ufBefore);
        EXPECT_EQ(munRows(), munBefore);
        if (c.expected == SaveResult::Conflict)
            EXPECT_EQ(m_dialogs.lastText(), "Existe registro com alguma das informações digitadas.\n"
                                            "Corrija ou feche a edição e localize o conflito");
        if (c.expected == SaveResult::Failed)
            EXPECT_EQ(m_dialogs.lastText().rfind("Erro ao tentar processar a edição de dados.\n\nErro original: ", 0), 0u);
        if (c.expected == SaveResult::Unchanged)
            EXPECT_TRUE(m_dialogs.log.empty());
    }
}

TEST_F(RegistryTest, TypedTextsAreSavedVerbatim)
{
    const std::string name = "Vila \"Nova\" d'Oeste; --";
    ASSERT_EQ(m_reg.save(EditMode::Include, EditPanel::Municipality, {"33", "RJ", "Rio de Janeiro", "", ""},
                         {"33", "RJ", "Rio de Janeiro", "0080", name}),
              SaveResult::Saved);
    EXPECT_EQ(munRows().back(), (std::vector<std::string>{"33", "80", name}));
    // Altering it again by its code in its own state only.
    ASSERT_EQ(m_reg.save(EditMode::Alter, EditPanel::Municipality, {"33", "RJ", "Rio de Janeiro", "0080", name},
                         {"33", "RJ", "Rio de Janeiro", "0081", name + "\""}),
              SaveResult::Saved);
    EXPECT_EQ(munRows().back(), (std::vector<std::string>{"33", "81", name + "\""}));
    EXPECT_EQ(munRows().size(), 6u);
}

TEST_F(RegistryTest, ExportsOfOneStateAndOfTheMergeKeepToTheirRows)
{
    // A municipality whose state is not registered stays out of the merge.
    Table m = readTable(mun());
    m.append({41, 5, "Curitiba"});
    writeTable(mun(), m);
    struct Case {
        RegistryExport item;
        long long uf;
        std::vector<std::string> lineStarts;
    };
    const Case cases[] = {
        {RegistryExport::SelectedState, 33, {"33;RJ;50;", "33;RJ;60;"}},
        {RegistryExport::Merged, 0, {"35;SP;50;", "33;RJ;50;", "35;SP;10;", "33;RJ;60;", "35;SP;70;"}},
        {RegistryExport::AllStates, 0, {"35;SP;", "33;RJ;"}},
    };
    for (const Case& c : cases) {
        const fs::path out = m_dir.path() / "out.txt";
        m_dialogs.saveFiles.push_back(out.string());
        ASSERT_TRUE(m_reg.exportItem(c.item, c.uf, NumberFormat{})) << m_dialogs.lastText();
        std::istringstream in(test::readBytes(out));
        std::string line;
        std::getline(in, line); // field names
        std::vector<std::string> starts;
        while (std::getline(in, line))
            if (!line.empty())
                starts.push_back(line.substr(0, c.lineStarts.empty() ? 0 : c.lineStarts[0].size()));
        std::sort(starts.begin(), starts.end());
        std::vector<std::string> expected = c.lineStarts;
        std::sort(expected.begin(), expected.end());
        EXPECT_EQ(starts, expected) << static_cast<int>(c.item);
    }
}

TEST(RegistrySearch, FindsFromTheStartingRowInTheGivenDirection)
{
    const Table t = fromTemplate("mun.dbf", {{35, 50, "Campinas"},
                                             {33, 60, "rio das Ostras"},
                                             {35, 70, "Santos"},
                                             {35, 10, "Rio Claro"},
                                             {35, 20, "Ríozinho"}});
    struct Case {
        const char* text;
        int from;
        bool forward;
        int expected;
    };
    const Case cases[] = {
        {" rio ", 0, true, 1}, {"RIO", 2, true, 3},  {"rio", 4, true, -1}, // accented Í is not I
        {"rio", 2, false, 1},  {"rio", 1, true, 1},  {"", 2, true, 2},      {"7", 0, true, 2},
        {"CAMPINASX", 0, true, -1},
    };
    for (const Case& c : cases)
        EXPECT_EQ(searchRows(t, c.text, c.from, c.forward), c.expected) << c.text << " from " << c.from;
}

} // namespace
} // namespace demovia
