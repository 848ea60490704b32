#include "results/charts.h"

#include "data/error.h"
#include "data/project.h"
#include "data/text_util.h"
#include "results/year_views.h"

#include <algorithm>
#include <cmath>

namespace demovia {

double AgeSexPopulation::total() const
{
    double t = 0;
    for (int a = 0; a < kChartAges; ++a)
        t += men[static_cast<std::size_t>(a)] + women[static_cast<std::size_t>(a)];
    return t;
}

namespace {

AgeSexPopulation sumByAge(const Table& t, const std::string& mun, const char* munField, const char* ageField,
                          const char* menField, const char* womenField)
{
    AgeSexPopulation p;
    const int fm = t.field(munField), fa = t.field(ageField), fh = t.field(menField), fw = t.field(womenField);
    for (const Row& r : t.rows) {
        if (!mun.empty() && r[static_cast<std::size_t>(fm)].toText() != mun)
            continue;
        const double age = r[static_cast<std::size_t>(fa)].toDouble();
        if (age < 0 || age > kChartAges - 1 || age != std::floor(age))
            throw Error("Idade fora de 0 a 80: " + r[static_cast<std::size_t>(fa)].toText());
        const auto a = static_cast<std::size_t>(age);
        p.men[a] += r[static_cast<std::size_t>(fh)].toDouble();
        p.women[a] += r[static_cast<std::size_t>(fw)].toDouble();
    }
    return p;
}

std::string groupLabel(int g)
{
    if (g == 17)
        return "80+";
    return std::to_string(5 * g - 5) + "-" + std::to_string(5 * g - 1);
}

// Bars of a population: single ages or groups, persons or % of its total.
void bars(const AgeSexPopulation& p, const PyramidOptions& o, std::vector<double>& men, std::vector<double>& women)
{
    const double total = p.total();
    const double factor = o.percent ? 100.0 / total : 1.0; // total > 0 checked by the callers
    men.assign(o.groups ? 17 : kChartAges, 0.0);
    women.assign(men.size(), 0.0);
    for (int a = 0; a < kChartAges; ++a) {
        const std::size_t at = o.groups ? static_cast<std::size_t>(std::min(a / 5, 16)) : static_cast<std::size_t>(a);
        men[at] += p.men[static_cast<std::size_t>(a)] * factor;
        women[at] += p.women[static_cast<std::size_t>(a)] * factor;
    }
}

double maxOf(const std::vector<double>& v)
{
    return v.empty() ? 0.0 : *std::max_element(v.begin(), v.end());
}

Table readNamed(const fs::path& file, const std::string& what)
{
    if (!fileExists(file))
        throw Error("O projeto não tem " + what + " (" + file.string() + ")");
    return readTable(resolveFile(file));
}

} // namespace

AgeSexPopulation yearPopulation(const Table& year, const std::string& mun)
{
    return sumByAge(year, mun, "mun", "idade", "hom_int", "mul_int");
}

AgeSexPopulation censusPopulation(const Table& interp, const std::string& mun, int census)
{
    return census == 1 ? sumByAge(interp, mun, "MUN", "IDADE", "HOM1", "MUL1")
                       : sumByAge(interp, mun, "MUN", "IDADE", "HOM2", "MUL2");
}

std::string chartNumber(double v, int decimals, const NumberFormat& fmt)
{
    const double scale = std::pow(10.0, decimals);
    const double rounded = std::round(std::fabs(v) * scale);
    const long long whole = static_cast<long long>(rounded / scale);
    std::string digits = std::to_string(whole);
    std::string out;
    for (std::size_t i = 0; i < digits.size(); ++i) {
        if (i > 0 && (digits.size() - i) % 3 == 0)
            out += fmt.grouping;
        out += digits[i];
    }
    if (decimals > 0) {
        const long long frac = static_cast<long long>(rounded - static_cast<double>(whole) * scale);
        std::string f = std::to_string(frac);
        f.insert(0, static_cast<std::size_t>(decimals) - std::min<std::size_t>(f.size(), decimals), '0');
        out += fmt.decimal + f;
    }
    if (v < 0 && rounded > 0)
        out.insert(0, "-");
    return out;
}

std::vector<AxisTick> axisTicks(double max, bool percent, const NumberFormat& fmt)
{
    if (!(max > 0))
        max = percent ? 1.0 : 10.0;
    const double raw = max / 5;
    const double mag = std::pow(10.0, std::floor(std::log10(raw)));
    const double norm = raw / mag;
    const double step = (norm <= 1 ? 1 : norm <= 2 ? 2 : norm <= 5 ? 5 : 10) * mag;
    const int decimals = step >= 1 ? 0 : static_cast<int>(std::ceil(-std::log10(step) - 1e-9));
    const int n = static_cast<int>(std::ceil(max / step - 1e-9));
    std::vector<AxisTick> ticks;
    for (int i = 0; i <= n; ++i) {
        const double v = step * i;
        ticks.push_back({v, chartNumber(v, decimals, fmt) + (percent ? "%" : "")});
    }
    return ticks;
}

PyramidChart pyramidChart(const AgeSexPopulation& main, const AgeSexPopulation* compare,
                          const PyramidOptions& options, const std::string& titleArea, const std::string& legend,
                          const std::string& compareLegend, const NumberFormat& fmt)
{
    PyramidChart c;
    c.percent = options.percent;
    c.title = "Pirâmide etária - " + titleArea;
    c.legend = legend;
    if (options.groups)
        for (int g = 1; g <= 17; ++g)
            c.labels.push_back(groupLabel(g));
    else
        for (int a = 0; a < kChartAges; ++a)
            c.labels.push_back(a == kChartAges - 1 ? "80+" : std::to_string(a));
    if (!(main.total() > 0)) {
        c.subtitle = legend;
        c.message = "Sem população projetada para " + titleArea + " em " + legend + ": não há o que desenhar.";
        c.ticks = axisTicks(0, options.percent, fmt);
        c.axisMax = c.ticks.back().value;
        return c;
    }
    bars(main, options, c.men, c.women);
    if (compare && compare->total() > 0) {
        c.hasCompare = true;
        c.compareLegend = compareLegend;
        bars(*compare, options, c.compareMen, c.compareWomen);
    }
    c.subtitle = legend + (c.hasCompare ? ", com " + compareLegend + " em contorno" : std::string()) +
                 (options.groups ? " - por faixa etária" : " - por idade simples") +
                 (options.percent ? ", em % da população total" : ", em pessoas");
    const double top = std::max({maxOf(c.men), maxOf(c.women), maxOf(c.compareMen), maxOf(c.compareWomen)});
    c.ticks = axisTicks(top, options.percent, fmt);
    c.axisMax = c.ticks.back().value;
    return c;
}

TotalChart totalChart(const std::vector<YearTotals>& years, const std::vector<CensusMark>& censuses,
                      const std::string& titleArea, const NumberFormat& fmt)
{
    TotalChart c;
    c.title = "População total - " + titleArea;
    std::vector<YearTotals> sorted = years;
    std::sort(sorted.begin(), sorted.end(), [](const YearTotals& a, const YearTotals& b) { return a.year < b.year; });
    double top = 0;
    for (const YearTotals& y : sorted) {
        c.years.push_back(y.year);
        c.men.push_back(y.men);
        c.women.push_back(y.women);
        c.both.push_back(y.men + y.women);
        top = std::max(top, y.men + y.women);
    }
    for (const CensusMark& m : censuses)
        if (m.year > 0) {
            c.censuses.push_back(m);
            top = std::max(top, m.both);
        }
    if (c.years.empty() || !(top > 0)) {
        c.message = c.years.empty() ? "Não há anos projetados para " + titleArea + ": não há o que desenhar."
                                    : "Sem população projetada para " + titleArea + ": não há o que desenhar.";
        c.ticks = axisTicks(0, false, fmt);
        c.axisMax = c.ticks.back().value;
        return c;
    }
    c.firstYear = c.years.front();
    c.lastYear = c.years.back();
    for (const CensusMark& m : c.censuses) {
        c.firstYear = std::min(c.firstYear, m.year);
        c.lastYear = std::max(c.lastYear, m.year);
    }
    c.subtitle = std::to_string(c.years.front()) + " a " + std::to_string(c.years.back()) +
                 ": homens, mulheres e ambos os sexos, em pessoas";
    c.ticks = axisTicks(top, false, fmt);
    c.axisMax = c.ticks.back().value;
    const int span = c.lastYear - c.firstYear;
    const int step = span > 60 ? 20 : span > 25 ? 10 : span > 8 ? 5 : 1;
    for (int y = (c.firstYear + step - 1) / step * step; y <= c.lastYear; y += step)
        c.yearTicks.push_back(y);
    return c;
}

std::string chartArea(const fs::path& appDir, const std::string& uf, const std::string& mun)
{
    std::string sigla, state;
    long long ufCode = -1;
    try {
        ufCode = parseWhole(uf);
    } catch (const Error&) {
    }
    try {
        const Table ufs = readTable(resolveFile(appDir / "DBPadrao" / "uf.dbf"));
        for (const Row& r : ufs.rows)
            if (r[static_cast<std::size_t>(ufs.field("id_uf"))].toInt() == ufCode) {
                sigla = r[static_cast<std::size_t>(ufs.field("sigla"))].toText();
                state = r[static_cast<std::size_t>(ufs.field("ds_uf"))].toText();
            }
    } catch (const Error&) {
    }
    if (mun.empty())
        return (state.empty() ? "UF" : state) + " (" + uf + ")";
    std::string name;
    try {
        const long long munCode = parseWhole(mun);
        const Table muns = readTable(resolveFile(appDir / "DBPadrao" / "mun.dbf"));
        for (const Row& r : muns.rows)
            if (r[static_cast<std::size_t>(muns.field("id_uf"))].toInt() == ufCode &&
                r[static_cast<std::size_t>(muns.field("id_mun"))].toInt() == munCode)
                name = r[static_cast<std::size_t>(muns.field("ds_mun"))].toText();
    } catch (const Error&) {
    }
    return (name.empty() ? "Município" : name) + " (" + mun + ") - " + (sigla.empty() ? uf : sigla);
}

PyramidChart projectPyramid(const ChartRequest& r)
{
    const std::string year = year4(r.year);
    const Table main = readNamed(yearTableFile(r.projectDir, year), "a tabela do ano " + year);
    AgeSexPopulation compare;
    std::string compareLegend;
    bool hasCompare = false;
    if (r.compare == CompareWith::Year) {
        const std::string y2 = year4(r.compareYear);
        compare = yearPopulation(readNamed(yearTableFile(r.projectDir, y2), "a tabela do ano " + y2), r.mun);
        compareLegend = y2;
        hasCompare = true;
    } else if (r.compare == CompareWith::Census2) {
        compare = censusPopulation(readNamed(r.projectDir / "interp.dbf", "o censo 2 por idade simples (passo 5)"),
                                   r.mun, 2);
        compareLegend = "Censo 2 (" + std::to_string(r.census2Year) + ")";
        hasCompare = true;
    }
    return pyramidChart(yearPopulation(main, r.mun), hasCompare ? &compare : nullptr, r.options,
                        chartArea(r.appDir, r.uf, r.mun), year, compareLegend, r.format);
}

TotalChart projectTotals(const ChartRequest& r)
{
    std::vector<YearTotals> totals;
    for (int y : projectedYears(r.projectDir, r.firstProjectedYear)) {
        const AgeSexPopulation p = yearPopulation(readTable(resolveFile(yearTableFile(r.projectDir, year4(y)))), r.mun);
        YearTotals t{y, 0, 0};
        for (int a = 0; a < kChartAges; ++a) {
            t.men += p.men[static_cast<std::size_t>(a)];
            t.women += p.women[static_cast<std::size_t>(a)];
        }
        totals.push_back(t);
    }
    std::vector<CensusMark> marks;
    if (fileExists(r.projectDir / "interp.dbf")) {
        const Table interp = readTable(resolveFile(r.projectDir / "interp.dbf"));
        for (int census : {1, 2}) {
            const AgeSexPopulation p = censusPopulation(interp, r.mun, census);
            CensusMark m;
            m.year = census == 1 ? r.census1Year : r.census2Year;
            m.label = "Censo " + std::to_string(census) + " (" + std::to_string(m.year) + ")";
            for (int a = 0; a < kChartAges; ++a) {
                m.men += p.men[static_cast<std::size_t>(a)];
                m.women += p.women[static_cast<std::size_t>(a)];
            }
            m.both = m.men + m.women;
            if (m.both > 0)
                marks.push_back(m);
        }
    }
    return totalChart(totals, marks, chartArea(r.appDir, r.uf, r.mun), r.format);
}

} // namespace demovia
