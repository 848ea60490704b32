#include "data/cell_value.h"

#include "data/encoding.h"
#include "data/error.h"

#include <charconv>

namespace demovia {

namespace {

std::string trimmed(std::string_view s)
{
    std::size_t b = 0, e = s.size();
    while (b < e && (s[b] == ' ' || s[b] == '\t'))
        ++b;
    while (e > b && (s[e - 1] == ' ' || s[e - 1] == '\t'))
        --e;
    return std::string(s.substr(b, e - b));
}

std::string example(const NumberFormat& fmt) { return std::string("0") + fmt.decimal + "5"; }

} // namespace

Value cellValueFromText(std::string_view typed, const FieldDef& field, const NumberFormat& fmt)
{
    const std::string t = trimmed(typed);
    if (t.empty())
        return Value();
    if (!field.isNumeric()) {
        const std::string bytes = utf8ToCp1252(t);
        if (static_cast<int>(bytes.size()) > field.width)
            throw Error("O texto \"" + t + "\" tem " + std::to_string(bytes.size()) + " caracteres e o campo " +
                        field.name + " guarda no máximo " + std::to_string(field.width) + ".\nDigite um texto mais curto.");
        return Value(t);
    }
    double v = 0;
    try {
        v = parseRegionalNumber(t, fmt);
    } catch (const Error&) {
        throw Error("\"" + t + "\" não é um número.\nDigite um número no campo " + field.name + ", com \"" +
                    std::string(1, fmt.decimal) + "\" separando as decimais, como " + example(fmt) + ".");
    }
    std::string stored;
    try {
        stored = formatNumericField(v, field);
    } catch (const Error&) {
        throw Error("O valor " + t + " não cabe no campo " + field.name + ", que guarda números de até " +
                    std::to_string(field.width) + " caracteres" +
                    (field.decimals > 0 ? " com " + std::to_string(field.decimals) + " casas decimais" : std::string()) +
                    ".\nDigite um valor menor.");
    }
    // The field keeps a fixed number of decimals: a value it would round is refused.
    const std::size_t lead = stored.find_first_not_of(' ');
    double kept = 0;
    std::from_chars(stored.data() + lead, stored.data() + stored.size(), kept);
    if (kept != v) {
        if (field.decimals == 0)
            throw Error("O valor " + t + " tem casas decimais e o campo " + field.name +
                        " guarda só números inteiros.\nDigite um número inteiro.");
        throw Error("O valor " + t + " tem mais casas decimais do que o campo " + field.name + " guarda (" +
                    std::to_string(field.decimals) + ").\nDigite o valor com no máximo " +
                    std::to_string(field.decimals) + (field.decimals == 1 ? " casa decimal." : " casas decimais."));
    }
    return Value(kept);
}

std::string cellEditText(const Value& value, const FieldDef& field, const NumberFormat& fmt)
{
    if (value.isNull())
        return std::string();
    if (!field.isNumeric())
        return value.toText();
    return formatRegionalNumber(value.toDouble(), fmt);
}

} // namespace demovia
