#include "data/census.h"
#include "data/error.h"
#include "data/scripted_dialogs.h"
#include "data/text_util.h"
#include "test_util.h"

#include <gtest/gtest.h>

#include <functional>

using namespace demovia;

namespace {

// count(sex, age) for one municipality; sex 0 men, 1 women; age 0..81.
using CountFn = std::function<long long(int, int)>;

struct CensusLine {
    std::string uf, mun;
    CountFn count;
};

std::string censusText(const std::vector<CensusLine>& lines)
{
    std::string text;
    for (const auto& l : lines) {
        text += l.uf + ";" + l.mun;
        for (int s = 0; s < 2; ++s)
            for (int a = 0; a <= 81; ++a)
                text += ";" + std::to_string(l.count(s, a));
        text += "\r\n";
    }
    return text;
}

// A municipality whose counts tell where they came from.
CountFn counts(int base) { return [base](int s, int a) { return static_cast<long long>(base + 100 * s + a); }; }

class CensusTest : public ::testing::Test {
protected:
    test::TempDir dir;
    fs::path project = dir.path() / "P";
    NumberFormat fmt{',', '.'};
    ScriptedDialogs dialogs;

    void SetUp() override { fs::create_directories(project); }

    std::optional<CensusImport> import(int census, const std::vector<CensusLine>& lines, const std::string& uf = "35")
    {
        fs::path file = dir / ("c" + std::to_string(census) + ".txt");
        test::writeBytes(file, censusText(lines));
        return importCensus(test::appDir(), project, uf, census, file, fmt, dialogs);
    }
};

} // namespace

TEST_F(CensusTest, ImportNormalisesCodesAndCountsAndKeepsOnlyTheState)
{
    CountFn withZero = [](int s, int a) -> long long { return s == 0 && a == 0 ? 0 : 12 + a; };
    auto r = import(1, {{"35", "50", withZero}, {"33", "1", counts(7)}, {"35", "0100", counts(1000)},
                        {"35", "7", counts(2000)}});
    ASSERT_TRUE(r) << dialogs.lastText();
    EXPECT_EQ(r->municipalities, 3);
    EXPECT_EQ(r->recordCount, "243");

    Table wide = readTable(project / "CENSO1.db");
    ASSERT_EQ(wide.size(), 3u);
    EXPECT_EQ(wide.fields.size(), 166u);
    EXPECT_EQ(wide.rows[0][0].toText(), "35");
    EXPECT_EQ(wide.rows[0][1].toText(), "0050");
    EXPECT_EQ(wide.rows[0][2].toDouble(), 1.0); // HOM_0 was 0
    EXPECT_EQ(wide.rows[0][3].toDouble(), 13.0);
    EXPECT_EQ(wide.rows[2][1].toText(), "0007");

    // Age by age, each age in the wide table's row order.
    Table longT = readTable(project / "censo1.dbf");
    ASSERT_EQ(longT.size(), 246u);
    const int fMun = longT.field("MUN"), fAge = longT.field("IDADE"), fH = longT.field("HOM"), fM = longT.field("MUL");
    const char* order[] = {"0050", "0100", "0007"};
    for (std::size_t i = 0; i < longT.size(); ++i) {
        const Row& row = longT.rows[i];
        int age = static_cast<int>(i / 3);
        ASSERT_EQ(row[static_cast<std::size_t>(fAge)].toText(), formatMask(age, "000")) << i;
        ASSERT_EQ(row[static_cast<std::size_t>(fMun)].toText(), order[i % 3]) << i;
    }
    EXPECT_EQ(longT.rows[4][static_cast<std::size_t>(fH)].toDouble(), 1001.0); // 0100, age 1
    EXPECT_EQ(longT.rows[245][static_cast<std::size_t>(fM)].toDouble(), 2181.0); // 0007, age 81
}

TEST_F(CensusTest, AFileWithoutTheStateOrWithABadValueKeepsTheCensusImportedBefore)
{
    ASSERT_TRUE(import(2, {{"35", "1", counts(10)}, {"35", "2", counts(20)}}));
    const std::string wide = test::readBytes(project / "CENSO2.db"), longT = test::readBytes(project / "CENSO2.dbf");

    EXPECT_FALSE(import(2, {{"33", "1", counts(10)}, {"33", "2", counts(20)}}));
    EXPECT_TRUE(dialogs.saw("warning", "Esse arquivo não possui registro para a UF escolhida."));

    test::writeBytes(dir / "bad.txt", "35;1;12;x\r\n");
    EXPECT_FALSE(importCensus(test::appDir(), project, "35", 2, dir / "bad.txt", fmt, dialogs));
    EXPECT_TRUE(dialogs.saw("error", "Não foi possível ler o arquivo."));

    EXPECT_EQ(test::readBytes(project / "CENSO2.db"), wide);
    EXPECT_EQ(test::readBytes(project / "CENSO2.dbf"), longT);
}

