#include "results/ui/uRel_01.h"

#include "data/table.h"

#include <QBuffer>
#include <QFile>
#include <QFont>
#include <QPageLayout>
#include <QPageSize>
#include <QPagedPaintDevice>
#include <QPainter>
#include <QPdfWriter>
#include <QPrintPreviewDialog>
#include <QPrinter>

#include <algorithm>

namespace demovia::ui {

namespace {

QFont reportFont(double points, bool bold)
{
    QFont f;
    // Arial where it exists; Liberation Sans has the same metrics elsewhere.
    f.setFamilies({"Arial", "Liberation Sans"});
    f.setPointSizeF(points);
    f.setBold(bold);
    return f;
}

QString q(const std::string& s) { return QString::fromStdString(s); }

} // namespace

void setUpReportDevice(const ReportDocument& doc, QPagedPaintDevice& device)
{
    if (auto* printer = dynamic_cast<QPrinter*>(&device))
        printer->setFullPage(true); // we place the 10 mm margins ourselves
    device.setPageSize(QPageSize(doc.paper == Paper::A4 ? QPageSize::A4 : QPageSize::Letter));
    device.setPageOrientation(QPageLayout::Portrait);
    device.setPageMargins(QMarginsF(0, 0, 0, 0), QPageLayout::Millimeter);
}

bool drawReport(const ReportDocument& doc, QPagedPaintDevice& device)
{
    using namespace report_mm;
    QPainter painter;
    if (!painter.begin(&device))
        return false;
    const double dpi = device.logicalDpiY() > 0 ? device.logicalDpiY() : 72.0;
    const auto mm = [dpi](double v) { return v * dpi / 25.4; };
    const auto rect = [&](double x, double y, double w, double h) { return QRectF(mm(x), mm(y), mm(w), mm(h)); };
    const double usable = doc.pageWidth - 2 * kMargin;
    const double pad = 1.0; // keeps right-aligned values off the next column
    QPen pen(Qt::black);
    pen.setWidthF(mm(0.25));
    painter.setPen(pen);

    for (std::size_t p = 0; p < doc.pages.size(); ++p) {
        if (p > 0)
            device.newPage();
        const ReportPage& page = doc.pages[p];
        double y = kMargin;

        painter.setFont(reportFont(4, false));
        painter.drawText(rect(kMargin, y, usable, kBrandLine), Qt::AlignLeft | Qt::AlignTop, "Demovia 2.0");
        painter.setFont(reportFont(8, false));
        painter.drawText(rect(kMargin, y, usable, kBrandLine + 1), Qt::AlignRight | Qt::AlignTop,
                         QString("Pág. %1").arg(page.number));
        y += kBrandLine;

        painter.setFont(reportFont(12, true));
        painter.drawText(rect(kMargin, y, usable, kTitleLine), Qt::AlignLeft | Qt::AlignVCenter, q(doc.title));
        y += kTitleLine;

        painter.setFont(reportFont(8, true));
        for (std::size_t c = 0; c < doc.headings.size(); ++c)
            painter.drawText(rect(doc.places[c].left, y, doc.places[c].width, kHeadingLine), Qt::AlignCenter,
                             q(doc.headings[c]));
        y += kHeadingLine;
        painter.drawLine(QPointF(mm(kMargin), mm(y)), QPointF(mm(doc.pageWidth - kMargin), mm(y)));
        y += kRuleGap;

        painter.setFont(reportFont(8, false));
        for (const auto& line : page.lines) {
            for (std::size_t c = 0; c < line.size() && c < doc.places.size(); ++c)
                painter.drawText(rect(doc.places[c].left, y, doc.places[c].width - pad, kDetailLine),
                                 Qt::AlignRight | Qt::AlignVCenter, q(line[c]));
            y += kDetailLine;
        }

        if (page.totals) {
            y += 2.0;
            const double boxHeight = kTotalsBox - 2.0 - kBoxOffset;
            const double boxWidth = usable - kBoxOffset;
            painter.drawRect(rect(kMargin + kBoxOffset, y + kBoxOffset, boxWidth, boxHeight));
            painter.fillRect(rect(kMargin, y, boxWidth, boxHeight), Qt::white);
            painter.drawRect(rect(kMargin, y, boxWidth, boxHeight));
            const double row = (boxHeight - 2.0) / 2;
            painter.setFont(reportFont(8, true));
            for (std::size_t t = 0; t < doc.totalsHeadings.size(); ++t) {
                const int c = doc.totalsColumns[t];
                if (c < 0)
                    continue;
                const ColumnPlace& at = doc.places[static_cast<std::size_t>(c)];
                painter.drawText(rect(at.left, y + 1.0, at.width, row), Qt::AlignCenter, q(doc.totalsHeadings[t]));
            }
            painter.drawText(rect(kMargin + 2.0, y + 1.0 + row, 30, row), Qt::AlignLeft | Qt::AlignVCenter, "Totais");
            painter.setFont(reportFont(8, false));
            for (std::size_t t = 0; t < doc.totals.size(); ++t) {
                const int c = doc.totalsColumns[t];
                if (c < 0)
                    continue;
                const ColumnPlace& at = doc.places[static_cast<std::size_t>(c)];
                // The last column ends at the frame: keep its sum inside.
                const double right = std::min(at.left + at.width - pad, kMargin + boxWidth - 1.5);
                painter.drawText(rect(at.left, y + 1.0 + row, right - at.left, row), Qt::AlignRight | Qt::AlignVCenter,
                                 q(doc.totals[t]));
            }
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

bool writeReportPdf(const ReportDocument& doc, const QString& file)
{
    // Drawn in memory, then written through the one door for files: a report
    // cut short never leaves half a PDF under the name chosen.
    QBuffer pdf;
    pdf.open(QIODevice::WriteOnly);
    {
        QPdfWriter writer(&pdf);
        if (!writer.setPageLayout(QPageLayout(QPageSize(doc.paper == Paper::A4 ? QPageSize::A4 : QPageSize::Letter),
                                              QPageLayout::Portrait, QMarginsF(0, 0, 0, 0))))
            return false;
        writer.setResolution(300);
        writer.setTitle(QString::fromStdString(doc.title));
        writer.setCreator("Demovia 2.0");
        if (!drawReport(doc, writer))
            return false;
    }
    try {
        writeFileAtomically(file.toStdString(), pdf.data().toStdString());
    } catch (const Error&) {
        return false;
    }
    return QFile::exists(file);
}

} // namespace demovia::ui
