#include "data/schema.h"
#include "data/table.h"
#include "data/text_util.h"
#include "results/indicators.h"
#include "test_util.h"

#include <gtest/gtest.h>

#include <cmath>

using namespace demovia;

namespace {

struct Cell {
    int age;
    double men, women;
};

AgeSexPopulation population(std::initializer_list<Cell> cells)
{
    AgeSexPopulation p;
    for (const Cell& c : cells) {
        p.men[static_cast<std::size_t>(c.age)] = c.men;
        p.women[static_cast<std::size_t>(c.age)] = c.women;
    }
    return p;
}

void expectNear(const std::optional<double>& got, double want, const char* what)
{
    ASSERT_TRUE(got.has_value()) << what;
    EXPECT_NEAR(*got, want, 1e-9) << what;
}

} // namespace

// 20 children (age 0), 50 adults (age 20), 30 old (age 70): every indicator
// worked out by hand.
TEST(Indicators, EveryIndicatorOfAHandMadePopulation)
{
    const AgeSexPopulation p = population({{0, 10, 10}, {20, 30, 20}, {70, 10, 20}});
    const AgeSexPopulation before = population({{0, 40, 40}});
    const Indicators i = computeIndicators(p, &before);
    EXPECT_EQ(i.men, 50);
    EXPECT_EQ(i.women, 50);
    EXPECT_EQ(i.total, 100);
    expectNear(i.growth, 25.0, "growth from 80 to 100");
    expectNear(i.sexRatio, 100.0, "sex ratio");
    expectNear(i.meanAge, (20 * 0.5 + 50 * 20.5 + 30 * 70.5) / 100, "mean age");
    expectNear(i.medianAge, 20 + (50.0 - 20) / 50, "median inside age 20");
    expectNear(i.share0_14, 20, "0-14");
    expectNear(i.share15_64, 50, "15-64");
    expectNear(i.share65, 30, "65+");
    expectNear(i.dependencyYoung, 40, "young dependency");
    expectNear(i.dependencyOld, 60, "old dependency");
    expectNear(i.dependencyTotal, 100, "total dependency");
    expectNear(i.ageingIndex, 150, "ageing index");

    // Growth over two years is compounded to one: 80 -> 100 in two years.
    expectNear(computeIndicators(p, &before, 2).growth, (std::sqrt(100.0 / 80) - 1) * 100, "two-year growth");
}

TEST(Indicators, MedianAtABorderAndInTheOpenAge)
{
    // Half the people are aged 10, the other half 30: the median is the end of age 10.
    expectNear(computeIndicators(population({{10, 25, 25}, {30, 25, 25}})).medianAge, 11, "border");
    // Everyone 80 and over: the interval [80, 85).
    const Indicators old = computeIndicators(population({{80, 3, 5}}));
    expectNear(old.medianAge, 82.5, "median of 80+");
    expectNear(old.meanAge, 82.5, "mean of 80+");
}

TEST(Indicators, ZeroDenominatorsGiveEmptyCells)
{
    // Nobody aged 15 to 64: no dependency ratio, but an ageing index.
    const Indicators noAdults = computeIndicators(population({{5, 10, 10}, {70, 5, 5}}));
    EXPECT_FALSE(noAdults.dependencyYoung || noAdults.dependencyOld || noAdults.dependencyTotal);
    expectNear(noAdults.ageingIndex, 50, "ageing index without adults");

    // Growth from an empty year, and an empty year itself.
    const AgeSexPopulation empty;
    const Indicators fromZero = computeIndicators(population({{1, 1, 1}}), &empty);
    EXPECT_FALSE(fromZero.growth);
    const Indicators none = computeIndicators(empty, &empty);
    EXPECT_EQ(none.total, 0);
    EXPECT_FALSE(none.growth || none.sexRatio || none.meanAge || none.medianAge || none.share0_14 ||
                 none.dependencyTotal || none.ageingIndex);
    // Nor any infinite or undefined value in the rows written out.
    ProjectIndicators pi;
    pi.state = {none};
    const ResultSet rows = indicatorsResult(pi);
    for (const Value& v : rows.rows.at(0))
        EXPECT_FALSE(v.isNumber() && !std::isfinite(v.toDouble()));
}

// Two municipalities over census 2 and two projected years: each series and
// the state's, which is their sum.
TEST(Indicators, ProjectSeriesAndTheState)
{
    test::TempDir dir;
    const fs::path p = dir.path();
    auto yearTable = [&](int year, double scale) {
        Table t(templateDef("PsFinais.dbf").fields);
        for (const char* mun : {"0010", "0020"})
            for (int a = 0; a <= 80; ++a)
                t.append({year4(year), mun, age3(std::min(a / 5 + 1, 17)), a,
                          std::string(mun) == "0010" ? scale : 0.0, std::string(mun) == "0010" ? scale : 0.0, 0.0,
                          0.0});
        writeTable(p / (year4(year) + ".dbf"), t);
    };
    yearTable(2011, 1);
    yearTable(2012, 2);
    Table census(templateDef("CENSO2.dbf").fields);
    for (int a = 0; a <= 81; ++a)
        for (const char* mun : {"0010", "0020", "0030"}) // 0030 was not projected
            census.append({"12", mun, age3(a), 1.0, 1.0});
    writeTable(p / "CENSO2.dbf", census);

    const ProjectIndicators pi = computeProjectIndicators(p, 2010, {2011, 2012});
    ASSERT_EQ(pi.municipalities, (std::vector<std::string>{"0010", "0020"}));
    const auto& m10 = pi.byMunicipality.at("0010");
    ASSERT_EQ(m10.size(), 3u);
    EXPECT_EQ(m10[0].label, "Censo 2");
    EXPECT_EQ(m10[0].total, 162); // ages 0..80, the age not declared left out
    EXPECT_FALSE(m10[0].growth);
    expectNear(m10[1].growth, (162.0 / 162 - 1) * 100, "census 2 to 2011");
    expectNear(m10[2].growth, 100, "2011 to 2012");
    const auto& m20 = pi.byMunicipality.at("0020");
    EXPECT_EQ(m20[1].total, 0);
    EXPECT_FALSE(m20[2].growth); // from nobody
    ASSERT_EQ(pi.state.size(), 3u);
    EXPECT_EQ(pi.state[0].total, 324); // 0030 is not in the state's sum
    EXPECT_EQ(pi.state[2].total, 324);

    const ResultSet one = indicatorsResult(pi, 2012, std::string("0010"));
    ASSERT_EQ(one.rows.size(), 1u);
    EXPECT_EQ(one.rows[0][0].toText(), "0010");
    EXPECT_EQ(one.rows[0][5].toDouble(), 324);
    EXPECT_EQ(indicatorsResult(pi, std::nullopt, std::string(kStateArea)).rows.size(), 3u);
    EXPECT_EQ(indicatorsResult(pi).rows.size(), 9u);
}
