#pragma once
#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

namespace demovia {

namespace fs = std::filesystem;

// Free disk space as the about box shows it: bytes below 1 KB, Kbytes up to
// (not including) 1 GB, Gbytes from there, two decimals with a point.
std::string formatDiskSpace(std::uint64_t bytes);

// A kilobyte figure with thousands separators and no decimals, then " KB".
std::string formatKilobytes(std::uint64_t kb, std::string_view thousandsSeparator);

// Physical memory from the text of /proc/meminfo: total and available, in
// kilobytes. nullopt when either line is missing.
struct MemoryFigures {
    std::uint64_t totalKb = 0;
    std::uint64_t availableKb = 0;
    int availablePercent() const { return totalKb ? static_cast<int>(availableKb * 100 / totalKb) : 0; }
};
std::optional<MemoryFigures> parseMeminfo(std::string_view text);

// The desktop shortcut: "Demovia.desktop" in desktopDir, starting the
// executable with no arguments in the application folder. Replaces one of
// that name. Returns the file written; throws Error on failure.
fs::path createDesktopShortcut(const fs::path& desktopDir, const fs::path& executable, const fs::path& appDir);

} // namespace demovia
