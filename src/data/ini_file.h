#pragma once
#include "data/table.h"

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace demovia {

// A settings file of the common INI form: "[section]" lines followed by
// "key=value" lines. Everything read is kept, so that writing a key changes
// that one line and leaves comments, other sections and their order alone.
//
// Section names are compared without regard to case but otherwise as written
// ("censo inicial" keeps its blank); keys are compared without regard to case;
// values are read without the blanks around them. The file is read as UTF-8
// when valid, else as Windows-1252, and written back in the same form; a new
// or plain-ASCII file is written in Windows-1252 (the code page of the system's
// files) unless a value needs characters that code page lacks.
class IniFile {
public:
    IniFile() = default;

    // A missing file gives an empty one; a file that exists but cannot be read
    // throws Error.
    static IniFile load(const fs::path& file);

    std::optional<std::string> value(std::string_view section, std::string_view key) const;
    std::string read(std::string_view section, std::string_view key, const std::string& def) const;
    // A value that is not a whole number gives def.
    int readInt(std::string_view section, std::string_view key, int def) const;

    // Sets a key, adding it at the end of its section, or the section at the
    // end of the file, when missing. The file keeps one line per value: line
    // breaks inside the value are written as blanks.
    void write(std::string_view section, std::string_view key, std::string_view value);

    // Writes the file atomically. Throws Error.
    void save(const fs::path& file) const;

private:
    // The line index of the key, or of the section header when key is empty.
    std::optional<std::size_t> find(std::string_view section, std::string_view key) const;

    std::vector<std::string> m_lines; // UTF-8, without line ends
#ifdef _WIN32
    std::string m_lineEnd = "\r\n";
#else
    std::string m_lineEnd = "\n";
#endif
    bool m_utf8 = false; // read as UTF-8 with characters beyond ASCII
    bool m_bom = false;
};

} // namespace demovia
