#include "data/table.h"
#include "test_util.h"

#include <gtest/gtest.h>

#include <cmath>

using namespace demovia;

TEST(ReferenceTables, CountsNamesAndMultiplierSums)
{
    const fs::path dir = test::appDir() / "DBPadrao";
    Table uf = readTable(dir / "uf.dbf");
    EXPECT_EQ(uf.size(), 27u);
    Table mun = readTable(dir / "mun.dbf");
    ASSERT_EQ(mun.size(), 5570u);
    bool found = false;
    for (const auto& r : mun.rows)
        if (r[0].toInt() == 35 && r[2].toText() == "São Paulo")
            found = true;
    EXPECT_TRUE(found) << "accents lost in mun.dbf";
    EXPECT_EQ(readTable(dir / "faixas.dbf").size(), 17u);
    Table kk = readTable(dir / "kking.dbf");
    Table sp = readTable(dir / "sprague.dbf");
    EXPECT_EQ(kk.size(), 15u);
    EXPECT_EQ(sp.size(), 25u);
    for (const Table* t : {&kk, &sp})
        for (const auto& r : t->rows) {
            double s = 0;
            for (const auto& v : r)
                s += v.toDouble();
            EXPECT_NEAR(s, 0.2, 1e-12);
        }
}
