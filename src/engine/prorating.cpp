// Step 7: every projected year scaled to the state's projection, age by age
// and sex by sex, so that the whole persons of the municipalities add up.
#include "engine/calculo.h"

#include "data/error.h"
#include "data/text_util.h"

#include <vector>

namespace demovia::calculo {

void scaleToTarget(double* v, std::size_t n, const double* target, int year, bool female)
{
    for (int a = 0; a < kAges; ++a) {
        const double u = target[a];
        if (u == 0) {
            // The state has nobody of this age: neither has any municipality.
            for (std::size_t m = 0; m < n; ++m)
                v[m * kAges + a] = 0;
            continue;
        }
        double t = 0;
        for (std::size_t m = 0; m < n; ++m)
            t += roundHalfEven(v[m * kAges + a]);
        if (t == 0)
            throw ArithmeticError("Divisão por zero no prorrateio do ano " + year4(year) + ", " +
                                  (female ? "mulheres" : "homens") + ", idade " + age3(a) +
                                  ": os municípios somam 0 pessoas e a UF " + formatGeneral(u));
        const double q = t / u;
        for (std::size_t m = 0; m < n; ++m)
            v[m * kAges + a] /= q;
    }
}

namespace {

// Adds persons to a value so that its whole persons move by exactly that many.
// A value of exactly k + 0.5 would otherwise move by one more or one less
// (half to even), and the municipalities would miss the state by a person.
void addWholePersons(double& value, double persons)
{
    const double before = roundHalfEven(value);
    value += persons;
    if (roundHalfEven(value) != before + persons)
        value = before + persons;
}

} // namespace

void adjustToTarget(double* v, std::size_t n, const double* target)
{
    // Whole persons left over go to the largest municipality (or are shared
    // among those tied for largest, in municipality order).
    std::vector<std::size_t> largest;
    for (int a = 0; a < kAges; ++a) {
        double top = 0, sum = 0;
        largest.clear();
        for (std::size_t m = 0; m < n; ++m) {
            const double r = roundHalfEven(v[m * kAges + a]);
            sum += r;
            if (r > top) {
                top = r;
                largest.clear();
            }
            if (r == top)
                largest.push_back(m);
        }
        long long d = static_cast<long long>(target[a] - sum);
        if (d == 0 || largest.empty())
            continue;
        const long long size = static_cast<long long>(largest.size());
        const long long each = d / size;
        for (std::size_t m : largest)
            addWholePersons(v[m * kAges + a], static_cast<double>(each));
        d %= size;
        for (std::size_t i = 0; d != 0; i = (i + 1) % largest.size()) {
            const int unit = d > 0 ? 1 : -1;
            addWholePersons(v[largest[i] * kAges + a], unit);
            d -= unit;
        }
    }
}

void prorate(double* v, std::size_t n, const double* target, int year, bool female)
{
    scaleToTarget(v, n, target, year, female);
    adjustToTarget(v, n, target);
}

} // namespace demovia::calculo
