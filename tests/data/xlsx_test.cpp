#include "data/scripted_dialogs.h"
#include "data/sql_engine.h"
#include "data/table.h"
#include "data/text_exchange.h"
#include "data/xlsx_export.h"
#include "test_util.h"

#include <gtest/gtest.h>

#include <cstdio>

using namespace demovia;

namespace {

// One member of the workbook, as unzip gives it.
std::string member(const fs::path& xlsx, const char* name)
{
    const std::string cmd = "unzip -p '" + xlsx.string() + "' " + name;
    std::string out;
    if (FILE* f = popen(cmd.c_str(), "r")) {
        char buf[4096];
        for (std::size_t n; (n = fread(buf, 1, sizeof buf, f)) > 0;)
            out.append(buf, n);
        pclose(f);
    }
    return out;
}

} // namespace

// A table exported through the statement path: the code keeps its leading
// zeros as a text, the count is a number with its field's decimals, the
// heading is bold and frozen, the sheet is named after the table.
TEST(XlsxExport, NumbersAsNumbersCodesAsTextsHeadingFrozen)
{
    test::TempDir dir;
    Table t({{"MUN", 'C', 4, 0}, {"K_HOM", 'N', 19, 12}, {"POP", 'N', 12, 0}});
    t.append({"0010", 0.012713233922698, 1234});
    t.append({"0020", 1.5, 7});
    writeTable(dir / "fator_k.dbf", t);

    SqlEngine sql;
    ScriptedDialogs d;
    const fs::path out = dir / "saida.xlsx";
    d.saveFiles.push_back(out.string());
    ASSERT_TRUE(exportStatement(sql, "select * from \"" + (dir / "fator_k.dbf").string() + "\";", NumberFormat{',', '.'},
                                d))
        << d.lastText();

    const std::string sheet = member(out, "xl/worksheets/sheet1.xml");
    ASSERT_FALSE(sheet.empty()) << "the file is not a workbook";
    // Heading frozen: the pane splits below row 1.
    EXPECT_NE(sheet.find("ySplit=\"1\""), std::string::npos);
    EXPECT_NE(sheet.find("state=\"frozen\""), std::string::npos);
    // The number cells hold the values themselves.
    EXPECT_NE(sheet.find("<c r=\"B2\" s=\""), std::string::npos);
    EXPECT_NE(sheet.find("<v>0.012713233923</v>"), std::string::npos) << sheet; // as the field keeps it
    EXPECT_NE(sheet.find("<v>1234</v>"), std::string::npos);
    // The code cell is a string, and the string is "0010".
    EXPECT_NE(sheet.find("<c r=\"A2\" t=\"s\">"), std::string::npos);
    EXPECT_NE(member(out, "xl/sharedStrings.xml").find("<t>0010</t>"), std::string::npos);
    // Twelve decimals for K_HOM, bold for the heading.
    const std::string styles = member(out, "xl/styles.xml");
    EXPECT_NE(styles.find("formatCode=\"0.000000000000\""), std::string::npos) << styles;
    EXPECT_NE(styles.find("<b/>"), std::string::npos);
    EXPECT_NE(member(out, "xl/workbook.xml").find("name=\"fator_k\""), std::string::npos);
}

TEST(XlsxExport, SheetNamesAndTheTextExportUnchanged)
{
    test::TempDir dir;
    ResultSet rs;
    rs.columns = {"mun", "v"};
    rs.rows = {{"0010", 2.5}};
    writeExportFile(dir / "a.XLSX", rs, NumberFormat{',', '.'}, "tabela:com/caracteres*proibidos[e]longa demais");
    EXPECT_NE(member(dir / "a.XLSX", "xl/workbook.xml").find("name=\"tabelacomcaracteresproibidoselo\""),
              std::string::npos);
    // The sheet of an exported statement is its first table, in any folder.
    EXPECT_EQ(tableNameOf("select * from " + quotedTable(std::string("/p/a \"b\".dbf/2011.dbf")) + ";"), "2011");
    EXPECT_EQ(tableNameOf("select 1 as \"um\";"), "");
    writeExportFile(dir / "a.csv", rs, NumberFormat{',', '.'});
    EXPECT_EQ(test::readBytes(dir / "a.csv"), "mun;v;\r\n0010;2,5;\r\n");
}
