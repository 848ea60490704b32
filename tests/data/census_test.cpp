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

TEST(CensusMunicipality, FourDigitsOrTheIbgeCodeOfTheRowsState)
{
    struct Case {
        const char* field;
        int uf;
        const char* want;  // the code, or nullptr when refused
        const char* error; // part of the refusal
    };
    const Case cases[] = {
        {"50", 35, "0050", nullptr},
        {" 0100 ", 35, "0100", nullptr},
        {"9999", 35, "9999", nullptr},
        {"355030", 35, "5030", nullptr},   // DATASUS: UF + 4 digits
        {"3550308", 35, "5030", nullptr},  // IBGE with its check digit
        {"2201919", 22, "0191", nullptr},  // official digit that the usual formula would not give
        {"3550309", 35, nullptr, "o dígito verificador do código IBGE 3550309 não confere (o oficial é 8)"},
        {"3599990", 35, nullptr, "o código IBGE 3599990 não consta da lista oficial"},
        {"3550308", 33, nullptr, "'3550308' não cabe nos 4 dígitos do código de município"},
        {"10000", 35, nullptr, "'10000' não cabe nos 4 dígitos"},
        {"9999999999999", 35, nullptr, "não cabe nos 4 dígitos"},
        {"", 35, nullptr, "'' não é um código de município"},
        {"12a", 35, nullptr, "'12a' não é um código de município"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.field);
        if (c.want) {
            EXPECT_EQ(censusMunicipality(c.field, c.uf), c.want);
            continue;
        }
        try {
            censusMunicipality(c.field, c.uf);
            ADD_FAILURE() << "aceito";
        } catch (const Error& e) {
            EXPECT_NE(std::string(e.what()).find(c.error), std::string::npos) << e.what();
        }
    }
}

TEST_F(CensusTest, AnIbgeCodeBecomesTheMunicipalityCode)
{
    auto r = import(1, {{"35", "3550308", counts(10)}, {"35", "350010", counts(20)}});
    ASSERT_TRUE(r) << dialogs.lastText();
    Table wide = readTable(project / "CENSO1.db");
    ASSERT_EQ(wide.size(), 2u);
    EXPECT_EQ(wide.rows[0][1].toText(), "5030");
    EXPECT_EQ(wide.rows[1][1].toText(), "0010");
}

// Every refusal names file, line and, where one is at fault, the field; the
// census imported before stays as it was.
TEST_F(CensusTest, RowsOutsideTheLayoutAreRefusedNamingLineAndField)
{
    ASSERT_TRUE(import(1, {{"35", "1", counts(10)}, {"35", "2", counts(20)}}));
    const std::string wide = test::readBytes(project / "CENSO1.db"), longT = test::readBytes(project / "CENSO1.dbf");

    const std::string good = censusText({{"35", "1", counts(10)}});
    const std::string good2 = censusText({{"35", "2", counts(20)}});
    const auto fields = [](const std::string& line, int n) { // the first n fields of a line
        std::size_t p = 0;
        for (int i = 0; i < n; ++i)
            p = line.find(';', p) + 1;
        return line.substr(0, p - 1) + "\r\n";
    };
    struct Case {
        const char* name;
        std::string text;
        std::string error;
    };
    const Case cases[] = {
        {"a row of ten fields", good + fields(good2, 10),
         "c1.txt, linha 2: a linha tem 10 campos; são esperados 166 (UF;MUN;HOM_0 … HOM_81;MUL_0 … MUL_81)"},
        {"a row of 167 fields", good2.substr(0, good2.size() - 2) + ";5\r\n", "linha 1: a linha tem 167 campos"},
        {"a state projection taken for a census", "35" + std::string(";1") + [] {
             std::string s;
             for (int i = 0; i < 161; ++i)
                 s += ";1";
             return s + "\r\n";
         }(), "linha 1: a linha tem 163 campos; são esperados 166"},
        {"a code that does not fit", "35;99999999" + good.substr(4), "linha 1, campo 2 (MUN): '99999999' não cabe"},
        {"a wrong check digit", "35;3550309" + good.substr(4), "linha 1, campo 2 (MUN): o dígito verificador"},
        {"a municipality twice", good + good2 + "35;0001" + good.substr(4),
         "linha 3: o município 0001 aparece mais de uma vez no arquivo (linhas 1 e 3)"},
        {"NUL bytes in the first separators", std::string("35\0\0;1", 7) + good.substr(4),
         "linha 1, campo 1 (UF): '35\\x00\\x00' não é um código de UF"},
        {"comma as separator", "35,1,2,3\r\n", "linha 1, campo 1 (UF): '35,1,2,3' não é um código de UF"},
        {"a count that is no number", "35;1;x" + good.substr(good.find(';', 5)), "linha 1, campo 3 (HOM_0): 'x'"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        dialogs.log.clear();
        test::writeBytes(dir / "c1.txt", c.text);
        EXPECT_FALSE(importCensus(test::appDir(), project, "35", 1, dir / "c1.txt", fmt, dialogs));
        EXPECT_TRUE(dialogs.saw("error", "Não foi possível ler o arquivo.")) << dialogs.lastText();
        EXPECT_NE(dialogs.lastText().find(c.error), std::string::npos) << dialogs.lastText();
        EXPECT_EQ(test::readBytes(project / "CENSO1.db"), wide);
        EXPECT_EQ(test::readBytes(project / "CENSO1.dbf"), longT);
    }

    // A final ";" opens no field, and rows of other states are not checked.
    test::writeBytes(dir / "c1.txt", "33;1;2\r\n" + good.substr(0, good.size() - 2) + ";\r\n" + "11;1\r\n");
    auto r = importCensus(test::appDir(), project, "35", 1, dir / "c1.txt", fmt, dialogs);
    ASSERT_TRUE(r) << dialogs.lastText();
    EXPECT_EQ(r->municipalities, 1);
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
