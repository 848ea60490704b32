#include "data/ibge.h"

#include <algorithm>
#include <iterator>

namespace demovia {

namespace {

struct CheckDigit {
    int code; // state code and municipality code: 355030
    int digit;
};

// In ascending order of code, as the list is.
constexpr CheckDigit kCheckDigits[] = {
#include "ibge_check_digits.inc"
};

} // namespace

std::optional<int> ibgeCheckDigit(int uf, int mun)
{
    const int code = uf * 10000 + mun;
    const auto it = std::lower_bound(std::begin(kCheckDigits), std::end(kCheckDigits), code,
                                     [](const CheckDigit& c, int v) { return c.code < v; });
    if (it == std::end(kCheckDigits) || it->code != code)
        return std::nullopt;
    return it->digit;
}

} // namespace demovia
