// The results window over a small project projected from the committed sample.
#include "data/census.h"
#include "data/larger_area.h"
#include "data/project.h"
#include "data/scripted_dialogs.h"
#include "data/text_util.h"
#include "results/ui/chart_painter.h"
#include "results/ui/uRel_01.h"
#include "results/ui/uResultados.h"
#include "window_fixture.h"
#include "test_util.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QTabWidget>
#include <QTableView>
#include <QTest>
#include <QToolButton>

#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <memory>
#include <set>

using namespace demovia;
using demovia::ui::TfrmResultados;

namespace {

// The sample project projected through six steps once for all the tests here.
struct ProjectedSample : test::ProjectedSample {
    ProjectedSample() : test::ProjectedSample("RESULT", 6) {}
};

class ResultsWindow : public ::testing::Test {
protected:
    static void SetUpTestSuite() { s_sample = std::make_unique<ProjectedSample>(); }
    static void TearDownTestSuite() { s_sample.reset(); }

    void SetUp() override
    {
        ASSERT_TRUE(s_sample->ready) << "the sample project could not be projected";
        s_sample->state.firstProjectedYear = s_sample->outcome.firstProjectedYear; // as the shell keeps it
        window = std::make_unique<TfrmResultados>(ctx);
        window->showReport = [this](const ReportDocument& doc) { reports.push_back(doc); };
    }

    template <class T> T* child(const char* name) const
    {
        T* w = window->findChild<T*>(name);
        EXPECT_NE(w, nullptr) << name;
        return w;
    }
    int rows(const char* grid) const { return child<QTableView>(grid)->model()->rowCount(); }
    std::string cell(const char* grid, int row, int column) const
    {
        auto* m = child<QTableView>(grid)->model();
        return m->data(m->index(row, column)).toString().toStdString();
    }
    QComboBox* years() const { return child<QComboBox>("cb_ano_projetado"); }

    static std::unique_ptr<ProjectedSample> s_sample;
    ScriptedDialogs dialogs;
    ui::UiContext ctx{s_sample->state, dialogs, NumberFormat{',', '.'}};
    std::unique_ptr<TfrmResultados> window;
    std::vector<ReportDocument> reports;
};

std::unique_ptr<ProjectedSample> ResultsWindow::s_sample;

const char* kIntermediateGrids[] = {"grd_cr_ufp",   "grd_cr_uf",    "grd_cr_uf_mun", "grd_fator_k",
                                    "grd_interpolacao", "grd_tef_proj", "grd_tefm", "grd_tef_amen",
                                    "grd_rcm",      "grd_nasc_sexo"};

} // namespace

