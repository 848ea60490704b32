#include "results/year_views.h"

#include "data/error.h"
#include "data/project.h"
#include "data/sql_engine.h"
#include "data/text_util.h"

#include <algorithm>
#include <array>

namespace demovia {

namespace {

constexpr std::array<const char*, 4> kSums{"hom_int", "mul_int", "hom_dec", "mul_dec"};

struct Group {
    std::array<std::string, 3> key; // ano, mun, faixa (the last empty for the totals)
    std::array<double, 4> sums{};
};

const std::string& textOf(const Value& v, std::string& scratch)
{
    if (const std::string* t = v.text())
        return *t;
    scratch = v.toText();
    return scratch;
}

// One pass over the rows: consecutive rows of one key (the year table keeps
// a municipality's ages together) add into one group; the groups are then
// put in key order and equal keys met apart are merged.
Table sumsBy(const Table& year, bool byGroup)
{
    const int ano = year.field("ano"), mun = year.field("mun");
    const int faixa = byGroup ? year.field("faixa") : -1;
    std::array<int, 4> sums{};
    for (std::size_t i = 0; i < kSums.size(); ++i)
        sums[i] = year.field(kSums[i]);

    std::vector<Group> groups;
    groups.reserve(byGroup ? year.rows.size() / 4 : year.rows.size() / 60 + 1);
    std::string s0, s1, s2;
    for (const Row& r : year.rows) {
        const std::string& a = textOf(r[static_cast<std::size_t>(ano)], s0);
        const std::string& m = textOf(r[static_cast<std::size_t>(mun)], s1);
        const std::string& f = byGroup ? textOf(r[static_cast<std::size_t>(faixa)], s2) : s2;
        if (groups.empty() || groups.back().key[1] != m || groups.back().key[2] != f || groups.back().key[0] != a) {
            Group g;
            g.key = {a, m, byGroup ? f : std::string()};
            groups.push_back(std::move(g));
        }
        Group& g = groups.back();
        for (std::size_t i = 0; i < sums.size(); ++i)
            g.sums[i] += r[static_cast<std::size_t>(sums[i])].toDouble();
    }
    const auto less = [](const Group& x, const Group& y) { return x.key < y.key; };
    if (!std::is_sorted(groups.begin(), groups.end(), less)) {
        std::stable_sort(groups.begin(), groups.end(), less);
        std::vector<Group> merged;
        for (Group& g : groups) {
            if (!merged.empty() && merged.back().key == g.key) {
                for (std::size_t i = 0; i < g.sums.size(); ++i)
                    merged.back().sums[i] += g.sums[i];
            } else
                merged.push_back(std::move(g));
        }
        groups = std::move(merged);
    }

    Table out;
    out.fields = {{"ano", 'C', 4, 0}, {"mun", 'C', 4, 0}};
    if (byGroup)
        out.fields.push_back({"faixa", 'C', 3, 0});
    out.fields.insert(out.fields.end(), {{"hom_int", 'N', 20, 0},
                                         {"mul_int", 'N', 20, 0},
                                         {"hom_dec", 'N', 20, 6},
                                         {"mul_dec", 'N', 20, 6}});
    out.rows.reserve(groups.size());
    for (Group& g : groups) {
        Row row;
        row.reserve(out.fields.size());
        row.emplace_back(std::move(g.key[0]));
        row.emplace_back(std::move(g.key[1]));
        if (byGroup)
            row.emplace_back(std::move(g.key[2]));
        for (double s : g.sums)
            row.emplace_back(s);
        out.rows.push_back(std::move(row));
    }
    return out;
}

} // namespace

fs::path yearTableFile(const fs::path& projectDir, const std::string& yearText)
{
    return fs::path(folderText(projectDir) + yearText + ".dbf");
}

std::string ageGroupViewStatement(const fs::path& yearFile)
{
    return "select ano, mun, faixa, sum (hom_int) as hom_int, sum (mul_int) as mul_int, sum (hom_dec) as "
           "hom_dec, sum (mul_dec) as mul_dec from " +
           quotedTable(yearFile) + " group by ano, mun, faixa order by ano, mun, faixa;";
}

std::string totalsViewStatement(const fs::path& yearFile)
{
    return "select ano, mun, sum (hom_int) as hom_int, sum (mul_int) as mul_int, sum (hom_dec) as hom_dec, "
           "sum (mul_dec) as mul_dec from " +
           quotedTable(yearFile) + " group by ano, mun order by ano, mun;";
}

Table ageGroupView(const Table& year) { return sumsBy(year, true); }
Table totalsView(const Table& year) { return sumsBy(year, false); }

YearViews readYearViews(const fs::path& projectDir, const std::string& yearText)
{
    YearViews v;
    v.file = resolveFile(yearTableFile(projectDir, yearText));
    v.ages = readTable(v.file);
    v.groups = ageGroupView(v.ages);
    v.totals = totalsView(v.ages);
    return v;
}

} // namespace demovia
