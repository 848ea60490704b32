#pragma once
#include "data/dialogs.h"
#include "data/sql_engine.h"
#include "data/text_exchange.h"

#include <functional>
#include <string>
#include <vector>

namespace demovia {

// ---- the report layouts --------------------------------------------------------

enum class Paper { Letter, A4 };

struct ReportColumn {
    std::string heading;
    std::string field; // the result field printed in the column
};

struct ReportLayout {
    std::string name;  // qr_...
    std::string title;
    Paper paper = Paper::Letter;
    std::vector<ReportColumn> columns;
    std::vector<std::string> totalsFields; // empty: no totals box
};

// The thirteen layouts of the results window's grids.
const std::vector<ReportLayout>& reportLayouts();
// nullptr when no layout has that name.
const ReportLayout* findReportLayout(const std::string& name);

// The statement that prints a report over the project's tables, as the
// results window hands it over: the table of the report's grid, or for the
// three population reports the year (as listed, "000#") and its views.
// Throws Error for a name that is no report.
std::string reportStatement(const fs::path& projectDir, const std::string& reportName, const std::string& yearText);

// ---- the page model ----------------------------------------------------------

// Page geometry, in millimetres, shared by the page breaking and the drawing.
// The heading and detail lines are those of the 8 pt font; a report set in a
// smaller font scales them with it.
namespace report_mm {
inline constexpr double kMargin = 10.0;
inline constexpr double kBrandLine = 3.0;   // "Demovia 2.0" and "Pág. n"
inline constexpr double kTitleLine = 7.0;   // the title, 12 pt bold
inline constexpr double kHeadingLine = 5.0; // column headings, 8 pt bold
inline constexpr double kRuleGap = 1.5;     // under the line below the headings
inline constexpr double kDetailLine = 4.0;  // one result row, 8 pt
inline constexpr double kTotalsBox = 16.0;  // the totals box with its gap above
inline constexpr double kBoxOffset = 1.0;   // the second rectangle, down and to the right
inline constexpr double kHeader = kBrandLine + kTitleLine + kHeadingLine + kRuleGap;
inline constexpr double kPad = 1.0;         // blank on each side of a value inside its column
inline constexpr double kPoints = 8.0;      // headings, values and totals
inline constexpr double kMinPoints = 6.0;   // the smallest a report is set in
} // namespace report_mm

// The width, in millimetres, of a text set in Arial (Liberation Sans) of the
// given size. The renderer gives the real font metrics; without them an
// estimate that errs on the wide side is used.
using TextWidth = std::function<double(const std::string& text, double points, bool bold)>;
double estimatedTextWidth(const std::string& text, double points, bool bold);

struct ColumnPlace {
    double left = 0;  // from the page's left edge, mm
    double width = 0; // mm
};

struct ReportPage {
    int number = 0; // printed after "Pág."
    std::vector<std::vector<std::string>> lines; // values of each printed row, in column order
    bool totals = false; // the totals box closes this page
};

// A report laid out over the rows of a result, ready to draw.
struct ReportDocument {
    std::string name;
    std::string title;
    Paper paper = Paper::Letter;
    bool landscape = false;   // turned when the columns do not fit portrait
    double points = report_mm::kPoints; // headings, values and totals; never below kMinPoints
    double pageWidth = 0;  // mm, as the page is turned
    double pageHeight = 0; // mm
    std::vector<std::string> headings;
    std::vector<ColumnPlace> places; // one per heading, inside the margins
    std::vector<ReportPage> pages;
    // The totals box: headings, the column each sits under, and the sums.
    std::vector<std::string> totalsHeadings;
    std::vector<int> totalsColumns;
    std::vector<std::string> totals;

    double scale() const { return points / report_mm::kPoints; }
};

// How many detail lines fit on one page of the given height, in a report set
// in the given size.
int linesPerPage(double pageHeight, double points = report_mm::kPoints);

// A number or text as the report prints it: plain (shortest general form, the
// regional decimal separator, no thousands separator).
std::string reportText(const Value& v, const NumberFormat& fmt);

// Lays the layout out over the rows of the result. Each column is as wide as
// the widest of its heading, its values and its sum, with a blank on either
// side; the spare width is shared out. When the columns do not fit across a
// portrait page the page is turned; when they do not fit across a landscape
// page either the font shrinks, down to 6 pt. Every production numbers its
// pages from 1. Throws Error when a field of the layout is not in the result,
// or when even 6 pt across a landscape page cannot hold the columns.
ReportDocument produceReport(const ReportLayout& layout, const ResultSet& rows, const NumberFormat& fmt,
                             const TextWidth& width = {});

// ---- what a page draws ---------------------------------------------------------

enum class TextAlign { Left, Right, Center };

// One text drawn, in the box it must fit (mm, from the page's top left corner).
struct TextBox {
    std::string text;
    double x = 0, y = 0, w = 0, h = 0;
    double points = 8;
    bool bold = false;
    TextAlign align = TextAlign::Left;
};

struct RectBox {
    double x = 0, y = 0, w = 0, h = 0;
    bool fillWhite = false; // hides what lies under it before its frame is drawn
};

struct LineBox {
    double x1 = 0, y1 = 0, x2 = 0, y2 = 0;
};

// Everything one page draws, in drawing order: the renderer paints exactly
// this, and the tests check that every text fits its box.
struct PageDrawing {
    std::vector<RectBox> rects;
    std::vector<LineBox> lines;
    std::vector<TextBox> texts;
};
PageDrawing drawPage(const ReportDocument& doc, std::size_t page);

// The print operation: runs the statement, refuses an empty result, lays the
// report out and hands it to show (the preview, which returns when closed).
// True when the report was shown; failures and the empty result are told
// through dialogs.
bool printStatement(SqlEngine& sql, const std::string& statement, const std::string& reportName,
                    const NumberFormat& fmt, Dialogs& dialogs,
                    const std::function<void(const ReportDocument&)>& show, const TextWidth& width = {});

} // namespace demovia
