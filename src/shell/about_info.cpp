#include "shell/about_info.h"

#include "data/encoding.h"
#include "data/error.h"
#include "data/table.h"

#include <cctype>
#include <cstdio>
#include <sstream>

namespace demovia {

std::string formatDiskSpace(std::uint64_t bytes)
{
    constexpr std::uint64_t kKb = 1024, kGb = 1073741824;
    char buf[64];
    if (bytes < kKb)
        std::snprintf(buf, sizeof buf, "%llu bytes", static_cast<unsigned long long>(bytes));
    else if (bytes < kGb)
        std::snprintf(buf, sizeof buf, "%.2f Kbytes", static_cast<double>(bytes) / kKb);
    else
        std::snprintf(buf, sizeof buf, "%.2f Gbytes", static_cast<double>(bytes) / kGb);
    return buf;
}

std::string formatKilobytes(std::uint64_t kb, std::string_view sep)
{
    std::string digits = std::to_string(kb);
    std::string out;
    for (std::size_t i = 0; i < digits.size(); ++i) {
        if (i > 0 && (digits.size() - i) % 3 == 0)
            out += sep;
        out += digits[i];
    }
    return out + " KB";
}

std::optional<MemoryFigures> parseMeminfo(std::string_view text)
{
    std::optional<std::uint64_t> total, available;
    std::istringstream in{std::string(text)};
    std::string key;
    std::uint64_t value = 0;
    std::string unit;
    std::string line;
    while (std::getline(in, line)) {
        std::istringstream ls(line);
        if (!(ls >> key >> value))
            continue;
        if (key == "MemTotal:")
            total = value;
        else if (key == "MemAvailable:")
            available = value;
    }
    if (!total || !available)
        return std::nullopt;
    return MemoryFigures{*total, *available};
}

namespace {

// A value of a desktop entry: backslash and line breaks escaped.
std::string entryString(const std::string& s)
{
    std::string out;
    for (char c : s) {
        if (c == '\\')
            out += "\\\\";
        else if (c == '\n')
            out += "\\n";
        else
            out += c;
    }
    return out;
}

// The program as one quoted argument of Exec.
std::string execArgument(const std::string& s)
{
    std::string q = "\"";
    for (char c : s) {
        if (c == '"' || c == '`' || c == '$' || c == '\\')
            q += '\\';
        q += c;
    }
    return q + "\"";
}

} // namespace

fs::path createDesktopShortcut(const fs::path& desktopDir, const fs::path& executable, const fs::path& appDir)
{
    if (desktopDir.empty() || !fs::is_directory(desktopDir))
        throw Error("A pasta da área de trabalho não foi encontrada: " + desktopDir.string());
    std::string workDir = appDir.string();
    while (workDir.size() > 1 && workDir.back() == '/')
        workDir.pop_back();
    const std::string entry = "[Desktop Entry]\n"
                              "Type=Application\n"
                              "Name=Demovia\n"
                              "Comment=Módulo Demovia 2.0\n"
                              "Exec=" + entryString(execArgument(executable.string())) + "\n"
                              "Path=" + entryString(workDir) + "\n"
                              "Icon=" + entryString((appDir / "demovia.svg").string()) + "\n"
                              "Terminal=false\n";
    const fs::path file = desktopDir / "Demovia.desktop";
    writeFileAtomically(file, entry);
    // Desktops start only entries marked executable.
    std::error_code ec;
    fs::permissions(file, fs::perms::owner_exec | fs::perms::group_exec | fs::perms::others_exec,
                    fs::perm_options::add, ec);
    return file;
}

std::string rtfToText(std::string_view rtf)
{
    if (rtf.substr(0, 5) != "{\\rtf")
        return decodeText(rtf); // plain text stays as it is
    std::string bytes; // in the document's code page (Windows-1252)
    // Per open group: whether its text is skipped (font table, colours, \*...).
    std::vector<bool> skip{false};
    std::size_t i = 0;
    const std::size_t n = rtf.size();
    while (i < n) {
        char c = rtf[i];
        if (c == '{') {
            skip.push_back(skip.back());
            ++i;
        } else if (c == '}') {
            if (skip.size() > 1)
                skip.pop_back();
            ++i;
        } else if (c == '\\') {
            ++i;
            if (i >= n)
                break;
            char d = rtf[i];
            if (d == '\\' || d == '{' || d == '}') {
                if (!skip.back())
                    bytes += d;
                ++i;
            } else if (d == '\'') {
                if (i + 2 < n && std::isxdigit(static_cast<unsigned char>(rtf[i + 1])) &&
                    std::isxdigit(static_cast<unsigned char>(rtf[i + 2])) && !skip.back())
                    bytes += static_cast<char>(std::stoi(std::string(rtf.substr(i + 1, 2)), nullptr, 16));
                i += 3;
            } else if (d == '*') {
                skip.back() = true;
                ++i;
            } else if (std::isalpha(static_cast<unsigned char>(d))) {
                std::size_t s = i;
                while (i < n && std::isalpha(static_cast<unsigned char>(rtf[i])))
                    ++i;
                std::string word(rtf.substr(s, i - s));
                if (i < n && (rtf[i] == '-' || std::isdigit(static_cast<unsigned char>(rtf[i])))) {
                    ++i;
                    while (i < n && std::isdigit(static_cast<unsigned char>(rtf[i])))
                        ++i;
                }
                if (i < n && rtf[i] == ' ')
                    ++i; // the delimiter belongs to the control word
                if (word == "fonttbl" || word == "colortbl" || word == "stylesheet" || word == "info" ||
                    word == "pict")
                    skip.back() = true;
                else if (!skip.back() && (word == "par" || word == "line"))
                    bytes += '\n';
                else if (!skip.back() && word == "tab")
                    bytes += '\t';
            } else {
                ++i; // other control symbols carry no text
            }
        } else if (c == '\r' || c == '\n') {
            ++i;
        } else {
            if (!skip.back())
                bytes += c;
            ++i;
        }
    }
    return decodeText(bytes);
}

} // namespace demovia
