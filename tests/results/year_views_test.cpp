// The three views of a projected year: sums per age group and per
// municipality, in one pass, the same rows as the statements the window
// hands to export and print.
#include "results/year_views.h"

#include "data/error.h"
#include "data/schema.h"
#include "data/sql_engine.h"
#include "test_util.h"

#include <gtest/gtest.h>

using namespace demovia;

namespace {

// A year table of a few rows, the municipalities out of order and one of them
// split in two runs, as no run writes it but a hand-made table may be.
Table smallYear()
{
    Table t(templateDef("PsFinais.dbf").fields);
    auto add = [&](const char* mun, const char* faixa, int idade, int h, int m, double hd, double md) {
        t.append({Value("2011"), Value(mun), Value(faixa), Value(idade), Value(h), Value(m), Value(hd), Value(md)});
    };
    add("0020", "001", 0, 5, 6, 5.25, 6.5);
    add("0020", "001", 1, 7, 8, 7.25, 7.75);
    add("0003", "017", 80, 1, 2, 1.5, 2.5);
    add("0003", "001", 0, 10, 20, 10.125, 19.875);
    add("0020", "002", 5, 3, 4, 3.0, 4.0);
    add("0020", "001", 2, 1, 1, 0.5, 1.25);
    return t;
}

std::vector<std::string> texts(const Table& t, std::size_t col)
{
    std::vector<std::string> out;
    for (const Row& r : t.rows)
        out.push_back(r[col].toText());
    return out;
}

} // namespace

TEST(YearViews, GroupsAndTotalsInKeyOrder)
{
    const Table year = smallYear();
    const Table g = ageGroupView(year);
    ASSERT_EQ(g.fields.size(), 7u);
    EXPECT_EQ(texts(g, 1), (std::vector<std::string>{"0003", "0003", "0020", "0020"}));
    EXPECT_EQ(texts(g, 2), (std::vector<std::string>{"001", "017", "001", "002"}));
    // 0020 group 001: rows met in two runs (ages 0, 1 and later 2).
    EXPECT_EQ(g.rows[2][3].toDouble(), 13);
    EXPECT_EQ(g.rows[2][4].toDouble(), 15);
    EXPECT_DOUBLE_EQ(g.rows[2][5].toDouble(), 13.0);
    EXPECT_DOUBLE_EQ(g.rows[2][6].toDouble(), 15.5);

    const Table t = totalsView(year);
    ASSERT_EQ(t.fields.size(), 6u);
    EXPECT_EQ(texts(t, 1), (std::vector<std::string>{"0003", "0020"}));
    EXPECT_EQ(t.rows[0][2].toDouble(), 11);
    EXPECT_EQ(t.rows[1][3].toDouble(), 19);
    EXPECT_DOUBLE_EQ(t.rows[1][4].toDouble(), 16.0);
    EXPECT_DOUBLE_EQ(t.rows[1][5].toDouble(), 19.5);
}

TEST(YearViews, SameRowsAsTheStatements)
{
    test::TempDir dir;
    writeTable(dir / "2011.dbf", smallYear());
    const YearViews v = readYearViews(dir.path(), "2011");
    EXPECT_EQ(v.ages.size(), 6u);
    SqlEngine sql;
    for (auto [view, statement] : {std::pair{&v.groups, ageGroupViewStatement(v.file)},
                                   std::pair{&v.totals, totalsViewStatement(v.file)}}) {
        const ResultSet rs = sql.query(statement);
        ASSERT_EQ(rs.rows.size(), view->rows.size()) << statement;
        for (std::size_t r = 0; r < rs.rows.size(); ++r)
            for (std::size_t c = 0; c < rs.columns.size(); ++c)
                EXPECT_EQ(rs.rows[r][c].toText(), view->rows[r][c].toText()) << r << "," << c;
    }
}

TEST(YearViews, MissingYearAndMissingField)
{
    test::TempDir dir;
    EXPECT_THROW(readYearViews(dir.path(), "1999"), Error);
    Table t({{"ano", 'C', 4, 0}, {"mun", 'C', 4, 0}});
    EXPECT_THROW(totalsView(t), Error);
}
