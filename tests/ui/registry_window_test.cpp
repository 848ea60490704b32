// The registry of states and municipalities and the multiplier tables,
// driven offscreen over a copy of the reference tables.
#include "data/scripted_dialogs.h"
#include "data/table.h"
#include "ui/table_model.h"
#include "shell/ui/uCoefs_Interp.h"
#include "shell/ui/uUF_Mun.h"
#include "shell/ui/uUF_Mun_Edicao.h"
#include "test_util.h"
#include "ui/editable_table_model.h"
#include "window_fixture.h"

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

// A name is one field of one exported line: a line break typed or pasted in
// the name box becomes a blank, and what is stored stays on one line.
TEST_F(RegistryWindowTest, ALineBreakInANameBecomesABlank)
{
    TfrmUF_Mun w(m_ctx);
    w.show();
    w.setActiveGrid(true);
    w.setEditorDriver([](TfrmUF_Mun_Edicao& ed) {
        QTest::keyClicks(ed.findChild<QLineEdit*>("edt_id_uf"), "98");
        QTest::keyClicks(ed.findChild<QLineEdit*>("edt_sigla"), "NT");
        auto* name = ed.findChild<QPlainTextEdit*>("mm_ds_uf");
        QTest::keyClicks(name, "Nova");
        QTest::keyClick(name, Qt::Key_Return);
        QTest::keyClicks(name, "Terra");
        EXPECT_EQ(name->toPlainText(), "Nova Terra");
        name->insertPlainText("\ndo Sul"); // pasted
        EXPECT_EQ(name->toPlainText(), "Nova Terra do Sul");
        QTest::mouseClick(ed.findChild<QPushButton*>("bb_gravar"), Qt::LeftButton);
    });
    w.incluiClick();
    EXPECT_TRUE(m_dialogs.log.empty()) << m_dialogs.lastText();
    const Table ufs = readTable(padrao("uf.dbf"));
    ASSERT_FALSE(ufs.rows.empty());
    EXPECT_EQ(ufs.rows.back()[0].toInt(), 98);
    EXPECT_EQ(ufs.rows.back()[2].toText(), "Nova Terra do Sul");

    // The exported line of the new state is one line.
    const fs::path out = m_dir.path() / "ufs.txt";
    m_dialogs.saveFiles.push_back(out.string());
    w.exporta(RegistryExport::AllStates);
    const std::string text = readBytes(out);
    EXPECT_NE(text.find("98;NT;Nova Terra do Sul;"), std::string::npos) << text;
}

