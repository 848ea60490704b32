#pragma once
#include "results/report_layouts.h"

#include <QByteArray>
#include <QFont>
#include <QString>

class QPagedPaintDevice;
class QWidget;

namespace demovia::ui {

// The report container: draws a laid-out report onto a printer or a PDF
// writer, shows its preview and writes it to a file.

// Sets the paper of the report (Letter or A4, portrait) on the device, with
// the drawing origin at the paper's corner.
void setUpReportDevice(const ReportDocument& doc, QPagedPaintDevice& device);
// Draws every page; the device is set up already. False when the device
// cannot be painted on.
bool drawReport(const ReportDocument& doc, QPagedPaintDevice& device);
// The print preview (modal), from which the person prints. Each drawing --
// the preview and every print -- numbers its pages from 1.
void previewReport(const ReportDocument& doc, QWidget* parent = nullptr);
// Writes the report as a PDF file, aside and renamed into place. False when
// the file cannot be written.
bool writeReportPdf(const ReportDocument& doc, const QString& file);
// The PDF's bytes.
QByteArray reportPdf(const ReportDocument& doc);

// The width of a text in the report fonts (Arial, or Liberation Sans), in
// millimetres, from the font's own metrics: what the layout sizes columns by.
TextWidth reportTextWidth();
// The report font of a size.
QFont reportFont(double points, bool bold);

} // namespace demovia::ui
