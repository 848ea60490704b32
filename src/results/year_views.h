#pragma once
#include "data/table.h"

#include <string>

namespace demovia {

// The three views of one projected year that the results window shows and
// `demovia-cli show` prints: the year table itself (single ages), its sums
// per age group and its sums per municipality.

// {project folder}{yyyy}.dbf for the year as listed ("000#").
fs::path yearTableFile(const fs::path& projectDir, const std::string& yearText);

// The statements of the two aggregate views: what export and print run.
std::string ageGroupViewStatement(const fs::path& yearFile);
std::string totalsViewStatement(const fs::path& yearFile);

// Sums hom_int, mul_int, hom_dec and mul_dec of the year table per ano, mun
// and faixa (the age-group view) or per ano and mun (the totals), in one pass
// over the rows, ordered by those fields as texts: the rows the two
// statements above return. Throws Error when a field is missing.
Table ageGroupView(const Table& year);
Table totalsView(const Table& year);

struct YearViews {
    fs::path file; // the year table as found on disk
    Table ages;
    Table groups;
    Table totals;
};

// Reads the year table once and builds the three views. Throws Error when the
// file is missing or cannot be read.
YearViews readYearViews(const fs::path& projectDir, const std::string& yearText);

} // namespace demovia
