#include "results/ui/chart_painter.h"

#include "data/table.h"

#include <QBuffer>
#include <QPageLayout>
#include <QPageSize>
#include <QPainter>
#include <QPainterPath>
#include <QPrintPreviewDialog>
#include <QPrinter>
#include <QSvgGenerator>

#include <algorithm>
#include <cmath>

namespace demovia::ui {

namespace {

const QColor kMen(52, 101, 164);
const QColor kWomen(204, 72, 72);
const QColor kOutline(20, 20, 20);
const QColor kGrid(215, 215, 215);

QString q(const std::string& s) { return QString::fromStdString(s); }

// Sizes are given for a 1280 x 800 area and scaled to the one painted.
struct Scale {
    double s;
    explicit Scale(const QRectF& area) : s(std::min(area.width() / 1280.0, area.height() / 800.0)) {}
    double operator()(double v) const { return v * s; }
    QFont font(double px, bool bold = false) const
    {
        QFont f;
        f.setFamilies({"Liberation Sans", "Arial", "DejaVu Sans"});
        f.setPixelSize(std::max(1, static_cast<int>(std::lround(px * s))));
        f.setBold(bold);
        return f;
    }
};

void titles(QPainter& p, const QRectF& area, const Scale& sc, const std::string& title, const std::string& subtitle)
{
    p.setPen(Qt::black);
    p.setFont(sc.font(22, true));
    p.drawText(QRectF(area.left() + sc(20), area.top() + sc(12), area.width() - sc(40), sc(32)),
               Qt::AlignLeft | Qt::AlignVCenter, q(title));
    p.setFont(sc.font(15));
    p.drawText(QRectF(area.left() + sc(20), area.top() + sc(44), area.width() - sc(40), sc(24)),
               Qt::AlignLeft | Qt::AlignVCenter, q(subtitle));
}

void message(QPainter& p, const QRectF& plot, const Scale& sc, const std::string& text)
{
    p.setPen(Qt::black);
    p.setFont(sc.font(18));
    p.drawText(plot, Qt::AlignCenter | Qt::TextWordWrap, q(text));
}

// One legend entry: a filled or outlined swatch and its text; returns the next x.
double legendEntry(QPainter& p, const Scale& sc, double x, double y, const QColor& fill, bool outline,
                   const QString& text)
{
    const QRectF box(x, y, sc(16), sc(12));
    if (outline) {
        p.setPen(QPen(kOutline, sc(2)));
        p.setBrush(Qt::NoBrush);
    } else {
        p.setPen(Qt::NoPen);
        p.setBrush(fill);
    }
    p.drawRect(box);
    p.setPen(Qt::black);
    p.setFont(sc.font(14));
    const double w = p.fontMetrics().horizontalAdvance(text);
    p.drawText(QRectF(x + sc(22), y - sc(4), w + sc(4), sc(20)), Qt::AlignLeft | Qt::AlignVCenter, text);
    return x + sc(22) + w + sc(24);
}

void paintPyramid(QPainter& p, const QRectF& area, const PyramidChart& c)
{
    const Scale sc(area);
    titles(p, area, sc, c.title, c.subtitle);
    const QRectF plot(area.left() + sc(40), area.top() + sc(110), area.width() - sc(80), area.height() - sc(190));
    if (!c.message.empty()) {
        message(p, plot, sc, c.message);
        return;
    }
    // Legend under the titles.
    double lx = area.left() + sc(20);
    const double ly = area.top() + sc(80);
    lx = legendEntry(p, sc, lx, ly, kMen, false, "Homens " + q(c.legend));
    lx = legendEntry(p, sc, lx, ly, kWomen, false, "Mulheres " + q(c.legend));
    if (c.hasCompare)
        legendEntry(p, sc, lx, ly, kOutline, true, q(c.compareLegend) + " (contorno)");

    const double labelW = sc(56);
    const double mid = plot.center().x();
    const double half = (plot.width() - labelW) / 2;
    const double leftZero = mid - labelW / 2, rightZero = mid + labelW / 2;
    const double n = static_cast<double>(c.labels.size());
    const double barH = plot.height() / n;
    const auto xOf = [&](double v) { return half * v / c.axisMax; };
    const auto yOf = [&](std::size_t i) { return plot.bottom() - barH * static_cast<double>(i + 1); };

    // Grid and axis.
    p.setFont(sc.font(13));
    for (const AxisTick& t : c.ticks) {
        const double dx = xOf(t.value);
        for (double x : {leftZero - dx, rightZero + dx}) {
            p.setPen(QPen(kGrid, sc(1)));
            p.drawLine(QPointF(x, plot.top()), QPointF(x, plot.bottom()));
            p.setPen(Qt::black);
            p.drawLine(QPointF(x, plot.bottom()), QPointF(x, plot.bottom() + sc(5)));
            p.drawText(QRectF(x - sc(60), plot.bottom() + sc(6), sc(120), sc(20)), Qt::AlignHCenter | Qt::AlignTop,
                       q(t.label));
        }
    }
    p.setPen(Qt::black);
    p.setFont(sc.font(15, true));
    const QString unit = c.percent ? " (% da população)" : " (pessoas)";
    p.drawText(QRectF(plot.left(), plot.bottom() + sc(30), leftZero - plot.left(), sc(24)), Qt::AlignCenter,
               "Homens" + unit);
    p.drawText(QRectF(rightZero, plot.bottom() + sc(30), plot.right() - rightZero, sc(24)), Qt::AlignCenter,
               "Mulheres" + unit);

    // Bars, a thin gap between them when they are tall enough.
    const double gap = barH > sc(6) ? std::max(sc(1), barH * 0.12) : 0;
    p.setPen(Qt::NoPen);
    for (std::size_t i = 0; i < c.men.size(); ++i) {
        const double y = yOf(i) + gap / 2, h = barH - gap;
        p.setBrush(kMen);
        p.drawRect(QRectF(leftZero - xOf(c.men[i]), y, xOf(c.men[i]), h));
        p.setBrush(kWomen);
        p.drawRect(QRectF(rightZero, y, xOf(c.women[i]), h));
    }
    // The outline: a stepped line along the ends of the second population's bars.
    if (c.hasCompare) {
        p.setPen(QPen(kOutline, sc(2)));
        p.setBrush(Qt::NoBrush);
        for (int side = 0; side < 2; ++side) {
            const std::vector<double>& v = side == 0 ? c.compareMen : c.compareWomen;
            const auto at = [&](double value) { return side == 0 ? leftZero - xOf(value) : rightZero + xOf(value); };
            const double zero = side == 0 ? leftZero : rightZero;
            QPainterPath path(QPointF(zero, plot.bottom()));
            for (std::size_t i = 0; i < v.size(); ++i) {
                path.lineTo(at(v[i]), yOf(i) + barH);
                path.lineTo(at(v[i]), yOf(i));
            }
            path.lineTo(zero, yOf(v.size() - 1));
            p.drawPath(path);
        }
    }
    // Age labels in the middle: all groups, every fifth single age.
    p.setPen(Qt::black);
    p.setFont(sc.font(c.labels.size() > 20 ? 12 : 13));
    const std::size_t every = c.labels.size() > 20 ? 5 : 1;
    for (std::size_t i = 0; i < c.labels.size(); ++i)
        if (i % every == 0 || i + 1 == c.labels.size())
            p.drawText(QRectF(leftZero, yOf(i) + barH / 2 - sc(10), labelW, sc(20)), Qt::AlignCenter, q(c.labels[i]));
    p.setFont(sc.font(13, true));
    p.drawText(QRectF(leftZero - sc(10), plot.top() - sc(24), labelW + sc(20), sc(20)), Qt::AlignCenter, "Idade");
}

// The axes of a chart over the years: the value marks with their grid lines
// (zero darker when it lies inside), the year marks and "Ano".
template <class X, class Y>
void yearAxes(QPainter& p, const QRectF& area, const QRectF& plot, const Scale& sc, const std::vector<AxisTick>& ticks,
              const std::vector<int>& yearTicks, const X& xOf, const Y& yOf)
{
    p.setFont(sc.font(13));
    for (const AxisTick& t : ticks) {
        const double y = yOf(t.value);
        const bool innerZero = t.value == 0 && &t != &ticks.front();
        p.setPen(QPen(innerZero ? QColor(120, 120, 120) : kGrid, sc(1)));
        p.drawLine(QPointF(plot.left(), y), QPointF(plot.right(), y));
        p.setPen(Qt::black);
        p.drawText(QRectF(area.left(), y - sc(10), plot.left() - area.left() - sc(8), sc(20)),
                   Qt::AlignRight | Qt::AlignVCenter, q(t.label));
    }
    for (int year : yearTicks) {
        const double x = xOf(year);
        p.setPen(Qt::black);
        p.drawLine(QPointF(x, plot.bottom()), QPointF(x, plot.bottom() + sc(5)));
        p.drawText(QRectF(x - sc(40), plot.bottom() + sc(6), sc(80), sc(20)), Qt::AlignHCenter | Qt::AlignTop,
                   QString::number(year));
    }
    p.setPen(QPen(Qt::black, sc(1.5)));
    p.drawLine(plot.bottomLeft(), plot.bottomRight());
    p.drawLine(plot.bottomLeft(), plot.topLeft());
    p.setFont(sc.font(15, true));
    p.drawText(QRectF(plot.left(), plot.bottom() + sc(32), plot.width(), sc(24)), Qt::AlignCenter, "Ano");
}

void paintTotals(QPainter& p, const QRectF& area, const TotalChart& c)
{
    const Scale sc(area);
    titles(p, area, sc, c.title, c.subtitle);
    const QRectF plot(area.left() + sc(130), area.top() + sc(110), area.width() - sc(170), area.height() - sc(180));
    if (!c.message.empty()) {
        message(p, plot, sc, c.message);
        return;
    }
    double lx = area.left() + sc(20);
    const double ly = area.top() + sc(80);
    lx = legendEntry(p, sc, lx, ly, Qt::black, false, "Ambos os sexos");
    lx = legendEntry(p, sc, lx, ly, kMen, false, "Homens");
    lx = legendEntry(p, sc, lx, ly, kWomen, false, "Mulheres");
    legendEntry(p, sc, lx, ly, QColor(120, 120, 120), false, "Censos");

    const double span = std::max(1, c.lastYear - c.firstYear);
    const auto xOf = [&](double year) { return plot.left() + plot.width() * (year - c.firstYear) / span; };
    const auto yOf = [&](double v) { return plot.bottom() - plot.height() * v / c.axisMax; };

    yearAxes(p, area, plot, sc, c.ticks, c.yearTicks, xOf, yOf);
    p.save();
    p.translate(area.left() + sc(22), plot.center().y());
    p.rotate(-90);
    p.drawText(QRectF(-sc(150), -sc(12), sc(300), sc(24)), Qt::AlignCenter, "Pessoas");
    p.restore();

    // The censuses: a dashed line at the year, its name, and its totals as diamonds.
    for (const CensusMark& m : c.censuses) {
        const double x = xOf(m.year);
        p.setPen(QPen(QColor(120, 120, 120), sc(1.5), Qt::DashLine));
        p.drawLine(QPointF(x, plot.top()), QPointF(x, plot.bottom()));
        p.setPen(Qt::black);
        p.setFont(sc.font(13, true));
        p.drawText(QRectF(x + sc(4), plot.top(), sc(160), sc(20)), Qt::AlignLeft | Qt::AlignVCenter, q(m.label));
        for (auto [v, color] : {std::pair{m.both, QColor(Qt::black)}, std::pair{m.men, kMen}, std::pair{m.women, kWomen}}) {
            const QPointF at(x, yOf(v));
            QPolygonF diamond{at + QPointF(0, -sc(7)), at + QPointF(sc(7), 0), at + QPointF(0, sc(7)),
                              at + QPointF(-sc(7), 0)};
            p.setPen(QPen(Qt::white, sc(1)));
            p.setBrush(color);
            p.drawPolygon(diamond);
        }
    }
    // The three series.
    for (auto [series, color] : {std::pair{&c.both, QColor(Qt::black)}, std::pair{&c.men, kMen},
                                 std::pair{&c.women, kWomen}}) {
        QPolygonF line;
        for (std::size_t i = 0; i < c.years.size(); ++i)
            line << QPointF(xOf(c.years[i]), yOf((*series)[i]));
        p.setPen(QPen(color, sc(2.5)));
        p.setBrush(Qt::NoBrush);
        p.drawPolyline(line);
        p.setBrush(color);
        p.setPen(Qt::NoPen);
        for (const QPointF& pt : line)
            p.drawEllipse(pt, sc(3), sc(3));
    }
}

// One indicator over the years: a line through the years that have a value,
// the vertical axis over the values' range with zero in it.
void paintIndicator(QPainter& p, const QRectF& area, const IndicatorChart& c)
{
    const Scale sc(area);
    titles(p, area, sc, c.title, c.subtitle);
    const QRectF plot(area.left() + sc(130), area.top() + sc(110), area.width() - sc(170), area.height() - sc(180));
    if (!c.message.empty()) {
        message(p, plot, sc, c.message);
        return;
    }
    const double span = std::max(1, c.lastYear - c.firstYear);
    const double range = c.axisMax - c.axisMin;
    const auto xOf = [&](double year) { return plot.left() + plot.width() * (year - c.firstYear) / span; };
    const auto yOf = [&](double v) { return plot.bottom() - plot.height() * (v - c.axisMin) / range; };

    yearAxes(p, area, plot, sc, c.ticks, c.yearTicks, xOf, yOf);

    QPolygonF line;
    for (std::size_t i = 0; i < c.years.size(); ++i)
        line << QPointF(xOf(c.years[i]), yOf(c.values[i]));
    p.setPen(QPen(kMen, sc(2.5)));
    p.setBrush(Qt::NoBrush);
    p.drawPolyline(line);
    p.setPen(Qt::NoPen);
    for (std::size_t i = 0; i < c.years.size(); ++i) {
        // The census is the one point that is not a projected year: a diamond.
        const QPointF at = line[static_cast<int>(i)];
        p.setBrush(c.labels[i] == std::to_string(c.years[i]) ? kMen : QColor(Qt::black));
        if (c.labels[i] == std::to_string(c.years[i]))
            p.drawEllipse(at, sc(3.5), sc(3.5));
        else
            p.drawPolygon(QPolygonF{at + QPointF(0, -sc(7)), at + QPointF(sc(7), 0), at + QPointF(0, sc(7)),
                                    at + QPointF(-sc(7), 0)});
    }
}

QString chartTitle(const Chart& chart)
{
    return std::visit([](const auto& c) { return q(c.title); }, chart);
}

} // namespace

void paintChart(QPainter& painter, const QRectF& area, const Chart& chart)
{
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing, true);
    painter.setRenderHint(QPainter::TextAntialiasing, true);
    painter.fillRect(area, Qt::white);
    if (const auto* pyramid = std::get_if<PyramidChart>(&chart))
        paintPyramid(painter, area, *pyramid);
    else if (const auto* totals = std::get_if<TotalChart>(&chart))
        paintTotals(painter, area, *totals);
    else
        paintIndicator(painter, area, std::get<IndicatorChart>(chart));
    painter.restore();
}

