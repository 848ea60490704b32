#include "results/indicators.h"

#include "data/error.h"
#include "data/text_util.h"

#include <cmath>
#include <unordered_map>

namespace demovia {

const char* const kIndicatorsNote =
    "Idades simples tomadas como o intervalo [a, a+1) e 80 anos e mais como [80, 85): a idade média usa os pontos "
    "médios, a mediana é interpolada linearmente dentro da idade em que se atinge metade da população. "
    "Crescimento: taxa anual em % desde a linha anterior. Razão de sexo: homens por 100 mulheres. "
    "Dependência e índice de envelhecimento: por 100 pessoas do grupo do denominador. Uma célula vazia é um "
    "denominador nulo.";

namespace {

void addTo(AgeSexPopulation& sum, const AgeSexPopulation& o)
{
    for (std::size_t a = 0; a < sum.men.size(); ++a) {
        sum.men[a] += o.men[a];
        sum.women[a] += o.women[a];
    }
}

std::optional<double> ratio(double num, double den, double scale)
{
    if (den == 0)
        return std::nullopt;
    return num / den * scale;
}

double lower(std::size_t a) { return static_cast<double>(a); }
double width(std::size_t a) { return a == 80 ? 5.0 : 1.0; }

} // namespace

Indicators computeIndicators(const AgeSexPopulation& p, const AgeSexPopulation* previous, double yearsBetween)
{
    Indicators r;
    std::array<double, 81> both{};
    for (std::size_t a = 0; a < both.size(); ++a) {
        both[a] = p.men[a] + p.women[a];
        r.men += p.men[a];
        r.women += p.women[a];
    }
    r.total = r.men + r.women;
    r.sexRatio = ratio(r.men, r.women, 100);

    if (previous) {
        const double before = previous->total();
        if (before > 0 && yearsBetween > 0)
            r.growth = (std::pow(r.total / before, 1.0 / yearsBetween) - 1.0) * 100.0;
    }

    double young = 0, adult = 0, old = 0, weighted = 0;
    for (std::size_t a = 0; a < both.size(); ++a) {
        (a < 15 ? young : a < 65 ? adult : old) += both[a];
        weighted += both[a] * (lower(a) + width(a) / 2);
    }
    if (r.total > 0) {
        r.meanAge = weighted / r.total;
        const double half = r.total / 2;
        double before = 0;
        for (std::size_t a = 0; a < both.size(); ++a) {
            if (both[a] > 0 && before + both[a] >= half) {
                r.medianAge = lower(a) + (half - before) / both[a] * width(a);
                break;
            }
            before += both[a];
        }
    }
    r.share0_14 = ratio(young, r.total, 100);
    r.share15_64 = ratio(adult, r.total, 100);
    r.share65 = ratio(old, r.total, 100);
    r.dependencyYoung = ratio(young, adult, 100);
    r.dependencyOld = ratio(old, adult, 100);
    r.dependencyTotal = ratio(young + old, adult, 100);
    r.ageingIndex = ratio(old, young, 100);
    return r;
}

namespace {

using ByMunicipality = std::unordered_map<std::string, AgeSexPopulation>;

// Adds the rows of a table by municipality and age; ages outside 0..80 are
// left out (the census's age not declared).
void accumulate(const Table& t, const char* male, const char* female, ByMunicipality& out,
                std::vector<std::string>* order, std::unordered_map<std::string, bool>* seen)
{
    const int fm = t.field("mun"), fa = t.field("idade"), fh = t.field(male), fw = t.field(female);
    for (const Row& r : t.rows) {
        const long long age = static_cast<long long>(r[static_cast<std::size_t>(fa)].toDouble());
        if (age < 0 || age > 80)
            continue;
        const std::string mun = r[static_cast<std::size_t>(fm)].toText();
        auto [it, added] = out.try_emplace(mun);
        if (added && order && seen->try_emplace(mun, true).second)
            order->push_back(mun);
        it->second.men[static_cast<std::size_t>(age)] += r[static_cast<std::size_t>(fh)].toDouble();
        it->second.women[static_cast<std::size_t>(age)] += r[static_cast<std::size_t>(fw)].toDouble();
    }
}

} // namespace

ProjectIndicators computeProjectIndicators(const fs::path& projectDir, int census2Year, const std::vector<int>& years)
{
    ProjectIndicators pi;
    struct Column {
        int year;
        std::string label;
        ByMunicipality pop;
    };
    std::vector<Column> columns;
    std::vector<std::string>& order = pi.municipalities;
    std::unordered_map<std::string, bool> seen;
    for (int y : years) {
        Column c{y, std::to_string(y), {}};
        accumulate(readTable(projectDir / (year4(y) + ".dbf")), "hom_int", "mul_int", c.pop, &order, &seen);
        columns.push_back(std::move(c));
    }
    if (census2Year > 0 && fileExists(projectDir / "CENSO2.dbf")) {
        Column c{census2Year, "Censo 2", {}};
        ByMunicipality all;
        accumulate(readTable(projectDir / "CENSO2.dbf"), "hom", "mul", all, nullptr, nullptr);
        for (const std::string& m : order)
            if (auto it = all.find(m); it != all.end())
                c.pop.emplace(m, it->second);
        columns.insert(columns.begin(), std::move(c));
    }

    auto series = [&](auto&& populationOf) {
        std::vector<Indicators> rows;
        std::optional<AgeSexPopulation> prev;
        int prevYear = 0;
        for (const Column& c : columns) {
            const AgeSexPopulation p = populationOf(c);
            Indicators ind = computeIndicators(p, prev ? &*prev : nullptr, c.year - prevYear);
            ind.year = c.year;
            ind.label = c.label;
            rows.push_back(std::move(ind));
            prev = p;
            prevYear = c.year;
        }
        return rows;
    };
    for (const std::string& m : order)
        pi.byMunicipality[m] = series([&](const Column& c) {
            auto it = c.pop.find(m);
            return it == c.pop.end() ? AgeSexPopulation{} : it->second;
        });
    pi.state = series([&](const Column& c) {
        AgeSexPopulation sum;
        for (const auto& [m, p] : c.pop)
            addTo(sum, p);
        return sum;
    });
    return pi;
}

namespace {

Value valueOf(const std::optional<double>& v, int decimals)
{
    if (!v || !std::isfinite(*v))
        return Value();
    const double scale = std::pow(10.0, decimals);
    return Value(std::round(*v * scale) / scale);
}

} // namespace

ResultSet indicatorsResult(const ProjectIndicators& pi, std::optional<int> year, const std::optional<std::string>& mun)
{
    ResultSet rs;
    rs.columns = {"mun",         "periodo",    "ano",        "homens",     "mulheres",  "total",
                  "cresc_pct",   "razao_sexo", "idade_media", "idade_mediana", "pct_0_14", "pct_15_64",
                  "pct_65_mais", "dep_jovens", "dep_idosos", "dep_total",  "ind_envelhec"};
    rs.decimals = {-1, -1, 0, 0, 0, 0, 3, 2, 2, 2, 2, 2, 2, 2, 2, 2, 2};
    auto add = [&](const std::string& area, const std::vector<Indicators>& rows) {
        for (const Indicators& i : rows) {
            if (year && i.year != *year)
                continue;
            rs.rows.push_back({area, i.label, i.year, i.men, i.women, i.total, valueOf(i.growth, 3),
                               valueOf(i.sexRatio, 2), valueOf(i.meanAge, 2), valueOf(i.medianAge, 2),
                               valueOf(i.share0_14, 2), valueOf(i.share15_64, 2), valueOf(i.share65, 2),
                               valueOf(i.dependencyYoung, 2), valueOf(i.dependencyOld, 2),
                               valueOf(i.dependencyTotal, 2), valueOf(i.ageingIndex, 2)});
        }
    };
    if (!mun || *mun == kStateArea)
        add(kStateArea, pi.state);
    if (mun && *mun == kStateArea)
        return rs;
    for (const std::string& m : pi.municipalities)
        if (!mun || *mun == m)
            add(m, pi.byMunicipality.at(m));
    return rs;
}

} // namespace demovia

