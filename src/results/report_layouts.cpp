#include "results/report_layouts.h"

#include "data/error.h"

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

// Codes take less room than the values, which may carry many decimals.
bool isCodeField(const std::string& field)
{
    return field == "ano" || field == "mun" || field == "faixa" || field == "idade";
}

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

int linesPerPage(double pageHeight)
{
    using namespace report_mm;
    const double room = pageHeight - 2 * kMargin - kHeader;
    return std::max(1, static_cast<int>(std::floor(room / kDetailLine + 1e-9)));
}

std::string reportText(const Value& v, const NumberFormat& fmt)
{
    if (v.isNumber())
        return formatRegionalNumber(v.toDouble(), fmt);
    return v.toText();
}

ReportDocument produceReport(const ReportLayout& layout, const ResultSet& rows, const NumberFormat& fmt)
{
    using namespace report_mm;
    ReportDocument doc;
    doc.name = layout.name;
    doc.title = layout.title;
    doc.paper = layout.paper;
    doc.pageWidth = layout.paper == Paper::A4 ? 210.0 : 215.9;
    doc.pageHeight = layout.paper == Paper::A4 ? 297.0 : 279.4;

    // Where each value comes from in the result.
    std::vector<int> source;
    double weights = 0;
    for (const ReportColumn& c : layout.columns) {
        const int at = rows.column(c.field);
        if (at < 0)
            throw Error("O campo " + c.field + " não está no resultado a imprimir");
        source.push_back(at);
        doc.headings.push_back(c.heading);
        weights += isCodeField(c.field) ? 1.0 : 2.0;
    }
    const double usable = doc.pageWidth - 2 * kMargin;
    double left = kMargin;
    for (const ReportColumn& c : layout.columns) {
        const double width = usable * (isCodeField(c.field) ? 1.0 : 2.0) / weights;
        doc.places.push_back({left, width});
        left += width;
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

    // The page counter starts at 0 with every production and goes up at the
    // start of every page.
    int counter = 0;
    const int perPage = linesPerPage(doc.pageHeight);
    auto newPage = [&] {
        ReportPage p;
        p.number = ++counter;
        doc.pages.push_back(std::move(p));
    };
    newPage();
    for (const Row& row : rows.rows) {
        if (static_cast<int>(doc.pages.back().lines.size()) == perPage)
            newPage();
        std::vector<std::string> line;
        line.reserve(source.size());
        for (int at : source)
            line.push_back(reportText(row[static_cast<std::size_t>(at)], fmt));
        doc.pages.back().lines.push_back(std::move(line));
        for (std::size_t i = 0; i < totalsSource.size(); ++i)
            sums[i] += row[static_cast<std::size_t>(totalsSource[i])].toDouble();
    }

    if (!layout.totalsFields.empty()) {
        const double used = kMargin + kHeader + kDetailLine * static_cast<double>(doc.pages.back().lines.size());
        if (used + kTotalsBox > doc.pageHeight - kMargin)
            newPage(); // the box does not fit under the last rows
        doc.pages.back().totals = true;
        for (double s : sums)
            doc.totals.push_back(formatRegionalNumber(s, fmt));
    }
    return doc;
}

bool printStatement(SqlEngine& sql, const std::string& statement, const std::string& reportName,
                    const NumberFormat& fmt, Dialogs& dialogs,
                    const std::function<void(const ReportDocument&)>& show)
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
        const ReportDocument doc = produceReport(*layout, rows, fmt);
        if (show)
            show(doc);
        return true;
    } catch (const std::exception& e) {
        dialogs.warning(std::string("Erro ao tentar obter as informações a imprimir.\n\nErro original: ") + e.what());
        return false;
    }
}

} // namespace demovia