QImage chartImage(const Chart& chart, QSize size)
{
    QImage image(size, QImage::Format_ARGB32);
    image.fill(Qt::white);
    QPainter painter(&image);
    paintChart(painter, QRectF(QPointF(0, 0), QSizeF(size)), chart);
    painter.end();
    return image;
}

QByteArray chartSvg(const Chart& chart, QSize size)
{
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    QSvgGenerator svg;
    svg.setOutputDevice(&buffer);
    svg.setSize(size);
    svg.setViewBox(QRect(QPoint(0, 0), size));
    svg.setTitle(chartTitle(chart));
    svg.setDescription("Demovia 2.0");
    QPainter painter;
    if (!painter.begin(&svg))
        return {};
    paintChart(painter, QRectF(QPointF(0, 0), QSizeF(size)), chart);
    painter.end();
    return bytes;
}

bool writeChartFile(const Chart& chart, const QString& file, std::string& failure)
{
    QByteArray bytes;
    const QString lower = file.toLower();
    if (lower.endsWith(".svg")) {
        bytes = chartSvg(chart);
    } else if (lower.endsWith(".png")) {
        QBuffer buffer(&bytes);
        buffer.open(QIODevice::WriteOnly);
        if (!chartImage(chart).save(&buffer, "PNG"))
            bytes.clear();
    } else {
        failure = "O arquivo do gráfico deve terminar em .png ou .svg: " + file.toStdString();
        return false;
    }
    if (bytes.isEmpty()) {
        failure = "Não foi possível desenhar o gráfico.";
        return false;
    }
    try {
        writeFileAtomically(fs::path(file.toStdString()), bytes.toStdString());
    } catch (const std::exception& e) {
        failure = e.what();
        return false;
    }
    return true;
}

