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

AgeSexPopulation& AgeSexPopulation::operator+=(const AgeSexPopulation& o)
{
    for (std::size_t a = 0; a < male.size(); ++a) {
        male[a] += o.male[a];
        female[a] += o.female[a];
    }
    return *this;
}

namespace {

std::optional<double> ratio(double num, double den, double scale)
{
    if (den == 0)
        return std::nullopt;
    return num / den * scale;
}

double lower(std::size_t a) { return static_cast<double>(a); }
double width(std::size_t a) { return a == 80 ? 5.0 : 1.0; }

double totalOf(const AgeSexPopulation& p)
{
    double t = 0;
    for (std::size_t a = 0; a < p.male.size(); ++a)
        t += p.male[a] + p.female[a];
    return t;
}

} // namespace

Indicators computeIndicators(const AgeSexPopulation& p, const AgeSexPopulation* previous, double yearsBetween)
{
    Indicators r;
    std::array<double, 81> both{};
    for (std::size_t a = 0; a < both.size(); ++a) {
        both[a] = p.male[a] + p.female[a];
        r.men += p.male[a];
        r.women += p.female[a];
    }
    r.total = r.men + r.women;
    r.sexRatio = ratio(r.men, r.women, 100);

    if (previous) {
        const double before = totalOf(*previous);
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
        it->second.male[static_cast<std::size_t>(age)] += r[static_cast<std::size_t>(fh)].toDouble();
        it->second.female[static_cast<std::size_t>(age)] += r[static_cast<std::size_t>(fw)].toDouble();
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
            sum += p;
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
