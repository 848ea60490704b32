// What keeps a project whole: the writer's fault point, the temporary files a
// killed write leaves, the journal of a change of several files (the census
// import), and the one-writer lock.
#include "data/census.h"
#include "data/error.h"
#include "data/larger_area.h"
#include "data/project.h"
#include "data/project_guard.h"
#include "data/scripted_dialogs.h"
#include "test_util.h"

#include <gtest/gtest.h>

#include <csignal>
#include <functional>
#include <map>
#include <sys/wait.h>
#include <unistd.h>

using namespace demovia;

namespace {

// Every file of the folder (not sub-folders) with its bytes.
std::map<std::string, std::string> contents(const fs::path& dir)
{
    std::map<std::string, std::string> m;
    for (const auto& e : fs::directory_iterator(dir))
        if (e.is_regular_file())
            m[e.path().filename().string()] = test::readBytes(e.path());
    return m;
}

std::vector<std::string> leftovers(const fs::path& dir)
{
    std::vector<std::string> names;
    for (const auto& e : fs::directory_iterator(dir))
        if (e.path().filename().string().front() == '~')
            names.push_back(e.path().filename().string());
    return names;
}

// A census file of n municipalities of state 35 whose counts start at base.
std::string censusText(int n, int base)
{
    std::string text;
    for (int m = 1; m <= n; ++m) {
        text += "35;" + std::to_string(10 * m);
        for (int k = 0; k < 164; ++k)
            text += ";" + std::to_string(base + m + k);
        text += "\r\n";
    }
    return text;
}

} // namespace

TEST(WriteFaultPoint, FailsTheNthWriteAsAFullDiskAndKeepsTheTarget)
{
    test::TempDir dir;
    const fs::path f = dir / "a.dbf";
    writeFileAtomically(f, "old");
    setWriteFault(WriteFault::Fail, 2);
    writeFileAtomically(f, "first");
    try {
        writeFileAtomically(f, "second");
        ADD_FAILURE() << "the second write should have failed";
    } catch (const WriteError& e) {
        EXPECT_EQ(e.cause(), "No space left on device");
        EXPECT_NE(std::string(e.what()).find(f.string()), std::string::npos) << e.what();
    }
    EXPECT_EQ(test::readBytes(f), "first");
    EXPECT_TRUE(leftovers(dir.path()).empty());
    writeFileAtomically(f, "third"); // the fault fires once
    EXPECT_EQ(test::readBytes(f), "third");
}

TEST(WriteFaultPoint, AKilledWriteLeavesOnlyItsTemporaryWhichRecoveryRemoves)
{
    test::TempDir dir;
    const fs::path f = dir / "2001.dbf";
    writeFileAtomically(f, "whole table");
    EXPECT_EXIT(
        {
            setWriteFault(WriteFault::Kill, 1);
            writeFileAtomically(f, "a new table that never arrives");
        },
        ::testing::KilledBySignal(SIGKILL), "");
    EXPECT_EQ(test::readBytes(f), "whole table");
    const auto left = leftovers(dir.path());
    ASSERT_EQ(left.size(), 1u);
    EXPECT_TRUE(isAtomicWriteLeftover(left[0])) << left[0];
    // Files of the person that only look alike stay.
    test::writeBytes(dir / "~notas.tmp", "x");
    test::writeBytes(dir / "~2001.dbf.12a.tmp", "x");
    recoverProject(dir.path());
    EXPECT_FALSE(fs::exists(dir / left[0]));
    EXPECT_TRUE(fs::exists(dir / "~notas.tmp"));
    EXPECT_TRUE(fs::exists(dir / "~2001.dbf.12a.tmp"));
}

// An import of several files killed at every one of its writes: the next
// writer finds the old files or the new ones, never a mix. doImport(false)
// imports the old content, doImport(true) the new one.
void killedAtEveryWrite(const fs::path& project, const std::function<void(bool)>& doImport)
{
    doImport(false);
    const auto oldState = contents(project);

    // The new import done whole, elsewhere, gives the other allowed state and the number of writes.
    const fs::path saved = project.parent_path() / "saved";
    fs::copy(project, saved);
    const long long before = atomicWriteCount();
    doImport(true);
    const long long writes = atomicWriteCount() - before;
    const auto newState = contents(project);
    ASSERT_NE(oldState, newState);
    ASSERT_GE(writes, 4);

    for (long long n = 1; n <= writes; ++n) {
        fs::remove_all(project);
        fs::copy(saved, project);
        EXPECT_EXIT(
            {
                setWriteFault(WriteFault::Kill, n);
                doImport(true);
            },
            ::testing::KilledBySignal(SIGKILL), "")
            << "write " << n;
        recoverProject(project);
        const auto now = contents(project);
        EXPECT_TRUE(now == oldState || now == newState) << "killed at write " << n << " of " << writes;
        EXPECT_TRUE(leftovers(project).empty()) << "write " << n;
        // The last write is still inside the change: the old files.
        if (n == writes)
            EXPECT_EQ(now, oldState);
    }

    // A failed write puts everything back at once, without waiting for a recovery.
    fs::remove_all(project);
    fs::copy(saved, project);
    setWriteFault(WriteFault::Fail, writes);
    EXPECT_ANY_THROW(doImport(true));
    EXPECT_EQ(contents(project), oldState);
}

