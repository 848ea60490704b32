#pragma once
#include <stdexcept>
#include <string>

namespace demovia {

// The one exception type of the core. Its text is what the user is shown,
// in the system's own Portuguese wording; line breaks are '\n'.
class Error : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// Raised where a zero divisor or another impossible value would otherwise
// write inf or NaN into a table; reaches the general error report.
class ArithmeticError : public Error {
public:
    using Error::Error;
};

} // namespace demovia
