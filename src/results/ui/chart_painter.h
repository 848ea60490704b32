#pragma once
#include "results/charts.h"
#include "results/indicators.h"

#include <QByteArray>
#include <QImage>
#include <QRectF>
#include <QSize>
#include <QString>
#include <QWidget>

#include <variant>

class QPainter;

namespace demovia::ui {

// Paints the charts laid out in results/charts.h. The same painting serves
// the window, PNG and SVG files and the printer: sizes follow the area
// painted, drawn for 1280 x 800 and scaled.
using Chart = std::variant<PyramidChart, TotalChart, IndicatorChart>;

void paintChart(QPainter& painter, const QRectF& area, const Chart& chart);

// The chart as an image (white background) and as SVG.
QImage chartImage(const Chart& chart, QSize size = QSize(1280, 800));
QByteArray chartSvg(const Chart& chart, QSize size = QSize(1280, 800));
// Writes a .png or .svg file (by its ending), aside and renamed into place.
// False, with why in failure, when the ending is neither or the file cannot
// be written.
bool writeChartFile(const Chart& chart, const QString& file, std::string& failure);
// The reports' print preview, the chart on a landscape page.
void previewChart(const Chart& chart, QWidget* parent = nullptr);

// A widget that shows one chart, filling its area.
class ChartView : public QWidget {
public:
    explicit ChartView(QWidget* parent = nullptr);
    void setChart(Chart chart);
    void clear();
    bool hasChart() const { return m_has; }
    const Chart& chart() const { return m_chart; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    Chart m_chart;
    bool m_has = false;
};

} // namespace demovia::ui
