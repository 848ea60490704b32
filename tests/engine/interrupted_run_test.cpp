// A run that does not finish: a write that fails (full disk) or a process that
// dies half way through a write. The year list then holds only years of the
// latest run, NascSexo.dbf exactly their births, and the run ends as failed.
#include "data/project.h"
#include "data/project_guard.h"
#include "engine_fixture.h"

#include <csignal>
#include <map>

namespace demovia::test {
namespace {

constexpr int kMuns = 3;
constexpr int kYears = 5;

// Steps 1 to 5 done and a first whole projection 2001..2005 (sex ratio 100),
// so that every interrupted run below replaces an earlier one.
void earlierRun(EngineProject& p)
{
    writeTinyState(p, kMuns, kYears);
    p.ctx.settings.stepsToRun = 6;
    p.ctx.settings.baseYear = 2000;
    runProjection(p.ctx, p.monitor, p.dialogs);
    ASSERT_EQ(projectedYears(p.dir.path(), 2001), (std::vector<int>{2001, 2002, 2003, 2004, 2005}));
    p.dialogs.log.clear();
    p.monitor = RecordingMonitor();
    p.outcome = RunOutcome();
    p.ctx.sexRatioText = "120"; // the next run gives other numbers
}

// Births per year in NascSexo.dbf.
std::map<int, int> birthsByYear(const EngineProject& p)
{
    std::map<int, int> n;
    const Table t = p.read("NascSexo.dbf");
    for (std::size_t r = 0; r < t.size(); ++r)
        ++n[static_cast<int>(num(t, r, "ano"))];
    return n;
}

std::vector<std::string> strayFiles(const fs::path& dir)
{
    std::vector<std::string> names;
    for (const auto& e : fs::directory_iterator(dir))
        if (e.path().filename().string().front() == '~')
            names.push_back(e.path().filename().string());
    return names;
}

// The writes of the projection step: 1 NascSexo.dbf emptied, 2 detalhes.ini
// (first year), then per year k: 2k + 1 its table, 2k + 2 NascSexo.dbf.
struct Case {
    const char* name;
    WriteFault fault;
    int write;                   // counted from the start of step 6
    std::vector<int> listed;     // the year list afterwards
};

class InterruptedRun : public ::testing::TestWithParam<Case> {};

TEST_P(InterruptedRun, ListsOnlyWholeYearsOfTheLatestRunWithTheirBirths)
{
    const Case& c = GetParam();
    EngineProject p;
    earlierRun(p);
    // The reference: the same run done whole in another project.
    EngineProject ref;
    earlierRun(ref);
    auto refStep = ref.step();
    calculo::stepProjection(refStep);
    ASSERT_EQ(projectedYears(ref.dir.path(), 2001), (std::vector<int>{2001, 2002, 2003, 2004, 2005}));

    auto step = p.step();
    if (c.fault == WriteFault::Fail) {
        setWriteFault(WriteFault::Fail, c.write);
        calculo::stepProjection(step);
        setWriteFault(WriteFault::Fail, 0);
        EXPECT_TRUE(p.outcome.failed);
        EXPECT_TRUE(p.dialogs.saw("warning", "Erro original: No space left on device")) << p.dialogs.lastText();
    } else {
        EXPECT_EXIT(
            {
                setWriteFault(WriteFault::Kill, c.write);
                calculo::stepProjection(step);
            },
            ::testing::KilledBySignal(SIGKILL), "");
        EXPECT_FALSE(strayFiles(p.dir.path()).empty()); // the killed write's temporary
        recoverProject(p.dir.path());
    }
    EXPECT_TRUE(strayFiles(p.dir.path()).empty());

    // The first year is on record before the first table is written.
    const int first = readProjectDetails(projectDetailsFile(p.dir.path())).ano1Proj;
    if (c.write > 2)
        EXPECT_EQ(first, 2001);
    const std::vector<int> listed = projectedYears(p.dir.path(), first ? first : 2001);
    EXPECT_EQ(listed, c.listed);

    // NascSexo.dbf: exactly the listed years, every municipality once each.
    std::map<int, int> expectBirths;
    for (int y : listed)
        expectBirths[y] = kMuns;
    EXPECT_EQ(birthsByYear(p), expectBirths);

    const bool replaced = c.write > 1; // the earlier tables went once NascSexo.dbf was emptied
    for (int y = 2001; y <= 2005; ++y) {
        const std::string file = std::to_string(y) + ".dbf";
        const bool isListed = std::find(listed.begin(), listed.end(), y) != listed.end();
        if (isListed) {
            // A listed table is whole and is this run's (the reference's rows), or
            // the earlier run's when this run never started writing.
            const Table t = p.read(file);
            ASSERT_EQ(t.size(), static_cast<std::size_t>(kMuns * 81)) << file;
            if (replaced)
                EXPECT_EQ(t.rows, ref.read(file).rows) << file;
        } else if (replaced && y > (listed.empty() ? 2000 : listed.back()) + 1) {
            EXPECT_FALSE(p.has(file)) << file << ": a table of the earlier run was left";
        }
    }
}

INSTANTIATE_TEST_SUITE_P(
    Faults, InterruptedRun,
    ::testing::Values(Case{"FailEmptyingBirths", WriteFault::Fail, 1, {2001, 2002, 2003, 2004, 2005}},
                      Case{"FailFirstYearTable", WriteFault::Fail, 3, {}},
                      Case{"FailSecondYearTable", WriteFault::Fail, 5, {2001}},
                      Case{"FailBirthsOfThirdYear", WriteFault::Fail, 8, {2001, 2002}},
                      Case{"KillEmptyingBirths", WriteFault::Kill, 1, {2001, 2002, 2003, 2004, 2005}},
                      Case{"KillFirstYearTable", WriteFault::Kill, 3, {}},
                      Case{"KillBirthsOfSecondYear", WriteFault::Kill, 6, {2001}},
                      Case{"KillFourthYearTable", WriteFault::Kill, 9, {2001, 2002, 2003}}),
    [](const ::testing::TestParamInfo<Case>& i) { return std::string(i.param.name); });

// A failed write ends the whole run as failed: no later step, never the
// completion message, and the system's cause shown.
TEST(FailedWrite, EndsTheRunWithTheFailureAndTheSystemsCause)
{
    EngineProject p;
    writeTinyState(p, kMuns, kYears);
    p.ctx.settings.stepsToRun = 6;
    setWriteFault(WriteFault::Fail, 1); // step 1's first table
    const RunOutcome out = runProjection(p.ctx, p.monitor, p.dialogs);
    EXPECT_TRUE(out.failed);
    EXPECT_FALSE(out.cancelled);
    EXPECT_TRUE(p.dialogs.saw("warning", "pode estar em uso por outra aplicação.\n\nNão será possível continuar"
                                         "\n\nErro original: No space left on device"))
        << p.dialogs.lastText();
    EXPECT_TRUE(p.dialogs.saw("warning", "Processo interrompido"));
    EXPECT_FALSE(p.dialogs.saw("information", "Processo concluído"));
    EXPECT_FALSE(p.monitor.logged("Fator K...")); // no step after the failure
    EXPECT_FALSE(p.has("fator_k.dbf"));
}

} // namespace
} // namespace demovia::test
