#include "data/text_util.h"
#include "data/error.h"

#include <charconv>
#include <cmath>
#include <cstdio>

namespace demovia {

std::string formatMask(long long value, std::string_view mask)
{
    std::size_t places = 0;
    for (char c : mask)
        if (c == '0' || c == '#')
            ++places;
    bool neg = value < 0;
    unsigned long long mag = neg ? 0ULL - static_cast<unsigned long long>(value) : static_cast<unsigned long long>(value);
    std::string digits = std::to_string(mag);
    if (digits.size() < places)
        digits.insert(0, places - digits.size(), '0');
    return neg ? "-" + digits : digits;
}

double roundHalfEven(double x)
{
    // nearbyint follows the current rounding mode, which is to-nearest-even by default.
    return std::nearbyint(x);
}

static bool isBlank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

std::string trim(std::string_view s)
{
    std::size_t b = 0, e = s.size();
    while (b < e && isBlank(s[b]))
        ++b;
    while (e > b && isBlank(s[e - 1]))
        --e;
    return std::string(s.substr(b, e - b));
}

std::string upperAscii(std::string_view s)
{
    std::string r(s);
    for (auto& c : r)
        if (c >= 'a' && c <= 'z')
            c = static_cast<char>(c - 'a' + 'A');
    return r;
}

std::string lowerAscii(std::string_view s)
{
    std::string r(s);
    for (auto& c : r)
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
    return r;
}

bool equalsNoCase(std::string_view a, std::string_view b)
{
    if (a.size() != b.size())
        return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        char x = a[i], y = b[i];
        if (x >= 'A' && x <= 'Z') x = static_cast<char>(x - 'A' + 'a');
        if (y >= 'A' && y <= 'Z') y = static_cast<char>(y - 'A' + 'a');
        if (x != y)
            return false;
    }
    return true;
}

int countChar(std::string_view s, char c)
{
    int n = 0;
    for (char x : s)
        if (x == c)
            ++n;
    return n;
}

std::string lastChars(std::string_view s, std::size_t n)
{
    // Count code points from the end so that an accented letter is never split.
    std::size_t count = 0, i = s.size();
    while (i > 0 && count < n) {
        --i;
        while (i > 0 && (static_cast<unsigned char>(s[i]) & 0xC0) == 0x80)
            --i;
        ++count;
    }
    return std::string(s.substr(i));
}

long long parseWhole(std::string_view s)
{
    std::string t = trim(s);
    long long v = 0;
    const char* b = t.data();
    const char* e = t.data() + t.size();
    if (!t.empty() && *b == '+')
        ++b;
    auto [p, ec] = std::from_chars(b, e, v);
    if (t.empty() || ec != std::errc() || p != e)
        throw Error("'" + t + "' não é um valor inteiro válido");
    return v;
}

std::string typedMunCode(std::string_view typed)
{
    const std::string t = trim(typed);
    return t.empty() ? std::string("0000") : mun4(parseWhole(t));
}

std::string formatGeneral(double v)
{
    // %.15g: up to 15 significant digits, trailing zeros dropped, locale-free.
    char buf[64];
    auto [p, ec] = std::to_chars(buf, buf + sizeof buf, v, std::chars_format::general, 15);
    if (ec != std::errc())
        return "0";
    return std::string(buf, p);
}

char keyFilter(char key)
{
    if ((key >= '0' && key <= '9') || key == 8)
        return key;
    return 0;
}

} // namespace demovia
