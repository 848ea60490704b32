#include "results/report_layouts.h"

#include "data/error.h"
#include "data/project.h"
#include "data/sql_engine.h"
#include "results/year_views.h"

#include <algorithm>
#include <cmath>

namespace demovia {

namespace {

std::vector<ReportColumn> fertilityColumns(bool withMun)
{
    std::vector<ReportColumn> c{{"Ano", "ano"}};
    if (withMun)
        c.push_back({"Mun", "mun"});
    for (int i = 0; i <= 6; ++i)
        c.push_back({"TRF - " + std::to_string(i), "trf_" + std::to_string(i)});
    c.push_back({"TFT", "tft"});
    return c;
}

std::vector<ReportColumn> populationColumns(bool withAge, bool withGroup)
{
    std::vector<ReportColumn> c{{"Ano", "ano"}, {"Mun", "mun"}};
    if (withGroup)
        c.push_back({"Faixa", "faixa"});
    if (withAge)
        c.push_back({"Idade", "idade"});
    for (auto& v : std::vector<ReportColumn>{{"Hom. inteiro", "hom_int"},
                                             {"Mul. inteiro", "mul_int"},
                                             {"Hom. original", "hom_dec"},
                                             {"Mul. original", "mul_dec"}})
        c.push_back(v);
    return c;
}

const std::vector<std::string> kPopulationTotals{"hom_int", "mul_int", "hom_dec", "mul_dec"};

std::vector<ReportLayout> makeLayouts()
{
    return {
        {"qr_cr_ufp", "CR por idades, com base na projeção prévia", Paper::A4,
         {{"Ano", "ano"}, {"Idade", "idade"}, {"CR Homens", "cr_hom"}, {"CR Mulheres", "cr_mul"}}, {}},
        {"qr_cr_uf", "CR por idades, para a área maior", Paper::Letter,
         {{"Faixa", "faixa"}, {"CR Homens", "cr_hom"}, {"CR Mulheres", "cr_mul"}}, {}},
        {"qr_cr_ufmun", "CR por idades para áreas menores", Paper::Letter,
         {{"Mun", "mun"}, {"Faixa", "faixa"}, {"CR Homens", "cr_hom"}, {"CR Mulheres", "cr_mul"}}, {}},
        {"qr_fator_k", "Fator K", Paper::Letter,
         {{"Mun", "mun"}, {"Idade", "idade"}, {"K Homens", "k_hom"}, {"K Mulheres", "k_mul"}}, {}},
        {"qr_interpolacao", "População dos censos iniciais, interpoladas", Paper::Letter,
         {{"Faixa", "faixa"},
          {"Idade", "idade"},
          {"Hom (1)", "hom1"},
          {"Mul (1)", "mul1"},
          {"Hom (2)", "hom2"},
          {"Mul (2)", "mul2"}},
         {}},
        {"qr_tef_proj", "Tax. Esp. de Fecundidade, com base na projeção", Paper::Letter, fertilityColumns(false), {}},
        {"qr_tefm", "Tax. Esp. Média de Fecundidade, com base na projeção", Paper::Letter, fertilityColumns(false),
         {}},
        {"qr_tef_amen", "Tax. Esp. de Fecundidade, por município", Paper::Letter, fertilityColumns(true), {}},
        {"qr_rcm", "Relação criança / mulher", Paper::Letter,
         {{"Mun", "mun"},
          {"cam UF", "cam_amaior"},
          {"Mul. UF", "mul_amaior"},
          {"rcm UF", "rcm_amaior"},
          {"cam Mun.", "cam_amenor"},
          {"Mul. mun.", "mul_amenor"},
          {"rcm Mun.", "rcm_amenor"},
          {"IDF", "idf"}},
         {}},
        {"qr_nasc_sexo", "Nascimentos, por sexo", Paper::Letter,
         {{"Ano", "ano"}, {"Mun", "mun"}, {"Homens", "hom"}, {"Mulheres", "mul"}}, {"hom", "mul"}},
        {"qr_psfinais", "Projeção, por idade", Paper::Letter, populationColumns(true, true), kPopulationTotals},
        {"qr_psfin_fx", "Projeção, por faixa etária", Paper::Letter, populationColumns(false, true),
         kPopulationTotals},
        {"qr_psfin_tot", "Projeção, por município", Paper::Letter, populationColumns(false, false),
         kPopulationTotals},
    };
}

std::size_t codePoints(const std::string& s)
{
    std::size_t n = 0;
    for (unsigned char c : s)
        n += (c & 0xC0) != 0x80;
    return n;
}

constexpr double kMmPerPoint = 25.4 / 72.0;

} // namespace

const std::vector<ReportLayout>& reportLayouts()
{
    static const std::vector<ReportLayout> layouts = makeLayouts();
    return layouts;
}

const ReportLayout* findReportLayout(const std::string& name)
{
    for (const ReportLayout& l : reportLayouts())
        if (l.name == name)
            return &l;
    return nullptr;
}

double estimatedTextWidth(const std::string& text, double points, bool bold)
{
    // Arial's capitals and bold letters are at most about 0.72 em wide, its
    // digits 0.556: 0.62 em per character (0.68 bold) is wide for figures.
    return static_cast<double>(codePoints(text)) * (bold ? 0.68 : 0.62) * points * kMmPerPoint;
}

namespace {

double headerHeight(double scale)
{
    using namespace report_mm;
    return kBrandLine + kTitleLine + kHeadingLine * scale + kRuleGap;
}

} // namespace

std::string reportStatement(const fs::path& projectDir, const std::string& reportName, const std::string& yearText)
{
    static const std::pair<const char*, const char*> tables[] = {
        {"qr_cr_ufp", "cr_ufp.dbf"},   {"qr_cr_uf", "cr_uf.dbf"},         {"qr_cr_ufmun", "cr_ufm.dbf"},
        {"qr_fator_k", "fator_k.dbf"}, {"qr_interpolacao", "interp.dbf"}, {"qr_tef_proj", "tef_ufp.dbf"},
        {"qr_tefm", "tef_ufm.dbf"},    {"qr_tef_amen", "tef_mun.dbf"},    {"qr_rcm", "rcm.dbf"},
        {"qr_nasc_sexo", "nascsexo.dbf"}};
    for (const auto& [report, file] : tables)
        if (reportName == report)
            return "select * from " + quotedTable(resolveFile(projectDir / file)) + ";";
    const fs::path year = resolveFile(yearTableFile(projectDir, yearText));
    if (reportName == "qr_psfinais")
        return "select * from " + quotedTable(year) + ";";
    if (reportName == "qr_psfin_fx")
        return ageGroupViewStatement(year);
    if (reportName == "qr_psfin_tot")
        return totalsViewStatement(year);
    throw Error("Relatório desconhecido: " + reportName);
}

int linesPerPage(double pageHeight, double points)
{
    using namespace report_mm;
    const double scale = points / kPoints;
    const double room = pageHeight - 2 * kMargin - headerHeight(scale);
    return std::max(1, static_cast<int>(std::floor(room / (kDetailLine * scale) + 1e-9)));
}

std::string reportText(const Value& v, const NumberFormat& fmt)
{
    if (v.isNumber())
        return formatRegionalNumber(v.toDouble(), fmt);
    return v.toText();
}

ReportDocument produceReport(const ReportLayout& layout, const ResultSet& rows, const NumberFormat& fmt,
                             const TextWidth& measure)
{
    using namespace report_mm;
    const TextWidth width = measure ? measure : TextWidth(&estimatedTextWidth);
    ReportDocument doc;
    doc.name = layout.name;
    doc.title = layout.title;
    doc.paper = layout.paper;
    const double shortSide = layout.paper == Paper::A4 ? 210.0 : 215.9;
    const double longSide = layout.paper == Paper::A4 ? 297.0 : 279.4;

    // Where each value comes from in the result.
    std::vector<int> source;
    for (const ReportColumn& c : layout.columns) {
        const int at = rows.column(c.field);
        if (at < 0)
            throw Error("O campo " + c.field + " não está no resultado a imprimir");
        source.push_back(at);
        doc.headings.push_back(c.heading);
    }

    std::vector<double> sums(layout.totalsFields.size(), 0.0);
    std::vector<int> totalsSource;
    for (const std::string& f : layout.totalsFields) {
        const int at = rows.column(f);
        if (at < 0)
            throw Error("O campo " + f + " não está no resultado a imprimir");
        totalsSource.push_back(at);
        int column = -1;
        for (std::size_t i = 0; i < layout.columns.size(); ++i)
            if (layout.columns[i].field == f)
                column = static_cast<int>(i);
        doc.totalsColumns.push_back(column);
        doc.totalsHeadings.push_back(column >= 0 ? layout.columns[static_cast<std::size_t>(column)].heading : f);
    }

    // Every printed line, and the sums.
    std::vector<std::vector<std::string>> lines;
    lines.reserve(rows.rows.size());
    for (const Row& row : rows.rows) {
        std::vector<std::string> line;
        line.reserve(source.size());
        for (int at : source)
            line.push_back(reportText(row[static_cast<std::size_t>(at)], fmt));
        lines.push_back(std::move(line));
        for (std::size_t i = 0; i < totalsSource.size(); ++i)
            sums[i] += row[static_cast<std::size_t>(totalsSource[i])].toDouble();
    }
    for (double s : sums)
        doc.totals.push_back(formatRegionalNumber(s, fmt));

    // The widest text of each column at 8 pt -- heading, values, sum -- kept
    // to be measured again at a smaller size.
    struct Widest {
        std::string text;
        bool bold = false;
        double mm = 0;
    };
    std::vector<Widest> widest(doc.headings.size());
    const auto consider = [&](std::size_t c, const std::string& text, bool bold) {
        const double w = width(text, kPoints, bold);
        if (w > widest[c].mm)
            widest[c] = {text, bold, w};
    };
    for (std::size_t c = 0; c < doc.headings.size(); ++c)
        consider(c, doc.headings[c], true);
    for (const auto& line : lines)
        for (std::size_t c = 0; c < line.size(); ++c)
            consider(c, line[c], false);
    for (std::size_t t = 0; t < doc.totals.size(); ++t)
        if (doc.totalsColumns[t] >= 0)
            consider(static_cast<std::size_t>(doc.totalsColumns[t]), doc.totals[t], false);

    // The totals box is drawn a little inside the margins: keep the columns in it.
    const double reserve = layout.totalsFields.empty() ? 0.0 : kBoxOffset + kPad;
    const auto needed = [&](double points) {
        double sum = 0;
        for (const Widest& w : widest)
            sum += (points == kPoints ? w.mm : width(w.text, points, w.bold)) + 2 * kPad;
        return sum;
    };
    double need = needed(kPoints);
    double usable = shortSide - 2 * kMargin - reserve;
    doc.pageWidth = shortSide;
    doc.pageHeight = longSide;
    if (need > usable) {
        doc.landscape = true;
        doc.pageWidth = longSide;
        doc.pageHeight = shortSide;
        usable = longSide - 2 * kMargin - reserve;
    }
    double points = kPoints;
    while (need > usable) {
        if (points <= kMinPoints)
            throw Error("O relatório " + layout.name +
                        " não cabe na largura da página, nem deitada e com letra de 6 pontos");
        // Text widths follow the size; a little below the proportion makes up
        // for the blanks, which do not shrink.
        points = std::max(kMinPoints, std::floor(points * usable / need * 4) / 4);
        need = needed(points);
    }
    doc.points = points;

    // Spare width shared out evenly.
    const double extra = (usable - need) / static_cast<double>(std::max<std::size_t>(1, widest.size()));
    double left = kMargin;
    for (const Widest& w : widest) {
        const double colWidth = (points == kPoints ? w.mm : width(w.text, points, w.bold)) + 2 * kPad + extra;
        doc.places.push_back({left, colWidth});
        left += colWidth;
    }

    // The page counter starts at 0 with every production and goes up at the
    // start of every page.
    int counter = 0;
    const int perPage = linesPerPage(doc.pageHeight, points);
    auto newPage = [&] {
        ReportPage p;
        p.number = ++counter;
        doc.pages.push_back(std::move(p));
    };
    newPage();
    for (auto& line : lines) {
        if (static_cast<int>(doc.pages.back().lines.size()) == perPage)
            newPage();
        doc.pages.back().lines.push_back(std::move(line));
    }

    if (!layout.totalsFields.empty()) {
        const double s = doc.scale();
        const double used =
            kMargin + headerHeight(s) + kDetailLine * s * static_cast<double>(doc.pages.back().lines.size());
        if (used + kTotalsBox * s > doc.pageHeight - kMargin)
            newPage(); // the box does not fit under the last rows
        doc.pages.back().totals = true;
    }
    return doc;
}

PageDrawing drawPage(const ReportDocument& doc, std::size_t pageIndex)
{
    using namespace report_mm;
    PageDrawing d;
    const ReportPage& page = doc.pages.at(pageIndex);
    const double s = doc.scale();
    const double usable = doc.pageWidth - 2 * kMargin;
    const double pts = doc.points;
    const auto inner = [&](std::size_t c, double y, double h, const std::string& text, bool bold, TextAlign a) {
        const ColumnPlace& at = doc.places[c];
        d.texts.push_back({text, at.left + kPad, y, at.width - 2 * kPad, h, pts, bold, a});
    };
    double y = kMargin;

    d.texts.push_back({"Demovia 2.0", kMargin, y, usable / 2, kBrandLine, 4, false, TextAlign::Left});
    d.texts.push_back({"Pág. " + std::to_string(page.number), kMargin + usable / 2, y, usable / 2, kBrandLine + 1, 8,
                       false, TextAlign::Right});
    y += kBrandLine;
    d.texts.push_back({doc.title, kMargin, y, usable, kTitleLine, 12, true, TextAlign::Left});
    y += kTitleLine;
    for (std::size_t c = 0; c < doc.headings.size(); ++c)
        inner(c, y, kHeadingLine * s, doc.headings[c], true, TextAlign::Center);
    y += kHeadingLine * s;
    d.lines.push_back({kMargin, y, doc.pageWidth - kMargin, y});
    y += kRuleGap;

    for (const auto& line : page.lines) {
        for (std::size_t c = 0; c < line.size() && c < doc.places.size(); ++c)
            inner(c, y, kDetailLine * s, line[c], false, TextAlign::Right);
        y += kDetailLine * s;
    }

    if (page.totals) {
        y += 2.0 * s;
        const double boxHeight = (kTotalsBox - 2.0 - kBoxOffset) * s;
        const double boxWidth = usable - kBoxOffset;
        d.rects.push_back({kMargin + kBoxOffset, y + kBoxOffset, boxWidth, boxHeight, false});
        d.rects.push_back({kMargin, y, boxWidth, boxHeight, true});
        const double row = (boxHeight - 2.0 * s) / 2;
        int first = static_cast<int>(doc.places.size());
        for (std::size_t t = 0; t < doc.totalsHeadings.size(); ++t) {
            const int c = doc.totalsColumns[t];
            if (c < 0)
                continue;
            first = std::min(first, c);
            inner(static_cast<std::size_t>(c), y + s, row, doc.totalsHeadings[t], true, TextAlign::Center);
            inner(static_cast<std::size_t>(c), y + s + row, row, doc.totals[t], false, TextAlign::Right);
        }
        // "Totais" over the columns left of the first sum.
        const double labelRight =
            first < static_cast<int>(doc.places.size()) ? doc.places[static_cast<std::size_t>(first)].left : kMargin + 30;
        d.texts.push_back({"Totais", kMargin + 2.0 * s, y + s + row, labelRight - kMargin - 2.0 * s, row, pts, true,
                           TextAlign::Left});
    }
    return d;
}

bool printStatement(SqlEngine& sql, const std::string& statement, const std::string& reportName,
                    const NumberFormat& fmt, Dialogs& dialogs,
                    const std::function<void(const ReportDocument&)>& show, const TextWidth& width)
{
    try {
        ResultSet rows;
        {
            BusyGuard busy(dialogs);
            rows = sql.query(statement);
        }
        if (rows.rows.empty()) {
            dialogs.warning("Sem registros a imprimir");
            return false;
        }
        const ReportLayout* layout = findReportLayout(reportName);
        if (!layout)
            throw Error("Relatório desconhecido: " + reportName);
        const ReportDocument doc = produceReport(*layout, rows, fmt, width);
        if (show)
            show(doc);
        return true;
    } catch (const std::exception& e) {
        dialogs.warning(std::string("Erro ao tentar obter as informações a imprimir.\n\nErro original: ") + e.what());
        return false;
    }
}

} // namespace demovia
