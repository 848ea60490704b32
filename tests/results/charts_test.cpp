// The charts as data: pyramid bars, percentages, the compare outline, the
// age-group mode, an empty area, the total-population series and the axes.
#include "results/charts.h"

#include "data/error.h"
#include "data/schema.h"

#include <gtest/gtest.h>

#include <cmath>
#include <numeric>

using namespace demovia;

namespace {

const NumberFormat kComma{',', '.'};

// Two municipalities: 0010 with men = age + 1 and women = 2 * (age + 1) at
// every age; 0020 with 7 men and 3 women at age 80 only.
Table smallYear(int shift = 0)
{
    Table t(templateDef("PsFinais.dbf").fields);
    for (int a = 0; a <= 80; ++a)
        t.append({Value("2011"), Value("0010"), Value("001"), Value(a), Value(a + 1 + shift), Value(2 * (a + 1)),
                  Value(a + 1.25), Value(2.0 * (a + 1))});
    t.append({Value("2011"), Value("0020"), Value("017"), Value(80), Value(7), Value(3), Value(7.0), Value(3.0)});
    return t;
}

double sum(const std::vector<double>& v) { return std::accumulate(v.begin(), v.end(), 0.0); }

} // namespace

TEST(PyramidChart, BarsPerAgeAndSexOfOneMunicipalityOrTheState)
{
    const Table year = smallYear();
    const PyramidChart c =
        pyramidChart(yearPopulation(year, "0010"), nullptr, {}, "Teste (0010) - AC", "2011", "", kComma);
    ASSERT_TRUE(c.message.empty());
    ASSERT_EQ(c.labels.size(), 81u);
    EXPECT_EQ(c.labels.front(), "0");
    EXPECT_EQ(c.labels.back(), "80+");
    ASSERT_EQ(c.men.size(), 81u);
    EXPECT_EQ(c.men[0], 1);
    EXPECT_EQ(c.women[0], 2);
    EXPECT_EQ(c.men[80], 81); // whole persons, not the decimals
    EXPECT_FALSE(c.hasCompare);
    EXPECT_EQ(c.title, "Pirâmide etária - Teste (0010) - AC");
    EXPECT_GE(c.axisMax, 162);
    EXPECT_EQ(c.ticks.front().value, 0);
    EXPECT_EQ(c.ticks.back().value, c.axisMax);

    const AgeSexPopulation state = yearPopulation(year, "");
    EXPECT_EQ(state.men[80], 81 + 7);
    EXPECT_EQ(state.women[80], 162 + 3);
}

TEST(PyramidChart, PercentSumsToAHundredAndTheOutlineHasItsOwnValues)
{
    const Table year = smallYear();
    const Table later = smallYear(10); // ten more men at every age
    const AgeSexPopulation a = yearPopulation(year, "0010"), b = yearPopulation(later, "0010");
    for (bool groups : {false, true}) {
        SCOPED_TRACE(groups);
        const PyramidChart c = pyramidChart(a, &b, {groups, true}, "T", "2011", "2040", kComma);
        EXPECT_NEAR(sum(c.men) + sum(c.women), 100.0, 1e-9);
        ASSERT_TRUE(c.hasCompare);
        EXPECT_NEAR(sum(c.compareMen) + sum(c.compareWomen), 100.0, 1e-9);
        EXPECT_EQ(c.compareLegend, "2040");
        EXPECT_EQ(c.ticks.back().label.back(), '%');
    }
    // In persons the outline holds the second year's counts.
    const PyramidChart c = pyramidChart(a, &b, {}, "T", "2011", "2040", kComma);
    EXPECT_EQ(c.compareMen[0], 11);
    EXPECT_EQ(c.compareMen[80], 91);
    EXPECT_EQ(c.compareWomen[5], 12);
    EXPECT_NE(c.subtitle.find("2040 em contorno"), std::string::npos);
}

