#pragma once
// A project folder built in code for the engine tests: tables written from
// the real templates, a monitor that records the step log, scripted dialogs.
#include "data/error.h"
#include "data/scripted_dialogs.h"
#include "data/table.h"
#include "data/text_util.h"
#include "engine/calculo.h"
#include "engine/run.h"
#include "test_util.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <functional>
#include <string>
#include <vector>

namespace demovia::test {

class RecordingMonitor : public RunMonitor {
public:
    void insertStep(const std::string& title) override { log.insert(log.begin(), title); }
    void appendLine(const std::string& line) override { log.push_back(line); }
    void setProgressRange(int max) override { progressMax = max; }
    void setProgress(int position) override { progress = position; }
    void processEvents() override
    {
        ++events;
        if (onEvents)
            onEvents(*this);
    }
    void stepsEnded() override { endedWithCancel = cancel ? 1 : 0; }
    bool logged(const std::string& prefix) const
    {
        return std::any_of(log.begin(), log.end(), [&](const std::string& l) { return l.rfind(prefix, 0) == 0; });
    }

    std::vector<std::string> log; // as the list shows it, newest step first
    std::function<void(RecordingMonitor&)> onEvents;
    int events = 0;
    int progressMax = -1;
    int progress = -1;
    int endedWithCancel = -1; // the cancel flag when the steps ended; -1 before
};

class EngineProject {
public:
    EngineProject()
    {
        ctx.appDir = appDir();
        ctx.projectDir = dir.path();
        ctx.uf = "35";
        ctx.sexRatioText = "100";
        ctx.settings = deriveRunSettings("1991", 8, "2000", 8, 7, InterpolationMethod::KarupKing); // 9 years, shift 2
        multipliers = calculo::loadMultipliers(appDir());
    }

    calculo::Step step() { return calculo::Step{ctx, monitor, dialogs, multipliers, outcome}; }

    // Writes rows into a project table made from the template templ.
    void write(const std::string& file, const std::vector<Row>& rows, const std::string& templ = "")
    {
        Table t(readSchema(appDir() / "DBVazio" / (templ.empty() ? file : templ)));
        for (const auto& r : rows)
            t.append(r);
        writeTable(dir / file, t);
    }
    Table read(const std::string& file) const { return readTable(dir / file); }
    bool has(const std::string& file) const { return fileExists(dir / file); }

    TempDir dir;
    RunContext ctx;
    RecordingMonitor monitor;
    ScriptedDialogs dialogs;
    calculo::Multipliers multipliers;
    RunOutcome outcome;
};

inline double num(const Table& t, std::size_t row, const std::string& field)
{
    return t.rows.at(row).at(t.field(field)).toDouble();
}
inline std::string text(const Table& t, std::size_t row, const std::string& field)
{
    return t.rows.at(row).at(t.field(field)).toText();
}

// A pop_proj.dbf row: UF, men 0..80, women 0..80.
inline Row largerAreaRow(const std::function<double(int age, bool female)>& value)
{
    Row r{"35"};
    for (int f = 0; f < 2; ++f)
        for (int a = 0; a <= 80; ++a)
            r.push_back(value(a, f == 1));
    return r;
}

} // namespace demovia::test

namespace demovia::test {

// A small state of municipalities 0010, 0020, ... with smooth census
// populations (census 2 nine years after census 1), a state projection of
// years + 1 rows from 2000, fertility and survival at birth for every year.
inline void writeTinyState(EngineProject& p, int municipalities, int years)
{
    std::vector<Row> tot, totMun;
    double state[4][17] = {};
    for (int m = 0; m < municipalities; ++m) {
        const double size = 300 + 150 * m;
        for (int g = 0; g < 17; ++g) {
            const double shape = g < 16 ? 1.0 - 0.045 * g : 0.9;
            const double v[4] = {std::round(size * shape), std::round(size * shape * 1.04),
                                 std::round(size * shape * (1.08 + 0.01 * m)), std::round(size * shape * 1.12)};
            for (int c = 0; c < 4; ++c)
                state[c][g] += v[c];
            totMun.push_back(Row{"35", mun4(10 * (m + 1)), age3(g + 1), v[0], v[1], v[2], v[3]});
        }
    }
    for (int g = 0; g < 17; ++g)
        tot.push_back(Row{"35", age3(g + 1), state[0][g], state[1][g], state[2][g], state[3][g]});
    p.write("Tot_UF.dbf", tot);
    p.write("Tot_UFM.dbf", totMun);

    std::vector<Row> proj, fert, surv, survMean;
    for (int r = 0; r <= years; ++r) {
        const double growth = 1 + 0.01 * r;
        proj.push_back(largerAreaRow([&](int a, bool female) {
            const double group = state[female ? 3 : 2][std::min(a / 5, 16)];
            return std::round((a == 80 ? group : group / 5) * growth);
        }));
        fert.push_back(Row{"35", 0.03, 0.09, 0.08, 0.06, 0.03, 0.01, 0.002});
        surv.push_back(Row{"35", 0.97, 0.975});
    }
    for (int r = 0; r < years; ++r)
        survMean.push_back(Row{"35", 0.97, 0.975});
    p.write("pop_proj.dbf", proj);
    p.write("tx_fec.dbf", fert);
    p.write("rel_nas.dbf", surv);
    p.write("relnas_m.dbf", survMean, "rel_nas.dbf");
}

} // namespace demovia::test
