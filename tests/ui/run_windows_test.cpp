// The pre-processing and processing windows over a small project made from
// the committed sample through the same core calls the windows use.
#include "data/census.h"
#include "data/larger_area.h"
#include "data/project.h"
#include "data/scripted_dialogs.h"
#include "engine/ui/uProcessando.h"
#include "engine/ui/uProcessar.h"
#include "window_fixture.h"
#include "test_util.h"

#include <QComboBox>
#include <QElapsedTimer>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QSlider>
#include <QTabWidget>
#include <QTableView>
#include <QTest>
#include <QTimer>
#include <QToolButton>

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <memory>

using namespace demovia;
using demovia::ui::CensusDates;
using demovia::ui::TfrmProcessando;
using demovia::ui::TfrmProcessar;

namespace {

const char* kDone = "Processo concluído. Clique em FECHAR para fechar a tela";
const char* kCancelled = "Processo cancelado. Clique em FECHAR para fechar a tela";

using test::SampleProject;

class RunWindows : public ::testing::Test {
protected:
    static void SetUpTestSuite() { s_project = std::make_unique<SampleProject>(); }
    static void TearDownTestSuite() { s_project.reset(); }

    void SetUp() override
    {
        ASSERT_TRUE(s_project->ready) << "the sample project could not be prepared";
        window = std::make_unique<TfrmProcessar>(ctx);
        window->censusDates = [this] { return dates; };
        window->sexRatioText = [] { return std::string("105"); };
        window->minimiseAll = [this] { ++minimised; };
        window->onRunFinished = [this](const RunOutcome& o) { outcome = o; };
    }

    template <class T> T* child(const char* name) const
    {
        T* w = window->findChild<T*>(name);
        EXPECT_NE(w, nullptr) << name;
        return w;
    }
    QPushButton* cancelButton() const { return window->processando().findChild<QPushButton*>("bb_cancela"); }
    QListWidget* stepLog() const { return window->processando().findChild<QListWidget*>("lb_processos"); }
    std::vector<std::string> logLines() const
    {
        std::vector<std::string> v;
        for (int i = 0; i < stepLog()->count(); ++i)
            v.push_back(stepLog()->item(i)->text().toStdString());
        return v;
    }

    // Presses "&Processa" and plays the person at the processing window:
    // during the run, react() may press the button; once the button reads
    // "&Fechar" it is pressed to close the window.
    void process(const std::function<void()>& react = {})
    {
        QTimer person;
        QElapsedTimer clock;
        clock.start();
        QObject::connect(&person, &QTimer::timeout, [&] {
            if (!window->processando().isVisible())
                return;
            shown = true;
            if (cancelButton()->text() == "&Fechar") {
                closingCaption = "&Fechar";
                ++closingPresses;
                cancelButton()->click();
            } else if (clock.elapsed() > 20000) {
                ADD_FAILURE() << "the run did not end";
                window->processando().cancel = true;
                cancelButton()->click();
            } else if (react) {
                react();
            }
        });
        person.start(2);
        QTest::mouseClick(child<QToolButton>("tb_processa"), Qt::LeftButton);
        person.stop();
        EXPECT_FALSE(window->processando().isVisible());
    }

