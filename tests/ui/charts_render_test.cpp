// The charts painted to files: a PNG of the chart's size that decodes, an SVG
// that Qt's renderer reads, written aside and renamed into place.
#include "results/charts.h"
#include "results/ui/chart_painter.h"
#include "test_util.h"

#include <QImage>
#include <QSvgRenderer>

#include <gtest/gtest.h>

using namespace demovia;

namespace {

const NumberFormat kComma{',', '.'};

AgeSexPopulation rising(double base)
{
    AgeSexPopulation p;
    for (int a = 0; a < kChartAges; ++a) {
        p.men[static_cast<std::size_t>(a)] = base * (81 - a);
        p.women[static_cast<std::size_t>(a)] = base * (82 - a);
    }
    return p;
}

} // namespace

TEST(ChartFiles, PyramidAsPngAndTotalsAsSvg)
{
    const AgeSexPopulation a = rising(10), b = rising(12);
    const ui::Chart pyramid = pyramidChart(a, &b, {}, "Teste (0010) - AC", "2011", "2040", kComma);
    const ui::Chart totals = totalChart({{2011, 1000, 1100}, {2012, 1010, 1120}},
                                        {{2010, "Censo 2 (2010)", 990, 1080, 2070}}, "Acre (12)", kComma);
    test::TempDir out;
    std::string failure;

    const fs::path png = out / "piramide.png";
    ASSERT_TRUE(ui::writeChartFile(pyramid, QString::fromStdString(png.string()), failure)) << failure;
    QImage image;
    ASSERT_TRUE(image.load(QString::fromStdString(png.string())));
    EXPECT_EQ(image.size(), QSize(1280, 800));
    // Something besides the white background was painted, in both colours of the bars.
    bool blue = false, red = false;
    for (int y = 0; y < image.height(); y += 4)
        for (int x = 0; x < image.width(); x += 4) {
            const QColor c = image.pixelColor(x, y);
            blue = blue || (c.blue() > 140 && c.red() < 80);
            red = red || (c.red() > 180 && c.blue() < 90 && c.green() < 90);
        }
    EXPECT_TRUE(blue);
    EXPECT_TRUE(red);

    const fs::path svg = out / "total.svg";
    ASSERT_TRUE(ui::writeChartFile(totals, QString::fromStdString(svg.string()), failure)) << failure;
    const std::string bytes = test::readBytes(svg);
    EXPECT_GT(bytes.size(), 2000u);
    QSvgRenderer renderer(QString::fromStdString(svg.string()));
    EXPECT_TRUE(renderer.isValid());
    EXPECT_NE(bytes.find("Censo 2 (2010)"), std::string::npos);

    // Another ending, or a folder that does not exist: refused, nothing written.
    EXPECT_FALSE(ui::writeChartFile(totals, QString::fromStdString((out / "x.jpg").string()), failure));
    EXPECT_NE(failure.find(".png ou .svg"), std::string::npos);
    EXPECT_FALSE(ui::writeChartFile(totals, QString::fromStdString((out / "nao" / "x.png").string()), failure));
    std::size_t files = 0;
    for ([[maybe_unused]] const auto& e : fs::directory_iterator(out.path()))
        ++files;
    EXPECT_EQ(files, 2u);
}

TEST(ChartFiles, AnEmptyAreaPaintsItsMessage)
{
    const ui::Chart empty = pyramidChart(AgeSexPopulation{}, nullptr, {false, true}, "Vazio (0099) - AC", "2011", "",
                                         kComma);
    const QImage image = ui::chartImage(empty);
    ASSERT_FALSE(image.isNull());
    // Only the title lines and the message: no coloured bars.
    for (int y = 0; y < image.height(); y += 3)
        for (int x = 0; x < image.width(); x += 3) {
            const QColor c = image.pixelColor(x, y);
            ASSERT_FALSE(c.red() > 180 && c.blue() < 90 && c.green() < 90) << x << "," << y;
        }
}
