#pragma once
// The calculation steps of a run and the arithmetic they share. Internal to
// the engine: the driver (run_driver.cpp) calls the steps; the tests call the
// arithmetic directly.
#include "engine/run.h"

#include <array>
#include <functional>
#include <optional>
#include <string>
#include <unordered_map>
#include <vector>

namespace demovia {
struct ResultSet;
}

namespace demovia::calculo {

constexpr int kGroups = 17; // five-year groups, the last being 80 and over
constexpr int kAges = 81;   // single ages 0..80, the last being 80 and over
constexpr int kRates = 7;   // fertility groups 15-19 .. 45-49

using Groups = std::array<double, kGroups>;
using Ages = std::array<double, kAges>;

// The interpolation multipliers, KK[c][r] and SP[c][r]: column c, row r.
struct Multipliers {
    double kk[3][15] = {};
    double sp[5][25] = {};
};
// Reads the first 15 rows (3 fields) of DBPadrao/kking.dbf and the first 25
// rows (5 fields) of DBPadrao/sprague.dbf, by position.
Multipliers loadMultipliers(const fs::path& appDir);

// What the driver hands every step.
struct Step {
    const RunContext& ctx;
    RunMonitor& monitor;
    Dialogs& dialogs;
    const Multipliers& multipliers;
    RunOutcome& outcome;

    // What a failed step leaves behind for the later ones: tables it did not
    // make are not read as if it had.
    struct State {
        bool growthMissing = false; // step 1 stopped: no growth coefficients for step 2
        bool ratioMissing = false;  // step 3 stopped: no child/woman ratios for step 4
    } state{};

    fs::path table(const std::string& file) const { return ctx.projectDir / file; }
    bool has(const std::string& file) const { return fileExists(table(file)); }
    // The project folder as the messages show it, ending with the separator.
    std::string folderText() const;
    // Replaces the project table by an empty copy of its template from DBVazio
    // and returns the template's fields; nullopt when the copy failed, the
    // system's cause then in writeError.
    std::optional<std::vector<FieldDef>> freshTable(const std::string& templ, const std::string& target) const;
    mutable std::string writeError{};
    // A table could not be written: shows the step's message followed by the
    // system's cause ("Erro original: ...") and stops the run as failed.
    void writeFailed(const std::string& message) const;
};

void stepGrowth(Step& step);        // 1
void stepKFactor(Step& step);       // 2
void stepChildWoman(Step& step);    // 3
void stepFertility(Step& step);     // 4
void stepInterpolation(Step& step); // 5
void stepProjection(Step& step);    // 6, with 7 inside

// The state's projection pop_proj.dbf, one array per year: fields 2..163 by
// position, men 0..80 then women 0..80.
std::vector<std::array<double, 2 * kAges>> readLargerArea(const fs::path& file);

// ---- arithmetic ---------------------------------------------------------

// a / b; a zero divisor throws ArithmeticError("Divisão por zero: " + where).
double divide(double a, double b, const std::string& where);
// base to the power exp; a negative base with a fractional exponent, or any
// result that is not a finite number, throws ArithmeticError naming where.
double power(double base, double exp, const std::string& where);

// Step 1: growth of the cohorts between the censuses for one area (17 groups
// of census 1 and census 2). Position 16 stays 0. where names the area.
Groups censusGrowth(const Groups& census1, const Groups& census2, int shift, const std::string& where);

// Step 2: the 17 yearly K factors of one municipality and sex from its growth
// coefficients and the state's.
Groups kFactors(const Groups& municipal, const Groups& state, int shift, double exponent, const std::string& where);

// Step 5: single ages 0..80 from the 17 groups.
Ages interpolate(const Groups& groups, InterpolationMethod method, const Multipliers& m);

// Step 7 for one sex of one year: values[m * 81 + a] is municipality m, age a;
// target[a] the state's whole persons of age a. Afterwards the rounded values
// of every age add up to the target.
void prorate(double* values, std::size_t municipalities, const double* target, int year, bool female);
// Its two halves: the scaling of every age by target / (sum of the rounded
// values), and the whole persons still missing or left over given to the
// largest municipality (shared among those tied).
void scaleToTarget(double* values, std::size_t municipalities, const double* target, int year, bool female);
void adjustToTarget(double* values, std::size_t municipalities, const double* target);

// R / (R + 100) from the sex ratio at birth as typed; throws Error when the
// text is not a number.
double maleShareOfBirths(const std::string& sexRatioText);

// The column of a statement's result by name; throws Error when absent.
int column(const ResultSet& rows, const std::string& name);

// ---- pre-projection checks ----------------------------------------------

// Builds the findings of the three checks from their statements' rows.
class Checks {
public:
    // Each returns false (and sets emptyMessage) when its rows are none: the
    // projection step ends with that message.
    bool interpolated(const ResultSet& rows);  // mun, qtd_idades
    bool kFactors(const ResultSet& rows);      // mun, qtd_idades
    // mun per fertility row. complete(mun), when given, tells whether the
    // municipality has a fertility row for every year to project.
    bool fertility(const ResultSet& rows, const std::function<bool(const std::string&)>& complete);

    bool anyMarked() const;
    std::vector<std::string> selected() const; // unmarked, in list order
    std::string selection() const;             // " where mun in (\"0010\", \"0020\")"
    std::string confirmation() const;          // the question put before going on
    const std::string& report() const { return m_report; }

    std::string emptyMessage;

private:
    struct Entry {
        std::string mun;
        bool marked = false;
    };
    Entry* find(const std::string& mun);
    std::vector<Entry> m_list;
    std::unordered_map<std::string, std::size_t> m_index;
    std::string m_report;
};

// ---- projection core ----------------------------------------------------

// Everything the yearly loop reads, aligned by municipality.
struct ProjectionInput {
    std::vector<std::string> muns;      // selected municipalities, in order
    std::vector<double> popMale, popFemale; // 81 per municipality: census 2
    std::vector<double> kMale, kFemale;     // 81 per municipality
    std::vector<double> crMale, crFemale;   // 80 per projected year
    std::vector<double> birthMale, birthFemale; // survival at birth, one per projected year
    std::vector<std::array<double, kRates>> rates; // [m * years + s]
    std::vector<std::array<double, 2 * kAges>> larger; // state rows from the base year (pro-rating only)
    int years = 0;
    double maleShare = 0.5;
    bool prorate = false;
};

// Projects input.years years from the base year: year tables, NascSexo.dbf,
// the year list and the closing lines of the log. NascSexo.dbf must already
// be a fresh copy of its template.
void projectYears(Step& step, ProjectionInput& input);

// "hh:mm:ss" of hours, minutes and seconds (hours may take three digits).
std::string clockText(long long seconds);

} // namespace demovia::calculo