// The census import: its wide and long tables and its details in detalhes.ini.
TEST(ImportInterrupted, CensusTablesAndDetailsAreOldOrNew)
{
    test::TempDir dir;
    const fs::path project = dir / "P";
    fs::create_directories(project);
    test::writeBytes(dir / "old.txt", censusText(3, 10));
    test::writeBytes(dir / "new.txt", censusText(4, 500));
    test::writeBytes(projectDetailsFile(project), "[projeto]\nuf= 35\nobs=teste\n");
    killedAtEveryWrite(project, [&](bool isNew) {
        ScriptedDialogs dialogs;
        CensusDetails typed;
        typed.mes = 7;
        typed.ano = isNew ? "2010" : "2000";
        auto r = importCensusRecorded(test::appDir(), project, "35", 1, dir / (isNew ? "new.txt" : "old.txt"), typed,
                                      NumberFormat{',', '.'}, dialogs);
        if (!r)
            throw Error(dialogs.lastText());
        EXPECT_EQ(r->recordCount, isNew ? "324" : "243");
        EXPECT_EQ(readProjectDetails(projectDetailsFile(project)).census1.registros, r->recordCount);
    });
}

// The survival ratios at birth: rel_nas.dbf and its means in relnas_m.dbf.
TEST(ImportInterrupted, SurvivalAtBirthAndItsMeansAreOldOrNew)
{
    test::TempDir dir;
    const fs::path project = dir / "P";
    fs::create_directories(project);
    test::writeBytes(dir / "old.txt", "35;0,97;0,975\r\n35;0,98;0,985\r\n35;0,99;0,99\r\n");
    test::writeBytes(dir / "new.txt", "35;0,90;0,91\r\n35;0,92;0,93\r\n35;0,94;0,95\r\n35;0,96;0,97\r\n");
    killedAtEveryWrite(project, [&](bool isNew) {
        ScriptedDialogs dialogs;
        if (!importLargerArea(test::appDir(), project, "35", LargerAreaTable::RelNas,
                              dir / (isNew ? "new.txt" : "old.txt"), NumberFormat{',', '.'}, dialogs))
            throw Error(dialogs.lastText());
    });
}

// The lock is the system's: a second process is refused at once, readers are
// not, and the lock goes with the process that held it.
TEST(ProjectLockTest, ASecondWriterIsRefusedAndReadersAreNot)
{
    test::TempDir app;
    fs::create_directories(app / "Trabalho" / "P1");
    test::writeBytes(app / "Trabalho" / "P1" / "detalhes.ini", "[projeto]\nuf= 35\nobs=um\n");
    AppState state;
    state.appDir = app.path() / "";
    ScriptedDialogs dialogs;
    ASSERT_TRUE(openProject(state, "P1", dialogs));
    ASSERT_TRUE(state.lock);
    EXPECT_EQ(ProjectLock::acquire(state.projectDir), state.lock); // the same process shares it

    // In another process: 0 refused with the message, 1 opened, 2 anything else.
    auto inChild = [&](ProjectAccess access) {
        const pid_t pid = fork();
        if (pid == 0) {
            AppState other;
            other.appDir = app.path() / "";
            ScriptedDialogs d;
            const bool opened = openProject(other, "P1", d, {}, access).has_value();
            if (opened)
                _exit(1);
            _exit(d.lastText().rfind("O projeto P1 está sendo usado por outro processo: ", 0) == 0 ? 0 : 2);
        }
        int status = 0;
        waitpid(pid, &status, 0);
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    };
    EXPECT_EQ(inChild(ProjectAccess::Write), 0);
    EXPECT_EQ(inChild(ProjectAccess::Read), 1);
    {
        AppState other;
        other.appDir = app.path() / "";
        ScriptedDialogs d;
        fs::create_directories(app / "Trabalho" / "P2");
        test::writeBytes(app / "Trabalho" / "P2" / "detalhes.ini", "[projeto]\nuf= 35\nobs=dois\n");
        d.confirmDefault = true;
        // Deleting is writing: refused while another process has it.
        const pid_t pid = fork();
        if (pid == 0) {
            _exit(deleteProject(other, "P1", d) ? 1 : 0);
        }
        int status = 0;
        waitpid(pid, &status, 0);
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
        EXPECT_TRUE(fs::exists(app / "Trabalho" / "P1" / "detalhes.ini"));
    }
    // Opening another project lets this one go.
    ASSERT_TRUE(openProject(state, "P2", dialogs));
    EXPECT_EQ(inChild(ProjectAccess::Write), 1);
}
