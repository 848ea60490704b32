#pragma once
#include "data/dialogs.h"
#include "data/table.h"
#include "data/text_exchange.h"

#include <optional>
#include <string>
#include <vector>

namespace demovia {

// The external projection adapter: municipal totals projected elsewhere get
// the age and sex structure of our own year table of the same year.

// One row of the join of externo.dbf and a year table: the external total P of
// the municipality, the whole persons H and M and their decimals h and m.
struct AdaptedCell {
    std::string mun;
    int age = 0;
    long long P = 0;
    long long H = 0;
    long long M = 0;
    double h = 0;
    double m = 0;
};

// The projected total T (males and females, all ages) of one municipality.
struct ProjectedTotal {
    std::string mun;
    double total = 0;
};

// Number of single ages of a municipality; the pro-rating divides by it.
inline constexpr int kAdapterAges = 81;

// Share: every cell gets H / T x P and M / T x P, rounded half to even.
// Cells of a municipality without a total throw Error.
void shareExternal(const std::vector<ProjectedTotal>& totals, std::vector<AdaptedCell>& cells);

// Pro-rating: per municipality (cells grouped by code, ascending age), the
// whole persons are made to add up exactly to P: first D/81 to every cell of
// both sexes, then the rest one person at a time, in turns, to the youngest
// age with the largest male count and the youngest with the largest female count.
void prorateExternal(std::vector<AdaptedCell>& cells);

// The external file's total as a whole number of persons: a fractional total
// is rounded half to even first (the final adjustment counts whole persons and
// could never close on a fraction); a negative one throws Error.
long long externalTotal(double pop);

// {project folder}{yyyy}_ext.dbf.
fs::path adaptedFile(const fs::path& projectDir, const std::string& year);
// The age-group view of an adapted year table: one row per municipality and group.
std::string ageGroupStatement(const fs::path& projectDir, const std::string& year);

// Import: externo.dbf from the text file (no heading line), only the rows of
// the state kept, each of them with the four fields UF;ANO;MUN;POP; returns
// the distinct years in ascending order, or nullopt when the import failed
// (reported by the import; externo.dbf then as it was).
std::optional<std::vector<std::string>> importExternal(const fs::path& appDir, const fs::path& projectDir,
                                                       const std::string& uf, const fs::path& textFile,
                                                       const NumberFormat& fmt, Dialogs& dialogs);

// The years externo.dbf holds, ascending; empty when it does not exist.
std::vector<std::string> externalYears(const fs::path& projectDir);

// Adaptation of one year (the text as listed): writes {yyyy}_ext.dbf. Every
// failure is reported through dialogs and returns false. A year that is not a
// number throws Error (the general error report).
bool adaptYear(const fs::path& appDir, const fs::path& projectDir, const std::string& year, bool prorate,
               Dialogs& dialogs);

} // namespace demovia
