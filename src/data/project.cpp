#include "data/project.h"

#include "data/error.h"

#include <fstream>
#include <sstream>

namespace demovia {

fs::path workFolder(const fs::path& appDir) { return appDir / "Trabalho" / ""; }

fs::path projectFolder(const fs::path& appDir, const std::string& name) { return appDir / "Trabalho" / name / ""; }

std::string folderText(const fs::path& dir)
{
    std::string s = dir.string();
    if (s.empty() || s.back() != '/')
        s += '/';
    return s;
}

// ---- FileSnapshot --------------------------------------------------------------

FileSnapshot::FileSnapshot(const std::vector<fs::path>& files)
{
    for (const auto& f : files) {
        Saved s;
        s.path = resolveFile(f);
        std::error_code ec;
        if (fs::is_regular_file(s.path, ec)) {
            std::ifstream in(s.path, std::ios::binary);
            std::ostringstream ss;
            ss << in.rdbuf();
            if (!in && !in.eof())
                throw Error("Não foi possível ler o arquivo " + s.path.string());
            s.bytes = ss.str();
        }
        m_files.push_back(std::move(s));
    }
}

void FileSnapshot::restore() const
{
    for (const auto& f : m_files) {
        if (f.bytes) {
            writeFileAtomically(resolveFile(f.path), *f.bytes);
        } else {
            std::error_code ec;
            fs::remove(resolveFile(f.path), ec);
        }
    }
}

} // namespace demovia