TEST_F(CensusTest, GroupingPairsTheMunicipalitiesOfBothCensuses)
{
    // 0003 only in census 1, 0004 only in census 2: both are dropped.
    ASSERT_TRUE(import(1, {{"35", "1", counts(10)}, {"35", "2", counts(20)}, {"35", "3", counts(30)}}));
    ASSERT_TRUE(import(2, {{"35", "4", counts(40)}, {"35", "2", counts(25)}, {"35", "1", counts(15)}}));
    ASSERT_TRUE(groupCensuses(test::appDir(), project, dialogs)) << dialogs.lastText();

    Table t1 = readTable(project / "TCensos1.dbf");
    EXPECT_EQ(t1.size(), 2u * 81u);
    for (const auto& r : t1.rows) {
        EXPECT_NE(r[static_cast<std::size_t>(t1.field("IDADE"))].toText(), "081");
        EXPECT_NE(r[static_cast<std::size_t>(t1.field("MUN"))].toText(), "0003");
    }

    Table uf = readTable(project / "Tot_UF.dbf");
    ASSERT_EQ(uf.size(), 17u);
    // Group 1 (ages 0..4) of men, census 1: municipalities 0001 and 0002.
    const auto sum = [](int base, int first, int last) {
        double s = 0;
        for (int a = first; a <= last; ++a)
            s += base + a;
        return s;
    };
    EXPECT_EQ(uf.rows[0][static_cast<std::size_t>(uf.field("FAIXA"))].toText(), "001");
    EXPECT_EQ(uf.rows[0][static_cast<std::size_t>(uf.field("HOM1"))].toDouble(), sum(10, 0, 4) + sum(20, 0, 4));
    EXPECT_EQ(uf.rows[16][static_cast<std::size_t>(uf.field("FAIXA"))].toText(), "017");
    // Group 17 is age 80 alone; women of census 2.
    EXPECT_EQ(uf.rows[16][static_cast<std::size_t>(uf.field("MUL2"))].toDouble(), (115 + 80) + (125 + 80));

    Table ufm = readTable(project / "Tot_UFM.dbf");
    ASSERT_EQ(ufm.size(), 34u);
    for (std::size_t i = 0; i < ufm.size(); ++i) {
        EXPECT_EQ(ufm.rows[i][static_cast<std::size_t>(ufm.field("MUN"))].toText(), i < 17 ? "0001" : "0002");
        EXPECT_EQ(ufm.rows[i][static_cast<std::size_t>(ufm.field("FAIXA"))].toText(), formatMask(static_cast<long long>(i % 17 + 1), "000"));
    }
    EXPECT_EQ(ufm.rows[18][static_cast<std::size_t>(ufm.field("HOM2"))].toDouble(), sum(25, 5, 9));
}

TEST_F(CensusTest, GroupingIsRefusedWhenTheCensusesDifferInRows)
{
    ASSERT_TRUE(import(1, {{"35", "1", counts(10)}, {"35", "2", counts(20)}}));
    EXPECT_FALSE(groupCensuses(test::appDir(), project, dialogs));
    EXPECT_TRUE(dialogs.saw("warning", "Os dois censos devem ser importados"));

    ASSERT_TRUE(import(2, {{"35", "1", counts(10)}}));
    EXPECT_FALSE(groupCensuses(test::appDir(), project, dialogs));
    EXPECT_EQ(dialogs.lastText(), "O número de linhas importadas nos dois censos deve ser o mesmo");
    EXPECT_FALSE(fileExists(project / "Tot_UF.dbf"));
}

TEST(CensusYear, BoxIsWrittenWithFourDigits)
{
    EXPECT_EQ(normaliseCensusYear("91"), "0091");
    EXPECT_EQ(normaliseCensusYear(" 7 "), "0007");
    EXPECT_EQ(normaliseCensusYear(""), "0000");
    EXPECT_EQ(normaliseCensusYear("2010"), "2010");
    EXPECT_THROW(normaliseCensusYear("20x0"), Error);
}
