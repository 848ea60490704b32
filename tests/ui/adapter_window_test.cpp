#include "data/project.h"
#include "data/scripted_dialogs.h"
#include "data/table.h"
#include "data/text_util.h"
#include "results/ui/uAdapExt.h"
#include "ui/table_model.h"
#include "window_fixture.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QTableView>
#include <QTest>
#include <QToolButton>

#include <gtest/gtest.h>

#include <algorithm>

using namespace demovia;
using namespace demovia::ui;
using demovia::test::child;
using demovia::test::modelOf;
using demovia::test::selectedRow;

namespace {

// An open project of Acre (12) with the year table of 2011 for two municipalities.
class AdapterWindowTest : public test::OpenProjectTest {
protected:
    void SetUp() override
    {
        OpenProjectTest::SetUp();
        if (HasFatalFailure())
            return;
        Table t(readSchema(app / "DBVazio" / "PsFinais.dbf"));
        for (const char* mun : {"0010", "0020"})
            for (int a = 0; a <= 80; ++a)
                t.append({"2011", mun, age3(std::min(a / 5 + 1, 17)), a, 10 + a % 4, 12, 10.0 + a % 4, 12.0});
        writeTable(state.projectDir / "2011.dbf", t);
        test::writeBytes(app / "ext.csv", "12;2011;0010;3001\r\n35;2011;0010;9\r\n12;2011;0020;2500\r\n"
                                          "12;2012;0010;3100\r\n");
    }