TEST_F(ResultsWindow, RunFinishedShowsTheFirstYearByAgeGroupAndMunicipality)
{
    s_sample->state.firstProjectedYear = 0; // as after the reset at the start of the run
    window->runFinished(s_sample->outcome);
    EXPECT_TRUE(dialogs.log.empty()) << dialogs.lastText();

    ASSERT_EQ(years()->count(), static_cast<int>(s_sample->outcome.projectedYears.size()));
    EXPECT_EQ(years()->itemText(0).toStdString(), "2011");
    EXPECT_EQ(years()->itemText(1).toStdString(), "2012");
    EXPECT_EQ(years()->currentText().toStdString(), "2011");
    EXPECT_EQ(s_sample->state.firstProjectedYear, 2011);
    for (const char* g : kIntermediateGrids)
        EXPECT_GT(rows(g), 0) << g;

    // What the grids must show, worked out from the year table itself.
    const Table year = readTable(s_sample->state.projectDir / "2011.dbf");
    const int mun = year.field("mun"), faixa = year.field("faixa"), homInt = year.field("hom_int"),
              mulDec = year.field("mul_dec");
    std::map<std::string, double> hom, mul;
    std::set<std::pair<std::string, std::string>> groups;
    for (const Row& r : year.rows) {
        hom[r[mun].toText()] += r[homInt].toDouble();
        mul[r[mun].toText()] += r[mulDec].toDouble();
        groups.insert({r[mun].toText(), r[faixa].toText()});
    }
    ASSERT_GE(hom.size(), 2u);
    EXPECT_EQ(rows("grd_psfinais"), static_cast<int>(81 * hom.size()));
    EXPECT_EQ(rows("grd_psfin_fx"), static_cast<int>(17 * hom.size()));
    EXPECT_EQ(groups.size(), 17 * hom.size());
    ASSERT_EQ(rows("grd_psfin_tot"), static_cast<int>(hom.size()));
    // Totals rows: ano, mun, hom_int, mul_int, hom_dec, mul_dec; ordered by municipality.
    int r = 0;
    for (const auto& [code, males] : hom) {
        EXPECT_EQ(cell("grd_psfin_tot", r, 0), "2011");
        EXPECT_EQ(cell("grd_psfin_tot", r, 1), code);
        EXPECT_EQ(cell("grd_psfin_tot", r, 2), formatRegionalNumber(males, NumberFormat{',', '.'}));
        const double shown = parseRegionalNumber(cell("grd_psfin_tot", r, 5), NumberFormat{',', '.'});
        EXPECT_NEAR(shown, mul[code], 1e-6 * mul[code]);
        ++r;
    }

    // Reset empties everything and forgets the first projected year.
    child<QTabWidget>("pc_resultados")->setCurrentIndex(1);
    window->resetaForm();
    EXPECT_EQ(s_sample->state.firstProjectedYear, 0);
    EXPECT_EQ(years()->count(), 0);
    EXPECT_EQ(child<QTabWidget>("pc_resultados")->currentIndex(), 0);
    EXPECT_EQ(child<QTabWidget>("pc_intermediarias")->currentIndex(), 0);
    for (const char* g : kIntermediateGrids)
        EXPECT_EQ(rows(g), 0) << g;
    for (const char* g : {"grd_psfinais", "grd_psfin_fx", "grd_psfin_tot"})
        EXPECT_EQ(rows(g), 0) << g;
}

TEST_F(ResultsWindow, ProjectOpenedListsTheYearsOnDiskAndShowsTheFirst)
{
    window->projectOpened(ProjectDetails{});
    EXPECT_TRUE(dialogs.log.empty()) << dialogs.lastText();
    EXPECT_EQ(years()->count(), static_cast<int>(s_sample->outcome.projectedYears.size()));
    EXPECT_EQ(years()->currentText().toStdString(), "2011");
    EXPECT_GT(rows("grd_psfin_tot"), 0);
    EXPECT_GT(rows("grd_fator_k"), 0);

    // A later year from the list.
    years()->setCurrentIndex(2);
    QTest::mouseClick(child<QToolButton>("sb_pesq_ano"), Qt::LeftButton);
    EXPECT_EQ(cell("grd_psfinais", 0, 0), "2013");
    EXPECT_EQ(cell("grd_psfin_fx", 0, 0), "2013");
    EXPECT_TRUE(dialogs.log.empty()) << dialogs.lastText();
}

TEST_F(ResultsWindow, ShowYearWithAnEmptyListWarnsThatTheFileCannotBeReached)
{
    window->resetaForm();
    QTest::mouseClick(child<QToolButton>("sb_pesq_ano"), Qt::LeftButton);
    ASSERT_EQ(dialogs.log.size(), 1u);
    EXPECT_EQ(dialogs.log[0].kind, "warning");
    EXPECT_EQ(dialogs.log[0].text.rfind("Não foi possível acessar o arquivo do ano escolhido.\n"
                                        "Verifique se ele está aberto por outra aplicação e tente novamente.\n\n"
                                        "Erro original: ",
                                        0),
              0u)
        << dialogs.log[0].text;
    EXPECT_EQ(rows("grd_psfin_fx"), 0);
    EXPECT_EQ(rows("grd_psfin_tot"), 0);

    // A listed year whose file is gone: the year grid keeps the year shown before.
    window->runFinished(s_sample->outcome);
    const int shown = rows("grd_psfinais");
    ASSERT_GT(shown, 0);
    years()->addItem("2199");
    years()->setCurrentIndex(years()->count() - 1);
    dialogs.log.clear();
    QTest::keyClick(years(), Qt::Key_Return);
    ASSERT_EQ(dialogs.log.size(), 1u);
    EXPECT_EQ(dialogs.log[0].text.rfind("Não foi possível acessar o arquivo do ano escolhido.", 0), 0u);
    EXPECT_EQ(rows("grd_psfinais"), shown);
    EXPECT_EQ(cell("grd_psfinais", 0, 0), "2011");
    EXPECT_EQ(rows("grd_psfin_fx"), 0);
}

