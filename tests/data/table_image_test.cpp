// The fixed-point writing of numbers in dBase fields must give the very
// digits of the exact decimal expansion, rounded half to even; a table image
// rewritten in place reads back as the values last set.
#include "data/error.h"
#include "data/table.h"
#include "test_util.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <random>

namespace demovia {
namespace {

std::string reference(double v, int decimals)
{
    char buf[512];
    std::snprintf(buf, sizeof buf, "%.*f", decimals, v);
    std::string s = buf;
    if (s[0] == '-' && s.find_first_of("123456789") == std::string::npos)
        s.erase(0, 1);
    return s;
}

TEST(NumberFormat, SameDigitsAsTheExactExpansion)
{
    std::mt19937_64 rng(12345);
    std::uniform_real_distribution<double> unit(-1.0, 1.0);
    std::uniform_int_distribution<int> exp10(-12, 16);
    std::vector<double> values = {0.0, -0.0, 0.5, 1.5, 2.5, -2.5, 0.125, 0.375, 1.0 / 512, 12.5, 13.5,
                                  1e-9, -1e-9, 0.1, 0.7, 1.005, 2.675, 999999.999999995, 4.5e14, 1e15};
    for (int i = 0; i < 40000; ++i)
        values.push_back(unit(rng) * std::pow(10.0, exp10(rng)));
    for (int i = 0; i < 10000; ++i) // ties and near-ties: multiples of small powers of two
        values.push_back(std::ldexp(static_cast<double>(static_cast<long long>(rng() % 2000000) - 1000000),
                                    -static_cast<int>(rng() % 12)));
    for (double v : values)
        for (int decimals : {0, 1, 2, 4, 8, 12, 15}) {
            FieldDef f{"v", 'N', 60, decimals};
            ASSERT_EQ(formatNumericField(v, f), reference(v, decimals)) << v << " with " << decimals;
        }
}

TEST(TableImage, RewrittenCellsReadBackAsLastSet)
{
    test::TempDir dir;
    TableImage image({{"ano", 'C', 4, 0}, {"mun", 'C', 4, 0}, {"idade", 'N', 3, 0}, {"dec", 'N', 19, 8}}, 3);
    for (std::size_t r = 0; r < 3; ++r) {
        image.setText(r, 1, "00" + std::to_string(r + 1) + "0");
        image.setNumber(r, 2, static_cast<double>(r));
    }
    image.setText(0, 0, "2001");
    image.setNumber(0, 3, -123456.123456789);
    image.write(dir / "2001.dbf");
    // Shorter values over longer ones leave no trace of the old digits.
    image.setText(0, 0, "02");
    image.setNumber(0, 3, 7.5);
    image.setText(1, 1, "São");
    image.write(dir / "2002.dbf");

    const Table first = readTable(dir / "2001.dbf");
    ASSERT_EQ(first.size(), 3u);
    EXPECT_EQ(first.rows[0][0].toText(), "2001");
    EXPECT_DOUBLE_EQ(first.rows[0][3].toDouble(), -123456.12345679);
    EXPECT_TRUE(first.rows[1][3].isNull());
    const Table second = readTable(dir / "2002.dbf");
    EXPECT_EQ(second.rows[0][0].toText(), "02");
    EXPECT_EQ(second.rows[0][3].toDouble(), 7.5);
    EXPECT_EQ(second.rows[1][1].toText(), "São");
    EXPECT_EQ(second.rows[2][1].toText(), "0030");
    EXPECT_EQ(second.rows[2][2].toDouble(), 2);
    EXPECT_EQ(second.fields[3].decimals, 8);

    EXPECT_THROW(image.setNumber(0, 2, 1000), Error);
    EXPECT_THROW(image.setNumber(0, 3, std::nan("")), Error);
    EXPECT_THROW(image.setText(0, 1, "12345"), Error);
}

} // namespace
} // namespace demovia