TEST(PyramidChart, SeventeenGroupsTheLastBeingEightyAndOver)
{
    const PyramidChart c = pyramidChart(yearPopulation(smallYear(), "0010"), nullptr, {true, false}, "T", "2011", "",
                                        kComma);
    ASSERT_EQ(c.men.size(), 17u);
    ASSERT_EQ(c.labels.size(), 17u);
    EXPECT_EQ(c.labels[0], "0-4");
    EXPECT_EQ(c.labels[15], "75-79");
    EXPECT_EQ(c.labels[16], "80+");
    EXPECT_EQ(c.men[0], 1 + 2 + 3 + 4 + 5);
    EXPECT_EQ(c.men[16], 81);
    EXPECT_EQ(c.women[16], 162);
    EXPECT_EQ(sum(c.men), 81.0 * 82 / 2);
}

TEST(PyramidChart, AreaWithoutPopulationGivesAMessageAndNoBars)
{
    const AgeSexPopulation none = yearPopulation(smallYear(), "0099");
    for (bool percent : {false, true}) {
        const PyramidChart c = pyramidChart(none, nullptr, {false, percent}, "Vazio (0099) - AC", "2011", "", kComma);
        EXPECT_FALSE(c.message.empty());
        EXPECT_NE(c.message.find("Vazio (0099)"), std::string::npos);
        EXPECT_TRUE(c.men.empty());
        EXPECT_TRUE(c.women.empty());
        EXPECT_TRUE(std::isfinite(c.axisMax));
        EXPECT_GT(c.axisMax, 0);
    }
    // An outline without population is left out rather than divided by zero.
    const AgeSexPopulation some = yearPopulation(smallYear(), "0010");
    const PyramidChart c = pyramidChart(some, &none, {false, true}, "T", "2011", "2040", kComma);
    EXPECT_FALSE(c.hasCompare);
    EXPECT_TRUE(c.message.empty());
}

TEST(TotalChart, SeriesOfMenWomenAndBothWithTheCensusesMarked)
{
    const std::vector<YearTotals> years{{2012, 110, 120}, {2011, 100, 105}, {2013, 115, 130}};
    const std::vector<CensusMark> censuses{{2000, "Censo 1 (2000)", 80, 82, 162}, {2010, "Censo 2 (2010)", 95, 99, 194}};
    const TotalChart c = totalChart(years, censuses, "Teste (0010) - AC", kComma);
    ASSERT_TRUE(c.message.empty());
    EXPECT_EQ(c.years, (std::vector<int>{2011, 2012, 2013}));
    EXPECT_EQ(c.men, (std::vector<double>{100, 110, 115}));
    EXPECT_EQ(c.women, (std::vector<double>{105, 120, 130}));
    EXPECT_EQ(c.both, (std::vector<double>{205, 230, 245}));
    ASSERT_EQ(c.censuses.size(), 2u);
    EXPECT_EQ(c.censuses[1].label, "Censo 2 (2010)");
    EXPECT_EQ(c.firstYear, 2000);
    EXPECT_EQ(c.lastYear, 2013);
    EXPECT_GE(c.axisMax, 245);
    EXPECT_EQ(c.yearTicks, (std::vector<int>{2000, 2005, 2010}));
    EXPECT_FALSE(totalChart({}, censuses, "T", kComma).message.empty());
    EXPECT_FALSE(totalChart({{2011, 0, 0}}, {}, "T", kComma).message.empty());
}

TEST(ChartAxis, RoundStepsWithRegionalSeparators)
{
    struct Case {
        double max;
        bool percent;
        std::string last;
        std::size_t count;
    };
    const Case cases[] = {{12345, false, "15.000", 4}, {162, false, "200", 5}, {3.2, true, "4%", 5},
                          {0.37, true, "0,4%", 5},     {0, false, "10", 6},    {1234567, false, "1.500.000", 4}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.max);
        const auto ticks = axisTicks(c.max, c.percent, kComma);
        EXPECT_EQ(ticks.back().label, c.last);
        EXPECT_EQ(ticks.size(), c.count);
        EXPECT_GE(ticks.back().value, c.max);
    }
    EXPECT_EQ(chartNumber(1234567.891, 2, kComma), "1.234.567,89");
    EXPECT_EQ(chartNumber(-999.5, 0, kComma), "-1.000");
    EXPECT_EQ(chartNumber(1500, 0, NumberFormat{'.', ','}), "1,500");
}

TEST(PyramidChart, AgeOutsideTheTableIsRefused)
{
    Table t = smallYear();
    t.rows.back()[3] = Value(81);
    EXPECT_THROW(yearPopulation(t, ""), Error);
}
