// The registry of states and municipalities and the multiplier tables,
// driven offscreen over a copy of the reference tables.
#include "data/scripted_dialogs.h"
#include "data/table.h"
#include "ui/table_model.h"
#include "shell/ui/uCoefs_Interp.h"
#include "shell/ui/uUF_Mun.h"
#include "shell/ui/uUF_Mun_Edicao.h"
#include "test_util.h"

#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QTableView>
#include <QTest>
#include <QToolButton>

#include <gtest/gtest.h>

using namespace demovia;
using namespace demovia::ui;
using demovia::test::readBytes;
using demovia::test::TempDir;
using demovia::test::writeBytes;

namespace {

class RegistryWindowTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        for (const char* folder : {"DBPadrao", "DBVazio"})
            fs::copy(test::appDir() / folder, m_dir.path() / folder, fs::copy_options::recursive);
        m_state.appDir = m_dir.path() / "";
    }
    fs::path padrao(const char* file) const { return m_dir.path() / "DBPadrao" / file; }

    TempDir m_dir;
    AppState m_state;
    ScriptedDialogs m_dialogs;
    UiContext m_ctx{m_state, m_dialogs, NumberFormat{}};
};

int rowOfState(const TableModel* model, long long uf)
{
    const Table& t = model->table();
    for (std::size_t r = 0; r < t.rows.size(); ++r)
        if (t.rows[r][t.field("id_uf")].toInt() == uf)
            return static_cast<int>(r);
    return -1;
}

TEST_F(RegistryWindowTest, ClickOnAStateShowsItsMunicipalitiesAndIncludeSavesThroughTheEditor)
{
    TfrmUF_Mun w(m_ctx);
    w.show();
    auto* grdUf = w.findChild<QTableView*>("grd_uf");
    auto* grdMun = w.findChild<QTableView*>("grd_mun");
    ASSERT_TRUE(grdUf && grdMun);
    EXPECT_EQ(w.windowTitle(), "UFs e seus municípios");
    EXPECT_TRUE(w.stateGridActive());
    EXPECT_EQ(grdUf->palette().color(QPalette::Base), QColor(244, 248, 224));

    auto* ufModel = static_cast<TableModel*>(grdUf->model());
    const int sp = rowOfState(ufModel, 35);
    ASSERT_GT(sp, 0);
    grdUf->scrollTo(ufModel->index(sp, 0));
    QTest::mouseClick(grdUf->viewport(), Qt::LeftButton, {}, grdUf->visualRect(ufModel->index(sp, 0)).center());
    const Table& shown = static_cast<TableModel*>(grdMun->model())->table();
    ASSERT_GT(shown.rows.size(), 0u);
    std::size_t inMun = 0;
    const Table all = readTable(padrao("mun.dbf"));
    for (const Row& r : all.rows)
        inMun += r[0].toInt() == 35;
    EXPECT_EQ(shown.rows.size(), inMun);
    for (const Row& r : shown.rows)
        EXPECT_EQ(r[0].toInt(), 35);

    // Include a municipality of the selected state, its name with a double quote.
    w.setActiveGrid(false);
    EXPECT_EQ(grdMun->palette().color(QPalette::Base), QColor(244, 248, 224));
    w.setEditorDriver([](TfrmUF_Mun_Edicao& ed) {
        EXPECT_FALSE(ed.findChild<QLineEdit*>("edt_id_uf")->isEnabled());
        EXPECT_EQ(ed.findChild<QLineEdit*>("edt_id_uf")->text(), "35");
        QTest::keyClicks(ed.findChild<QLineEdit*>("edt_id_mun"), "99x98");
        ed.findChild<QPlainTextEdit*>("mm_ds_mun")->setPlainText("Vila \"Nova\"");
        QTest::mouseClick(ed.findChild<QPushButton*>("bb_gravar"), Qt::LeftButton);
    });
    w.incluiClick();
    EXPECT_TRUE(m_dialogs.log.empty()) << m_dialogs.lastText();
    const Table after = readTable(padrao("mun.dbf"));
    ASSERT_EQ(after.rows.size(), all.rows.size() + 1);
    EXPECT_EQ(after.rows.back()[0].toInt(), 35);
    EXPECT_EQ(after.rows.back()[1].toInt(), 9998);
    EXPECT_EQ(after.rows.back()[2].toText(), "Vila \"Nova\"");
}

