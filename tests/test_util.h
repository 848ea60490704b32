#pragma once
// Helpers shared by the tests: a fresh temporary folder and file I/O.
#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>
#include <string>

namespace demovia::test {

namespace fs = std::filesystem;

class TempDir {
public:
    TempDir()
    {
        std::random_device rd;
        m_path = fs::temp_directory_path() / ("demovia-test-" + std::to_string(rd()) + std::to_string(rd()));
        fs::create_directories(m_path);
    }
    ~TempDir()
    {
        std::error_code ec;
        fs::remove_all(m_path, ec);
    }
    const fs::path& path() const { return m_path; }
    fs::path operator/(const std::string& n) const { return m_path / n; }

private:
    fs::path m_path;
};

inline std::string readBytes(const fs::path& p)
{
    std::ifstream in(p, std::ios::binary);
    std::stringstream ss;
    ss << in.rdbuf();
    return ss.str();
}

inline void writeBytes(const fs::path& p, const std::string& bytes)
{
    std::ofstream out(p, std::ios::binary);
    out << bytes;
}

inline fs::path appDir() { return fs::path(DEMOVIA_APP_DIR); }
inline fs::path sourceDir() { return fs::path(DEMOVIA_SOURCE_DIR); }

} // namespace demovia::test