namespace demovia {

const std::vector<IndicatorInfo>& indicatorList()
{
    static const std::vector<IndicatorInfo> list = {
        {"homens", "Homens", 0},
        {"mulheres", "Mulheres", 0},
        {"total", "População total", 0},
        {"cresc_pct", "Crescimento anual (%)", 3},
        {"razao_sexo", "Razão de sexo (homens por 100 mulheres)", 2},
        {"idade_media", "Idade média", 2},
        {"idade_mediana", "Idade mediana", 2},
        {"pct_0_14", "População de 0 a 14 anos (%)", 2},
        {"pct_15_64", "População de 15 a 64 anos (%)", 2},
        {"pct_65_mais", "População de 65 anos e mais (%)", 2},
        {"dep_jovens", "Razão de dependência dos jovens", 2},
        {"dep_idosos", "Razão de dependência dos idosos", 2},
        {"dep_total", "Razão de dependência total", 2},
        {"ind_envelhec", "Índice de envelhecimento", 2},
    };
    return list;
}

std::optional<double> indicatorValue(const Indicators& r, std::size_t which)
{
    switch (which) {
    case 0: return r.men;
    case 1: return r.women;
    case 2: return r.total;
    case 3: return r.growth;
    case 4: return r.sexRatio;
    case 5: return r.meanAge;
    case 6: return r.medianAge;
    case 7: return r.share0_14;
    case 8: return r.share15_64;
    case 9: return r.share65;
    case 10: return r.dependencyYoung;
    case 11: return r.dependencyOld;
    case 12: return r.dependencyTotal;
    case 13: return r.ageingIndex;
    default: return std::nullopt;
    }
}

IndicatorChart indicatorChart(const std::vector<Indicators>& rows, std::size_t which, const std::string& titleArea,
                              const NumberFormat& fmt)
{
    IndicatorChart c;
    const IndicatorInfo& info = indicatorList().at(which);
    c.title = std::string(info.caption) + " - " + titleArea;
    c.axisLabel = info.caption;
    double lo = 0, hi = 0;
    for (const Indicators& r : rows) {
        const auto v = indicatorValue(r, which);
        if (!v || !std::isfinite(*v))
            continue; // a year without a value leaves a gap, never a made-up point
        c.years.push_back(r.year);
        c.values.push_back(*v);
        c.labels.push_back(r.label);
        lo = std::min(lo, *v);
        hi = std::max(hi, *v);
    }
    if (c.years.empty()) {
        c.message = "Sem valores de \"" + std::string(info.caption) + "\" para " + titleArea +
                    ": não há o que desenhar.";
        return c;
    }
    c.subtitle = c.labels.front() + " a " + c.labels.back();
    // Round steps over the whole range, zero included: a growth can be negative.
    const std::vector<AxisTick> probe = axisTicks(hi - lo > 0 ? hi - lo : std::max(1.0, std::fabs(hi)), false, fmt);
    const double step = probe.size() > 1 ? probe[1].value - probe[0].value : 1.0;
    c.axisMin = std::floor(lo / step) * step;
    c.axisMax = std::ceil(hi / step) * step;
    if (c.axisMax <= c.axisMin)
        c.axisMax = c.axisMin + step;
    const int decimals = step >= 1 ? 0 : static_cast<int>(std::ceil(-std::log10(step)));
    for (double v = c.axisMin; v <= c.axisMax + step / 2; v += step)
        c.ticks.push_back({v, chartNumber(std::fabs(v) < step / 1e6 ? 0.0 : v, decimals, fmt)});
    c.firstYear = c.years.front();
    c.lastYear = c.years.back();
    const int span = c.lastYear - c.firstYear;
    const int ys = span > 60 ? 20 : span > 25 ? 10 : span > 8 ? 5 : 1;
    for (int y = (c.firstYear + ys - 1) / ys * ys; y <= c.lastYear; y += ys)
        c.yearTicks.push_back(y);
    return c;
}

const ReportLayout& indicatorsReportLayout()
{
    static const ReportLayout layout = [] {
        ReportLayout l;
        l.name = "qr_indicadores";
        l.title = "Indicadores demográficos";
        l.paper = Paper::A4;
        l.columns = {{"Mun.", "mun"}, {"Período", "periodo"}};
        for (const IndicatorInfo& i : indicatorList())
            l.columns.push_back({i.column, i.column});
        return l;
    }();
    return layout;
}

const ReportLayout& checksReportLayout()
{
    static const ReportLayout layout = [] {
        ReportLayout l;
        l.name = "qr_verificacoes";
        l.title = "Verificações de plausibilidade";
        l.paper = Paper::A4;
        for (const char* f : {"mun", "neg_interp", "menor_interp", "k_hom_min", "k_hom_max", "k_mul_min", "k_mul_max",
                              "cresc_max", "ano_cresc", "idades_rs", "exemplo_rs", "sinalizado", "motivos"})
            l.columns.push_back({f, f});
        return l;
    }();
    return layout;
}

} // namespace demovia