TEST_F(ResultsWindow, LocateWritesTheCodeBackAndMovesTheMunicipalGrids)
{
    auto* edit = child<QLineEdit>("edt_id_mun");
    // No table open: nothing happens, nothing is reported.
    edit->setText("5");
    QTest::mouseClick(child<QToolButton>("sb_localizar"), Qt::LeftButton);
    EXPECT_EQ(edit->text().toStdString(), "0005");
    EXPECT_TRUE(dialogs.log.empty());

    window->runFinished(s_sample->outcome);
    struct Case {
        const char* typed;
        const char* code;
    };
    for (const Case& c : {Case{"5", "0005"}, Case{"", "0000"}, Case{" 10", "0010"}}) {
        edit->setText(c.typed);
        QTest::mouseClick(child<QToolButton>("sb_localizar"), Qt::LeftButton);
        EXPECT_EQ(edit->text().toStdString(), c.code);
    }
    edit->setText("5");
    QTest::keyClick(edit, Qt::Key_Return);
    EXPECT_EQ(edit->text().toStdString(), "0005");
    for (const char* g : {"grd_fator_k", "grd_psfinais", "grd_psfin_tot", "grd_nasc_sexo"}) {
        auto* grid = child<QTableView>(g);
        const int mun = [&] {
            for (int c = 0; c < grid->model()->columnCount(); ++c)
                if (grid->model()->headerData(c, Qt::Horizontal).toString().toLower() == "mun")
                    return c;
            return -1;
        }();
        ASSERT_GE(mun, 0) << g;
        ASSERT_TRUE(grid->currentIndex().isValid()) << g;
        EXPECT_EQ(cell(g, grid->currentIndex().row(), mun), "0005") << g;
        // The first row of that municipality.
        if (grid->currentIndex().row() > 0)
            EXPECT_NE(cell(g, grid->currentIndex().row() - 1, mun), "0005") << g;
    }
    // The state-level grids are not searched.
    EXPECT_FALSE(child<QTableView>("grd_cr_uf")->currentIndex().isValid());
    EXPECT_TRUE(dialogs.log.empty()) << dialogs.lastText();
}