TEST_F(RegistryWindowTest, SearchKeepsTheRowWhenNothingMatchesAndApagaDeletesTheCurrentMunicipality)
{
    TfrmUF_Mun w(m_ctx);
    w.show();
    auto* grdUf = w.findChild<QTableView*>("grd_uf");
    auto* grdMun = w.findChild<QTableView*>("grd_mun");
    auto* box = w.findChild<QLineEdit*>("edt_localiza");
    ASSERT_TRUE(grdUf && grdMun && box);
    const Table& states = static_cast<TableModel*>(grdUf->model())->table();
    int rio = -1;
    for (std::size_t r = 0; r < states.rows.size() && rio < 0; ++r)
        if (states.rows[r][2].toText().rfind("Rio", 0) == 0)
            rio = static_cast<int>(r);
    ASSERT_GT(rio, 0);

    w.localizaClick();
    QTest::keyClicks(box, " rio ");
    QTest::mouseClick(w.findChild<QToolButton*>("sb_localiza_primeiro"), Qt::LeftButton);
    EXPECT_EQ(grdUf->currentIndex().row(), rio);
    EXPECT_TRUE(m_dialogs.log.empty());
    // The municipalities follow the state found.
    const Table& shown = static_cast<TableModel*>(grdMun->model())->table();
    ASSERT_GT(shown.rows.size(), 1u);
    EXPECT_EQ(shown.rows[0][0].toInt(), states.rows[rio][0].toInt());

    box->setText("zzzz");
    QTest::mouseClick(w.findChild<QToolButton*>("sb_localiza_proximo"), Qt::LeftButton);
    EXPECT_EQ(grdUf->currentIndex().row(), rio);
    EXPECT_EQ(m_dialogs.lastText(), "Informação não encontrada");

    // Delete the second municipality of that state only.
    const long long uf = states.rows[rio][0].toInt();
    const long long code = shown.rows[1][1].toInt();
    const std::size_t before = readTable(padrao("mun.dbf")).rows.size();
    w.setActiveGrid(false);
    grdMun->setCurrentIndex(grdMun->model()->index(1, 1));
    m_dialogs.confirmAnswers = {true};
    w.apagaClick();
    const Table after = readTable(padrao("mun.dbf"));
    EXPECT_EQ(after.rows.size(), before - 1);
    for (const Row& r : after.rows)
        EXPECT_FALSE(r[0].toInt() == uf && r[1].toInt() == code);
}

TEST_F(RegistryWindowTest, KarupKingImportSkipsTheHeadingAndLeavesSpragueAlone)
{
    const std::string spragueBefore = readBytes(padrao("sprague.dbf"));
    std::string text = "9;9;9\r\n";
    for (int i = 1; i <= 15; ++i)
        text += "0," + std::to_string(i) + ";1;-2,5\r\n";
    const fs::path file = m_dir.path() / "kking.txt";
    writeBytes(file, text);

    TfrmCoefs_Interp w(m_ctx);
    EXPECT_EQ(w.findChild<QTabWidget*>("pc_Pag_Coef")->currentIndex(), 0);
    auto* grid = w.findChild<QTableView*>("grd_kking");
    ASSERT_TRUE(grid);
    m_dialogs.openFiles.push_back(file.string());
    w.importaClick();
    EXPECT_TRUE(m_dialogs.log.empty()) << m_dialogs.lastText();
    const Table kk = readTable(padrao("kking.dbf"));
    ASSERT_EQ(kk.rows.size(), 15u);
    EXPECT_DOUBLE_EQ(kk.rows[0][0].toDouble(), 0.1);
    EXPECT_DOUBLE_EQ(kk.rows[14][2].toDouble(), -2.5);
    EXPECT_EQ(grid->model()->rowCount(), 15);
    EXPECT_EQ(readBytes(padrao("sprague.dbf")), spragueBefore);
}

} // namespace
