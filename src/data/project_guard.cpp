#include "data/project_guard.h"

#include "data/error.h"
#include "data/ini_file.h"
#include "data/project_details.h"

#include <cerrno>
#include <cstring>
#include <map>
#include <mutex>

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

namespace demovia {

// ---- lock --------------------------------------------------------------------------

namespace {

// The locks this process holds, by folder. A child made by fork() inherits
// the map but not the right to the locks: entries of another process do not count.
struct Held {
    pid_t pid = 0;
    std::weak_ptr<ProjectLock> lock;
};
std::mutex g_locksMutex;
std::map<std::string, Held>& heldLocks()
{
    static std::map<std::string, Held> m;
    return m;
}

std::string folderKey(const fs::path& dir)
{
    std::error_code ec;
    fs::path p = fs::weakly_canonical(dir, ec);
    if (ec)
        p = fs::absolute(dir, ec);
    std::string s = p.lexically_normal().string();
    while (s.size() > 1 && s.back() == '/')
        s.pop_back();
    return s;
}

std::string projectNameOf(const fs::path& dir)
{
    fs::path p = dir;
    if (p.filename().empty())
        p = p.parent_path();
    return p.filename().string();
}

} // namespace

std::shared_ptr<ProjectLock> ProjectLock::acquire(const fs::path& projectDir)
{
    const std::string key = folderKey(projectDir);
    std::lock_guard<std::mutex> g(g_locksMutex);
    {
        Held& h = heldLocks()[key];
        if (h.pid == ::getpid())
            if (auto held = h.lock.lock())
                return held;
    }

    const std::string name = projectNameOf(projectDir);
    // The lock is on the folder itself: no file of its own to leave behind.
    const int fd = ::open(key.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) {
        const int err = errno;
        throw Error("Não foi possível reservar o projeto " + name + " para gravação: a pasta " + key +
                    " não pôde ser aberta.\n\nVerifique se ela existe e pode ser lida.\n\nErro original: " +
                    std::strerror(err));
    }
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        const int err = errno;
        ::close(fd);
        if (err == EWOULDBLOCK)
            throw Error("O projeto " + name +
                        " está sendo usado por outro processo: um comando do demovia-cli ou o programa Demovia "
                        "com esse projeto aberto.\n\nAguarde o fim desse processo, ou feche o projeto no outro "
                        "programa, e tente novamente");
        throw Error("Não foi possível reservar o projeto " + name + " para gravação.\n\nErro original: " +
                    std::strerror(err));
    }
    std::shared_ptr<ProjectLock> lock(new ProjectLock(key, fd));
    heldLocks()[key] = Held{::getpid(), lock};
    return lock;
}

ProjectLock::~ProjectLock()
{
    std::lock_guard<std::mutex> g(g_locksMutex);
    auto it = heldLocks().find(m_key);
    if (it != heldLocks().end() && it->second.lock.expired())
        heldLocks().erase(it);
    if (m_fd >= 0)
        ::close(m_fd); // releases the flock
}

// ---- journal -------------------------------------------------------------------------

namespace {

constexpr const char* kJournalDir = "~diario";
constexpr const char* kJournalMarker = "diario.ini";

fs::path journalDir(const fs::path& projectDir) { return projectDir / kJournalDir; }

void removeJournalDir(const fs::path& dir)
{
    std::error_code ec;
    fs::remove_all(dir, ec);
}

} // namespace

