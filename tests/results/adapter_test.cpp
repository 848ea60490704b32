#include "results/adapter.h"

#include "data/error.h"
#include "data/scripted_dialogs.h"
#include "data/sql_engine.h"
#include "data/table.h"
#include "data/text_util.h"
#include "test_util.h"

#include <gtest/gtest.h>

#include <functional>
#include <map>
#include <numeric>

namespace demovia {
namespace {

using test::appDir;

// One municipality of 81 ages, every age holding the same counts, with a few
// ages changed.
std::vector<AdaptedCell> municipality(const std::string& mun, long long P, long long H, long long M,
                                      const std::map<int, std::pair<long long, long long>>& changed = {})
{
    std::vector<AdaptedCell> cells;
    for (int a = 0; a < 81; ++a) {
        AdaptedCell c{mun, a, P, H, M, static_cast<double>(H), static_cast<double>(M)};
        if (auto it = changed.find(a); it != changed.end())
            c.H = it->second.first, c.M = it->second.second;
        cells.push_back(c);
    }
    return cells;
}

long long wholeSum(const std::vector<AdaptedCell>& cells, const std::string& mun)
{
    long long s = 0;
    for (const auto& c : cells)
        if (c.mun == mun)
            s += c.H + c.M;
    return s;
}

TEST(AdapterShare, SharesOfTheProjectedTotalRoundHalfToEven)
{
    struct Case {
        long long H, M;
        double T;
        long long P;
        double h, m;
        long long wholeH, wholeM;
    };
    const Case cases[] = {
        {60, 40, 1000, 1500, 90, 60, 90, 60},
        {5, 7, 2, 1, 2.5, 3.5, 2, 4},     // halves go to the even neighbour
        {3, 1, 8, 20, 7.5, 2.5, 8, 2},
    };
    for (const auto& k : cases) {
        std::vector<AdaptedCell> cells = {{"0010", 0, k.P, k.H, k.M, 0, 0}};
        shareExternal({{"0010", k.T}}, cells);
        EXPECT_DOUBLE_EQ(cells[0].h, k.h) << k.H << "/" << k.T << "*" << k.P;
        EXPECT_DOUBLE_EQ(cells[0].m, k.m);
        EXPECT_EQ(cells[0].H, k.wholeH);
        EXPECT_EQ(cells[0].M, k.wholeM);
    }
}

TEST(AdapterProrate, RemainingPersonsGoToTheYoungestLargestCountOfEachSex)
{
    // Whole persons after sharing; P - sum is the difference D.
    struct Case {
        const char* what;
        long long deltaFromSum; // P = sum + delta
        std::map<int, std::pair<long long, long long>> changed;
        std::map<int, std::pair<long long, long long>> expectedChanged; // whole counts after
    };
    const Case cases[] = {
        // 999 -> 1001: males largest at ages 3 and 10, females at 20 and 25.
        {"plus two", 2, {{3, {15, 6}}, {10, {15, 6}}, {20, {6, 10}}, {25, {6, 10}}, {40, {6, 7}}},
         {{3, {16, 6}}, {10, {15, 6}}, {20, {6, 11}}, {25, {6, 10}}, {40, {6, 7}}}},
        // D = -1: taken from males when their largest age is not older.
        {"minus one, male first", -1, {{2, {20, 6}}, {5, {6, 30}}}, {{2, {19, 6}}, {5, {6, 30}}}},
        {"minus one, female first", -1, {{7, {20, 6}}, {5, {6, 30}}}, {{7, {20, 6}}, {5, {6, 29}}}},
        {"minus one, same age", -1, {{4, {20, 30}}}, {{4, {19, 30}}}},
    };
    for (const auto& k : cases) {
        auto cells = municipality("0010", 0, 6, 6, k.changed);
        const long long sum = wholeSum(cells, "0010");
        for (auto& c : cells)
            c.P = sum + k.deltaFromSum;
        const auto before = cells;
        prorateExternal(cells);
        EXPECT_EQ(wholeSum(cells, "0010"), sum + k.deltaFromSum) << k.what;
        for (int a = 0; a < 81; ++a) {
            long long H = 6, M = 6;
            if (auto it = k.expectedChanged.find(a); it != k.expectedChanged.end())
                H = it->second.first, M = it->second.second;
            EXPECT_EQ(cells[a].H, H) << k.what << " age " << a;
            EXPECT_EQ(cells[a].M, M) << k.what << " age " << a;
            // The decimals: whole count plus D/81, plus the person moved.
            const double share = static_cast<double>(k.deltaFromSum) / 81;
            EXPECT_DOUBLE_EQ(cells[a].h, static_cast<double>(before[a].H) + share + (H - before[a].H)) << k.what;
            EXPECT_DOUBLE_EQ(cells[a].m, static_cast<double>(before[a].M) + share + (M - before[a].M)) << k.what;
        }
    }
}

TEST(AdapterProrate, WholeNumbersAddUpToEveryExternalTotal)
{
    // Sharing then pro-rating several municipalities, including one where every
    // share is about a half (all 162 cells round the same way, |D| = 81) and
    // one with an external total of 0.
    std::vector<AdaptedCell> cells;
    std::vector<ProjectedTotal> totals;
    const struct {
        const char* mun;
        long long P;
        int seed;
    } muns[] = {{"0001", 243, 0}, {"0002", 1001, 1}, {"0003", 57, 2}, {"0004", 0, 3}, {"0005", 123457, 4}};
    for (const auto& mu : muns) {
        double T = 0;
        for (int a = 0; a < 81; ++a) {
            long long H = mu.seed == 0 ? 1 : (a * 37 + mu.seed * 11) % 23;
            long long M = mu.seed == 0 ? 1 : (a * 29 + mu.seed * 7) % 19 + 1;
            cells.push_back({mu.mun, a, mu.P, H, M, 0, 0});
            T += static_cast<double>(H + M);
        }
        totals.push_back({mu.mun, T});
    }
    shareExternal(totals, cells);
    EXPECT_NE(wholeSum(cells, "0001"), 243);
    prorateExternal(cells);
    for (const auto& mu : muns)
        EXPECT_EQ(wholeSum(cells, mu.mun), mu.P) << mu.mun;
}

TEST(AdapterProrate, ExternalTotalsAreWholePersons)
{
    EXPECT_EQ(externalTotal(1500), 1500);
    EXPECT_EQ(externalTotal(2.5), 2);
    EXPECT_EQ(externalTotal(3.5), 4);
    EXPECT_THROW(externalTotal(-1), Error);
}

// ---- the tables on disk -------------------------------------------------------

struct AdapterFolder {
    // A year table: per municipality its 81 ages, males and females given by
    // functions of the age.
    void yearTable(const std::string& year, const std::vector<std::pair<std::string, std::pair<long long, long long>>>& muns)
    {
        Table t(readSchema(appDir() / "DBVazio" / "PsFinais.dbf"));
        for (const auto& [mun, hm] : muns)
            for (int a = 0; a <= 80; ++a)
                t.append({year, mun, age3(std::min(a / 5 + 1, 17)), a, hm.first + a % 3, hm.second + a % 2,
                          static_cast<double>(hm.first + a % 3), static_cast<double>(hm.second + a % 2)});
        writeTable(dir / (year + ".dbf"), t);
    }
    void external(const std::vector<Row>& rows)
    {
        Table t(readSchema(appDir() / "DBVazio" / "externo.dbf"));
        for (const auto& r : rows)
            t.append(r);
        writeTable(dir / "externo.dbf", t);
    }
    bool adapt(const std::string& year, bool prorate = true)
    {
        return adaptYear(appDir(), dir.path(), year, prorate, dialogs);
    }

