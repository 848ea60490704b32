#pragma once
#include <optional>

namespace demovia {

// The official check digit (the 7th digit of the IBGE code) of municipality
// mun (4 digits) of state uf, from the list of Brazilian municipalities the
// program is built with; nullopt when the list has no such municipality.
std::optional<int> ibgeCheckDigit(int uf, int mun);

} // namespace demovia
