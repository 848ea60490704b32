#include "engine/plausibility.h"

#include "data/error.h"
#include "data/ini_file.h"
#include "data/text_util.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <unordered_map>

namespace demovia {

namespace {

constexpr const char* kSection = "verificacoes";

std::optional<double> parseThreshold(std::string text)
{
    text = trim(text);
    std::replace(text.begin(), text.end(), ',', '.');
    double v = 0;
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), v);
    if (ec != std::errc() || end != text.data() + text.size() || !std::isfinite(v) || text.empty())
        return std::nullopt;
    return v;
}

void minMax(std::optional<double>& lo, std::optional<double>& hi, double v)
{
    if (!lo || v < *lo)
        lo = v;
    if (!hi || v > *hi)
        hi = v;
}

std::string number(double v, int decimals)
{
    char buf[64];
    std::snprintf(buf, sizeof buf, "%.*f", decimals, v);
    std::string s = buf;
    std::replace(s.begin(), s.end(), '.', ',');
    return s;
}

} // namespace

CheckThresholds loadCheckThresholds(const fs::path& appDir, Dialogs& dialogs)
{
    CheckThresholds t;
    const fs::path file = appDir / "conf.ini";
    IniFile ini;
    try {
        ini = IniFile::load(file);
    } catch (const Error& e) {
        dialogs.warning("Não foi possível ler " + file.string() + "; as verificações usam os limites padrão.\n\n"
                        "Erro original: " + e.what());
        return t;
    }
    auto read = [&](const char* key, double& target, bool whole) {
        const auto text = ini.value(kSection, key);
        if (!text)
            return;
        const auto v = parseThreshold(*text);
        if (!v || *v < 0 || (whole && *v != std::floor(*v))) {
            dialogs.warning("Valor inválido em " + file.string() + ", seção [" + kSection + "], chave " + key +
                            ": \"" + *text + "\". Usado o valor padrão " + number(target, whole ? 0 : 2) +
                            ".\n\nCorrija o arquivo com um número" + (whole ? " inteiro" : "") + " não negativo.");
            return;
        }
        target = *v;
    };
    double negatives = t.maxNegativeCells;
    read("negativos_max", negatives, true);
    t.maxNegativeCells = static_cast<int>(negatives);
    read("k_min", t.kMin, false);
    read("k_max", t.kMax, false);
    read("crescimento_max", t.maxGrowth, false);
    read("razao_sexo_min", t.sexRatioMin, false);
    read("razao_sexo_max", t.sexRatioMax, false);
    read("razao_sexo_pessoas", t.sexRatioMinPersons, false);
    return t;
}

