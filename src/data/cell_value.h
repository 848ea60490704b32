#pragma once
#include "data/table.h"
#include "data/text_exchange.h"

#include <string>
#include <string_view>

namespace demovia {

// A value typed into a grid cell, checked against its field before anything
// is stored: for a number field, a number in the regional format that fits
// the field's width and has no more decimals than the field keeps; for any
// other field, a text that fits its width in the table's code page. Blanks
// around are dropped; an empty entry is an empty cell. Throws Error saying
// what is wrong and what to type instead; nothing is ever cut to fit.
Value cellValueFromText(std::string_view typed, const FieldDef& field, const NumberFormat& fmt);

// The text a cell is edited as: a number in the regional format, with no
// more decimals than its field keeps; a text as it is.
std::string cellEditText(const Value& value, const FieldDef& field, const NumberFormat& fmt);

} // namespace demovia
