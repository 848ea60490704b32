#pragma once
#include "data/table.h"

#include <optional>
#include <string>
#include <vector>

namespace demovia {

// ---- folders -----------------------------------------------------------------

// {application folder}Trabalho/ and {application folder}Trabalho/{name}/, both
// ending with the separator.
fs::path workFolder(const fs::path& appDir);
fs::path projectFolder(const fs::path& appDir, const std::string& name);
// The text that names a folder inside a statement: the path with one separator at the end.
std::string folderText(const fs::path& dir);

// ---- keeping tables whole across an operation ---------------------------------

// Keeps the bytes of some files so that an operation that fails half way can
// put them back as they were (a file that did not exist is removed again).
class FileSnapshot {
public:
    explicit FileSnapshot(const std::vector<fs::path>& files);
    void restore() const;

private:
    struct Saved {
        fs::path path;
        std::optional<std::string> bytes;
    };
    std::vector<Saved> m_files;
};

} // namespace demovia