    static QStringList years(QWidget* w) { return test::itemsOf(test::child<QComboBox>(w, "cb_ano_projetado")); }
    void import(QWidget* w, const std::string& file)
    {
        dialogs.openFiles.push_back(file);
        child<QToolButton>(w, "tb_importa")->click();
    }
};

TEST_F(AdapterWindowTest, ImportProcessLocateAndReset)
{
    TfrmAdapExt w(ctx);
    EXPECT_EQ(w.windowTitle(), QString("Adaptador de projeções externas ao sistema Demovia"));
    EXPECT_TRUE(child<QCheckBox>(&w, "cb_prorratear")->isChecked());
    EXPECT_EQ(child<QLineEdit>(&w, "edt_id_mun")->text(), QString("0000"));

    // Nothing selected: Processar does nothing.
    child<QPushButton>(&w, "sb_processar")->click();
    EXPECT_TRUE(dialogs.log.empty());

    import(&w, (app / "ext.csv").string());
    ASSERT_TRUE(dialogs.log.empty()) << dialogs.lastText();
    EXPECT_EQ(years(&w), (QStringList{"2011", "2012"}));
    EXPECT_EQ(modelOf(&w, "grd_origem")->rowCount(), 3); // the row of state 35 is gone

    // Processar on 2011: the adapted table on disk and in the grids.
    child<QComboBox>(&w, "cb_ano_projetado")->setCurrentIndex(0);
    child<QPushButton>(&w, "sb_processar")->click();
    ASSERT_TRUE(dialogs.log.empty()) << dialogs.lastText();
    const Table adapted = readTable(state.projectDir / "2011_ext.dbf");
    ASSERT_EQ(adapted.size(), 162u);
    long long first = 0;
    for (std::size_t i = 0; i < 81; ++i)
        first += adapted.rows[i][4].toInt() + adapted.rows[i][5].toInt();
    EXPECT_EQ(first, 3001); // pro-rated to the external total
    EXPECT_EQ(modelOf(&w, "grd_idade")->rowCount(), 162);
    TableModel* groups = modelOf(&w, "grd_faixa_etaria");
    ASSERT_EQ(groups->rowCount(), 34);
    EXPECT_EQ(groups->cellText(17, 1), QString("0020"));
    EXPECT_EQ(groups->cellText(16, 2), QString("017"));
    EXPECT_EQ(child<QTabWidget>(&w, "pc_adaptador")->currentIndex(), 1);

    // Exporta writes what the focused grid shows; nothing without a focused grid.
    w.show();
    QApplication::setActiveWindow(&w);
    child<QTableView>(&w, "grd_faixa_etaria")->setFocus();
    dialogs.saveFiles.push_back((app / "grupos.csv").string());
    child<QToolButton>(&w, "tb_exporta")->click();
    const std::string groupsText = test::readBytes(app / "grupos.csv");
    EXPECT_EQ(groupsText.substr(0, groupsText.find('\r')), "ano;mun;faixa;hom_int;mul_int;hom_dec;mul_dec;");
    EXPECT_EQ(std::count(groupsText.begin(), groupsText.end(), '\n'), 35);
    child<QTableView>(&w, "grd_idade")->setFocus();
    dialogs.saveFiles.push_back((app / "idades.csv").string());
    child<QToolButton>(&w, "tb_exporta")->click();
    const std::string agesText = test::readBytes(app / "idades.csv");
    EXPECT_EQ(std::count(agesText.begin(), agesText.end(), '\n'), 163);
    child<QLineEdit>(&w, "edt_id_mun")->setFocus();
    dialogs.saveFiles.push_back((app / "nada.csv").string());
    child<QToolButton>(&w, "tb_exporta")->click();
    EXPECT_FALSE(fs::exists(app / "nada.csv"));
    EXPECT_EQ(dialogs.saveFiles.size(), 1u); // not even asked
    dialogs.saveFiles.clear();
    dialogs.log.clear();

    // Without pro-rating, the exact shares (both sexes of a municipality add up to about 2500).
    child<QCheckBox>(&w, "cb_prorratear")->setChecked(false);
    child<QPushButton>(&w, "sb_processar")->click();
    const Table plain = readTable(state.projectDir / "2011_ext.dbf");
    double second = 0;
    for (std::size_t i = 81; i < 162; ++i)
        second += plain.rows[i][6].toDouble() + plain.rows[i][7].toDouble();
    EXPECT_NEAR(second, 2500, 1e-6);

    // Localizar writes the code with four digits and moves every open grid.
    child<QLineEdit>(&w, "edt_id_mun")->setText(" 20");
    child<QPushButton>(&w, "sb_localizar")->click();
    EXPECT_EQ(child<QLineEdit>(&w, "edt_id_mun")->text(), QString("0020"));
    EXPECT_EQ(selectedRow(&w, "grd_origem"), 1);
    EXPECT_EQ(selectedRow(&w, "grd_idade"), 81);
    EXPECT_EQ(selectedRow(&w, "grd_faixa_etaria"), 17);
    child<QLineEdit>(&w, "edt_id_mun")->setText("x");
    child<QPushButton>(&w, "sb_localizar")->click();
    EXPECT_EQ(dialogs.log.size(), 1u);
    EXPECT_EQ(selectedRow(&w, "grd_idade"), 81);

    // 2012 has no year table.
    dialogs.log.clear();
    child<QComboBox>(&w, "cb_ano_projetado")->setCurrentIndex(1);
    child<QPushButton>(&w, "sb_processar")->click();
    EXPECT_TRUE(dialogs.saw("warning", "nãotem resultados para o ano selecionado"));

    // The list shows each year of the file imported last, once: importing the
    // same file again lists nothing twice, another file replaces the years.
    import(&w, (app / "ext.csv").string());
    EXPECT_EQ(years(&w), (QStringList{"2011", "2012"}));
    test::writeBytes(app / "ext2.csv", "12;2013;0010;3300\r\n12;2011;0010;3001\r\n12;2013;0020;2600\r\n");
    import(&w, (app / "ext2.csv").string());
    EXPECT_EQ(years(&w), (QStringList{"2011", "2013"}));
    // A failed import keeps the file and its years.
    test::writeBytes(app / "ruim.csv", "12;2014;0010;muitos\r\n");
    import(&w, (app / "ruim.csv").string());
    EXPECT_EQ(years(&w), (QStringList{"2011", "2013"}));
    w.resetaForm();
    EXPECT_TRUE(years(&w).isEmpty());
    EXPECT_FALSE(modelOf(&w, "grd_origem")->isOpen());
    EXPECT_FALSE(modelOf(&w, "grd_idade")->isOpen());
    EXPECT_FALSE(modelOf(&w, "grd_faixa_etaria")->isOpen());
    EXPECT_EQ(child<QTabWidget>(&w, "pc_adaptador")->currentIndex(), 0);
}

// The external file and the adapted table are edited in place: a value is
// checked against its field and written to its table when the row is left;
// rows are neither added nor deleted there.
TEST_F(AdapterWindowTest, OriginAndAdaptedGridsAreEditedInPlace)
{
    using test::typeIntoCell;
    TfrmAdapExt w(ctx);
    w.show();
    import(&w, (app / "ext.csv").string());
    child<QComboBox>(&w, "cb_ano_projetado")->setCurrentIndex(0);
    child<QPushButton>(&w, "sb_processar")->click();
    ASSERT_TRUE(dialogs.log.empty()) << dialogs.lastText();

    // The external total of 0010 in 2011 (first row), then another row.
    auto* origin = child<QTableView>(&w, "grd_origem");
    ASSERT_EQ(origin->model()->rowCount(), 3);
    typeIntoCell(origin, 0, 3, "3.050");
    origin->setCurrentIndex(origin->model()->index(1, 0));
    Table ext = readTable(state.projectDir / "externo.dbf");
    EXPECT_EQ(ext.rows[0][3].toDouble(), 3050);
    EXPECT_EQ(ext.rows[1][3].toDouble(), 2500);
    // A code longer than its field and a fraction in a whole-number field are refused.
    typeIntoCell(origin, 1, 2, "00200");
    EXPECT_TRUE(dialogs.saw("warning", "tem 5 caracteres e o campo mun guarda no máximo 4"));
    typeIntoCell(origin, 1, 3, "2500,5");
    EXPECT_TRUE(dialogs.saw("warning", "só números inteiros"));
    origin->setCurrentIndex(origin->model()->index(2, 0));
    ext = readTable(state.projectDir / "externo.dbf");
    EXPECT_EQ(ext.rows[1][2].toText(), "0020");
    EXPECT_EQ(ext.rows[1][3].toDouble(), 2500);
    // No row is added there.
    origin->setFocus();
    QTest::keyClick(origin, Qt::Key_Insert);
    EXPECT_EQ(origin->model()->rowCount(), 3);

    // A count of the adapted table, written when the grid is left for Exporta's file.
    dialogs.log.clear();
    auto* ages = child<QTableView>(&w, "grd_idade");
    const Value onDisk = readTable(state.projectDir / "2011_ext.dbf").rows[0][4];
    ASSERT_NE(onDisk.toDouble(), 77);
    typeIntoCell(ages, 0, 4, "77");
    EXPECT_EQ(readTable(state.projectDir / "2011_ext.dbf").rows[0][4], onDisk); // the row is not left yet
    ages->setFocus();
    dialogs.saveFiles.push_back((app / "idades.csv").string());
    child<QToolButton>(&w, "tb_exporta")->click();
    EXPECT_EQ(readTable(state.projectDir / "2011_ext.dbf").rows[0][4].toDouble(), 77);
    const std::string text = test::readBytes(app / "idades.csv");
    EXPECT_NE(text.find("\r\n2011;0010;001;0;77;"), std::string::npos) << text.substr(0, 200);
    EXPECT_FALSE(dialogs.saw("warning", "")) << dialogs.lastText();
}

} // namespace
