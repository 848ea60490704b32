#pragma once
#include "data/sql_engine.h"
#include "data/table.h"
#include "results/charts.h"
#include "results/report_layouts.h"

#include <array>
#include <map>
#include <optional>
#include <string>
#include <vector>

namespace demovia {

// The demographic indicators of one area in one year. An indicator whose
// denominator is zero has no value (an empty cell), never inf or NaN.
struct Indicators {
    int year = 0;
    std::string label;     // "Censo 2" or the year
    double men = 0, women = 0, total = 0;
    std::optional<double> growth;   // % a year from the previous row
    std::optional<double> sexRatio; // men per 100 women
    std::optional<double> meanAge, medianAge;
    std::optional<double> share0_14, share15_64, share65; // % of the total
    std::optional<double> dependencyYoung, dependencyOld, dependencyTotal; // per 100 aged 15-64
    std::optional<double> ageingIndex; // 65+ per 100 aged 0-14
};

// Single ages are the intervals [a, a+1) and 80 and over is [80, 85): the
// mean age takes their middles, the median is interpolated linearly inside
// the interval where half the population is reached. previous (the row
// before, when there is one) gives the growth; years between the two is the
// time elapsed, for a growth compounded to one year.
Indicators computeIndicators(const AgeSexPopulation& p, const AgeSexPopulation* previous = nullptr,
                             double yearsBetween = 1.0);

// The note printed with the indicator tables.
extern const char* const kIndicatorsNote;

// The indicators of every municipality and of the state (the sum of the
// municipalities), for census 2 and every listed year, from the year tables'
// whole persons. Census 2 counts ages 0 to 80 of CENSO2.dbf, the age not
// declared left out, for the municipalities of the projection only.
struct ProjectIndicators {
    std::vector<std::string> municipalities;                 // in the year tables' order
    std::map<std::string, std::vector<Indicators>> byMunicipality;
    std::vector<Indicators> state;
};
// census2Year 0 (or a project without CENSO2.dbf) leaves census 2 out.
ProjectIndicators computeProjectIndicators(const fs::path& projectDir, int census2Year,
                                           const std::vector<int>& years);

// The code the tables give the whole state in the municipality column.
inline constexpr const char* kStateArea = "UF";

// Rows for the export and the command line: one per area and year, the state
// first, then the municipalities; year and mun restrict them (mun kStateArea
// is the state alone).
ResultSet indicatorsResult(const ProjectIndicators& pi, std::optional<int> year = std::nullopt,
                           const std::optional<std::string>& mun = std::nullopt);

} // namespace demovia

namespace demovia {

// The indicators a chart or a choice list offers, in the tables' column order.
struct IndicatorInfo {
    const char* column;  // as in indicatorsResult
    const char* caption; // Portuguese, for lists and chart titles
    int decimals;
};
const std::vector<IndicatorInfo>& indicatorList();
std::optional<double> indicatorValue(const Indicators& row, std::size_t which);

// One indicator of one area over census 2 and the projected years.
struct IndicatorChart {
    std::string title, subtitle;
    std::vector<int> years;       // the points that have a value
    std::vector<double> values;
    std::vector<std::string> labels; // "Censo 2" or the year, per point
    double axisMin = 0, axisMax = 0;
    std::vector<AxisTick> ticks;
    int firstYear = 0, lastYear = 0;
    std::vector<int> yearTicks;
    std::string axisLabel;
    std::string message; // not empty: nothing to draw, and why
};
IndicatorChart indicatorChart(const std::vector<Indicators>& rows, std::size_t which, const std::string& titleArea,
                              const NumberFormat& fmt);

// The printed layouts of the indicators and of the checks.
const ReportLayout& indicatorsReportLayout();
const ReportLayout& checksReportLayout();

} // namespace demovia
