// Reports that always fit: the thirteen layouts over the projected sample,
// laid out with the real font metrics; every text drawn must fit its box,
// inside the margins, and no column may run into its neighbour.
#include "data/sql_engine.h"
#include "engine/run.h"
#include "results/report_layouts.h"
#include "results/ui/uRel_01.h"
#include "window_fixture.h"
#include "test_util.h"

#include <QFontMetricsF>

#include <gtest/gtest.h>

#include <memory>

using namespace demovia;

namespace {

const NumberFormat kComma{',', '.'};

struct Projected : test::ProjectedSample {
    Projected() : test::ProjectedSample("FIT", 7) {}
};

std::unique_ptr<Projected> s_sample;

class ReportFit : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        if (!s_sample)
            s_sample = std::make_unique<Projected>();
    }
};

} // namespace

TEST_F(ReportFit, EveryTextOfTheThirteenLayoutsFitsItsBox)
{
    ASSERT_TRUE(s_sample->ready);
    const TextWidth width = ui::reportTextWidth();
    SqlEngine sql;
    int landscape = 0;
    for (const ReportLayout& layout : reportLayouts()) {
        SCOPED_TRACE(layout.name);
        const ResultSet rows = sql.query(reportStatement(s_sample->state.projectDir, layout.name, "2011"));
        ASSERT_FALSE(rows.rows.empty());
        const ReportDocument doc = produceReport(layout, rows, kComma, width);
        landscape += doc.landscape;
        EXPECT_GE(doc.points, report_mm::kMinPoints);
        for (std::size_t c = 1; c < doc.places.size(); ++c)
            EXPECT_GE(doc.places[c].left + 1e-9, doc.places[c - 1].left + doc.places[c - 1].width);
        std::size_t texts = 0;
        for (std::size_t p = 0; p < doc.pages.size(); ++p) {
            const PageDrawing page = drawPage(doc, p);
            for (const TextBox& t : page.texts) {
                ++texts;
                EXPECT_LE(width(t.text, t.points, t.bold), t.w + 1e-9)
                    << "page " << p + 1 << ": \"" << t.text << "\" in " << t.w << " mm";
                EXPECT_GE(t.x, report_mm::kMargin - 1e-9) << t.text;
                EXPECT_LE(t.x + t.w, doc.pageWidth - report_mm::kMargin + 1e-9) << t.text;
                EXPECT_LE(t.y + t.h, doc.pageHeight - report_mm::kMargin + 1e-9) << t.text;
                // Qt's own reading of the font agrees that the text fits.
                const QFontMetricsF fm(ui::reportFont(t.points, t.bold));
                EXPECT_LE(fm.horizontalAdvance(QString::fromStdString(t.text)) / fm.fontDpi() * 25.4,
                          t.w * 1.03 + 0.2)
                    << t.text;
            }
            for (const RectBox& r : page.rects)
                EXPECT_LE(r.x + r.w, doc.pageWidth - report_mm::kMargin + 1e-9);
        }
        EXPECT_GT(texts, rows.rows.size());
    }
    // The fertility rates per municipality, ten columns of 15 decimals, need
    // the page turned; the rest fits portrait.
    EXPECT_GE(landscape, 1);
    const ResultSet tef = sql.query(reportStatement(s_sample->state.projectDir, "qr_tef_amen", "2011"));
    EXPECT_TRUE(produceReport(*findReportLayout("qr_tef_amen"), tef, kComma, width).landscape);
}

TEST_F(ReportFit, PdfWrittenWholeAndReadable)
{
    ASSERT_TRUE(s_sample->ready);
    SqlEngine sql;
    const ResultSet rows = sql.query(reportStatement(s_sample->state.projectDir, "qr_psfin_fx", "2040"));
    const ReportDocument doc = produceReport(*findReportLayout("qr_psfin_fx"), rows, kComma, ui::reportTextWidth());
    test::TempDir out;
    const fs::path pdf = out / "faixas.pdf";
    test::writeBytes(pdf, "old");
    ASSERT_TRUE(ui::writeReportPdf(doc, QString::fromStdString(pdf.string())));
    const std::string bytes = test::readBytes(pdf);
    EXPECT_GT(bytes.size(), 10000u);
    EXPECT_EQ(bytes.substr(0, 5), "%PDF-");
    EXPECT_NE(bytes.find("%%EOF", bytes.size() - 16), std::string::npos);
    std::size_t pages = 0;
    for (std::size_t at = 0; (at = bytes.find("/Type /Page\n", at)) != std::string::npos; ++at)
        ++pages;
    EXPECT_EQ(pages, doc.pages.size());
    // Nothing left beside it.
    std::size_t files = 0;
    for ([[maybe_unused]] const auto& e : fs::directory_iterator(out.path()))
        ++files;
    EXPECT_EQ(files, 1u);

    // A folder that does not exist: false, and no file.
    EXPECT_FALSE(ui::writeReportPdf(doc, QString::fromStdString((out / "nao" / "x.pdf").string())));
    EXPECT_FALSE(fs::exists(out / "nao"));
}
