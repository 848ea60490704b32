#include "data/project.h"
#include "data/scripted_dialogs.h"
#include "data/table.h"
#include "data/ui/uCensos.h"
#include "data/ui/uProjCenso.h"
#include "ui/table_model.h"
#include "window_fixture.h"

#include <QApplication>
#include <QComboBox>
#include <QFocusEvent>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTabWidget>
#include <QTableView>
#include <QTest>
#include <QToolButton>

#include <gtest/gtest.h>

using namespace demovia;
using namespace demovia::ui;
using demovia::test::child;
using demovia::test::modelOf;
using demovia::test::selectedRow;

namespace {

// An application folder with the templates and reference tables, and one open
// project of Acre (12), the state of the committed sample.
class InputsTest : public test::OpenProjectTest {
protected:
    static std::string sample(const char* file) { return (test::sourceDir() / "samples" / file).string(); }

    static void leave(QWidget* box)
    {
        QFocusEvent out(QEvent::FocusOut, Qt::TabFocusReason);
        QApplication::sendEvent(box, &out);
    }
    void import(QWidget* w, const std::optional<std::string>& file)
    {
        dialogs.openFiles.push_back(file);
        child<QToolButton>(w, "tb_importa")->click();
    }
};

} // namespace

TEST_F(InputsTest, CensusWindowImportsBothCensusesSearchesAndGroups)
{
    TfrmCensos w(ctx);
    EXPECT_EQ(w.windowTitle(), "Arquivos dos censos iniciais");
    auto* agrupa = child<QToolButton>(&w, "tb_agrupa");
    EXPECT_TRUE(agrupa->toolTip().startsWith("O processo de agrupar combinará as populações das duas pesquisas em \n"));
    EXPECT_FALSE(agrupa->isEnabled());
    EXPECT_EQ(child<QComboBox>(&w, "cb_mes_censo2")->currentText(), "Junho");
    EXPECT_EQ(child<QComboBox>(&w, "cb_mes_censo1")->count(), 12);

    // Census 1: 22 municipalities of Acre; the 3 of Rondônia are dropped.
    import(&w, sample("censo1.txt"));
    EXPECT_TRUE(dialogs.log.empty()) << dialogs.lastText();
    EXPECT_EQ(child<QLineEdit>(&w, "edt_censo1")->text().toStdString(), sample("censo1.txt"));
    EXPECT_EQ(child<QLineEdit>(&w, "edt_qtd_censo1")->text(), "1782");
    TableModel* grid1 = modelOf(&w, "grd_censo1");
    EXPECT_EQ(grid1->rowCount(), 22);
    EXPECT_EQ(grid1->findRow("UF", "11"), -1);
    EXPECT_EQ(grid1->data(grid1->index(0, 1)).toString(), "0001");
    EXPECT_FALSE(agrupa->isEnabled());

    // Cancelling the file dialog changes nothing.
    child<QRadioButton>(&w, "rb_censo2")->setChecked(true);
    import(&w, std::nullopt);
    EXPECT_TRUE(child<QLineEdit>(&w, "edt_censo2")->text().isEmpty());
    EXPECT_FALSE(agrupa->isEnabled());

    import(&w, sample("censo2.txt"));
    EXPECT_EQ(child<QLineEdit>(&w, "edt_qtd_censo2")->text(), "1782");
    EXPECT_EQ(modelOf(&w, "grd_censo2")->rowCount(), 22);
    EXPECT_TRUE(agrupa->isEnabled());

    // Search: the code is rewritten with four digits and both grids move to it.
    auto* mun = child<QLineEdit>(&w, "edt_id_mun");
    const int row13 = grid1->findRow("MUN", "0013");
    ASSERT_GT(row13, 0);
    mun->setText("13");
    child<QPushButton>(&w, "sb_localizar")->click();
    EXPECT_EQ(mun->text(), "0013");
    EXPECT_EQ(selectedRow(&w, "grd_censo1"), row13);
    EXPECT_EQ(selectedRow(&w, "grd_censo2"), modelOf(&w, "grd_censo2")->findRow("MUN", "0013"));
    // A code that is not there leaves the grids where they were; Enter searches too.
    mun->setText("12");
    QTest::keyClick(mun, Qt::Key_Return);
    EXPECT_EQ(mun->text(), "0012");
    EXPECT_EQ(selectedRow(&w, "grd_censo1"), row13);
    mun->setText("");
    child<QPushButton>(&w, "sb_localizar")->click();
    EXPECT_EQ(mun->text(), "0000");

    // Grouping writes the grouped tables, then hands over to the main window.
    int grouped = 0;
    w.onGrouped = [&] {
        ++grouped;
        EXPECT_TRUE(fileExists(state.projectDir / "Tot_UFM.dbf"));
    };
    agrupa->click();
    EXPECT_EQ(grouped, 1);
    EXPECT_TRUE(dialogs.log.empty()) << dialogs.lastText();
    EXPECT_EQ(readTable(state.projectDir / "Tot_UFM.dbf").size(), 17u * 22u);
    EXPECT_EQ(readTable(state.projectDir / "Tot_UF.dbf").size(), 17u);
}

