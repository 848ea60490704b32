// The report layouts: page breaking, page numbers, totals and the print operation.
#include "results/report_layouts.h"

#include "data/error.h"
#include "data/scripted_dialogs.h"
#include "data/table.h"
#include "test_util.h"

#include <gtest/gtest.h>

using namespace demovia;

namespace {

const NumberFormat kComma{',', '.'};

// A result of the municipal totals query: n municipalities.
ResultSet totalsRows(int n)
{
    ResultSet r;
    r.columns = {"ano", "mun", "hom_int", "mul_int", "hom_dec", "mul_dec"};
    for (int i = 0; i < n; ++i)
        r.rows.push_back({Value("2011"), Value(std::to_string(1000 + i)), Value(10 + i), Value(20), Value(10.25),
                          Value(19.5)});
    return r;
}

const ReportLayout& layout(const char* name)
{
    const ReportLayout* l = findReportLayout(name);
    EXPECT_NE(l, nullptr) << name;
    return *l;
}

} // namespace

TEST(ReportLayouts, ThirteenLayoutsFieldsAndPaper)
{
    ASSERT_EQ(reportLayouts().size(), 13u);
    EXPECT_EQ(findReportLayout("qr_nada"), nullptr);
    EXPECT_EQ(layout("qr_cr_ufp").paper, Paper::A4);
    for (const ReportLayout& l : reportLayouts())
        if (l.name != "qr_cr_ufp")
            EXPECT_EQ(l.paper, Paper::Letter) << l.name;

    // The interpolation report has no municipality column.
    for (const ReportColumn& c : layout("qr_interpolacao").columns)
        EXPECT_NE(c.field, "mun");
    ASSERT_EQ(layout("qr_interpolacao").columns.size(), 6u);

    const ReportLayout& tef = layout("qr_tef_amen");
    ASSERT_EQ(tef.columns.size(), 10u);
    EXPECT_EQ(tef.columns[2].heading, "TRF - 0");
    EXPECT_EQ(tef.columns[8].field, "trf_6");
    EXPECT_EQ(tef.columns[9].heading, "TFT");

    EXPECT_EQ(layout("qr_psfinais").columns.size(), 8u);
    EXPECT_EQ(layout("qr_psfin_fx").columns.size(), 7u); // no "Idade"
    EXPECT_EQ(layout("qr_psfin_fx").columns[2].heading, "Faixa");
    EXPECT_EQ(layout("qr_nasc_sexo").totalsFields, (std::vector<std::string>{"hom", "mul"}));
    EXPECT_TRUE(layout("qr_fator_k").totalsFields.empty());
}

TEST(ReportLayouts, OneRowGivesPageOneAndTotalsEqualToTheRow)
{
    const ReportDocument doc = produceReport(layout("qr_psfin_tot"), totalsRows(1), kComma);
    ASSERT_EQ(doc.pages.size(), 1u);
    EXPECT_EQ(doc.pages[0].number, 1);
    EXPECT_TRUE(doc.pages[0].totals);
    ASSERT_EQ(doc.pages[0].lines.size(), 1u);
    EXPECT_EQ(doc.pages[0].lines[0],
              (std::vector<std::string>{"2011", "1000", "10", "20", "10,25", "19,5"}));
    EXPECT_EQ(doc.totalsHeadings,
              (std::vector<std::string>{"Hom. inteiro", "Mul. inteiro", "Hom. original", "Mul. original"}));
    EXPECT_EQ(doc.totals, (std::vector<std::string>{"10", "20", "10,25", "19,5"}));
    EXPECT_EQ(doc.totalsColumns, (std::vector<int>{2, 3, 4, 5}));
    EXPECT_EQ(doc.title, "Projeção, por município");
}

TEST(ReportLayouts, LongResultBreaksOverPagesAndEveryProductionStartsAtOne)
{
    const int perPage = linesPerPage(279.4);
    const int n = 2 * perPage + 3;
    const ResultSet rows = totalsRows(n);
    for (int production = 0; production < 2; ++production) {
        const ReportDocument doc = produceReport(layout("qr_psfin_tot"), rows, kComma);
        ASSERT_EQ(doc.pages.size(), 3u);
        std::size_t printed = 0;
        for (std::size_t p = 0; p < doc.pages.size(); ++p) {
            EXPECT_EQ(doc.pages[p].number, static_cast<int>(p) + 1);
            EXPECT_EQ(doc.pages[p].totals, p == 2);
            printed += doc.pages[p].lines.size();
        }
        EXPECT_EQ(printed, static_cast<std::size_t>(n));
        // Row order kept across the break.
        EXPECT_EQ(doc.pages[1].lines[0][1], std::to_string(1000 + perPage));
        EXPECT_EQ(doc.totals[0], std::to_string(10 * n + n * (n - 1) / 2));
        EXPECT_EQ(doc.totals[2], formatRegionalNumber(10.25 * n, kComma));
    }

    // Columns stay in order, inside the margins.
    const ReportDocument doc = produceReport(layout("qr_tef_amen"),
                                             ResultSet{{"ano", "mun", "trf_0", "trf_1", "trf_2", "trf_3", "trf_4",
                                                        "trf_5", "trf_6", "tft"},
                                                       {}},
                                             kComma);
    ASSERT_EQ(doc.places.size(), 10u);
    EXPECT_GE(doc.places.front().left, report_mm::kMargin - 1e-9);
    EXPECT_LE(doc.places.back().left + doc.places.back().width, doc.pageWidth - report_mm::kMargin + 1e-9);
}