ProjectJournal::ProjectJournal(const fs::path& projectDir, const std::vector<std::string>& files)
    : m_dir(journalDir(projectDir))
{
    // An unfinished change of a killed process comes first.
    rollBackJournal(projectDir);
    removeJournalDir(m_dir);
    std::error_code ec;
    fs::create_directory(m_dir, ec);
    if (ec)
        throw Error("Não foi possível criar a pasta " + m_dir.string() + "\n\nErro original: " + ec.message());
    // One line per file: "1 name" when it was copied aside, "0 name" when it did not exist.
    std::string marker;
    try {
        for (const auto& name : files) {
            const fs::path real = resolveFile(projectDir / name);
            if (fs::is_regular_file(real, ec)) {
                const std::string onDisk = real.filename().string();
                writeFileAtomically(m_dir / onDisk, readFileBytes(real));
                marker += "1 " + onDisk + "\n";
            } else {
                marker += "0 " + name + "\n";
            }
        }
        // The marker makes the journal count: before it, nothing has changed.
        writeFileAtomically(m_dir / kJournalMarker, marker);
    } catch (...) {
        removeJournalDir(m_dir);
        throw;
    }
}

void ProjectJournal::commit()
{
    if (m_done)
        return;
    // Removing the marker is the moment the change is made.
    std::error_code ec;
    fs::remove(m_dir / kJournalMarker, ec);
    if (ec)
        throw Error("Não foi possível concluir a gravação em " + m_dir.parent_path().string() +
                    "\n\nErro original: " + ec.message());
    m_done = true;
    removeJournalDir(m_dir);
}

ProjectJournal::~ProjectJournal()
{
    if (m_done)
        return;
    try {
        rollBackJournal(m_dir.parent_path());
    } catch (const std::exception&) {
        // left for the next writer's recovery
    }
}

bool rollBackJournal(const fs::path& projectDir)
{
    const fs::path dir = journalDir(projectDir);
    const fs::path markerFile = dir / kJournalMarker;
    std::error_code ec;
    if (!fs::is_regular_file(markerFile, ec)) {
        if (fs::exists(dir, ec))
            removeJournalDir(dir); // copies made before the marker: nothing had changed
        return false;
    }
    const std::string text = readFileBytes(markerFile);
    std::size_t at = 0;
    while (at < text.size()) {
        std::size_t end = text.find('\n', at);
        if (end == std::string::npos)
            end = text.size();
        const std::string line = text.substr(at, end - at);
        at = end + 1;
        if (line.size() < 3 || (line[0] != '0' && line[0] != '1') || line[1] != ' ')
            continue;
        const std::string name = line.substr(2);
        if (name.find('/') != std::string::npos || name == "." || name == "..")
            continue;
        const fs::path target = resolveFile(projectDir / name);
        if (line[0] == '1') {
            writeFileAtomically(target, readFileBytes(dir / name));
        } else if (fs::exists(target, ec) && !fs::remove(target, ec)) {
            throw Error("Não foi possível desfazer a gravação interrompida de " + target.string() +
                        "\n\nErro original: " + ec.message());
        }
    }
    fs::remove(markerFile, ec);
    removeJournalDir(dir);
    return true;
}

// ---- recovery ------------------------------------------------------------------------

void recoverProject(const fs::path& projectDir)
{
    rollBackJournal(projectDir);
    removeAtomicWriteLeftovers(projectDir);
}

std::vector<fs::path> yearTableFiles(const fs::path& projectDir)
{
    std::vector<fs::path> files;
    std::error_code ec;
    for (fs::directory_iterator it(projectDir, ec), end; !ec && it != end; it.increment(ec)) {
        const std::string n = it->path().filename().string();
        if (n.size() != 8)
            continue;
        bool digits = true;
        for (int i = 0; i < 4; ++i)
            digits = digits && n[i] >= '0' && n[i] <= '9';
        std::string ext = n.substr(4);
        for (char& c : ext)
            c = static_cast<char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
        std::error_code e2;
        if (digits && ext == ".dbf" && it->is_regular_file(e2))
            files.push_back(it->path());
    }
    return files;
}

void recordFirstProjectedYear(const fs::path& projectDir, int firstYear)
{
    const fs::path file = projectDetailsFile(projectDir);
    IniFile ini = IniFile::load(file);
    ini.write("projecao", "ano1_proj", std::to_string(firstYear));
    ini.save(file);
}

} // namespace demovia
