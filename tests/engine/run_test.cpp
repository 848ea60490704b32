// Whole runs over a small state: the child/woman ratio, the checks before the
// projection, cancelling, short inputs and the seven steps end to end.
#include "engine_fixture.h"

#include <map>

namespace demovia::test {
namespace {

const char* kDone = "Processo concluído. Clique em FECHAR para fechar a tela";
const char* kCancelled = "Processo cancelado. Clique em FECHAR para fechar a tela";

TEST(ChildWomanStep, IdfAgainstTheState)
{
    EngineProject p;
    // (children 0-4, women 15-39): (100, 400), (300, 600), and one without
    // any women of those ages.
    std::vector<Row> rows;
    auto block = [&](const char* mun, double boys, double girls, double women) {
        for (int g = 1; g <= 17; ++g) {
            const double w = g >= 4 && g <= 8 ? women / 5 : 33;
            rows.push_back(Row{"35", mun, age3(g), 1.0, 1.0, g == 1 ? boys : 7.0, g == 1 ? girls : w});
        }
    };
    block("0010", 60, 40, 400);
    block("0020", 150, 150, 600);
    block("0030", 0, 0, 0);
    p.write("Tot_UFM.dbf", rows);

    auto step = p.step();
    calculo::stepChildWoman(step);
    EXPECT_EQ(p.monitor.log, std::vector<std::string>{"Relação criança / mulher..."});
    EXPECT_TRUE(p.dialogs.log.empty()) << p.dialogs.lastText();

    const Table rcm = p.read("rcm.dbf");
    std::map<std::string, std::size_t> at;
    for (std::size_t r = 0; r < rcm.size(); ++r)
        at[text(rcm, r, "mun")] = r;
    ASSERT_TRUE(at.count("0010") && at.count("0020"));
    EXPECT_NEAR(num(rcm, at["0010"], "rcm_amaior"), 0.4, 1e-12);
    EXPECT_NEAR(num(rcm, at["0010"], "rcm_amenor"), 0.25, 1e-12);
    EXPECT_NEAR(num(rcm, at["0010"], "idf"), 0.625, 1e-12);
    EXPECT_NEAR(num(rcm, at["0020"], "idf"), 1.25, 1e-12);
    EXPECT_EQ(num(rcm, at["0020"], "cam_amaior"), 400);
    EXPECT_EQ(num(rcm, at["0020"], "mul_amaior"), 1000);
    ASSERT_TRUE(at.count("0030"));
    EXPECT_TRUE(rcm.rows[at["0030"]][rcm.field("idf")].isNull()); // no idf rather than an impossible number
    EXPECT_TRUE(rcm.rows[at["0030"]][rcm.field("rcm_amenor")].isNull());

    // Step 4 gives it no fertility rates, so the checks will leave it out.
    p.write("tx_fec.dbf", {Row{"35", 0.02, 0.08, 0.07, 0.05, 0.03, 0.01, 0.004},
                           Row{"35", 0.02, 0.08, 0.07, 0.05, 0.03, 0.01, 0.004}});
    calculo::stepFertility(step);
    const Table tef = p.read("tef_mun.dbf");
    ASSERT_EQ(tef.size(), 2u);
    for (std::size_t r = 0; r < tef.size(); ++r)
        EXPECT_NE(text(tef, r, "mun"), "0030");
}

// Runs steps 1 to 5 on the small state; the projection step is then called
// on its own, after the test has changed its inputs.
void prepare(EngineProject& p, int municipalities, int years)
{
    writeTinyState(p, municipalities, years);
    p.ctx.settings.stepsToRun = 5;
    runProjection(p.ctx, p.monitor, p.dialogs);
    ASSERT_TRUE(p.dialogs.saw("information", kDone));
    p.dialogs.log.clear();
    p.monitor = RecordingMonitor();
    p.ctx.settings.stepsToRun = 6;
}

// Keeps the rows for which keep(row) is true.
void filter(EngineProject& p, const std::string& file, const std::function<bool(const Table&, const Row&)>& keep)
{
    Table t = p.read(file);
    std::vector<Row> kept;
    for (const auto& r : t.rows)
        if (keep(t, r))
            kept.push_back(r);
    t.rows = kept;
    writeTable(p.dir / file, t);
}

class ChecksBeforeProjection : public ::testing::TestWithParam<bool> {};

TEST_P(ChecksBeforeProjection, MisalignedMunicipalitiesAreListedAndLeftOut)
{
    const bool goOn = GetParam();
    EngineProject p;
    prepare(p, 4, 3);
    // 0020 lacks age 80 in the interpolation, 0030 every K factor, 0010 the
    // fertility of 2002.
    filter(p, "interp.dbf", [](const Table& t, const Row& r) {
        return !(r[t.field("mun")].toText() == "0020" && r[t.field("idade")].toDouble() == 80);
    });
    filter(p, "fator_k.dbf", [](const Table& t, const Row& r) { return r[t.field("mun")].toText() != "0030"; });
    filter(p, "tef_mun.dbf", [](const Table& t, const Row& r) {
        return !(r[t.field("mun")].toText() == "0010" && r[t.field("ano")].toText() == "2002");
    });
    p.dialogs.confirmAnswers = {goOn};

    auto step = p.step();
    calculo::stepProjection(step);
    ASSERT_GE(p.dialogs.log.size(), 1u);
    EXPECT_EQ(p.dialogs.log[0].kind, "confirm");
    EXPECT_EQ(p.dialogs.log[0].text, "Um ou mais municípios não poderão ser projetados.\n\n"
                                     "Verifique a lista a seguir:\n"
                                     "Número de idades incorreto em interpolação\n0020 (80), \n"
                                     "Fator K em falta\n0030 (0), \n"
                                     "Fecundidades\n0010,\n\nContinuar");
    EXPECT_FALSE(p.monitor.cancel);
    if (!goOn) {
        EXPECT_FALSE(p.monitor.logged("Projeção..."));
        EXPECT_FALSE(p.has("2001.dbf"));
        return;
    }
    EXPECT_EQ(p.dialogs.log.size(), 1u);
    for (const char* year : {"2001.dbf", "2002.dbf", "2003.dbf"}) {
        const Table t = p.read(year);
        ASSERT_EQ(t.size(), 81u) << year;
        EXPECT_EQ(text(t, 0, "mun"), "0040");
        EXPECT_EQ(text(t, 80, "mun"), "0040");
    }
    EXPECT_EQ(p.read("NascSexo.dbf").size(), 3u);
    EXPECT_EQ(p.outcome.projectedYears, (std::vector<int>{2001, 2002, 2003}));
}

INSTANTIATE_TEST_SUITE_P(Answers, ChecksBeforeProjection, ::testing::Values(true, false));

TEST(ChecksBeforeProjection, AllCompleteAsksNothing)
{
    EngineProject p;
    prepare(p, 2, 2);
    auto step = p.step();
    calculo::stepProjection(step);
    EXPECT_TRUE(p.dialogs.log.empty()) << p.dialogs.lastText();
    EXPECT_EQ(p.read("2002.dbf").size(), 162u);
    EXPECT_EQ(p.monitor.log[0], "Projeção...");
    EXPECT_EQ(p.monitor.log[1], "Verificando arquivos...");
}

TEST(YearTables, AYearThatCannotBeWrittenEndsTheStepKeepingTheYearsBefore)
{
    EngineProject p;
    prepare(p, 2, 3);
    fs::create_directories(p.dir / "2002.dbf"); // a folder where the table should go
    auto step = p.step();
    calculo::stepProjection(step);
    EXPECT_EQ(p.dialogs.lastText(), "Não foi possível copiar o arquivo " + (p.dir.path() / "").string() +
                                        "2002\n\nEle pode estar em uso por outra aplicação.\n\n"
                                        "Não será possível continuar\n\nErro original: Is a directory");
    EXPECT_EQ(p.read("2001.dbf").size(), 162u);
    EXPECT_FALSE(p.has("2003.dbf"));
    EXPECT_EQ(p.read("NascSexo.dbf").size(), 2u); // the births of 2001
    EXPECT_EQ(p.outcome.projectedYears, std::vector<int>{2001});
    EXPECT_FALSE(p.monitor.logged("Saindo... ")); // the step ended at once
    EXPECT_TRUE(p.outcome.failed);
}

struct ShortCase {
    const char* name;
    int steps;
    std::function<void(EngineProject&)> shorten;
    const char* message;
};

TEST(ShortInputs, StopBeforeAnyYearTable)
{
    const std::vector<ShortCase> cases = {
        {"growth coefficients for fewer years", 6,
         [](EngineProject& p) {
             filter(p, "CR_UFP.dbf", [](const Table& t, const Row& r) { return r[t.field("ano")].toText() != "2002"; });
         },
         "Os coeficientes de crescimento da UF (CR_UFP.dbf) cobrem 2 ano(s), menos que os 3 anos a projetar."},
        {"state projection shorter than the horizon", 7,
         [](EngineProject& p) {
             Table t = p.read("pop_proj.dbf");
             t.rows.resize(3);
             writeTable(p.dir / "pop_proj.dbf", t);
         },
         "A população projetada da UF (pop_proj.dbf) vai até o ano 2002, antes do último ano a projetar, 2003."},
        {"no year to project", 6,
         [](EngineProject& p) { p.write("relnas_m.dbf", {}, "rel_nas.dbf"); },
         "Não há anos a projetar"},
        {"fertility up to the base year only", 6,
         [](EngineProject& p) {
             filter(p, "tef_mun.dbf", [](const Table&, const Row&) { return false; });
         },
         "Nenhum município disponível para projeção no arquivo de\ntaxas específicas de fecundidade"},
    };
    for (const auto& c : cases) {
        EngineProject p;
        prepare(p, 2, 3);
        c.shorten(p);
        p.ctx.settings.stepsToRun = c.steps;
        auto step = p.step();
        calculo::stepProjection(step);
        EXPECT_TRUE(p.dialogs.saw("warning", c.message)) << c.name << ": " << p.dialogs.lastText();
        EXPECT_FALSE(p.has("2001.dbf")) << c.name;
        EXPECT_TRUE(p.outcome.projectedYears.empty()) << c.name;
    }
}

TEST(RunDriver, CancelDuringProjectionKeepsTheYearsDone)
{
    EngineProject p;
    writeTinyState(p, 2, 4);
    // Step 5 lets events through 34 times (17 rows each); the next time is
    // after the first projected year.
    p.monitor.onEvents = [](RecordingMonitor& m) {
        if (m.events == 35)
            m.cancel = true;
    };
    const RunOutcome out = runProjection(p.ctx, p.monitor, p.dialogs);
    EXPECT_TRUE(out.cancelled);
    EXPECT_EQ(out.projectedYears, std::vector<int>{2001});
    EXPECT_EQ(out.firstProjectedYear, 2001);
    EXPECT_TRUE(p.has("2001.dbf"));
    EXPECT_FALSE(p.has("2002.dbf"));
    EXPECT_EQ(p.read("NascSexo.dbf").size(), 2u);
    ASSERT_GE(p.monitor.log.size(), 3u);
    const auto n = p.monitor.log.size();
    EXPECT_EQ(p.monitor.log[n - 3].rfind("Horário inicial: ", 0), 0u);
    EXPECT_EQ(p.monitor.log[n - 2].rfind("Horário final: ", 0), 0u);
    EXPECT_EQ(p.monitor.log[n - 1], "Saindo... ");
    EXPECT_EQ(p.dialogs.lastText(), kCancelled);
    EXPECT_EQ(p.dialogs.log.back().kind, "warning");
}

TEST(EndToEnd, SevenStepsAddUpToTheStateProjection)
{
    EngineProject p;
    const int years = 4;
    writeTinyState(p, 3, years);
    p.ctx.sexRatioText = "105";
    const RunOutcome out = runProjection(p.ctx, p.monitor, p.dialogs);

    ASSERT_EQ(p.dialogs.log.size(), 1u) << p.dialogs.log[0].text;
    EXPECT_EQ(p.dialogs.log[0].text, kDone);
    EXPECT_FALSE(out.cancelled);
    EXPECT_EQ(out.projectedYears, (std::vector<int>{2001, 2002, 2003, 2004}));
    EXPECT_EQ(out.firstProjectedYear, 2001);
    const std::vector<std::string> steps(p.monitor.log.begin(), p.monitor.log.begin() + 7);
    EXPECT_EQ(steps, (std::vector<std::string>{"Projeção...", "Verificando arquivos...", "Interpolação...",
                                               "Fecundidade...", "Relação criança / mulher...", "Fator K...",
                                               "Coeficiente de crescimento..."}));
    // The projection's last line, then the plausibility checks' count.
    ASSERT_GE(p.monitor.log.size(), 2u);
    EXPECT_EQ(p.monitor.log[p.monitor.log.size() - 2], "Saindo... ");
    EXPECT_EQ(p.monitor.log.back(), "Verificações: 0 municípios sinalizados de 3.");

    const Table state = p.read("pop_proj.dbf");
    for (int y = 1; y <= years; ++y) {
        const Table t = p.read(std::to_string(2000 + y) + ".dbf");
        ASSERT_EQ(t.size(), 3u * 81u);
        double men[81] = {}, women[81] = {};
        for (std::size_t r = 0; r < t.size(); ++r) {
            const int a = static_cast<int>(num(t, r, "idade"));
            EXPECT_EQ(num(t, r, "hom_int"), roundHalfEven(num(t, r, "hom_dec")));
            EXPECT_EQ(num(t, r, "mul_int"), roundHalfEven(num(t, r, "mul_dec")));
            men[a] += num(t, r, "hom_int");
            women[a] += num(t, r, "mul_int");
        }
        for (int a = 0; a < 81; ++a) {
            EXPECT_EQ(men[a], roundHalfEven(state.rows[y][1 + a].toDouble())) << 2000 + y << " men " << a;
            EXPECT_EQ(women[a], roundHalfEven(state.rows[y][82 + a].toDouble())) << 2000 + y << " women " << a;
        }
    }
    const Table births = p.read("NascSexo.dbf");
    ASSERT_EQ(births.size(), 12u);
    EXPECT_EQ(text(births, 0, "ano"), "2001");
    EXPECT_EQ(text(births, 11, "mun"), "0030");
    EXPECT_GT(num(births, 0, "hom"), num(births, 0, "mul")); // 105 boys to 100 girls
}

} // namespace
} // namespace demovia::test
