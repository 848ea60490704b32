#include "data/ini_file.h"

#include "data/encoding.h"
#include "data/error.h"
#include "data/text_util.h"

#include <cstdio>
#include <cstring>
#include <limits>
#include <system_error>

namespace demovia {

namespace {

// "[name]" gives name without the blanks around it; nullopt for other lines.
std::optional<std::string> sectionOf(std::string_view line)
{
    std::string t = trim(line);
    if (t.size() < 2 || t.front() != '[')
        return std::nullopt;
    std::size_t close = t.find(']');
    if (close == std::string::npos)
        return std::nullopt;
    return trim(std::string_view(t).substr(1, close - 1));
}

// "key = value" gives {key, value} trimmed; nullopt for comments and other lines.
std::optional<std::pair<std::string, std::string>> keyOf(std::string_view line)
{
    std::string t = trim(line);
    if (t.empty() || t.front() == ';' || t.front() == '#' || t.front() == '[')
        return std::nullopt;
    std::size_t eq = t.find('=');
    if (eq == std::string::npos)
        return std::nullopt;
    std::string_view v(t);
    return std::make_pair(trim(v.substr(0, eq)), trim(v.substr(eq + 1)));
}

bool hasNonAscii(std::string_view s)
{
    for (char c : s)
        if (static_cast<unsigned char>(c) >= 0x80)
            return true;
    return false;
}

} // namespace

IniFile IniFile::load(const fs::path& file)
{
    IniFile ini;
    std::error_code ec;
    if (!fs::exists(file, ec))
        return ini;
    std::string bytes = readFileBytes(file);

    if (bytes.compare(0, 3, "\xEF\xBB\xBF") == 0) {
        ini.m_bom = true;
        bytes.erase(0, 3);
    }
    ini.m_utf8 = hasNonAscii(bytes) && isValidUtf8(bytes);
    std::string text = decodeText(bytes);
    std::size_t e = text.find_first_of("\r\n");
    if (e != std::string::npos)
        ini.m_lineEnd = text.compare(e, 2, "\r\n") == 0 ? "\r\n" : text.substr(e, 1);
    std::size_t pos = 0;
    while (pos < text.size()) {
        e = text.find_first_of("\r\n", pos);
        if (e == std::string::npos) {
            ini.m_lines.push_back(text.substr(pos));
            break;
        }
        ini.m_lines.push_back(text.substr(pos, e - pos));
        pos = e + 1;
        if (text[e] == '\r' && pos < text.size() && text[pos] == '\n')
            ++pos;
    }
    return ini;
}

std::optional<std::size_t> IniFile::find(std::string_view section, std::string_view key) const
{
    bool inside = false;
    std::optional<std::size_t> header;
    for (std::size_t i = 0; i < m_lines.size(); ++i) {
        if (auto s = sectionOf(m_lines[i])) {
            inside = equalsNoCase(*s, section);
            if (inside && !header)
                header = i;
            continue;
        }
        if (inside && !key.empty())
            if (auto kv = keyOf(m_lines[i]); kv && equalsNoCase(kv->first, key))
                return i;
    }
    return key.empty() ? header : std::nullopt;
}

std::optional<std::string> IniFile::value(std::string_view section, std::string_view key) const
{
    if (key.empty())
        return std::nullopt;
    auto i = find(section, key);
    if (!i)
        return std::nullopt;
    return keyOf(m_lines[*i])->second;
}

std::string IniFile::read(std::string_view section, std::string_view key, const std::string& def) const
{
    auto v = value(section, key);
    return v ? *v : def;
}

int IniFile::readInt(std::string_view section, std::string_view key, int def) const
{
    auto v = value(section, key);
    if (!v)
        return def;
    try {
        long long n = parseWhole(*v);
        if (n < std::numeric_limits<int>::min() || n > std::numeric_limits<int>::max())
            return def;
        return static_cast<int>(n);
    } catch (const Error&) {
        return def;
    }
}

void IniFile::write(std::string_view section, std::string_view key, std::string_view value)
{
    std::string v;
    for (std::size_t i = 0; i < value.size(); ++i) {
        char c = value[i];
        if (c == '\r' && i + 1 < value.size() && value[i + 1] == '\n')
            continue; // CR LF is one line break, one blank
        v += (c == '\r' || c == '\n') ? ' ' : c;
    }
    std::string line = std::string(key) + "=" + v;

    if (auto i = find(section, key)) {
        m_lines[*i] = line;
        return;
    }
    if (auto header = find(section, {})) {
        // After the section's last line that is not blank.
        std::size_t at = *header + 1, end = at;
        for (std::size_t i = at; i < m_lines.size() && !sectionOf(m_lines[i]); ++i)
            if (!trim(m_lines[i]).empty())
                end = i + 1;
        m_lines.insert(m_lines.begin() + static_cast<long>(end), line);
        return;
    }
    if (!m_lines.empty() && !trim(m_lines.back()).empty())
        m_lines.emplace_back();
    m_lines.push_back("[" + std::string(section) + "]");
    m_lines.push_back(line);
}

void IniFile::save(const fs::path& file) const
{
    std::string text;
    for (const auto& l : m_lines)
        text += l + m_lineEnd;
    std::string bytes;
    if (m_utf8 || m_bom) {
        bytes = text;
    } else {
        bytes = utf8ToCp1252(text);
        if (cp1252ToUtf8(bytes) != text)
            bytes = text; // a character Windows-1252 lacks: keep it, in UTF-8
    }
    if (m_bom)
        bytes.insert(0, "\xEF\xBB\xBF");
    writeFileAtomically(file, bytes);
}

} // namespace demovia