TEST_F(InputsTest, CensusFileWithoutTheStateKeepsTheCensusShown)
{
    TfrmCensos w(ctx);
    import(&w, sample("censo1.txt"));
    ASSERT_EQ(child<QLineEdit>(&w, "edt_qtd_censo1")->text(), "1782");

    const fs::path other = app / "rondonia.txt";
    std::string line = "11;1";
    for (int i = 0; i < 164; ++i)
        line += ";5";
    test::writeBytes(other, line + "\r\n");
    import(&w, other.string());
    EXPECT_TRUE(dialogs.saw("warning", "Esse arquivo não possui registro para a UF escolhida."));
    EXPECT_EQ(child<QLineEdit>(&w, "edt_censo1")->text().toStdString(), sample("censo1.txt"));
    EXPECT_EQ(child<QLineEdit>(&w, "edt_qtd_censo1")->text(), "1782");
    EXPECT_EQ(modelOf(&w, "grd_censo1")->rowCount(), 22);
}

TEST_F(InputsTest, CensusYearBoxFiltersKeysAndIsWrittenWithFourDigitsOnLeaving)
{
    TfrmCensos w(ctx);
    auto* year = child<QLineEdit>(&w, "edt_ano_censo2");
    QTest::keyClicks(year, "2a0-1.05");
    EXPECT_EQ(year->text(), "2010"); // only digits, at most four

    struct Case {
        const char* typed;
        const char* shown;
        bool reported;
    };
    const Case cases[] = {{"7", "0007", false}, {"", "0000", false}, {" 91 ", "0091", false}, {"x1", "x1", true}};
    for (const Case& c : cases) {
        dialogs.log.clear();
        year->setText(c.typed); // pasted text is not filtered
        leave(year);
        EXPECT_EQ(year->text(), c.shown) << c.typed;
        EXPECT_EQ(!dialogs.log.empty() && dialogs.log.back().kind == "error", c.reported) << c.typed;
    }
}

