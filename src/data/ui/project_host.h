#pragma once
#include "data/project_details.h"
#include "ui/work_window.h"

namespace demovia::ui {

// What the project dialogs need from the main window: the shared state, the
// work windows' part of the project details and the steps that move the work
// windows from one project to the next.
class ProjectHost {
public:
    virtual ~ProjectHost() = default;

    virtual UiContext& context() = 0;
    // Caption and status panels from the state.
    virtual void refreshState() = 0;
    // The project details as the windows show them now.
    virtual ProjectDetails currentDetails() const = 0;
    // Writes the open project's detalhes.ini (nothing while none is open).
    virtual void saveDetails() = 0;
    // The reset of all windows: the open project's details saved, then the
    // six project windows back to their empty state.
    virtual void leaveProject() = 0;
    // A project was just created: minimise all, the six resets, the census
    // window placed in front, the six enabled. Throws on failure.
    virtual void setUpNewProject() = 0;
    // A project was just opened: each window restores its part and shows the
    // project's tables. Throws on failure.
    virtual void restoreProject(const ProjectDetails& details) = 0;
    // Then: minimise all, the census window placed in front, the six enabled.
    virtual void showProject() = 0;
};

} // namespace demovia::ui
