#pragma once
// One project of the committed sample state (censuses of August 2000 and
// August 2010, Acre), imported and grouped through the core, in a copy of the
// application folder: the common ground of the window tests.
#include "data/census.h"
#include "data/larger_area.h"
#include "data/project.h"
#include "data/scripted_dialogs.h"
#include "test_util.h"

namespace demovia::test {

struct SampleProject {
    TempDir dir;
    AppState state;
    bool ready = false;

    explicit SampleProject(std::string name = "TESTE")
    {
        const fs::path app = dir.path() / "";
        for (const char* sub : {"DBPadrao", "DBVazio"})
            fs::copy(appDir() / sub, app / sub, fs::copy_options::recursive);
        state.appDir = app;
        ScriptedDialogs d;
        ProjectDetails details;
        std::string description = "Amostra";
        if (!createProject(state, "12", name, description, details, d))
            return;
        const fs::path samples = sourceDir() / "samples";
        const NumberFormat comma{',', '.'};
        const fs::path pd = state.projectDir;
        ready = importCensus(app, pd, "12", 1, samples / "censo1.txt", comma, d) &&
                importCensus(app, pd, "12", 2, samples / "censo2.txt", comma, d) &&
                importLargerArea(app, pd, "12", LargerAreaTable::PopProj, samples / "pop_proj.txt", comma, d) &&
                importLargerArea(app, pd, "12", LargerAreaTable::TxFec, samples / "tx_fec.txt", comma, d) &&
                importLargerArea(app, pd, "12", LargerAreaTable::RelNas, samples / "rel_nas.txt", comma, d) &&
                groupCensuses(app, pd, d);
    }
};

} // namespace demovia::test