TEST_F(ResultsWindow, PrintActsOnTheFocusedGridWithItsReport)
{
    window->show();
    window->runFinished(s_sample->outcome);

    // Focus in the year list or the code box: nothing.
    child<QTabWidget>("pc_resultados")->setCurrentIndex(1);
    years()->setFocus();
    QTest::mouseClick(child<QToolButton>("tb_imprime"), Qt::LeftButton);
    child<QLineEdit>("edt_id_mun")->setFocus();
    QTest::mouseClick(child<QToolButton>("tb_imprime"), Qt::LeftButton);
    EXPECT_TRUE(reports.empty());
    EXPECT_TRUE(dialogs.log.empty());

    child<QTableView>("grd_psfin_tot")->setFocus();
    QTest::mouseClick(child<QToolButton>("tb_imprime"), Qt::LeftButton);
    QTest::mouseClick(child<QToolButton>("tb_imprime"), Qt::LeftButton);
    ASSERT_EQ(reports.size(), 2u) << dialogs.lastText();
    EXPECT_EQ(reports[0].name, "qr_psfin_tot");
    EXPECT_EQ(reports[1].pages.front().number, 1); // a second print numbers from 1 again
    std::size_t lines = 0;
    for (const ReportPage& p : reports[0].pages)
        lines += p.lines.size();
    EXPECT_EQ(lines, static_cast<std::size_t>(rows("grd_psfin_tot")));
    EXPECT_TRUE(reports[0].pages.back().totals);

    test::TempDir out;
    const fs::path pdf = out / "totais.pdf";
    ASSERT_TRUE(ui::writeReportPdf(reports[0], QString::fromStdString(pdf.string())));
    EXPECT_EQ(test::readBytes(pdf).substr(0, 4), "%PDF");

    // Export hands the same grid's query to the text export.
    const fs::path text = out / "totais.txt";
    dialogs.saveFiles.push_back(text.string());
    QTest::mouseClick(child<QToolButton>("tb_exporta"), Qt::LeftButton);
    ASSERT_TRUE(fs::exists(text)) << dialogs.lastText();
    const std::string exported = test::readBytes(text);
    EXPECT_EQ(exported.rfind("ano;mun;hom_int;mul_int;hom_dec;mul_dec", 0), 0u) << exported.substr(0, 60);
    EXPECT_EQ(std::count(exported.begin(), exported.end(), '\n'), rows("grd_psfin_tot") + 1);
    dialogs.log.clear();

    // An intermediate grid prints its table with its own report.
    child<QTabWidget>("pc_resultados")->setCurrentIndex(0);
    child<QTableView>("grd_fator_k")->setFocus();
    QTest::mouseClick(child<QToolButton>("tb_imprime"), Qt::LeftButton);
    ASSERT_EQ(reports.size(), 3u) << dialogs.lastText();
    EXPECT_EQ(reports[2].name, "qr_fator_k");
    EXPECT_GT(reports[2].pages.size(), 1u);
    EXPECT_EQ(reports[2].pages.back().number, static_cast<int>(reports[2].pages.size()));
    EXPECT_TRUE(dialogs.log.empty()) << dialogs.lastText();
}

TEST_F(ResultsWindow, ChartsPageDrawsPyramidsAndTotalsAndSavesThem)
{
    window->show();
    ProjectDetails details;
    details.census1.ano = "2000";
    details.census2.ano = "2010";
    window->projectOpened(details);
    window->runFinished(s_sample->outcome);
    auto* view = child<ui::ChartView>("img_grafico");
    auto* kind = child<QComboBox>("cb_grafico");
    auto* compare = child<QComboBox>("cb_comparar");
    auto* mun = child<QLineEdit>("edt_mun_grafico");
    ASSERT_EQ(child<QComboBox>("cb_ano_grafico")->count(), years()->count());
    EXPECT_FALSE(view->hasChart());

    // A municipality's pyramid with the last year as outline.
    mun->setText("13");
    compare->setCurrentIndex(compare->count() - 1);
    QTest::mouseClick(child<QToolButton>("sb_desenhar"), Qt::LeftButton);
    ASSERT_TRUE(view->hasChart()) << dialogs.lastText();
    EXPECT_EQ(mun->text(), "0013");
    const auto* pyramid = std::get_if<PyramidChart>(&view->chart());
    ASSERT_NE(pyramid, nullptr);
    EXPECT_NE(pyramid->title.find("(0013)"), std::string::npos) << pyramid->title;
    EXPECT_TRUE(pyramid->hasCompare);
    EXPECT_EQ(pyramid->compareLegend, compare->currentText().toStdString());
    EXPECT_EQ(pyramid->men.size(), 81u);

    // The state by age groups, in %, with census 2 as outline.
    mun->clear();
    compare->setCurrentIndex(1);
    child<QCheckBox>("ck_faixas")->setChecked(true);
    child<QCheckBox>("ck_percentual")->setChecked(true);
    QTest::mouseClick(child<QToolButton>("sb_desenhar"), Qt::LeftButton);
    pyramid = std::get_if<PyramidChart>(&view->chart());
    ASSERT_NE(pyramid, nullptr);
    EXPECT_EQ(pyramid->men.size(), 17u);
    EXPECT_EQ(pyramid->compareLegend, "Censo 2 (2010)");
    double sum = 0;
    for (std::size_t i = 0; i < pyramid->men.size(); ++i)
        sum += pyramid->men[i] + pyramid->women[i];
    EXPECT_NEAR(sum, 100.0, 1e-9);

    // The total population, saved as SVG through the file chosen.
    kind->setCurrentIndex(1);
    QTest::mouseClick(child<QToolButton>("sb_desenhar"), Qt::LeftButton);
    const auto* totals = std::get_if<TotalChart>(&view->chart());
    ASSERT_NE(totals, nullptr);
    EXPECT_EQ(totals->years.size(), static_cast<std::size_t>(years()->count()));
    ASSERT_EQ(totals->censuses.size(), 2u);
    EXPECT_EQ(totals->censuses[0].label, "Censo 1 (2000)");
    test::TempDir out;
    const fs::path svg = out / "total.svg";
    window->chooseChartFile = [&] { return std::optional<std::string>(svg.string()); };
    dialogs.log.clear();
    QTest::mouseClick(child<QToolButton>("sb_salvar_grafico"), Qt::LeftButton);
    ASSERT_TRUE(fs::exists(svg)) << dialogs.lastText();
    EXPECT_TRUE(dialogs.saw("information", "criado com sucesso"));

    // A municipality without population: a chart that says so, no failure.
    kind->setCurrentIndex(0);
    mun->setText("9999");
    dialogs.log.clear();
    QTest::mouseClick(child<QToolButton>("sb_desenhar"), Qt::LeftButton);
    pyramid = std::get_if<PyramidChart>(&view->chart());
    ASSERT_NE(pyramid, nullptr);
    EXPECT_FALSE(pyramid->message.empty());
    EXPECT_TRUE(dialogs.log.empty()) << dialogs.lastText();

    // After a reset nothing is left to draw.
    window->resetaForm();
    EXPECT_FALSE(view->hasChart());
    QTest::mouseClick(child<QToolButton>("sb_desenhar"), Qt::LeftButton);
    EXPECT_TRUE(dialogs.saw("warning", "Não há anos projetados"));
}

