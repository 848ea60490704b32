#include "shell/about_info.h"

#include "data/error.h"
#include "data/table.h"

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

} // namespace demovia
