#pragma once
#include "data/dialogs.h"
#include "data/run_settings.h"
#include "data/table.h"
#include "engine/plausibility.h"

#include <functional>
#include <string>
#include <vector>

namespace demovia {

// Derives the census timing from the census fields as the window shows them:
// years as typed, months as positions 0 ("Janeiro") .. 11. Throws Error with
// the system's message for an empty year or an interval the system does not
// treat; a year that is not a number is an Error too.
RunSettings deriveRunSettings(const std::string& year1, int monthPos1, const std::string& year2, int monthPos2,
                              int stepsToRun, InterpolationMethod method);

// What a run reports to the person while it goes, and the cancel flag.
class RunMonitor {
public:
    virtual ~RunMonitor() = default;
    virtual void insertStep(const std::string& title) = 0; // at the top of the step log
    virtual void appendLine(const std::string& line) = 0;  // at the bottom of the step log
    virtual void setProgressRange(int /*max*/) {}
    virtual void setProgress(int /*position*/) {}
    virtual void setRemainingTime(const std::string& /*hhmmss*/) {}
    // Lets pending window events through: the only moment a press of the
    // cancel button is seen (after each census row in step 5, each year in step 6).
    virtual void processEvents() {}
    // The steps are over and the closing message comes next (the cancel
    // button becomes the close button here).
    virtual void stepsEnded() {}

    bool cancel = false; // the cancel flag
};

// Everything a run needs besides the tables of the project folder.
struct RunContext {
    fs::path appDir;             // application folder
    fs::path projectDir;         // project folder
    std::string uf;              // two-digit UF code of the open project
    std::string sexRatioText;    // the sex ratio at birth box, as shown
    RunSettings settings;
    // Called by step 2 after fator_k.dbf is written; offers the K modifier
    // models when one exists. Empty: nothing is offered.
    std::function<void(RunMonitor&)> offerKModifiers;
};

struct RunOutcome {
    bool cancelled = false;         // the closing message was the cancellation one
    bool failed = false;            // a table could not be written: the run stopped there
    std::vector<int> projectedYears; // the results window's year list
    int firstProjectedYear = 0;
    std::vector<MunicipalityCheck> checks; // the plausibility checks of the years projected
};

// The run driver: reset (multiplier matrices), steps 1..N in order while the
// cancel flag is clear and no table failed to be written, the closing message
// through dialogs (a failed write ends with the failure message, never with
// the completion one). An error that
// escapes a step (arithmetic or table store) ends the run and is thrown.
RunOutcome runProjection(const RunContext& ctx, RunMonitor& monitor, Dialogs& dialogs);

} // namespace demovia