TEST_F(InputsTest, CensusWindowResetRestoreAndStoreRoundTrip)
{
    TfrmCensos w(ctx);
    import(&w, sample("censo1.txt"));

    ProjectDetails d;
    d.census1 = {7, "2000", "/dados/censo1.txt", "1782"};
    d.census2 = {-1, "2010", "  ", "?"};
    w.resetaForm();
    EXPECT_EQ(modelOf(&w, "grd_censo1")->rowCount(), 0);
    EXPECT_TRUE(child<QLineEdit>(&w, "edt_censo1")->text().isEmpty());
    w.projectOpened(d);
    EXPECT_EQ(child<QComboBox>(&w, "cb_mes_censo1")->currentText(), "Agosto");
    EXPECT_EQ(modelOf(&w, "grd_censo1")->rowCount(), 22); // CENSO1.db exists
    EXPECT_FALSE(modelOf(&w, "grd_censo2")->isOpen());    // CENSO2.db does not
    EXPECT_FALSE(child<QToolButton>(&w, "tb_agrupa")->isEnabled()); // census 2's file box is blank

    const CensusDates dates = w.censusDates();
    EXPECT_EQ(dates.year1, "2000");
    EXPECT_EQ(dates.year2, "2010");
    EXPECT_EQ(dates.month1, 7);
    EXPECT_EQ(dates.month2, -1);

    ProjectDetails back;
    w.storeDetails(back);
    EXPECT_EQ(back.census1.mes, 7);
    EXPECT_EQ(back.census1.ano, "2000");
    EXPECT_EQ(back.census1.arquivo, "/dados/censo1.txt");
    EXPECT_EQ(back.census1.registros, "1782");
    EXPECT_EQ(back.census2.mes, -1);
    EXPECT_EQ(back.census2.arquivo, "  ");
    EXPECT_EQ(back.census2.registros, "?");

    w.resetaForm();
    EXPECT_EQ(child<QLineEdit>(&w, "edt_id_mun")->text(), "0000");
    EXPECT_EQ(child<QComboBox>(&w, "cb_mes_censo1")->currentIndex(), 5);
    EXPECT_EQ(child<QTabWidget>(&w, "pc_censos")->currentWidget()->objectName(), "ts_detalhes");
}

TEST_F(InputsTest, LargerAreaImportReplacesOnlyTheTableOfThePageShown)
{
    TfrmProjCenso w(ctx);
    EXPECT_EQ(w.windowTitle(), "Projeção do Censo (Área maior)");
    EXPECT_EQ(w.sexRatioText(), "100");
    auto* pages = child<QTabWidget>(&w, "pc_proj_censo");

    pages->setCurrentWidget(child<QWidget>(&w, "ts_relnas"));
    import(&w, sample("rel_nas.txt"));
    EXPECT_TRUE(dialogs.log.empty()) << dialogs.lastText();
    TableModel* relnas = modelOf(&w, "Rel_SobNasc");
    TableModel* means = modelOf(&w, "Rel_SobNasc_Med");
    ASSERT_GT(relnas->rowCount(), 1);
    EXPECT_EQ(means->rowCount(), relnas->rowCount() - 1);
    EXPECT_EQ(relnas->findRow("UF", "11"), -1);

    pages->setCurrentWidget(child<QWidget>(&w, "ts_txfec"));
    import(&w, sample("tx_fec.txt"));
    EXPECT_EQ(modelOf(&w, "Tx_Fecundidade")->rowCount(), relnas->rowCount());
    EXPECT_FALSE(modelOf(&w, "Grade_Buscar")->isOpen());
    EXPECT_FALSE(fileExists(state.projectDir / "pop_proj.dbf"));
    EXPECT_EQ(readTable(state.projectDir / "rel_nas.dbf").size(), static_cast<std::size_t>(relnas->rowCount()));

    // Sex ratio box: digits only, three at most.
    auto* ratio = child<QLineEdit>(&w, "Ed_QtdHom");
    ratio->clear();
    QTest::keyClicks(ratio, "1a0,57");
    EXPECT_EQ(w.sexRatioText(), "105");

    // Reset empties the grids and takes the configured default; restore shows
    // the tables on disk again and the saved ratio.
    w.resetaForm();
    EXPECT_EQ(w.sexRatioText(), "105");
    EXPECT_EQ(relnas->rowCount(), 0);
    EXPECT_EQ(pages->currentWidget()->objectName(), "ts_projecao");
    w.defaultSexRatio = [] { return std::string("103"); };
    w.resetaForm();
    EXPECT_EQ(w.sexRatioText(), "103");

    ProjectDetails d;
    d.rsnHom = "98";
    w.projectOpened(d);
    EXPECT_EQ(w.sexRatioText(), "98");
    EXPECT_EQ(relnas->rowCount(), means->rowCount() + 1);
    EXPECT_GT(modelOf(&w, "Tx_Fecundidade")->rowCount(), 0);
    EXPECT_FALSE(modelOf(&w, "Grade_Buscar")->isOpen());
    ProjectDetails back;
    w.storeDetails(back);
    EXPECT_EQ(back.rsnHom, "98");
}