void previewChart(const Chart& chart, QWidget* parent)
{
    QPrinter printer(QPrinter::HighResolution);
    printer.setFullPage(true);
    printer.setPageLayout(QPageLayout(QPageSize(QPageSize::A4), QPageLayout::Landscape, QMarginsF(0, 0, 0, 0)));
    QPrintPreviewDialog dialog(&printer, parent);
    dialog.setWindowTitle("Gráfico");
    QObject::connect(&dialog, &QPrintPreviewDialog::paintRequested, &dialog, [&chart](QPrinter* target) {
        QPainter painter(target);
        const QRectF page = target->pageLayout().paintRectPixels(target->resolution());
        // 10 mm margins, the chart's own proportions kept.
        const double margin = 10.0 / 25.4 * target->resolution();
        QRectF area = page.adjusted(margin, margin, -margin, -margin);
        const double h = std::min(area.height(), area.width() * 800.0 / 1280.0);
        area.setHeight(h);
        area.setWidth(h * 1280.0 / 800.0);
        paintChart(painter, area, chart);
    });
    dialog.exec();
}

ChartView::ChartView(QWidget* parent) : QWidget(parent)
{
    setMinimumSize(480, 300);
    setAutoFillBackground(true);
}

void ChartView::setChart(Chart chart)
{
    m_chart = std::move(chart);
    m_has = true;
    update();
}

void ChartView::clear()
{
    m_has = false;
    update();
}

void ChartView::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.fillRect(rect(), Qt::white);
    if (m_has)
        paintChart(painter, QRectF(rect()), m_chart);
}

} // namespace demovia::ui
