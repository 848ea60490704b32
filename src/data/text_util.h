#pragma once
#include <cstdint>
#include <string>
#include <string_view>

namespace demovia {

// Zero-padding masks of the codes: "0#", "00#", "000", "000#", "0000".
// The number of '0'/'#' places is the minimum width; a longer number is
// written in full, never cut. Negative numbers keep their sign in front.
std::string formatMask(long long value, std::string_view mask);
inline std::string uf2(long long v) { return formatMask(v, "0#"); }
inline std::string mun4(long long v) { return formatMask(v, "000#"); }
inline std::string age3(long long v) { return formatMask(v, "00#"); }
inline std::string year4(long long v) { return formatMask(v, "000#"); }

// Nearest whole number, a half going to the even neighbour (12.5 -> 12, 13.5 -> 14).
double roundHalfEven(double x);

std::string trim(std::string_view s);          // blanks (space, tab, CR, LF) at both ends
std::string upperAscii(std::string_view s);     // a-z only; accented letters stay
std::string lowerAscii(std::string_view s);
bool equalsNoCase(std::string_view a, std::string_view b);

// How many times c occurs in s.
int countChar(std::string_view s, char c);
// The last n characters (UTF-8 code points), or the whole text when not longer.
std::string lastChars(std::string_view s, std::size_t n);

// Whole number written in a text ("0050", " 12 "); throws Error when it is not one.
long long parseWhole(std::string_view s);
// A municipality code typed in a search box: trimmed, read as a whole number
// and written with at least four digits; an empty box stands for "0000".
// Throws Error when it is not a whole number.
std::string typedMunCode(std::string_view typed);

// Shortest general form with up to 15 significant digits, '.' decimal point.
std::string formatGeneral(double v);

// Key filter of the number boxes: digits and backspace (8) pass, every other key is dropped (returns 0).
char keyFilter(char key);

} // namespace demovia
