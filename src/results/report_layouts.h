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

// ---- the page model ----------------------------------------------------------

// Page geometry, in millimetres, shared by the page breaking and the drawing.
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
} // namespace report_mm

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
    double pageWidth = 0;  // mm
    double pageHeight = 0; // mm
    std::vector<std::string> headings;
    std::vector<ColumnPlace> places; // one per heading, inside the margins
    std::vector<ReportPage> pages;
    // The totals box: headings, the column each sits under, and the sums.
    std::vector<std::string> totalsHeadings;
    std::vector<int> totalsColumns;
    std::vector<std::string> totals;
};

// How many detail lines fit on one page of the given height.
int linesPerPage(double pageHeight);

// A number or text as the report prints it: plain (shortest general form, the
// regional decimal separator, no thousands separator).
std::string reportText(const Value& v, const NumberFormat& fmt);

// Lays the layout out over the rows of the result. Every production numbers
// its pages from 1. Throws Error when a field of the layout is not in the result.
ReportDocument produceReport(const ReportLayout& layout, const ResultSet& rows, const NumberFormat& fmt);

// The print operation: runs the statement, refuses an empty result, lays the
// report out and hands it to show (the preview, which returns when closed).
// True when the report was shown; failures and the empty result are told
// through dialogs.
bool printStatement(SqlEngine& sql, const std::string& statement, const std::string& reportName,
                    const NumberFormat& fmt, Dialogs& dialogs,
                    const std::function<void(const ReportDocument&)>& show);

} // namespace demovia
