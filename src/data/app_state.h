#pragma once
#include "data/run_settings.h"

#include <filesystem>
#include <memory>
#include <string>

namespace demovia {

class ProjectLock;

// The state the main window keeps for every window: one plain struct owned
// by the shell and passed by reference.
struct AppState {
    std::filesystem::path appDir;     // ends with the separator
    std::filesystem::path projectDir; // empty while no project is open
    std::string baseCaption = "Demovia";
    std::string caption = "Demovia";
    std::string statusUf = "UF";      // "UF = 35" while a project is open
    std::string statusDescription = "Geral";
    int firstProjectedYear = 0;
    RunSettings run;
    bool newProjectMark = false;
    // The open project's writer lock (data/project_guard.h): held for as long
    // as the project is open for writing, so no other process writes it.
    std::shared_ptr<ProjectLock> lock;
    // The state the registry's municipality view is filtered on; it lasts
    // from one opening of the registry to the next. -1: not filtered yet.
    long long registryFilterUf = -1;

    bool projectOpen() const { return caption != baseCaption; }
    // The characters 6 and 7 of the first status panel.
    std::string ufCode() const { return statusUf.size() >= 7 ? statusUf.substr(5, 2) : std::string(); }
};

} // namespace demovia
