// The work windows as the desktop program puts them together: what one window
// reads from another reaches it.
#include "data/scripted_dialogs.h"
#include "data/ui/uCensos.h"
#include "data/ui/uNovoProjeto.h"
#include "data/ui/uProjCenso.h"
#include "engine/ui/uProcessar.h"
#include "shell/ui/uConf.h"
#include "shell/ui/uPrincipal.h"
#include "shell/ui/work_windows.h"
#include "test_util.h"

#include <QComboBox>
#include <QLineEdit>
#include <QMdiSubWindow>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTableView>
#include <QTest>
#include <QToolButton>

#include <gtest/gtest.h>

using namespace demovia;
using namespace demovia::ui;

TEST(WorkWindows, TheRoadFromTheCensusWindowToThePreProcessingWindow)
{
    test::TempDir tmp;
    for (const char* d : {"DBPadrao", "DBVazio", "Ajuda"})
        fs::copy(test::appDir() / d, tmp / d, fs::copy_options::recursive);
    ScriptedDialogs dialogs;
    TfrmPrincipal p(tmp.path() / "", dialogs, NumberFormat{',', '.'});
    p.setLoadAtFirstShow(false);
    addWorkWindows(p);
    auto* censos = static_cast<TfrmCensos*>(p.workWindow(WindowRole::Censos));
    auto* projCenso = static_cast<TfrmProjCenso*>(p.workWindow(WindowRole::ProjCenso));
    auto* processar = static_cast<TfrmProcessar*>(p.workWindow(WindowRole::Processar));
    ASSERT_TRUE(censos && projCenso && processar && p.workWindow(WindowRole::Conf));

    // The default sex ratio typed in the configuration reaches a new project.
    p.workWindow(WindowRole::Conf)->findChild<QLineEdit*>("Ed_QtdHom")->setText("98");
    {
        TfrmNovoProjeto dlg(p, &p);
        dlg.show();
        auto* cb = dlg.findChild<QComboBox*>("cb_uf");
        cb->setCurrentIndex(cb->findText("AC (12)"));
        dlg.findChild<QLineEdit*>("eb_novo")->setText("ACRE");
        dlg.findChild<QPlainTextEdit*>("mm_descricao_nova")->setPlainText("Amostra");
        QTest::mouseClick(dlg.findChild<QPushButton*>("bb_criar"), Qt::LeftButton);
    }
    ASSERT_TRUE(p.state().projectOpen()) << dialogs.lastText();
    EXPECT_EQ(projCenso->sexRatioText(), "98");
    EXPECT_TRUE(censos->isEnabled());

    // Both censuses through the census window, then the grouping.
    const fs::path samples = test::sourceDir() / "samples";
    for (int n : {1, 2}) {
        censos->findChild<QWidget*>(QString("rb_censo%1").arg(n))->setProperty("checked", true);
        dialogs.openFiles.push_back((samples / ("censo" + std::to_string(n) + ".txt")).string());
        censos->findChild<QLineEdit*>(QString("edt_ano_censo%1").arg(n))->setText(n == 1 ? "2000" : "2010");
        censos->findChild<QComboBox*>(QString("cb_mes_censo%1").arg(n))->setCurrentIndex(7);
        censos->tb_importaClick();
    }
    const CensusDates dates = processar->censusDates();
    EXPECT_EQ(dates.year1, "2000");
    EXPECT_EQ(dates.year2, "2010");
    EXPECT_EQ(dates.month2, 7);
    censos->tb_agrupaClick();
    auto* grid = processar->findChild<QTableView*>("Grade_UF_MUN");
    ASSERT_TRUE(grid && grid->model());
    EXPECT_EQ(grid->model()->rowCount(), 17 * 22) << dialogs.lastText();
    // ... and the K modifiers can name the municipalities grouped.
    auto* muns = p.workWindow(WindowRole::KMod)->findChild<QComboBox*>("cb_mun");
    ASSERT_TRUE(muns);
    EXPECT_EQ(muns->count(), 22);
    EXPECT_TRUE(p.workWindow(WindowRole::AdapExt));
}
