#pragma once
#include "data/table.h"
#include "data/text_exchange.h"

#include <array>
#include <string>
#include <vector>

namespace demovia {

// The charts of the results window, as data: what is drawn where is decided
// here, the painting (screen, PNG, SVG, printer) in results/ui.

inline constexpr int kChartAges = 81; // 0 .. 80 and over

// Men and women of one area by single age.
struct AgeSexPopulation {
    std::array<double, kChartAges> men{};
    std::array<double, kChartAges> women{};
    double total() const;
};

// Whole persons (hom_int, mul_int) of a year table, of one municipality or,
// with mun empty, of every row (the state). Ages outside 0..80 are refused
// with Error.
AgeSexPopulation yearPopulation(const Table& year, const std::string& mun);
// Census 2 (or 1) opened into single ages (interp.dbf: HOM2/MUL2 or HOM1/MUL1).
AgeSexPopulation censusPopulation(const Table& interp, const std::string& mun, int census);

// One axis mark: where, and its text in the regional format.
struct AxisTick {
    double value = 0;
    std::string label;
};

// The ticks of an axis from 0 to at least max: about five round steps
// (1, 2 or 5 times a power of ten). Persons get thousands separators ("12.500"),
// percentages their decimals and "%" ("1,5%").
std::vector<AxisTick> axisTicks(double max, bool percent, const NumberFormat& fmt);
// A number as the charts write it: regional decimal separator, thousands
// grouped, at most the decimals given.
std::string chartNumber(double v, int decimals, const NumberFormat& fmt);

struct PyramidOptions {
    bool groups = false;  // the 17 age groups instead of single ages
    bool percent = false; // each bar in % of the area's total (both sexes)
};

// A population pyramid: bars from the youngest (index 0, at the bottom) up,
// men to the left and women to the right; an optional outline of a second
// year or of census 2 over them.
struct PyramidChart {
    std::string title;    // area, code and state
    std::string subtitle; // year(s) and unit
    std::vector<std::string> labels; // "0".."80+" or "0-4".."80+"
    std::vector<double> men, women;  // one per label; persons or %
    bool hasCompare = false;
    std::vector<double> compareMen, compareWomen;
    std::string legend, compareLegend;
    bool percent = false;
    std::vector<AxisTick> ticks; // the same on both sides, from the middle out
    double axisMax = 0;
    std::string message; // not empty: nothing to draw, and why
};

// titleArea: "Rio Branco (0040) - AC" or "Acre (12)"; legend: "2011";
// compareLegend: "2040" or "Censo 2 (2010)". compare may be null.
PyramidChart pyramidChart(const AgeSexPopulation& main, const AgeSexPopulation* compare,
                          const PyramidOptions& options, const std::string& titleArea, const std::string& legend,
                          const std::string& compareLegend, const NumberFormat& fmt);

// The total population of an area over the projected years, men, women and
// both, with census 1 and census 2 marked.
struct CensusMark {
    int year = 0;
    std::string label; // "Censo 1 (2000)"
    double men = 0, women = 0, both = 0;
};

struct TotalChart {
    std::string title;
    std::string subtitle;
    std::vector<int> years;
    std::vector<double> men, women, both;
    std::vector<CensusMark> censuses;
    int firstYear = 0, lastYear = 0; // the horizontal axis
    std::vector<AxisTick> ticks;     // vertical axis
    double axisMax = 0;
    std::vector<int> yearTicks;      // horizontal axis marks
    std::string message;
};

struct YearTotals {
    int year = 0;
    double men = 0, women = 0;
};

TotalChart totalChart(const std::vector<YearTotals>& years, const std::vector<CensusMark>& censuses,
                      const std::string& titleArea, const NumberFormat& fmt);

// ---- from the project's tables ------------------------------------------------------

enum class CompareWith { Nothing, Year, Census2 };

struct ChartRequest {
    fs::path appDir;
    fs::path projectDir;
    std::string uf;       // two digits
    std::string mun;      // four digits; empty: the whole state
    int year = 0;         // the pyramid's year
    CompareWith compare = CompareWith::Nothing;
    int compareYear = 0;
    int census1Year = 0, census2Year = 0;
    int firstProjectedYear = 0;
    PyramidOptions options;
    NumberFormat format;
};

// "Rio Branco (0040) - AC", or "Acre (12)" for the state; names from the
// reference tables, the code alone when they lack it.
std::string chartArea(const fs::path& appDir, const std::string& uf, const std::string& mun);

// Read the year tables (and interp.dbf for census 2) and lay the chart out.
// Throws Error naming the table when one is missing.
PyramidChart projectPyramid(const ChartRequest& r);
TotalChart projectTotals(const ChartRequest& r);

} // namespace demovia
