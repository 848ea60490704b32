#pragma once
#include <string>
#include <string_view>

namespace demovia {

bool isValidUtf8(std::string_view s);
// Windows-1252 bytes to UTF-8.
std::string cp1252ToUtf8(std::string_view s);
// UTF-8 to Windows-1252; a character the code page lacks becomes '?'.
std::string utf8ToCp1252(std::string_view s);
// Text read from a file: UTF-8 when valid, else Windows-1252.
std::string decodeText(std::string_view bytes);

} // namespace demovia