    test::TempDir dir;
    ScriptedDialogs dialogs;
};

class AdapterProject : public ::testing::Test, public AdapterFolder {};

TEST_F(AdapterProject, ImportKeepsTheProjectStateAndListsItsYears)
{
    test::writeBytes(dir / "ext.csv", "35;2012;0010;1100\r\n33;2009;0010;5\r\n35;2011;0020;500\r\n"
                                      "35;2011;0010;1000\r\n\"33\";2013;0030;7\r\n35;2010;0020;400\r\n");
    const NumberFormat fmt;
    auto years = importExternal(appDir(), dir.path(), "35", dir / "ext.csv", fmt, dialogs);
    ASSERT_TRUE(years.has_value());
    EXPECT_EQ(*years, (std::vector<std::string>{"2010", "2011", "2012"}));
    Table t = readTable(dir / "externo.dbf");
    ASSERT_EQ(t.size(), 4u);
    for (const auto& r : t.rows)
        EXPECT_EQ(r[0].toText(), "35");
    EXPECT_EQ(t.rows[1][2].toText(), "0020");
    EXPECT_EQ(t.rows[1][3].toDouble(), 500);

    // A failed import reports itself and leaves the table as it was.
    test::writeBytes(dir / "bad.csv", "35;2012;0010;muitos\r\n");
    EXPECT_FALSE(importExternal(appDir(), dir.path(), "35", dir / "bad.csv", fmt, dialogs).has_value());
    EXPECT_TRUE(dialogs.saw("error", "Não foi possível ler o arquivo."));
    EXPECT_EQ(readTable(dir / "externo.dbf").size(), 4u);

    // A row of the state has exactly UF;ANO;MUN;POP (a final ";" opens no
    // field); another state's row is not checked.
    const std::pair<const char*, const char*> layouts[] = {
        {"35;2012;0010\r\n", "linha 1: a linha tem 3 campos; são esperados 4 (UF;ANO;MUN;POP)"},
        {"33;1\r\n35;2012;0010;5;9\r\n", "linha 2: a linha tem 5 campos; são esperados 4"},
    };
    for (const auto& [text, error] : layouts) {
        dialogs.log.clear();
        test::writeBytes(dir / "bad.csv", text);
        EXPECT_FALSE(importExternal(appDir(), dir.path(), "35", dir / "bad.csv", fmt, dialogs).has_value());
        EXPECT_NE(dialogs.lastText().find(error), std::string::npos) << dialogs.lastText();
        EXPECT_EQ(readTable(dir / "externo.dbf").size(), 4u);
    }
    test::writeBytes(dir / "ok.csv", "33;1\r\n35;2012;0010;5;\r\n");
    ASSERT_TRUE(importExternal(appDir(), dir.path(), "35", dir / "ok.csv", fmt, dialogs).has_value())
        << dialogs.lastText();
    EXPECT_EQ(readTable(dir / "externo.dbf").size(), 1u);
}

TEST_F(AdapterProject, WritesTheAdaptedYearTable)
{
    yearTable("2011", {{"0010", {10, 12}}, {"0020", {5, 5}}, {"0030", {7, 3}}});
    external({{"35", "2011", "0030", 999},
              {"35", "2011", "0010", 5003},
              {"35", "2012", "0020", 100}, // another year: 0020 has no total for 2011
              {"35", "2010", "0030", 1}});
    for (bool prorate : {false, true}) {
        SCOPED_TRACE(prorate);
        ASSERT_TRUE(adapt("2011", prorate)) << dialogs.lastText();
        Table t = readTable(dir / "2011_ext.dbf");
        ASSERT_EQ(t.size(), 162u);
        const Table year = readTable(dir / "2011.dbf");
        std::map<std::string, long long> sums;
        std::map<std::string, double> totalsOfYear;
        for (const auto& r : year.rows)
            totalsOfYear[r[1].toText()] += r[4].toDouble() + r[5].toDouble();
        for (std::size_t i = 0; i < t.size(); ++i) {
            const Row& r = t.rows[i];
            const int age = static_cast<int>(i % 81);
            const std::string mun = i < 81 ? "0010" : "0030";
            EXPECT_EQ(r[0].toText(), "2011");
            EXPECT_EQ(r[1].toText(), mun);
            EXPECT_EQ(r[2].toText(), age3(age == 80 ? 17 : age / 5 + 1));
            EXPECT_EQ(r[3].toText(), std::to_string(age));
            sums[mun] += r[4].toInt() + r[5].toInt();
            if (!prorate) {
                // The exact shares of the projection, rounded.
                const Row& y = year.rows[(mun == "0010" ? 0 : 162) + i % 81];
                const double P = mun == "0010" ? 5003 : 999;
                EXPECT_NEAR(r[6].toDouble(), y[4].toDouble() / totalsOfYear[mun] * P, 1e-9);
                EXPECT_EQ(r[4].toDouble(), roundHalfEven(r[6].toDouble()));
                EXPECT_EQ(r[5].toDouble(), roundHalfEven(r[7].toDouble()));
            }
        }
        if (prorate) {
            EXPECT_EQ(sums["0010"], 5003);
            EXPECT_EQ(sums["0030"], 999);
        }
        EXPECT_EQ(t.rows[80][2].toText(), "017");
        EXPECT_EQ(t.rows[79][2].toText(), "016");
    }

    // The age-group view: 17 rows per municipality, each the sum of its ages.
    EXPECT_EQ(adaptedFile(dir.path(), "2011"), dir / "2011_ext.dbf");
    SqlEngine sql;
    ResultSet g = sql.query(ageGroupStatement(dir.path(), "2011"));
    ASSERT_EQ(g.rows.size(), 34u);
    const Table t = readTable(dir / "2011_ext.dbf");
    long long firstGroup = 0;
    for (int a = 0; a < 5; ++a)
        firstGroup += t.rows[81 + a][4].toInt();
    EXPECT_EQ(g.rows[17][1].toText(), "0030");
    EXPECT_EQ(g.rows[17][2].toText(), "001");
    EXPECT_EQ(g.rows[17][g.column("hom_int")].toInt(), firstGroup);
    EXPECT_EQ(g.rows[33][g.column("hom_int")].toInt(), t.rows[161][4].toInt());
}

TEST_F(AdapterProject, FailuresStopWithTheirWarning)
{
    struct Case {
        const char* what;
        std::function<void(AdapterFolder&)> setup;
        const char* year;
        const char* message;
        const char* detail = ""; // what the message goes on to say
    };
    const Case cases[] = {
        {"no year table", [](AdapterFolder&) {}, "2011",
         "O projeto atualmente carregado no sistema Demovia nãotem resultados para o ano selecionado"},
        {"a projected total of 0",
         [](AdapterFolder& p) {
             p.yearTable("2011", {{"0010", {10, 12}}});
             Table t = readTable(p.dir / "2011.dbf");
             for (int a = 0; a <= 80; ++a)
                 t.append({"2011", "0020", age3(a / 5 + 1), a, 0, 0, 0.0, 0.0});
             writeTable(p.dir / "2011.dbf", t);
             p.external({{"35", "2011", "0010", 100}});
         },
         "2011",
         "Um ou mais totais de homens e/ou mulheres calculado pelo sistema Demovia\npara o ano selecionado "
         "está(ão) zerado(s)"},
        {"no external total for the year",
         [](AdapterFolder& p) {
             p.yearTable("2011", {{"0010", {10, 12}}});
             p.external({{"35", "2012", "0010", 100}});
         },
         "2011", "O arquivo de resultados do método Demovia para o ano selecionado\nfoi apagado",
         "\n\nO arquivo externo não tem totais para o ano 2011."},
        {"no external code in the year table",
         [](AdapterFolder& p) {
             p.yearTable("2011", {{"0010", {10, 12}}, {"0020", {1, 1}}});
             p.external({{"35", "2011", "9910", 100}, {"35", "2011", "10", 50}});
         },
         "2011", "O arquivo de resultados do método Demovia para o ano selecionado\nfoi apagado",
         "\n\nNenhum código de município do arquivo externo para 2011 (10, 9910) existe na tabela 2011.dbf "
         "(0010, 0020). Os códigos devem ter quatro dígitos, sem o código da UF, como na tabela do ano."},
        {"no external file",
         [](AdapterFolder& p) { p.yearTable("2011", {{"0010", {10, 12}}}); }, "2011",
         "Não foi possível obter dados iniciais para a adaptação.\n\nErro original: "},
        {"two totals for one municipality",
         [](AdapterFolder& p) {
             p.yearTable("2011", {{"0010", {10, 12}}});
             p.external({{"35", "2011", "0010", 100}, {"35", "2011", "0010", 200}});
         },
         "2011", "Não foi possível obter dados iniciais para a adaptação.\n\nErro original: "},
        {"a negative external total",
         [](AdapterFolder& p) {
             p.yearTable("2011", {{"0010", {10, 12}}});
             p.external({{"35", "2011", "0010", -100}});
         },
         "2011", "Não foi possível obter dados iniciais para a adaptação.\n\nErro original: "},
    };
    for (const auto& k : cases) {
        AdapterFolder p;
        k.setup(p);
        EXPECT_FALSE(p.adapt(k.year)) << k.what;
        ASSERT_EQ(p.dialogs.log.size(), 1u) << k.what;
        EXPECT_EQ(p.dialogs.log[0].kind, "warning") << k.what;
        EXPECT_EQ(p.dialogs.log[0].text.rfind(k.message, 0), 0u) << k.what << ": " << p.dialogs.log[0].text;
        if (*k.detail)
            EXPECT_EQ(p.dialogs.log[0].text, std::string(k.message) + k.detail) << k.what;
        EXPECT_FALSE(fileExists(p.dir / "2011_ext.dbf")) << k.what;
    }
}

} // namespace
} // namespace demovia
