#pragma once
// The common ground of the window tests: finding controls by name, the rows a
// grid shows, an application folder with one open project of Acre (12), and
// the committed sample state imported and grouped.
#include "data/census.h"
#include "data/larger_area.h"
#include "data/project.h"
#include "data/scripted_dialogs.h"
#include "engine/run.h"
#include "test_util.h"
#include "ui/table_model.h"
#include "ui/work_window.h"

#include <QComboBox>
#include <QCoreApplication>
#include <QItemSelectionModel>
#include <QLineEdit>
#include <QTest>
#include <QStringList>
#include <QTableView>
#include <QWidget>

#include <gtest/gtest.h>

namespace demovia::test {

// The control of that objectName inside w; a missing one fails the test.
template <class T> T* child(const QWidget* w, const char* name)
{
    T* c = w->findChild<T*>(name);
    if (!c)
        ADD_FAILURE() << "no control " << name;
    return c;
}

inline ui::TableModel* modelOf(const QWidget* w, const char* grid)
{
    return static_cast<ui::TableModel*>(child<QTableView>(w, grid)->model());
}

// The one selected row of a grid; -1 when none or several are selected.
inline int selectedRow(const QWidget* w, const char* grid)
{
    const auto rows = child<QTableView>(w, grid)->selectionModel()->selectedRows();
    return rows.size() == 1 ? rows.front().row() : -1;
}

inline QStringList itemsOf(const QComboBox* cb)
{
    QStringList l;
    for (int i = 0; i < cb->count(); ++i)
        l << cb->itemText(i);
    return l;
}

// A copy of the application folder (templates and reference tables) holding
// the new project AC of Acre (12), open.
class OpenProjectTest : public ::testing::Test {
protected:
    TempDir app;
    AppState state;
    ScriptedDialogs dialogs;
    ui::UiContext ctx{state, dialogs, NumberFormat{',', '.'}};

    void SetUp() override
    {
        for (const char* sub : {"DBVazio", "DBPadrao"})
            fs::copy(appDir() / sub, app / sub, fs::copy_options::recursive);
        state.appDir = app.path() / "";
        std::string name = "AC", description = "Acre";
        ProjectDetails d;
        ASSERT_TRUE(createProject(state, "12", name, description, d, dialogs)) << dialogs.lastText();
    }
};

// One project of the committed sample state (censuses of August 2000 and
// August 2010, Acre), imported and grouped through the core, in a copy of the
// application folder.
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

// The sample project projected through the first steps (Karup-King, the
// census dates of the sample), going on past any check.
struct ProjectedSample : SampleProject {
    RunOutcome outcome;

    ProjectedSample(std::string name, int steps) : SampleProject(std::move(name))
    {
        if (!ready)
            return;
        struct Quiet : RunMonitor {
            void insertStep(const std::string&) override {}
            void appendLine(const std::string&) override {}
        } monitor;
        RunContext run;
        run.appDir = state.appDir;
        run.projectDir = state.projectDir;
        run.uf = "12";
        run.sexRatioText = "105";
        run.settings = deriveRunSettings("2000", 7, "2010", 7, steps, InterpolationMethod::KarupKing);
        ScriptedDialogs d;
        d.confirmDefault = true;
        outcome = runProjection(run, monitor, d);
        ready = !outcome.cancelled && !outcome.projectedYears.empty();
    }
};

// Types text into a cell of a grid as a person does: the cell made current,
// its editor opened, the old text replaced, Enter.
inline void typeIntoCell(QTableView* grid, int row, int column, const QString& text)
{
    const QModelIndex at = grid->model()->index(row, column);
    grid->setCurrentIndex(at);
    grid->edit(at);
    auto* editor = qobject_cast<QLineEdit*>(grid->indexWidget(at));
    ASSERT_NE(editor, nullptr) << "no editor in row " << row << ", column " << column;
    editor->selectAll();
    QTest::keyClicks(editor, text);
    QTest::keyClick(editor, Qt::Key_Return);
    QCoreApplication::processEvents(); // the delegate hands the text over once back in the event loop
}

} // namespace demovia::test
