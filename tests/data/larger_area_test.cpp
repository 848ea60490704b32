#include "data/larger_area.h"
#include "data/scripted_dialogs.h"
#include "test_util.h"

#include <gtest/gtest.h>

using namespace demovia;

namespace {

class LargerAreaTest : public ::testing::Test {
protected:
    test::TempDir dir;
    fs::path project = dir.path() / "P";
    NumberFormat fmt{',', '.'};
    ScriptedDialogs dialogs;

    void SetUp() override { fs::create_directories(project); }

    bool import(LargerAreaTable t, const std::string& text)
    {
        test::writeBytes(dir / "in.txt", text);
        return importLargerArea(test::appDir(), project, "12", t, dir / "in.txt", fmt, dialogs);
    }
};

// A line of the state: UF then n values v, v+1, ...
std::string line(const std::string& uf, int n, int v)
{
    std::string s = uf;
    for (int i = 0; i < n; ++i)
        s += ";" + std::to_string(v + i);
    return s + "\r\n";
}

} // namespace

TEST_F(LargerAreaTest, SurvivalAtBirthKeepsTheStateAndAveragesConsecutiveRows)
{
    std::string text;
    for (int i = 0; i < 21; ++i)
        text += "12;0,97" + std::to_string(10 + i) + ";0,98" + std::to_string(10 + i) + "\r\n" + "11;0,5;0,5\r\n";
    ASSERT_TRUE(import(LargerAreaTable::RelNas, text)) << dialogs.lastText();

    Table rel = readTable(project / "rel_nas.dbf");
    ASSERT_EQ(rel.size(), 21u);
    EXPECT_DOUBLE_EQ(rel.rows[20][static_cast<std::size_t>(rel.field("HOM"))].toDouble(), 0.9730);
    Table avg = readTable(project / "relnas_m.dbf");
    ASSERT_EQ(avg.size(), 20u);
    EXPECT_EQ(avg.rows[0][0].toText(), "12");
    EXPECT_NEAR(avg.rows[0][static_cast<std::size_t>(avg.field("HOM"))].toDouble(), (0.9710 + 0.9711) / 2, 1e-12);
    EXPECT_NEAR(avg.rows[19][static_cast<std::size_t>(avg.field("MUL"))].toDouble(), (0.9829 + 0.9830) / 2, 1e-12);

    // Rows of another state are neither checked nor kept: a short one passes.
    ASSERT_TRUE(import(LargerAreaTable::RelNas, "11;0,5\r\n12;0,97;0,98;\r\n11;1;2;3;4\r\n")) << dialogs.lastText();
    EXPECT_EQ(readTable(project / "rel_nas.dbf").size(), 1u);
    EXPECT_EQ(readTable(project / "relnas_m.dbf").size(), 0u);
}

TEST_F(LargerAreaTest, ProjectionKeepsTheStateRowsInFileOrder)
{
    ASSERT_TRUE(import(LargerAreaTable::PopProj, line("11", 162, 5) + line("12", 162, 100) + line("11", 162, 6) +
                                                     line("12", 162, 200)))
        << dialogs.lastText();
    Table t = readTable(project / "pop_proj.dbf");
    ASSERT_EQ(t.size(), 2u);
    EXPECT_EQ(t.fields.size(), 163u);
    EXPECT_EQ(t.rows[0][1].toDouble(), 100.0);
    EXPECT_EQ(t.rows[1][162].toDouble(), 361.0);
    EXPECT_FALSE(fileExists(project / "tx_fec.dbf"));
}

// Files the tables cannot take are refused before anything is replaced.
TEST_F(LargerAreaTest, BadFilesLeaveTheTablesAsTheyWere)
{
    ASSERT_TRUE(import(LargerAreaTable::PopProj, line("12", 162, 100)));
    ASSERT_TRUE(import(LargerAreaTable::TxFec, "12;0,05;0,1;0,1;0,07;0,04;0,015;0,004\r\n"));
    ASSERT_TRUE(import(LargerAreaTable::RelNas, "12;0,97;0,98\r\n12;0,98;0,99\r\n"));
    const char* files[] = {"pop_proj.dbf", "tx_fec.dbf", "rel_nas.dbf", "relnas_m.dbf"};
    std::vector<std::string> before;
    for (const char* f : files)
        before.push_back(test::readBytes(project / f));

    struct Case {
        LargerAreaTable table;
        std::string text;
        std::string message;
    };
    const Case cases[] = {
        // Each fixed layout: a row of the state with a field too few or too many.
        {LargerAreaTable::PopProj, line("12", 162, 1) + line("12", 161, 1),
         "linha 2: a linha tem 162 campos; são esperados 163 (UF;HOM_0 … HOM_80;MUL_0 … MUL_80)"},
        {LargerAreaTable::PopProj, line("12", 163, 1), "linha 1: a linha tem 164 campos; são esperados 163"},
        {LargerAreaTable::TxFec, "12;0,05;0,1;0,1;0,07;0,04;0,015\r\n",
         "linha 1: a linha tem 7 campos; são esperados 8 (UF;TRF_0 … TRF_6)"},
        {LargerAreaTable::TxFec, "12;0,05;0,1;0,1;0,07;0,04;0,015;0,004;0,001\r\n",
         "linha 1: a linha tem 9 campos; são esperados 8"},
        {LargerAreaTable::RelNas, "12;0,97\r\n", "linha 1: a linha tem 2 campos; são esperados 3 (UF;HOM;MUL)"},
        {LargerAreaTable::RelNas, "11;0,5;0,5\r\n12;0,97;0,98;0,99\r\n", "linha 2: a linha tem 4 campos"},
        // A fertility file taken for survival ratios.
        {LargerAreaTable::RelNas, "12;0,05;0,1;0,1;0,07;0,04;0,015;0,004\r\n", "a linha tem 8 campos; são esperados 3"},
        {LargerAreaTable::TxFec, "", "não possui registro para a UF escolhida"},
        {LargerAreaTable::TxFec, "\r\n  \r\n", "não possui registro para a UF escolhida"},
        {LargerAreaTable::RelNas, "11;0,97;0,98\r\n", "não possui registro para a UF escolhida"},
        {LargerAreaTable::RelNas, "12;0,97;x\r\n", "linha 1, campo 3 (MUL): 'x' não é um valor numérico válido"},
        {LargerAreaTable::RelNas, "12,0,97,0,98\r\n", "linha 1, campo 1 (UF): '12,0,97,0,98' não é um código de UF"},
    };
    for (const auto& c : cases) {
        dialogs.log.clear();
        EXPECT_FALSE(import(c.table, c.text)) << c.text;
        EXPECT_NE(dialogs.lastText().find(c.message), std::string::npos) << dialogs.lastText();
    }
    for (std::size_t i = 0; i < std::size(files); ++i)
        EXPECT_EQ(test::readBytes(project / files[i]), before[i]) << files[i];
}