TEST_F(ResultsWindow, ALargeYearsColumnsHoldEveryValue)
{
    // 25,000 rows: the columns are sized from the fields, not from a sample.
    Table t(readSchema(s_sample->state.appDir / "DBVazio" / "PsFinais.dbf"));
    for (int r = 0; r < 25000; ++r) {
        const int age = r % 81;
        const double big = r == 24999 ? 987654.123456789 : 1.5;
        const std::string group = formatMask(std::min(age / 5 + 1, 17), "000");
        t.append({Value("2099"), Value(year4(r / 81 + 1)), Value(group), Value(age), Value(r == 24999 ? 9876543 : 3),
                  Value(4), Value(big), Value(0.012713233922698)});
    }
    const fs::path file = s_sample->state.projectDir / "2099.dbf";
    writeTable(file, t);
    window->show();
    child<QTabWidget>("pc_resultados")->setCurrentIndex(1);
    years()->addItem("2099");
    years()->setCurrentIndex(years()->count() - 1);
    QTest::mouseClick(child<QToolButton>("sb_pesq_ano"), Qt::LeftButton);
    fs::remove(file);
    ASSERT_EQ(rows("grd_psfinais"), 25000) << dialogs.lastText();
    auto* grid = child<QTableView>("grd_psfinais");
    const QFontMetrics fm = grid->fontMetrics();
    auto* m = grid->model();
    for (int c = 0; c < m->columnCount(); ++c) {
        int widest = 0;
        for (int r = 0; r < m->rowCount(); r += (r > 100 && r < 24900) ? 97 : 1)
            widest = std::max(widest, fm.horizontalAdvance(m->data(m->index(r, c)).toString()));
        EXPECT_GE(grid->columnWidth(c), widest + 4) << c;
    }
}

