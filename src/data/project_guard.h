#pragma once
// What keeps a project whole between processes and across a crash: the one
// writer's lock, the journal that makes a change of several files one change,
// and the recovery that runs when a writer next takes the project.
#include "data/table.h"

#include <memory>
#include <string>
#include <vector>

namespace demovia {

// The writer's lock of one project folder: an exclusive flock on the folder
// itself, which the system releases when the process ends, however it ends. Within one process the lock is shared: taking it again for
// the same folder gives the lock already held.
class ProjectLock {
public:
    // Throws Error with the message for the person when another process holds
    // the project ("O projeto X está sendo usado por outro processo...").
    static std::shared_ptr<ProjectLock> acquire(const fs::path& projectDir);
    ~ProjectLock();

    ProjectLock(const ProjectLock&) = delete;
    ProjectLock& operator=(const ProjectLock&) = delete;

private:
    ProjectLock(std::string key, int fd) : m_key(std::move(key)), m_fd(fd) {}
    std::string m_key;
    int m_fd = -1;
};

// Changes several files of a project folder as one change. Before the change
// the files are copied aside into the folder "~diario" and a marker naming them
// is written; commit() removes the marker. A journal dropped without commit (an
// error) puts the files back at once; one left by a killed process is put back
// by recoverProject. Either way the folder then holds every file as it was, or
// every file as the change left it.
class ProjectJournal {
public:
    // files: names inside the project folder (any case); a file that does not
    // exist yet is removed again by a roll-back. Throws Error when the copies
    // cannot be made (nothing has changed then).
    ProjectJournal(const fs::path& projectDir, const std::vector<std::string>& files);
    ~ProjectJournal();
    void commit();

    ProjectJournal(const ProjectJournal&) = delete;
    ProjectJournal& operator=(const ProjectJournal&) = delete;

private:
    fs::path m_dir;
    bool m_done = false;
};

// Puts back the files of an unfinished journal. True when there was one.
// Throws Error when a file cannot be put back (the journal stays for the next try).
bool rollBackJournal(const fs::path& projectDir);

// What a writer does when it takes a project, with the lock held: finishes an
// interrupted change (roll-back of the journal) and removes the temporary
// files of writes that a crash cut short. Throws Error naming the file that
// could not be restored.
void recoverProject(const fs::path& projectDir);

// The year tables in the folder: files named with four digits and ".dbf".
std::vector<fs::path> yearTableFiles(const fs::path& projectDir);

// Records in detalhes.ini the first year of the run that is starting, keeping
// every other key as it is.
void recordFirstProjectedYear(const fs::path& projectDir, int firstYear);

} // namespace demovia
