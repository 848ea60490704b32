#pragma once
#include "data/dialogs.h"
#include "data/project_details.h"
#include "data/table.h"
#include "data/app_state.h"

#include <functional>
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

// ---- projects -----------------------------------------------------------------

// One line of the project lists: a folder of Trabalho that holds detalhes.ini.
struct ProjectEntry {
    std::string name;
    std::string uf;          // [projeto] uf, "?" when missing
    std::string description; // [projeto] obs, "?" when missing
};

// The placeholder line of an empty project list.
inline constexpr const char* kNoProjects = "<não há projetos gravados>";

// One to eight characters, each A..Z or 0..9.
bool isValidProjectName(std::string_view name);
// The name box's key filter: a letter goes to upper case; A..Z, 0..9,
// backspace (8) and escape (27) pass; any other key is dropped (returns 0).
char projectNameKey(char key);

// Lists the projects in the order the file system gives the folders, creating
// Trabalho (one level) when it is missing. A folder without detalhes.ini, or
// whose detalhes.ini cannot be read, is no project and is left out.
std::vector<ProjectEntry> listProjects(const fs::path& appDir);

// The state list of a new project: "{sigla} ({id_uf})" per row of uf.dbf, in
// table order; the code is the two characters after "(".
std::vector<std::string> ufChoices(const fs::path& appDir);
inline std::string ufOfChoice(const std::string& line) { return line.size() >= 6 ? line.substr(4, 2) : std::string(); }

// Called when a project is about to be left for another one: the shell saves
// its details and resets the work windows.
using LeaveProject = std::function<void()>;

// "Criar": trims name and description (writing them back), checks them, leaves
// the open project, creates the folder with a detalhes.ini that holds uf, obs
// and the rest of details (the windows' state) and makes it the open project.
// False, with the message shown, when refused.
bool createProject(AppState& state, const std::string& uf, std::string& name, std::string& description,
                   ProjectDetails& details, Dialogs& dialogs, const LeaveProject& leave = {});

// How a project is opened: for writing (the desktop program, every command that
// changes it) with its writer lock held in the state and the project recovered
// from an interrupted change; or only to read it (export, a select, the year
// list), without holding the lock: recovered only when no writer is at work.
enum class ProjectAccess { Write, Read };

// "Abrir": takes the project's writer lock (refused, with the message, when
// another process holds it), finishes what a crash left (recoverProject),
// leaves the open project, reads the project's detalhes.ini (missing keys read
// as their defaults) and makes it the open project. nullopt, with the message
// shown, when it is no project, it is in use, or its details cannot be read.
std::optional<ProjectDetails> openProject(AppState& state, const std::string& name, Dialogs& dialogs,
                                          const LeaveProject& leave = {},
                                          ProjectAccess access = ProjectAccess::Write);

// Writes the open project's detalhes.ini from details, the state and
// description taken from the status panels. Nothing happens while no project is open.
void saveProjectDetails(const AppState& state, ProjectDetails details);

// The year list of the results window, of the desktop program and of
// "demovia-cli years": first, first + 1, ... while its year table exists and,
// when NascSexo.dbf exists, its births are there (the tables of an earlier or
// interrupted run are not listed). Empty when first is 0.
std::vector<int> projectedYears(const fs::path& projectDir, int firstYear);

// "Excluir": asks, then deletes the project's folder with everything in it.
// The project that is open, or that another process is using, is not deleted
// (message shown). False when refused, answered No, or the folder could not be deleted.
bool deleteProject(const AppState& state, const std::string& name, Dialogs& dialogs);

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