    static std::unique_ptr<SampleProject> s_project;
    ScriptedDialogs dialogs;
    ui::UiContext ctx{s_project->state, dialogs, NumberFormat{',', '.'}};
    std::unique_ptr<TfrmProcessar> window;
    CensusDates dates{"2000", 7, "2010", 7};
    int minimised = 0;
    bool shown = false;
    std::string closingCaption;
    int closingPresses = 0; // one press of "&Fechar" closes the window
    std::optional<RunOutcome> outcome;
};

std::unique_ptr<SampleProject> RunWindows::s_project;

TEST_F(RunWindows, TrackBarColoursTheStepsThatWillRun)
{
    const char* labels[7] = {"lbl_coef_cresc", "lbl_fator_k", "lbl_rcm", "lbl_fecundidade", "lbl_interpolacao",
                             "lbl_proj_pop", "lbl_prorrat"};
    auto* bar = child<QSlider>("tkb_processos");
    EXPECT_EQ(bar->value(), 7);
    EXPECT_EQ(child<QComboBox>("cb_coef_interp")->currentText(), "Karup King");
    for (int position : {3, 1, 7}) {
        bar->setValue(position);
        for (int i = 0; i < 7; ++i)
            EXPECT_EQ(child<QLabel>(labels[i])->palette().color(QPalette::WindowText),
                      i < position ? QColor(Qt::blue) : QColor(Qt::black))
                << labels[i] << " at position " << position;
    }
}

TEST_F(RunWindows, ProcessaRefusesCensusDatesItCannotUse)
{
    struct Case {
        CensusDates dates;
        const char* kind;
        const char* text;
    } cases[] = {
        {{"  ", 7, "2010", 7}, "warning", "Os anos dos censos devem estar preenchidos por conta de alguns\n"},
        {{"2000", 7, "", 7}, "warning", "Os anos dos censos devem estar preenchidos por conta de alguns\n"},
        // 29 months, about 2.4 years, and 151 months, about 12.6 years.
        {{"2000", 0, "2002", 5}, "warning", "A diferença de anos entre os censos não está sendo\ntratada pelo sistema."},
        {{"2000", 0, "2012", 7}, "warning", "A diferença de anos entre os censos não está sendo\ntratada pelo sistema."},
        // Not a number: the general error report, not a warning of the window.
        {{"2000", 7, "20l0", 7}, "error", ""},
    };
    const RunSettings before = s_project->state.run;
    for (const auto& c : cases) {
        dialogs.log.clear();
        dates = c.dates;
        process();
        ASSERT_EQ(dialogs.log.size(), 1u) << c.dates.year1 << "/" << c.dates.year2;
        EXPECT_EQ(dialogs.log[0].kind, c.kind);
        EXPECT_EQ(dialogs.log[0].text.rfind(c.text, 0), 0u) << dialogs.log[0].text;
        if (std::string(c.kind) == "error")
            EXPECT_EQ(dialogs.log[0].text.back(), '.');
    }
    EXPECT_FALSE(shown);
    EXPECT_EQ(minimised, 0);
    EXPECT_FALSE(outcome);
    EXPECT_EQ(s_project->state.run.baseYear, before.baseYear);
}

TEST_F(RunWindows, RunOfFiveStepsLogsNewestStepFirstAndEnds)
{
    const fs::path kFactor = s_project->state.projectDir / "fator_k.dbf";
    std::error_code ec;
    fs::remove(kFactor, ec);
    child<QSlider>("tkb_processos")->setValue(5);
    process();

    EXPECT_TRUE(shown);
    EXPECT_EQ(minimised, 1);
    EXPECT_EQ(logLines(), (std::vector<std::string>{"Interpolação...", "Fecundidade...", "Relação criança / mulher...",
                                                    "Fator K...", "Coeficiente de crescimento..."}));
    EXPECT_EQ(closingCaption, "&Fechar");
    EXPECT_EQ(closingPresses, 1);
    EXPECT_EQ(cancelButton()->text(), "&Fechar");
    ASSERT_EQ(dialogs.log.size(), 1u) << dialogs.lastText(); // no step complained
    EXPECT_EQ(dialogs.log[0].kind, "information");
    EXPECT_EQ(dialogs.log[0].text, kDone);
    ASSERT_TRUE(outcome);
    EXPECT_FALSE(outcome->cancelled);
    EXPECT_EQ(s_project->state.run.stepsToRun, 5);
    EXPECT_EQ(s_project->state.run.baseYear, 2010);
    EXPECT_EQ(s_project->state.run.cohortShift, 2);
    EXPECT_FALSE(readTable(kFactor).rows.empty());
}

TEST_F(RunWindows, CancelPressedDuringInterpolationEndsTheRun)
{
    child<QSlider>("tkb_processos")->setValue(5);
    int presses = 0;
    process([&] {
        if (stepLog()->count() > 0 && stepLog()->item(0)->text() == "Interpolação..." && presses == 0) {
            ++presses;
            cancelButton()->click(); // the first press only sets the flag
            EXPECT_TRUE(window->processando().isVisible());
        }
    });
    EXPECT_EQ(presses, 1);
    ASSERT_EQ(dialogs.log.size(), 1u) << dialogs.lastText();
    EXPECT_EQ(dialogs.log[0].kind, "warning");
    EXPECT_EQ(dialogs.log[0].text, kCancelled);
    ASSERT_TRUE(outcome);
    EXPECT_TRUE(outcome->cancelled);
    EXPECT_EQ(closingCaption, "&Fechar");
    EXPECT_EQ(closingPresses, 1);
}

// An error that escapes the run goes to the general error report; the button
// still reads "&Cancelar": the first press sets the flag, the second closes.
TEST(RunWindow, ErrorThatEscapesLeavesTheWindowToTwoPresses)
{
    ScriptedDialogs dialogs;
    TfrmProcessando w(dialogs);
    test::TempDir empty; // no multiplier tables
    RunContext run;
    run.appDir = empty.path();
    run.projectDir = empty.path();
    run.settings = deriveRunSettings("2000", 7, "2010", 7, 7, InterpolationMethod::KarupKing);
    w.resetaForm();
    w.prepareRun(run);

    auto* button = w.findChild<QPushButton*>("bb_cancela");
    std::vector<bool> visibleAfterPress;
    QTimer person;
    QObject::connect(&person, &QTimer::timeout, [&] {
        if (!w.isVisible() || dialogs.log.empty())
            return;
        EXPECT_EQ(button->text(), "&Cancelar");
        w.reject(); // Escape or the frame: ignored
        button->click();
        visibleAfterPress.push_back(w.isVisible());
    });
    person.start(2);
    w.exec();
    person.stop();

    ASSERT_EQ(dialogs.log.size(), 1u);
    EXPECT_EQ(dialogs.log[0].kind, "error");
    EXPECT_EQ(dialogs.log[0].text.back(), '.');
    EXPECT_EQ(visibleAfterPress, (std::vector<bool>{true, false}));
    EXPECT_FALSE(w.outcome());
}

TEST_F(RunWindows, SearchWritesTheCodeAndMovesBothViews)
{
    window->showGroupedTables();
    auto* grid = child<QTableView>("Grade_UF_MUN");
    auto* detail = child<QTableView>("Grade_Uniao");
    EXPECT_GT(child<QTableView>("Grade_UF")->model()->rowCount(), 0);

    auto* box = child<QLineEdit>("edt_id_mun");
    box->clear();
    QTest::keyClicks(box, "5x");
    EXPECT_EQ(box->text(), "5");
    QTest::keyClick(box, Qt::Key_Return);
    EXPECT_EQ(box->text(), "0005");
    for (QTableView* view : {grid, detail}) {
        const QModelIndex at = view->currentIndex();
        ASSERT_TRUE(at.isValid()) << view->objectName().toStdString();
        const auto* model = static_cast<const ui::TableModel*>(view->model());
        EXPECT_EQ(at.row(), model->findRow("mun", "0005"));
        EXPECT_GT(at.row(), 0);
    }

    // A code that is not there leaves the views where they were.
    const int row = grid->currentIndex().row();
    box->setText("9999");
    child<QToolButton>("sb_localizar")->click();
    EXPECT_EQ(grid->currentIndex().row(), row);

    // The reset empties the grids, shows "Por UF" and the side panel.
    child<QTabWidget>("pc_paginas")->setCurrentIndex(2);
    child<QToolButton>("img_esconde_conf")->click();
    EXPECT_TRUE(child<QWidget>("pnl_passos")->isHidden());
    child<QSlider>("tkb_processos")->setValue(4);
    window->resetaForm();
    EXPECT_EQ(grid->model()->rowCount(), 0);
    EXPECT_EQ(child<QTabWidget>("pc_paginas")->currentIndex(), 0);
    EXPECT_FALSE(child<QWidget>("pnl_passos")->isHidden());
    EXPECT_EQ(child<QSlider>("tkb_processos")->value(), 4);
}

TEST_F(RunWindows, ExportWritesTheTableOfTheTabOnView)
{
    window->showGroupedTables();
    test::TempDir out;
    const char* grids[3] = {"Grade_UF", "Grade_UF_MUN", "Grade_Uniao"};
    const char* headings[3] = {"UF;FAIXA;HOM1", "UF;MUN;FAIXA;HOM1", "UF;MUN;IDADE;FAIXA;HOM1"};
    for (int tab = 0; tab < 3; ++tab) {
        const fs::path file = out / ("tab" + std::to_string(tab) + ".csv");
        dialogs.saveFiles.push_back(file.string());
        child<QTabWidget>("pc_paginas")->setCurrentIndex(tab);
        child<QToolButton>("tb_exporta")->click();
        EXPECT_TRUE(dialogs.saw("information", "criado com sucesso")) << dialogs.lastText();
        const std::string text = test::readBytes(file);
        const auto lines = std::count(text.begin(), text.end(), '\n');
        EXPECT_EQ(lines, child<QTableView>(grids[tab])->model()->rowCount() + 1) << grids[tab];
        EXPECT_EQ(text.rfind(headings[tab], 0), 0u) << text.substr(0, 40);
    }
}

} // namespace