// The municipality view is not filtered before a state is chosen for the
// first time; afterwards it keeps its state from one opening to the next.
TEST_F(RegistryWindowTest, FirstOpeningShowsEveryMunicipalityAndLaterOnesKeepTheFilter)
{
    const Table all = readTable(padrao("mun.dbf"));
    std::size_t inSp = 0;
    for (const Row& r : all.rows)
        inSp += r[0].toInt() == 35;
    {
        TfrmUF_Mun w(m_ctx);
        auto* grdUf = w.findChild<QTableView*>("grd_uf");
        auto* grdMun = w.findChild<QTableView*>("grd_mun");
        EXPECT_EQ(static_cast<std::size_t>(grdMun->model()->rowCount()), all.size());
        grdUf->setCurrentIndex(grdUf->model()->index(rowOfState(static_cast<TableModel*>(grdUf->model()), 35), 0));
        w.filterMunicipalities(); // a click on the state
        EXPECT_EQ(static_cast<std::size_t>(grdMun->model()->rowCount()), inSp);
    }
    TfrmUF_Mun again(m_ctx);
    EXPECT_EQ(static_cast<std::size_t>(again.findChild<QTableView*>("grd_mun")->model()->rowCount()), inSp);
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

// The multiplier grids are edited as a data grid is: a value typed in the
// regional format is written when its row is left, a value that does not fit
// is refused and the old one kept, rows are added at the end and deleted
// after the confirmation; closing the window writes the row being changed.
TEST_F(RegistryWindowTest, MultiplierGridsAreEditedInPlace)
{
    using test::typeIntoCell;
    const Table before = readTable(padrao("kking.dbf"));
    ASSERT_EQ(before.size(), 15u);
    auto kking = [this] { return readTable(padrao("kking.dbf")); };

    TfrmCoefs_Interp w(m_ctx);
    w.show();
    auto* grid = w.findChild<QTableView*>("grd_kking");
    ASSERT_TRUE(grid);
    auto* model = static_cast<EditableTableModel*>(grid->model());

    // A changed value waits for the row to be left.
    typeIntoCell(grid, 2, 0, "0,25");
    EXPECT_EQ(model->cellText(2, 0), "0,25");
    EXPECT_EQ(model->pendingRow(), 2);
    EXPECT_EQ(kking().rows[2][0], before.rows[2][0]);
    grid->setCurrentIndex(model->index(3, 0));
    Table now = kking();
    EXPECT_EQ(now.rows[2][0].toDouble(), 0.25);
    for (std::size_t r = 0; r < 15; ++r)
        for (std::size_t c = 0; c < 3; ++c)
            if (r != 2 || c != 0)
                EXPECT_EQ(now.rows[r][c], before.rows[r][c]) << r << "," << c;
    EXPECT_TRUE(m_dialogs.log.empty()) << m_dialogs.lastText();

    // Refused values: the old one stays, on screen and on disk, and the person is told why.
    const struct { const char* typed; const char* why; } refused[] = {
        {"1000", "não cabe no campo coef_2"},
        {"abc", "não é um número"},
        {"0.5", "com \",\" separando as decimais"},
    };
    for (const auto& k : refused) {
        m_dialogs.log.clear();
        const QString old = model->cellText(3, 1);
        typeIntoCell(grid, 3, 1, k.typed);
        ASSERT_EQ(m_dialogs.log.size(), 1u) << k.typed;
        EXPECT_EQ(m_dialogs.log[0].kind, "warning");
        EXPECT_EQ(m_dialogs.log[0].text.rfind("O valor digitado na linha 4, coluna coef_2, não foi aceito.\n\n", 0),
                  0u) << m_dialogs.log[0].text;
        EXPECT_NE(m_dialogs.log[0].text.find(k.why), std::string::npos) << m_dialogs.log[0].text;
        EXPECT_NE(m_dialogs.log[0].text.find("O valor anterior foi mantido."), std::string::npos);
        EXPECT_EQ(model->cellText(3, 1), old);
        EXPECT_EQ(model->pendingRow(), -1);
    }
    grid->setCurrentIndex(model->index(4, 0));
    EXPECT_EQ(kking().rows[3][1], before.rows[3][1]);
    m_dialogs.log.clear();

    // Insert adds a row at the end; it is written once left with a value.
    grid->setFocus();
    QTest::keyClick(grid, Qt::Key_Insert);
    ASSERT_EQ(model->rowCount(), 16);
    EXPECT_EQ(grid->currentIndex().row(), 15);
    typeIntoCell(grid, 15, 0, "0,5");
    EXPECT_EQ(kking().size(), 15u);
    grid->setCurrentIndex(model->index(0, 0));
    now = kking();
    ASSERT_EQ(now.size(), 16u);
    EXPECT_EQ(now.rows[15][0].toDouble(), 0.5);
    EXPECT_TRUE(now.rows[15][1].isNull());

    // A row added and left blank is dropped.
    QTest::keyClick(grid, Qt::Key_Insert);
    EXPECT_EQ(model->rowCount(), 17);
    grid->setCurrentIndex(model->index(1, 0));
    EXPECT_EQ(model->rowCount(), 16);
    EXPECT_EQ(kking().size(), 16u);

    // Ctrl+Delete asks first; No keeps the row, Yes deletes it from the file.
    grid->setCurrentIndex(model->index(15, 0));
    m_dialogs.confirmAnswers.push_back(false);
    QTest::keyClick(grid, Qt::Key_Delete, Qt::ControlModifier);
    EXPECT_TRUE(m_dialogs.saw("confirm", "A linha 16 da tabela kking.dbf será excluída.\n\nContinuar com a exclusão"));
    EXPECT_EQ(model->rowCount(), 16);
    EXPECT_EQ(kking().size(), 16u);
    m_dialogs.confirmAnswers.push_back(true);
    QTest::keyClick(grid, Qt::Key_Delete, Qt::ControlModifier);
    EXPECT_EQ(model->rowCount(), 15);
    now = kking();
    ASSERT_EQ(now.size(), 15u);
    EXPECT_EQ(now.rows[2][0].toDouble(), 0.25);

    // Escape drops the changes of the row; closing the window writes the row being changed.
    typeIntoCell(grid, 5, 1, "0,75");
    QTest::keyClick(grid, Qt::Key_Escape);
    EXPECT_EQ(model->pendingRow(), -1);
    EXPECT_EQ(model->cellText(5, 1), QString::fromStdString(formatRegionalNumber(before.rows[5][1].toDouble(), {})));
    typeIntoCell(grid, 0, 2, "-0,125");
    QTest::mouseClick(w.findChild<QToolButton*>("tb_fecha"), Qt::LeftButton);
    now = kking();
    EXPECT_EQ(now.rows[0][2].toDouble(), -0.125);
    EXPECT_EQ(now.rows[5][1], before.rows[5][1]);
    EXPECT_TRUE(m_dialogs.log.size() == 2u) << m_dialogs.lastText(); // the two confirmations
}

} // namespace