std::vector<MunicipalityCheck> checkRun(const fs::path& projectDir, const std::vector<int>& years,
                                        const CheckThresholds& limits)
{
    std::vector<MunicipalityCheck> out;
    std::unordered_map<std::string, std::size_t> index;
    auto of = [&](const std::string& mun) -> MunicipalityCheck& {
        auto [it, added] = index.try_emplace(mun, out.size());
        if (added)
            out.push_back(MunicipalityCheck{mun});
        return out[it->second];
    };

    // The year tables give the municipalities, their growth and sex ratios.
    std::unordered_map<std::string, double> previousTotal;
    for (std::size_t yi = 0; yi < years.size(); ++yi) {
        const int year = years[yi];
        const Table t = readTable(projectDir / (year4(year) + ".dbf"));
        const int fm = t.field("mun"), fa = t.field("idade"), fh = t.field("hom_int"), fw = t.field("mul_int");
        std::unordered_map<std::string, double> total;
        for (const Row& r : t.rows) {
            const std::string mun = r[static_cast<std::size_t>(fm)].toText();
            MunicipalityCheck& c = of(mun);
            const double men = r[static_cast<std::size_t>(fh)].toDouble();
            const double women = r[static_cast<std::size_t>(fw)].toDouble();
            total[mun] += men + women;
            if (men + women < limits.sexRatioMinPersons || men + women <= 0)
                continue;
            const bool outside = women == 0 || men / women * 100 < limits.sexRatioMin ||
                                 men / women * 100 > limits.sexRatioMax;
            if (!outside)
                continue;
            if (c.implausibleSexRatios++ == 0)
                c.firstImplausible = std::to_string(year) + ", " +
                                     std::to_string(r[static_cast<std::size_t>(fa)].toInt()) + " anos: " +
                                     (women == 0 ? std::string("sem mulheres") : number(men / women * 100, 1));
        }
        for (const auto& [mun, now] : total) {
            auto p = previousTotal.find(mun);
            if (yi == 0 || p == previousTotal.end() || p->second <= 0)
                continue;
            const double g = (now / p->second - 1) * 100;
            MunicipalityCheck& c = of(mun);
            if (!c.largestGrowth || std::fabs(g) > std::fabs(*c.largestGrowth)) {
                c.largestGrowth = g;
                c.largestGrowthYear = year;
            }
        }
        previousTotal = std::move(total);
    }

    if (fileExists(projectDir / "interp.dbf")) {
        const Table t = readTable(projectDir / "interp.dbf");
        const int fm = t.field("mun");
        const int cols[] = {t.field("hom1"), t.field("mul1"), t.field("hom2"), t.field("mul2")};
        for (const Row& r : t.rows) {
            auto it = index.find(r[static_cast<std::size_t>(fm)].toText());
            if (it == index.end())
                continue; // not projected
            MunicipalityCheck& c = out[it->second];
            for (int f : cols) {
                const double v = r[static_cast<std::size_t>(f)].toDouble();
                c.negativeCells += v < 0;
                if (!c.smallestInterpolated || v < *c.smallestInterpolated)
                    c.smallestInterpolated = v;
            }
        }
    }
    if (fileExists(projectDir / "fator_k.dbf")) {
        const Table t = readTable(projectDir / "fator_k.dbf");
        const int fm = t.field("mun"), fh = t.field("k_hom"), fw = t.field("k_mul");
        for (const Row& r : t.rows) {
            auto it = index.find(r[static_cast<std::size_t>(fm)].toText());
            if (it == index.end())
                continue;
            MunicipalityCheck& c = out[it->second];
            minMax(c.kMaleMin, c.kMaleMax, r[static_cast<std::size_t>(fh)].toDouble());
            minMax(c.kFemaleMin, c.kFemaleMax, r[static_cast<std::size_t>(fw)].toDouble());
        }
    }

    for (MunicipalityCheck& c : out) {
        if (c.negativeCells > limits.maxNegativeCells)
            c.reasons.push_back("interpolação negativa");
        auto outsideK = [&](const std::optional<double>& v) { return v && (*v < limits.kMin || *v > limits.kMax); };
        if (outsideK(c.kMaleMin) || outsideK(c.kMaleMax) || outsideK(c.kFemaleMin) || outsideK(c.kFemaleMax))
            c.reasons.push_back("fator K");
        if (c.largestGrowth && std::fabs(*c.largestGrowth) > limits.maxGrowth)
            c.reasons.push_back("crescimento");
        if (c.implausibleSexRatios > 0)
            c.reasons.push_back("razão de sexo");
    }
    return out;
}

std::size_t flaggedCount(const std::vector<MunicipalityCheck>& checks)
{
    return static_cast<std::size_t>(
        std::count_if(checks.begin(), checks.end(), [](const MunicipalityCheck& c) { return c.flagged(); }));
}

std::string checksSummaryLine(const std::vector<MunicipalityCheck>& checks)
{
    const std::size_t n = flaggedCount(checks);
    return "Verificações: " + std::to_string(n) + (n == 1 ? " município sinalizado" : " municípios sinalizados") +
           " de " + std::to_string(checks.size()) + ".";
}

ResultSet checksResult(const std::vector<MunicipalityCheck>& checks)
{
    ResultSet rs;
    rs.columns = {"mun",       "neg_interp", "menor_interp", "k_hom_min", "k_hom_max",   "k_mul_min", "k_mul_max",
                  "cresc_max", "ano_cresc",  "idades_rs",    "exemplo_rs", "sinalizado", "motivos"};
    rs.decimals = {-1, 0, 4, 6, 6, 6, 6, 3, 0, 0, -1, -1, -1};
    auto opt = [](const std::optional<double>& v, int decimals) {
        if (!v)
            return Value();
        const double scale = std::pow(10.0, decimals);
        return Value(std::round(*v * scale) / scale);
    };
    for (const MunicipalityCheck& c : checks) {
        std::string reasons;
        for (const std::string& r : c.reasons)
            reasons += (reasons.empty() ? "" : ", ") + r;
        rs.rows.push_back({c.mun, c.negativeCells, opt(c.smallestInterpolated, 4), opt(c.kMaleMin, 6),
                           opt(c.kMaleMax, 6), opt(c.kFemaleMin, 6), opt(c.kFemaleMax, 6), opt(c.largestGrowth, 3),
                           c.largestGrowth ? Value(c.largestGrowthYear) : Value(), c.implausibleSexRatios,
                           c.firstImplausible, c.flagged() ? "S" : "N", reasons});
    }
    return rs;
}

} // namespace demovia
