#include "data/schema.h"
#include "shell/ui/table_model.h"
#include "test_util.h"

#include <gtest/gtest.h>

using namespace demovia;

TEST(TableModel, ShowsFieldsRowsAndRegionalNumbers)
{
    test::TempDir d;
    ui::TableModel m;
    EXPECT_FALSE(m.load(d / "none.dbf"));
    EXPECT_EQ(m.rowCount(), 0);
    Table t(templateDef("rel_nas.dbf").fields);
    t.append({Value("12"), Value(0.5), Value(0.98)});
    t.append({Value("12"), Value(0.25), Value()});
    writeTable(d / "rel_nas.dbf", t);
    ASSERT_TRUE(m.load(d / "REL_NAS.DBF"));
    EXPECT_EQ(m.rowCount(), 2);
    EXPECT_EQ(m.columnCount(), 3);
    EXPECT_EQ(m.headerData(1, Qt::Horizontal).toString(), "HOM");
    EXPECT_EQ(m.data(m.index(0, 0)).toString(), "12");
    EXPECT_EQ(m.data(m.index(0, 1)).toString(), "0,500000000000000"); // pt_BR pinned by the test main
    EXPECT_EQ(m.data(m.index(1, 2)).toString(), "");
    EXPECT_EQ(m.findRow("uf", "12"), 0);
    EXPECT_EQ(m.findRow("uf", "35"), -1);
}
