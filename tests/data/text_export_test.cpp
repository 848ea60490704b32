#include "data/error.h"
#include "data/scripted_dialogs.h"
#include "data/table.h"
#include "data/text_exchange.h"
#include "test_util.h"

#include <gtest/gtest.h>

#include <cmath>

using namespace demovia;
using demovia::test::readBytes;
using demovia::test::TempDir;
using demovia::test::writeBytes;

TEST(RegionalNumbers, ShortestGeneralFormWithTheRegionalSeparator)
{
    struct Case {
        double v;
        char decimal;
        const char* want;
    };
    const std::vector<Case> cases = {
        {0.5, ',', "0,5"},
        {1234.5, ',', "1234,5"},
        {1234.5, '.', "1234.5"},
        {2010, ',', "2010"},
        {-2.5, ',', "-2,5"},
        {-0.0, ',', "0"},
        {0.1 + 0.2, ',', "0,3"},
        {1.0 / 3, ',', "0,333333333333333"},
        {1e15, ',', "1000000000000000"},
        {123456789012.25, ',', "123456789012,25"},
        {0.00001, ',', "1e-05"},
        {1.5e20, ',', "1,5e+20"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(formatRegionalNumber(c.v, NumberFormat{c.decimal, c.decimal == ',' ? '.' : ','}), c.want) << c.v;
    // What the export writes, the import reads back to 15 digits.
    const NumberFormat comma{',', '.'};
    for (double v : {1.0 / 3, 1e-5, -1.5e20, 98765.4321, std::pow(1.1, 0.1)}) {
        double back = parseRegionalNumber(formatRegionalNumber(v, comma), comma);
        EXPECT_NEAR(back / v, 1.0, 1e-14) << v;
    }
}

TEST(TextExport, HeadingRowsSemicolonsCrLfAndWindows1252)
{
    TempDir d;
    ResultSet one;
    one.columns = {"v"};
    one.rows = {{Value(0.5)}};
    writeExportFile(d / "um.csv", one, NumberFormat{',', '.'});
    EXPECT_EQ(readBytes(d / "um.csv"), "v;\r\n0,5;\r\n");

    ResultSet rs;
    rs.columns = {"x", "nome", "n"};
    rs.rows = {{Value(0.5), Value("São João"), Value(2010)}, {Value(), Value("a;b"), Value(-1.25)}, {Value(7)}};
    writeExportFile(d / "dois.csv", rs, NumberFormat{',', '.'});
    EXPECT_EQ(readBytes(d / "dois.csv"), "x;nome;n;\r\n"
                                         "0,5;S\xE3o Jo\xE3o;2010;\r\n"
                                         ";a;b;-1,25;\r\n"
                                         "7;;;\r\n");
}

TEST(TextExport, AnExportedFileImportsBackWithOneHeadingLine)
{
    TempDir d;
    const std::vector<FieldDef> fields = {{"uf", 'C', 2, 0}, {"mun", 'C', 4, 0}, {"pop", 'N', 12, 0},
                                          {"k", 'N', 19, 12}, {"nome", 'C', 20, 0}};
    writeTable(d / "modelo.dbf", Table(fields));
    ResultSet rs;
    rs.columns = {"uf", "mun", "pop", "k", "nome"};
    rs.rows = {{Value("35"), Value("0050"), Value(1234567), Value(1.0095765827), Value("Açaí")},
               {Value("12"), Value("0001"), Value(0), Value(-0.000012345), Value("d'Aliança")}};
    for (char decimal : {',', '.'}) {
        SCOPED_TRACE(decimal);
        const NumberFormat fmt{decimal, decimal == ',' ? '.' : ','};
        writeExportFile(d / "t.csv", rs, fmt);
        ScriptedDialogs dialogs;
        ASSERT_TRUE(importText(d / "t.csv", d / "t.dbf", d / "modelo.dbf", 1, fmt, dialogs)) << dialogs.lastText();
        Table t = readTable(d / "t.dbf");
        ASSERT_EQ(t.size(), 2u);
        for (std::size_t r = 0; r < 2; ++r) {
            EXPECT_EQ(t.rows[r][0].toText(), rs.rows[r][0].toText());
            EXPECT_EQ(t.rows[r][1].toText(), rs.rows[r][1].toText());
            EXPECT_EQ(t.rows[r][2].toDouble(), rs.rows[r][2].toDouble());
            EXPECT_NEAR(t.rows[r][3].toDouble(), rs.rows[r][3].toDouble(), 1e-12);
            EXPECT_EQ(t.rows[r][4].toText(), rs.rows[r][4].toText());
        }
    }
}

TEST(TextExport, StatementAsksForTheFileRunsAndReports)
{
    TempDir d;
    const std::vector<FieldDef> fields = {{"v", 'N', 10, 3}, {"nome", 'C', 10, 0}};
    Table t(fields);
    t.append({Value(0.5), Value("São")});
    writeTable(d / "t.dbf", t);
    writeTable(d / "vazia.dbf", Table(fields));
    auto selectFrom = [&](const char* file) { return "select * from \"" + (d / file).string() + "\";"; };
    const std::string out = (d / "saida.csv").string();

    struct Case {
        const char* name;
        std::string statement;
        std::optional<std::string> chosen; // nullopt: the person cancels
        bool result;
        std::string kind, message;         // the one message, if any
        std::optional<std::string> file;   // what saida.csv holds afterwards
    };
    const std::vector<Case> cases = {
        {"cancelled", selectFrom("t.dbf"), std::nullopt, false, "", "", std::nullopt},
        {"written", selectFrom("t.dbf"), out, true, "information", "Arquivo " + out + "\ncriado com sucesso",
         std::string("v;nome;\r\n0,5;S\xE3o;\r\n")},
        {"no rows", selectFrom("vazia.dbf"), out, false, "warning", "Sem registros a exportar", std::nullopt},
        {"missing table", selectFrom("nada.dbf"), out, false, "warning",
         "Erro ao tentar obter as informações a exportar.\n\nErro original: ", std::nullopt},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        std::error_code ec;
        fs::remove(out, ec);
        SqlEngine sql;
        ScriptedDialogs dialogs;
        dialogs.saveFiles.push_back(c.chosen);
        EXPECT_EQ(exportStatement(sql, c.statement, NumberFormat{',', '.'}, dialogs), c.result);
        if (c.kind.empty()) {
            EXPECT_TRUE(dialogs.log.empty());
        } else {
            ASSERT_EQ(dialogs.log.size(), 1u);
            EXPECT_EQ(dialogs.log[0].kind, c.kind);
            EXPECT_EQ(dialogs.log[0].text.substr(0, c.message.size()), c.message);
            if (c.name == std::string("missing table"))
                EXPECT_GT(dialogs.log[0].text.size(), c.message.size()); // the engine's own words follow
        }
        if (c.file)
            EXPECT_EQ(readBytes(out), *c.file);
        else
            EXPECT_FALSE(fs::exists(out));
        for (const auto& e : fs::directory_iterator(d.path()))
            EXPECT_NE(e.path().extension(), ".tmp") << e.path(); // no half-written file left
    }
}