// The pages "Indicadores" and "Verificações" after a run: the state's series,
// one municipality's, sorting by a number, export as a spreadsheet, print;
// the checks the run made; the chart of one indicator over the years.
TEST_F(ResultsWindow, IndicatorsAndChecksPagesAfterARun)
{
    ProjectDetails details;
    details.census2.ano = "2010";
    window->projectOpened(details);
    window->runFinished(s_sample->outcome);
    dialogs.log.clear();

    auto* grid = child<QTableView>("grd_indicadores");
    QTest::mouseClick(child<QToolButton>("sb_indicadores"), Qt::LeftButton);
    const int n = static_cast<int>(s_sample->outcome.projectedYears.size()) + 1; // census 2 and every year
    ASSERT_EQ(grid->model()->rowCount(), n) << dialogs.lastText();
    auto text = [&](int row, int column) {
        return grid->model()->data(grid->model()->index(row, column)).toString().toStdString();
    };
    EXPECT_EQ(text(0, 0), "UF");
    EXPECT_EQ(text(0, 1), "Censo 2");
    EXPECT_EQ(text(1, 1), "2011");
    EXPECT_EQ(text(0, 6), ""); // no growth before census 2
    // The state's total of 2011 is the sum of the year table.
    const Table year = readTable(s_sample->state.projectDir / "2011.dbf");
    double total = 0;
    for (const Row& r : year.rows)
        total += r[year.field("hom_int")].toDouble() + r[year.field("mul_int")].toDouble();
    EXPECT_EQ(parseRegionalNumber(text(1, 5), NumberFormat{',', '.'}), total);

    // Sorted by the total, largest first: numbers compare as numbers.
    grid->sortByColumn(5, Qt::DescendingOrder);
    for (int r = 1; r < n; ++r)
        EXPECT_GE(parseRegionalNumber(text(r - 1, 5), NumberFormat{',', '.'}),
                  parseRegionalNumber(text(r, 5), NumberFormat{',', '.'}));

    // One municipality, exported as a spreadsheet and printed.
    child<QLineEdit>("edt_mun_indicadores")->setText("13");
    QTest::mouseClick(child<QToolButton>("sb_indicadores"), Qt::LeftButton);
    ASSERT_EQ(grid->model()->rowCount(), n);
    test::TempDir out;
    dialogs.saveFiles.push_back((out / "ind.xlsx").string());
    QTest::mouseClick(child<QToolButton>("sb_exportar_indicadores"), Qt::LeftButton);
    EXPECT_TRUE(fs::file_size(out / "ind.xlsx") > 0) << dialogs.lastText();
    QTest::mouseClick(child<QToolButton>("sb_imprimir_indicadores"), Qt::LeftButton);
    ASSERT_EQ(reports.size(), 1u) << dialogs.lastText();
    EXPECT_EQ(reports[0].name, "qr_indicadores");
    ASSERT_FALSE(reports[0].pages.empty());
    EXPECT_EQ(reports[0].pages[0].lines.size(), static_cast<std::size_t>(n));

    // The checks the run made, one row per municipality.
    auto* checks = child<QTableView>("grd_verificacoes");
    EXPECT_EQ(checks->model()->rowCount(), static_cast<int>(s_sample->outcome.checks.size()));
    EXPECT_EQ(child<QLabel>("lbl_verificacoes")->text().toStdString(), checksSummaryLine(s_sample->outcome.checks));

    // The old-age dependency ratio of the state over the years.
    child<QComboBox>("cb_grafico")->setCurrentIndex(2);
    child<QComboBox>("cb_indicador_grafico")->setCurrentIndex(11);
    child<QLineEdit>("edt_mun_grafico")->clear();
    QTest::mouseClick(child<QToolButton>("sb_desenhar"), Qt::LeftButton);
    const auto* chart = std::get_if<IndicatorChart>(&child<ui::ChartView>("img_grafico")->chart());
    ASSERT_NE(chart, nullptr) << dialogs.lastText();
    EXPECT_EQ(chart->years.size(), static_cast<std::size_t>(n));
    EXPECT_NE(chart->title.find("dependência dos idosos"), std::string::npos) << chart->title;
    for (double v : chart->values) {
        EXPECT_GE(v, chart->axisMin);
        EXPECT_LE(v, chart->axisMax);
    }
}