TEST(ReportLayouts, TotalsBoxMovesToANewPageWhenTheLastPageIsFull)
{
    const int perPage = linesPerPage(279.4);
    const ReportDocument doc = produceReport(layout("qr_psfin_tot"), totalsRows(perPage), kComma);
    ASSERT_EQ(doc.pages.size(), 2u);
    EXPECT_FALSE(doc.pages[0].totals);
    EXPECT_TRUE(doc.pages[1].lines.empty());
    EXPECT_TRUE(doc.pages[1].totals);
    EXPECT_EQ(doc.pages[1].number, 2);
}

TEST(ReportLayouts, MissingFieldIsAnError)
{
    ResultSet r;
    r.columns = {"ano", "mun"};
    EXPECT_THROW(produceReport(layout("qr_psfin_tot"), r, kComma), Error);
}

TEST(PrintStatement, EmptyResultFailureAndShownReport)
{
    test::TempDir dir;
    Table t({{"ano", 'C', 4, 0}, {"mun", 'C', 4, 0}, {"hom", 'N', 10, 0}, {"mul", 'N', 10, 0}});
    writeTable(dir / "vazio.dbf", t);
    t.append({Value("2011"), Value("0010"), Value(5), Value(7)});
    t.append({Value("2011"), Value("0020"), Value(1), Value(2)});
    writeTable(dir / "nasc.dbf", t);
    const auto stmt = [&](const char* file) { return "select * from \"" + (dir / file).string() + "\";"; };

    SqlEngine sql;
    int shown = 0;
    ReportDocument seen;
    const auto show = [&](const ReportDocument& d) {
        ++shown;
        seen = d;
    };

    ScriptedDialogs d1;
    EXPECT_FALSE(printStatement(sql, stmt("vazio.dbf"), "qr_nasc_sexo", kComma, d1, show));
    ASSERT_EQ(d1.log.size(), 1u);
    EXPECT_EQ(d1.log[0].kind, "warning");
    EXPECT_EQ(d1.log[0].text, "Sem registros a imprimir");

    ScriptedDialogs d2;
    EXPECT_FALSE(printStatement(sql, stmt("naoha.dbf"), "qr_nasc_sexo", kComma, d2, show));
    ASSERT_EQ(d2.log.size(), 1u);
    EXPECT_EQ(d2.log[0].kind, "warning");
    EXPECT_EQ(d2.log[0].text.rfind("Erro ao tentar obter as informações a imprimir.\n\nErro original: ", 0), 0u);

    ScriptedDialogs d3;
    EXPECT_FALSE(printStatement(sql, stmt("nasc.dbf"), "qr_psfinais", kComma, d3, show)); // fields not there
    EXPECT_EQ(d3.log.size(), 1u);
    EXPECT_EQ(shown, 0);

    ScriptedDialogs d4;
    EXPECT_TRUE(printStatement(sql, stmt("nasc.dbf"), "qr_nasc_sexo", kComma, d4, show));
    EXPECT_TRUE(d4.log.empty());
    EXPECT_EQ(shown, 1);
    EXPECT_EQ(seen.totals, (std::vector<std::string>{"6", "9"}));
    EXPECT_EQ(seen.pages.at(0).lines.size(), 2u);
}

// Columns sized by their widest text: portrait while they fit, then the page
// turned, then a smaller font down to 6 pt, and an error past that -- never a
// value cut.
TEST(ReportLayouts, WidthTurnsThePageThenShrinksTheFont)
{
    struct Case {
        std::size_t chars; // of every rate
        bool landscape;
        bool smaller;
        bool fails;
    };
    const Case cases[] = {{4, false, false, false},
                          {15, true, false, false},
                          {20, true, true, false},
                          {40, false, false, true}};
    const ReportLayout& tef = layout("qr_tef_amen");
    for (const Case& c : cases) {
        SCOPED_TRACE(c.chars);
        ResultSet r;
        for (const ReportColumn& col : tef.columns)
            r.columns.push_back(col.field);
        Row row{Value("2011"), Value("0013")};
        for (std::size_t i = 2; i < tef.columns.size(); ++i)
            row.push_back(Value("0," + std::string(c.chars - 2, '7')));
        r.rows.push_back(row);
        if (c.fails) {
            EXPECT_THROW(produceReport(tef, r, kComma), Error);
            continue;
        }
        const ReportDocument doc = produceReport(tef, r, kComma);
        EXPECT_EQ(doc.landscape, c.landscape);
        EXPECT_EQ(doc.points < report_mm::kPoints, c.smaller);
        EXPECT_GE(doc.points, report_mm::kMinPoints);
        EXPECT_EQ(doc.pageWidth, c.landscape ? 279.4 : 215.9);
        // Every value whole, in a box at least as wide as it.
        const PageDrawing page = drawPage(doc, 0);
        int values = 0;
        for (const TextBox& t : page.texts) {
            EXPECT_LE(estimatedTextWidth(t.text, t.points, t.bold), t.w + 1e-9) << t.text;
            EXPECT_LE(t.x + t.w, doc.pageWidth - report_mm::kMargin + 1e-9) << t.text;
            values += t.text == row[2].toText();
        }
        EXPECT_EQ(values, 8);
        // A smaller font fits more lines on a page.
        if (c.smaller)
            EXPECT_GT(linesPerPage(doc.pageHeight, doc.points), linesPerPage(doc.pageHeight));
    }
}
