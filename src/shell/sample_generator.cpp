#include "shell/sample_generator.h"

#include "data/error.h"
#include "data/text_util.h"

#include <algorithm>
#include <array>
#include <cmath>

namespace demovia {

namespace {

// splitmix64: tiny, well mixed, and defined by integer arithmetic alone.
class Rng {
public:
    explicit Rng(std::uint64_t seed) : m_s(seed) {}
    std::uint64_t next()
    {
        std::uint64_t z = (m_s += 0x9E3779B97F4A7C15ull);
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
        return z ^ (z >> 31);
    }
    double uniform() { return static_cast<double>(next() >> 11) * (1.0 / 9007199254740992.0); }
    // Near-normal deviate (sum of twelve uniforms): no library functions, so
    // the result does not depend on the maths library of the machine.
    double normal()
    {
        double s = 0;
        for (int i = 0; i < 12; ++i)
            s += uniform();
        return s - 6.0;
    }

private:
    std::uint64_t m_s;
};

constexpr int kOpenAge = 80;      // 80 and over
constexpr int kLastAge = 110;     // where the life table stops
constexpr int kFirstYear = 2000;  // census 1
constexpr int kCensusGap = 10;    // census 2 = 2010
constexpr int kHistoryStart = 1900; // the populations are grown from here to census 1

double power(double b, int n)
{
    if (n < 0)
        return power(1.0 / b, -n);
    double r = 1;
    for (int i = 0; i < n; ++i)
        r *= b;
    return r;
}

// Annual death probability by sex (0 men, 1 women), single age and years since 2000:
// infant and child mortality, a Gompertz adult curve with a young men's hump,
// and a slow improvement over time.
double deathProbability(int sex, int age, int t)
{
    double q;
    if (age == 0)
        q = sex == 0 ? 0.030 : 0.024;
    else if (age < 5)
        q = sex == 0 ? 0.0012 : 0.0010;
    else if (age < 15)
        q = sex == 0 ? 0.0004 : 0.0003;
    else {
        q = 0.00035 * power(1.088, age - 15);
        if (sex == 0) {
            q *= 1.7;
            if (age < 35)
                q += 0.0012;
        }
    }
    q *= power(0.985, t);
    return q > 0.6 ? 0.6 : q;
}

// Survival by sex, year and single age 0..kLastAge-1, worked out once; the
// last column holds the survival of the open group 80+ (a stationary 80+
// population one year on).
class LifeTable {
public:
    LifeTable(int firstYear, int lastYear) : m_first(firstYear)
    {
        for (int s = 0; s < 2; ++s) {
            m_s[s].resize(static_cast<std::size_t>(lastYear - firstYear + 1));
            for (int y = firstYear; y <= lastYear; ++y) {
                auto& row = m_s[s][static_cast<std::size_t>(y - firstYear)];
                for (int a = 0; a < kLastAge; ++a)
                    row[static_cast<std::size_t>(a)] = 1.0 - deathProbability(s, a, y - kFirstYear);
                double l = 1, now = 0, next = 0;
                for (int a = kOpenAge; a < kLastAge; ++a) {
                    now += l;
                    l *= row[static_cast<std::size_t>(a)];
                    next += l;
                }
                row[kLastAge] = next / now;
            }
        }
    }
    double survival(int sex, int year, int age) const
    {
        return m_s[sex][static_cast<std::size_t>(year - m_first)][static_cast<std::size_t>(age)];
    }
    double openGroup(int sex, int year) const { return survival(sex, year, kLastAge); }

private:
    int m_first;
    std::array<std::vector<std::array<double, kLastAge + 1>>, 2> m_s;
};

// Fertility: total fertility in thousandths falling slowly; the age pattern of
// the seven groups 15-19 .. 45-49 in hundredths. The rate of one group is
// TFT * share / 5 per woman and year, kept as an exact number of millionths.
constexpr std::array<int, 7> kFertilityShare = {15, 27, 25, 18, 10, 4, 1};

int totalFertilityMilli(int year)
{
    int v = year <= 2000 ? 2400 + 90 * (2000 - year) : year <= 2010 ? 1900 + 50 * (2010 - year)
                                                                   : 1900 - 12 * (year - 2010);
    return v < 1300 ? 1300 : v > 6000 ? 6000 : v;
}

long long fertilityRateMicro(int year, int group) { return 2LL * totalFertilityMilli(year) * kFertilityShare[group]; }
double fertilityRate(int year, int group) { return static_cast<double>(fertilityRateMicro(year, group)) / 1e6; }

// Survival ratio at birth in ten-thousandths.
int birthSurvivalE4(int sex, int year)
{
    int v = sex == 0 ? 9720 + 5 * (year - 2010) : 9770 + 4 * (year - 2010);
    int cap = sex == 0 ? 9950 : 9970;
    return v > cap ? cap : v;
}
double birthSurvival(int sex, int year) { return birthSurvivalE4(sex, year) / 1e4; }

using Ages = std::array<double, kOpenAge + 1>;
struct Population {
    std::array<Ages, 2> bySex{}; // men, women
};

// One calendar year of a closed population: ageing with survival, births from
// the women at the start of the year, and (for a municipality) net migration
// concentrated on young adults.
using Rates = std::array<double, 7>;

Rates municipalRates(int year, double fertilityIndex)
{
    Rates r;
    for (int g = 0; g < 7; ++g)
        r[static_cast<std::size_t>(g)] = fertilityRate(year, g) * fertilityIndex;
    return r;
}

Population ageOneYear(const LifeTable& life, const Population& p, int year, const Rates& rates, double sexRatio,
                      double migration)
{
    Population n;
    double births = 0;
    for (int a = 15; a < 50; ++a)
        births += p.bySex[1][a] * rates[static_cast<std::size_t>((a - 15) / 5)];
    const double boys = sexRatio / (sexRatio + 100.0);
    for (int s = 0; s < 2; ++s) {
        const Ages& cur = p.bySex[s];
        Ages& nxt = n.bySex[s];
        nxt[0] = births * (s == 0 ? boys : 1.0 - boys) * birthSurvival(s, year);
        for (int a = 0; a < kOpenAge - 1; ++a)
            nxt[a + 1] = cur[a] * life.survival(s, year, a);
        nxt[kOpenAge] = cur[kOpenAge - 1] * life.survival(s, year, kOpenAge - 1) + cur[kOpenAge] * life.openGroup(s, year);
        if (migration != 0)
            for (int a = 0; a < 45; ++a) {
                double w = (a >= 15 && a < 35) ? 1.0 : 0.5;
                nxt[a] *= 1.0 + migration * w;
            }
    }
    return n;
}

// A population of long steady growth: the shape the history starts from.
Population stablePopulation(const LifeTable& life, int year, double growth)
{
    Population p;
    for (int s = 0; s < 2; ++s) {
        double l = s == 0 ? 1.05 : 1.0;
        Ages& ages = p.bySex[s];
        for (int a = 0; a < kLastAge; ++a) {
            ages[a < kOpenAge ? a : kOpenAge] += l;
            l *= life.survival(s, year, a) / growth;
        }
    }
    return p;
}

double total(const Population& p)
{
    double t = 0;
    for (const auto& ages : p.bySex)
        for (double v : ages)
            t += v;
    return t;
}

struct Municipality {
    int code = 0;
    Population census1, census2; // expected values
};

// A municipality grown from 1940 with falling fertility and mortality, so its
// ages carry the echoes of its history; scaled to its size at census 1, then
// carried to census 2 with its own fertility and net migration.
Municipality simulateMunicipality(const LifeTable& life, int code, Rng& rng, double sexRatio)
{
    Municipality m;
    m.code = code;
    double u = rng.uniform();
    double size = 2500 + 60000 * u * u * u * u;
    if (rng.uniform() < 0.03)
        size *= 6; // now and then a regional centre
    double fertility = 0.70 + 0.40 * rng.uniform();
    double migration = -0.010 + 0.022 * rng.uniform();
    Population p = stablePopulation(life, kHistoryStart, 1.025);
    for (int y = kHistoryStart; y < kFirstYear; ++y)
        p = ageOneYear(life, p, y, municipalRates(y, fertility), sexRatio, 0.0);
    const double scale = size / total(p);
    for (auto& ages : p.bySex)
        for (double& v : ages)
            v *= scale;
    m.census1 = p;
    for (int y = kFirstYear; y < kFirstYear + kCensusGap; ++y)
        p = ageOneYear(life, p, y, municipalRates(y, fertility), sexRatio, migration);
    m.census2 = p;
    return m;
}

// Counts as a census would give them: the expected value with a sampling-like
// disturbance, whole persons, never negative.
long long observe(double expected, Rng& rng)
{
    double v = expected + std::sqrt(expected) * rng.normal();
    return v <= 0 ? 0 : static_cast<long long>(roundHalfEven(v));
}

using CensusRow = std::array<long long, 164>; // HOM_0..HOM_81, MUL_0..MUL_81

CensusRow observeCensus(const Population& p, Rng& rng)
{
    CensusRow row{};
    for (int s = 0; s < 2; ++s) {
        double total = 0;
        for (int a = 0; a <= kOpenAge; ++a) {
            row[s * 82 + a] = observe(p.bySex[s][a], rng);
            total += p.bySex[s][a];
        }
        row[s * 82 + 81] = observe(0.003 * total, rng); // age not declared
    }
    return row;
}

// Fixed-point number from a whole count of 10^-decimals units.
std::string fixed(long long units, int decimals, char sep)
{
    long long scale = 1;
    for (int i = 0; i < decimals; ++i)
        scale *= 10;
    std::string frac = std::to_string(units % scale);
    frac.insert(0, static_cast<std::size_t>(decimals) - frac.size(), '0');
    return std::to_string(units / scale) + sep + frac;
}

std::string censusLine(int uf, int mun, const CensusRow& row)
{
    // Codes without their leading zeros, as many files come: the import pads them.
    std::string line = std::to_string(uf) + ";" + std::to_string(mun);
    for (long long v : row)
        line += ";" + std::to_string(v);
    return line + "\r\n";
}

void writeText(const fs::path& file, const std::string& text) { writeFileAtomically(file, text); }

} // namespace

std::vector<int> stateMunicipalities(const Table& mun, int uf)
{
    const int fUf = mun.field("id_uf"), fMun = mun.field("id_mun");
    std::vector<int> codes;
    for (const auto& r : mun.rows)
        if (r[fUf].toInt() == uf)
            codes.push_back(static_cast<int>(r[fMun].toInt()));
    return codes;
}

SampleInfo writeSample(const fs::path& outDir, const Table& mun, const SampleOptions& o)
{
    std::vector<int> codes = stateMunicipalities(mun, o.uf);
    if (codes.empty())
        throw Error("A UF " + uf2(o.uf) + " não tem municípios no cadastro");
    if (o.municipalities < 0 || o.municipalities > static_cast<int>(codes.size()))
        throw Error("A UF " + uf2(o.uf) + " tem " + std::to_string(codes.size()) + " municípios");
    if (o.municipalities > 0)
        codes.resize(static_cast<std::size_t>(o.municipalities));
    if (o.years < 2 || o.years > 100)
        throw Error("O número de anos da projeção deve estar entre 2 e 100");
    if (o.sexRatio < 50 || o.sexRatio > 200)
        throw Error("A razão de sexo ao nascimento deve estar entre 50 e 200");

    SampleInfo info;
    info.uf = o.uf;
    info.years = o.years;
    info.sexRatio = o.sexRatio;
    info.decimal = o.decimal;
    info.census1Year = kFirstYear;
    info.census2Year = kFirstYear + kCensusGap;
    for (int c : codes)
        info.municipalities.push_back(mun4(c));

    // A neighbour state whose rows go into every file, to be filtered out.
    const int fUf = mun.field("id_uf"), fMun = mun.field("id_mun");
    std::vector<int> otherCodes;
    for (const auto& r : mun.rows) {
        int u = static_cast<int>(r[fUf].toInt());
        if (u == o.uf)
            continue;
        if (info.otherUf == 0)
            info.otherUf = u;
        if (u == info.otherUf && otherCodes.size() < 3)
            otherCodes.push_back(static_cast<int>(r[fMun].toInt()));
    }

    Rng rng(o.seed);
    const LifeTable life(kHistoryStart, info.census2Year + o.years);
    const double sexRatio = o.sexRatio;
    std::vector<Municipality> state, other;
    for (int c : codes)
        state.push_back(simulateMunicipality(life, c, rng, sexRatio));
    for (int c : otherCodes)
        other.push_back(simulateMunicipality(life, c, rng, sexRatio));

    // Censuses; the other state's rows at the top, in the middle and at the end.
    std::string census[2];
    Population stateCensus2;
    for (int k = 0; k < 2; ++k) {
        std::vector<std::string> lines;
        for (const auto& m : state) {
            CensusRow row = observeCensus(k == 0 ? m.census1 : m.census2, rng);
            if (k == 1)
                for (int s = 0; s < 2; ++s)
                    for (int a = 0; a <= kOpenAge; ++a)
                        stateCensus2.bySex[s][a] += static_cast<double>(row[s * 82 + a]);
            lines.push_back(censusLine(o.uf, m.code, row));
        }
        std::vector<std::string> others;
        for (const auto& m : other)
            others.push_back(censusLine(info.otherUf, m.code, observeCensus(k == 0 ? m.census1 : m.census2, rng)));
        std::size_t mid = lines.size() / 2;
        for (std::size_t i = 0; i < others.size(); ++i) {
            std::size_t at = i == 0 ? 0 : i == 1 ? mid + 1 : lines.size() + 1;
            lines.insert(lines.begin() + static_cast<long>(std::min(at, lines.size())), others[i]);
        }
        for (const auto& l : lines)
            census[k] += l;
    }

    // The state projection: census 2 of the state aged year by year. The
    // state's fertility level is set so that its first births continue the
    // youngest census cohort; the rates written are the ones used, as are the
    // survival ratios at birth.
    const double boys = sexRatio / (sexRatio + 100.0);
    double modelBirths = 0;
    for (int a = 15; a < 50; ++a)
        modelBirths += stateCensus2.bySex[1][a] * (fertilityRate(info.census2Year, (a - 15) / 5) +
                                                  fertilityRate(info.census2Year + 1, (a - 15) / 5)) / 2;
    const double censusBirths = (stateCensus2.bySex[0][0] + stateCensus2.bySex[1][0]) /
                                (boys * birthSurvival(0, info.census2Year) +
                                 (1 - boys) * birthSurvival(1, info.census2Year));
    const double level = modelBirths > 0 ? censusBirths / modelBirths : 1.0;
    std::vector<std::array<long long, 7>> stateRates(static_cast<std::size_t>(o.years) + 1);
    for (int r = 0; r <= o.years; ++r)
        for (int g = 0; g < 7; ++g)
            stateRates[static_cast<std::size_t>(r)][static_cast<std::size_t>(g)] = static_cast<long long>(
                roundHalfEven(static_cast<double>(fertilityRateMicro(info.census2Year + r, g)) * level));

    std::string popProj, txFec, relNas;
    const std::string ufText = std::to_string(o.uf), otherText = std::to_string(info.otherUf);
    Population p = stateCensus2;
    for (int r = 0; r < o.years; ++r) {
        const int year = info.census2Year + r;
        const auto& rates = stateRates[static_cast<std::size_t>(r)];
        const auto& nextRates = stateRates[static_cast<std::size_t>(r) + 1];
        std::string mine = ufText, theirs = otherText;
        for (int s = 0; s < 2; ++s)
            for (int a = 0; a <= kOpenAge; ++a) {
                double v = roundHalfEven(p.bySex[s][a]);
                mine += ";" + std::to_string(static_cast<long long>(v));
                theirs += ";" + std::to_string(static_cast<long long>(roundHalfEven(v * 1.37 + 11)));
            }
        popProj += theirs + "\r\n" + mine + "\r\n";

        std::string fec = ufText, fecOther = otherText;
        Rates yearRates;
        for (int g = 0; g < 7; ++g) {
            const auto k = static_cast<std::size_t>(g);
            fec += ";" + fixed(rates[k], 6, o.decimal);
            fecOther += ";" + fixed(rates[k] * 11 / 10, 6, o.decimal);
            yearRates[k] = static_cast<double>(rates[k] + nextRates[k]) / 2e6; // the interval's mean
        }
        txFec += fecOther + "\r\n" + fec + "\r\n";

        relNas += otherText + ";" + fixed(birthSurvivalE4(0, year) - 40, 4, o.decimal) + ";" +
                  fixed(birthSurvivalE4(1, year) - 40, 4, o.decimal) + "\r\n";
        relNas += ufText + ";" + fixed(birthSurvivalE4(0, year), 4, o.decimal) + ";" +
                  fixed(birthSurvivalE4(1, year), 4, o.decimal) + "\r\n";

        p = ageOneYear(life, p, year, yearRates, sexRatio, 0.0);
    }

    std::string ini = "[amostra]\r\n";
    ini += "uf=" + uf2(o.uf) + "\r\n";
    ini += "uf_misturada=" + uf2(info.otherUf) + "\r\n";
    ini += "municipios=" + std::to_string(codes.size()) + "\r\n";
    ini += "anos=" + std::to_string(o.years) + "\r\n";
    ini += "censo1_ano=" + std::to_string(info.census1Year) + "\r\n";
    ini += "censo1_mes=" + std::to_string(info.census1Month) + "\r\n";
    ini += "censo2_ano=" + std::to_string(info.census2Year) + "\r\n";
    ini += "censo2_mes=" + std::to_string(info.census2Month) + "\r\n";
    ini += "razao_sexo=" + std::to_string(o.sexRatio) + "\r\n";
    ini += std::string("separador_decimal=") + o.decimal + "\r\n";
    ini += "semente=" + std::to_string(o.seed) + "\r\n";

    std::error_code ec;
    fs::create_directories(outDir, ec);
    if (!fs::is_directory(outDir))
        throw Error("Não foi possível criar a pasta " + outDir.string());
    writeText(outDir / kSampleCensus1, census[0]);
    writeText(outDir / kSampleCensus2, census[1]);
    writeText(outDir / kSamplePopProj, popProj);
    writeText(outDir / kSampleTxFec, txFec);
    writeText(outDir / kSampleRelNas, relNas);
    writeText(outDir / kSampleInfo, ini);
    return info;
}

} // namespace demovia
