#include "results/ui/uRel_01.h"

#include "data/table.h"

#include <QBuffer>
#include <QFontMetricsF>
#include <QImage>
#include <QPageLayout>
#include <QPageSize>
#include <QPagedPaintDevice>
#include <QPainter>
#include <QPdfWriter>
#include <QPrintPreviewDialog>
#include <QPrinter>

#include <map>
#include <memory>
#include <utility>

namespace demovia::ui {

namespace {

QString q(const std::string& s) { return QString::fromStdString(s); }

Qt::Alignment alignmentOf(TextAlign a)
{
    switch (a) {
    case TextAlign::Right:
        return Qt::AlignRight | Qt::AlignVCenter;
    case TextAlign::Center:
        return Qt::AlignCenter;
    case TextAlign::Left:
        break;
    }
    return Qt::AlignLeft | Qt::AlignVCenter;
}

QPageLayout pageLayoutOf(const ReportDocument& doc)
{
    return QPageLayout(QPageSize(doc.paper == Paper::A4 ? QPageSize::A4 : QPageSize::Letter),
                       doc.landscape ? QPageLayout::Landscape : QPageLayout::Portrait, QMarginsF(0, 0, 0, 0));
}

} // namespace

QFont reportFont(double points, bool bold)
{
    QFont f;
    // Arial where it exists; Liberation Sans has the same metrics elsewhere.
    f.setFamilies({"Arial", "Liberation Sans"});
    f.setPointSizeF(points);
    f.setBold(bold);
    return f;
}

TextWidth reportTextWidth()
{
    // Measured on a 1200 dpi surface, as the printer and the PDF draw, so
    // that no screen's hinting makes a text look narrower than it prints.
    struct Metrics {
        QImage surface{1, 1, QImage::Format_RGB32};
        std::map<std::pair<int, bool>, std::unique_ptr<QFontMetricsF>> byFont;
        Metrics()
        {
            const int dotsPerMetre = static_cast<int>(1200 / 0.0254);
            surface.setDotsPerMeterX(dotsPerMetre);
            surface.setDotsPerMeterY(dotsPerMetre);
        }
    };
    auto metrics = std::make_shared<Metrics>();
    return [metrics](const std::string& text, double points, bool bold) {
        const std::pair<int, bool> key{static_cast<int>(points * 100 + 0.5), bold};
        auto& fm = metrics->byFont[key];
        if (!fm)
            fm = std::make_unique<QFontMetricsF>(reportFont(points, bold), &metrics->surface);
        return fm->horizontalAdvance(q(text)) * 25.4 / 1200.0;
    };
}

void setUpReportDevice(const ReportDocument& doc, QPagedPaintDevice& device)
{
    if (auto* printer = dynamic_cast<QPrinter*>(&device))
        printer->setFullPage(true); // we place the 10 mm margins ourselves
    device.setPageLayout(pageLayoutOf(doc));
}

bool drawReport(const ReportDocument& doc, QPagedPaintDevice& device)
{
    QPainter painter;
    if (!painter.begin(&device))
        return false;
    const double dpi = device.logicalDpiY() > 0 ? device.logicalDpiY() : 72.0;
    const auto mm = [dpi](double v) { return v * dpi / 25.4; };
    const auto rect = [&](double x, double y, double w, double h) { return QRectF(mm(x), mm(y), mm(w), mm(h)); };
    QPen pen(Qt::black);
    pen.setWidthF(mm(0.25));
    painter.setPen(pen);

    for (std::size_t p = 0; p < doc.pages.size(); ++p) {
        if (p > 0)
            device.newPage();
        const PageDrawing page = drawPage(doc, p);
        for (const RectBox& r : page.rects) {
            if (r.fillWhite)
                painter.fillRect(rect(r.x, r.y, r.w, r.h), Qt::white);
            painter.drawRect(rect(r.x, r.y, r.w, r.h));
        }
        for (const LineBox& l : page.lines)
            painter.drawLine(QPointF(mm(l.x1), mm(l.y1)), QPointF(mm(l.x2), mm(l.y2)));
        for (const TextBox& t : page.texts) {
            painter.setFont(reportFont(t.points, t.bold));
            painter.drawText(rect(t.x, t.y, t.w, t.h), alignmentOf(t.align), q(t.text));
        }
    }
    return painter.end();
}

void previewReport(const ReportDocument& doc, QWidget* parent)
{
    QPrinter printer(QPrinter::HighResolution);
    setUpReportDevice(doc, printer);
    QPrintPreviewDialog dialog(&printer, parent);
    dialog.setWindowTitle("Relatório");
    QObject::connect(&dialog, &QPrintPreviewDialog::paintRequested, &dialog,
                     [&doc](QPrinter* target) { drawReport(doc, *target); });
    dialog.exec();
}

QByteArray reportPdf(const ReportDocument& doc)
{
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    {
        QPdfWriter writer(&buffer);
        if (!writer.setPageLayout(pageLayoutOf(doc)))
            return {};
        writer.setResolution(300);
        writer.setTitle(q(doc.title));
        writer.setCreator("Demovia 2.0");
        if (!drawReport(doc, writer))
            return {};
    }
    return bytes;
}

bool writeReportPdf(const ReportDocument& doc, const QString& file)
{
    const QByteArray bytes = reportPdf(doc);
    if (bytes.isEmpty())
        return false;
    try {
        writeFileAtomically(fs::path(file.toStdString()), bytes.toStdString());
    } catch (const std::exception&) {
        return false;
    }
    return true;
}

} // namespace demovia::ui
