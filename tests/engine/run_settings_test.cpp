#include "data/error.h"
#include "engine/run.h"

#include <gtest/gtest.h>

#include <ostream>

namespace demovia {
namespace {

const char* kRefused = "A diferença de anos entre os censos não está sendo\ntratada pelo sistema.\n\n"
                       "Verifique os anos informados e tente novamente";
const char* kEmptyYear = "Os anos dos censos devem estar preenchidos por conta de alguns\n"
                         "arquivos envolvidos na projeção precisarem do campo contendo\n"
                         "o ano a que se refere cada linha.\n\nPreencha esses campos e tente novamente";

struct IntervalCase {
    const char* year1;
    int month1;
    const char* year2;
    int month2;
    double interval; // 0: refused
    int shift;
    const char* refusal;
};

void PrintTo(const IntervalCase& c, std::ostream* os)
{
    *os << c.year1 << "/" << c.month1 << " .. " << c.year2 << "/" << c.month2;
}

class CensusTiming : public ::testing::TestWithParam<IntervalCase> {};

TEST_P(CensusTiming, IntervalShiftOrRefusal)
{
    const auto& c = GetParam();
    if (c.refusal) {
        try {
            deriveRunSettings(c.year1, c.month1, c.year2, c.month2, 7, InterpolationMethod::KarupKing);
            FAIL() << "not refused";
        } catch (const Error& e) {
            EXPECT_EQ(std::string(e.what()), c.refusal);
        }
        return;
    }
    RunSettings s = deriveRunSettings(c.year1, c.month1, c.year2, c.month2, 3, InterpolationMethod::Sprague);
    EXPECT_NEAR(s.censusInterval, c.interval, 1e-12);
    EXPECT_EQ(s.cohortShift, c.shift);
    EXPECT_NEAR(s.intervalReciprocal, 1 / c.interval, 1e-12);
    EXPECT_EQ(s.baseYear, std::stoi(c.year2));
    EXPECT_EQ(s.stepsToRun, 3);
    EXPECT_EQ(s.method, InterpolationMethod::Sprague);
}

// Months are positions: 0 = January ... 8 = September, 7 = August.
INSTANTIATE_TEST_SUITE_P(
    Cases, CensusTiming,
    ::testing::Values(IntervalCase{"1991", 8, "1996", 7, 59.0 / 12, 1, nullptr},       // 4.9166...
                      IntervalCase{"1991", 8, "2000", 7, 107.0 / 12, 2, nullptr},      // 8.9166...
                      IntervalCase{"1991", 0, "1998", 6, 7.5, 1, nullptr},             // exactly 7.5
                      IntervalCase{"1991", 0, "2003", 6, 12.5, 2, nullptr},            // exactly 12.5
                      IntervalCase{"1991", 0, "1993", 6, 2.5, 1, nullptr},             // exactly 2.5
                      IntervalCase{" 1990 ", 5, "2000 ", 5, 10, 2, nullptr},           // trimmed
                      IntervalCase{"1991", 0, "1993", 5, 0, 0, kRefused},              // 2.4167, nearest to 2.4
                      IntervalCase{"1991", 0, "1993", 4, 0, 0, kRefused},              // 2.333
                      IntervalCase{"2000", 0, "2012", 7, 0, 0, kRefused},              // 12.583, nearest to 12.6
                      IntervalCase{"2000", 0, "2000", 0, 0, 0, kRefused},              // same date
                      IntervalCase{"2000", 0, "1991", 0, 0, 0, kRefused},              // reversed
                      IntervalCase{"", 0, "2000", 0, 0, 0, kEmptyYear},                // empty year
                      IntervalCase{"1991", 0, "   ", 0, 0, 0, kEmptyYear}));

TEST(CensusTiming, YearNotANumberIsAnError)
{
    EXPECT_THROW(deriveRunSettings("19x1", 0, "2000", 0, 7, InterpolationMethod::KarupKing), Error);
}

} // namespace
} // namespace demovia
