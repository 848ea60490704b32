// The yearly projection core, the pro-rating, the checks' findings and the
// run driver.
#include "data/sql_engine.h"
#include "engine_fixture.h"

namespace demovia::test {
namespace {

// ---- pro-rating ---------------------------------------------------------------

// values[m] of one age (age 0 of every municipality), the other ages left at 0.
std::vector<double> oneAge(const std::vector<double>& values)
{
    std::vector<double> v(values.size() * 81, 0.0);
    for (std::size_t m = 0; m < values.size(); ++m)
        v[m * 81] = values[m];
    return v;
}

TEST(Prorating, ScalesThenAdjustsWholePersons)
{
    struct Case {
        const char* name;
        std::vector<double> values;
        double target;
        bool scale;
        std::vector<double> expected;
    };
    const std::vector<Case> cases = {
        {"scaled, nothing left over", {10.4, 20.4}, 33, true, {11.44, 22.44}},
        {"the largest takes what is missing", {50, 30, 20}, 102, false, {52, 30, 20}},
        {"two tied share, the first takes the rest", {40, 10, 40}, 87, false, {38, 10, 39}},
        {"a state with nobody of the age", {3.2, 7.7}, 0, true, {0, 0}},
        {"a half never moves two persons at once", {10.5, 10.5}, 21, false, {11, 10.5}},
    };
    for (const auto& c : cases) {
        auto v = oneAge(c.values);
        std::vector<double> target(81, 0.0);
        target[0] = c.target;
        if (c.scale)
            calculo::prorate(v.data(), c.values.size(), target.data(), 2001, false);
        else
            calculo::adjustToTarget(v.data(), c.values.size(), target.data());
        double rounded = 0;
        for (std::size_t m = 0; m < c.values.size(); ++m) {
            EXPECT_NEAR(v[m * 81], c.expected[m], 1e-12) << c.name << " municipality " << m;
            rounded += roundHalfEven(v[m * 81]);
        }
        EXPECT_EQ(rounded, c.target) << c.name;
    }
}

TEST(Prorating, RoundedValuesAddUpAtEveryAge)
{
    const std::size_t n = 5;
    std::vector<double> v(n * 81), target(81);
    for (int a = 0; a < 81; ++a) {
        for (std::size_t m = 0; m < n; ++m)
            v[m * 81 + a] = 3.7 + 41.3 * m + 0.37 * a * (m + 1);
        target[a] = 300 + 3 * a;
    }
    calculo::prorate(v.data(), n, target.data(), 2010, true);
    for (int a = 0; a < 81; ++a) {
        double sum = 0;
        for (std::size_t m = 0; m < n; ++m)
            sum += roundHalfEven(v[m * 81 + a]);
        EXPECT_EQ(sum, target[a]) << a;
    }
}

// ---- projection core ------------------------------------------------------------

TEST(SexRatio, ShareOfBoys)
{
    EXPECT_DOUBLE_EQ(calculo::maleShareOfBirths("105"), 105.0 / 205.0);
    EXPECT_DOUBLE_EQ(calculo::maleShareOfBirths(" 100 "), 0.5);
    EXPECT_THROW(calculo::maleShareOfBirths("1o5"), Error);
    EXPECT_THROW(calculo::maleShareOfBirths(""), Error);
}

// One municipality, K = 1, growth 1, survival at birth 1: every cohort moves
// up one age unchanged.
calculo::ProjectionInput steadyInput(int years)
{
    calculo::ProjectionInput in;
    in.muns = {"0010"};
    in.popMale.assign(81, 1.0);
    in.popFemale.assign(81, 100.0);
    in.popMale[10] = 12.5;
    in.popMale[20] = 13.5;
    in.kMale.assign(81, 1.0);
    in.kFemale.assign(81, 1.0);
    in.crMale.assign(80 * years, 1.0);
    in.crFemale.assign(80 * years, 1.0);
    in.birthMale.assign(years, 1.0);
    in.birthFemale.assign(years, 1.0);
    in.rates.assign(years, {0.05, 0.05, 0.05, 0.05, 0.05, 0.05, 0.05});
    in.years = years;
    in.maleShare = calculo::maleShareOfBirths("105");
    return in;
}

TEST(ProjectionCore, YearTablesBirthsAndHalfEvenRounding)
{
    EngineProject p;
    p.ctx.settings.baseYear = 2000;
    p.ctx.settings.stepsToRun = 6;
    ASSERT_TRUE(p.step().freshTable("NascSexo.dbf", "NascSexo.dbf"));
    auto in = steadyInput(2);
    auto step = p.step();
    calculo::projectYears(step, in);

    EXPECT_EQ(p.outcome.projectedYears, (std::vector<int>{2001, 2002}));
    EXPECT_EQ(p.outcome.firstProjectedYear, 2001);
    EXPECT_EQ(p.monitor.progressMax, 2);
    EXPECT_EQ(p.monitor.progress, 2);
    ASSERT_GE(p.monitor.log.size(), 3u);
    EXPECT_EQ(p.monitor.log[p.monitor.log.size() - 3].rfind("Horário inicial: ", 0), 0u);
    EXPECT_EQ(p.monitor.log[p.monitor.log.size() - 2].rfind("Horário final: ", 0), 0u);
    EXPECT_EQ(p.monitor.log.back(), "Saindo... ");

    const Table y = p.read("2001.dbf");
    ASSERT_EQ(y.size(), 81u);
    EXPECT_EQ(text(y, 11, "ano"), "2001");
    EXPECT_EQ(text(y, 11, "mun"), "0010");
    EXPECT_EQ(num(y, 11, "idade"), 11);
    EXPECT_EQ(text(y, 11, "faixa"), "003");
    EXPECT_EQ(text(y, 80, "faixa"), "017");
    EXPECT_EQ(num(y, 11, "hom_dec"), 12.5);
    EXPECT_EQ(num(y, 11, "hom_int"), 12);
    EXPECT_EQ(num(y, 21, "hom_dec"), 13.5);
    EXPECT_EQ(num(y, 21, "hom_int"), 14);
    EXPECT_EQ(num(y, 80, "mul_dec"), 200); // 79 and 80-and-over together

    // Mothers: 7 groups of 500 women, rate 0.05 each: 175 births, 105 boys to 100 girls.
    EXPECT_NEAR(num(y, 0, "hom_dec"), 175.0 * 105 / 205, 1e-8);
    EXPECT_NEAR(num(y, 0, "mul_dec"), 175.0 * 100 / 205, 1e-8);
    const Table births = p.read("NascSexo.dbf");
    ASSERT_EQ(births.size(), 2u);
    EXPECT_EQ(text(births, 0, "ano"), "2001");
    EXPECT_EQ(text(births, 0, "mun"), "0010");
    EXPECT_EQ(num(births, 0, "hom"), 90);
    EXPECT_EQ(num(births, 0, "mul"), 85);

    const Table y2 = p.read("2002.dbf");
    EXPECT_EQ(num(y2, 12, "hom_dec"), 12.5);
    EXPECT_NEAR(num(y2, 1, "hom_dec"), 175.0 * 105 / 205, 1e-8);
}

TEST(ProjectionCore, CancelKeepsTheYearsCompleted)
{
    EngineProject p;
    p.ctx.settings.baseYear = 2000;
    ASSERT_TRUE(p.step().freshTable("NascSexo.dbf", "NascSexo.dbf"));
    p.monitor.onEvents = [](RecordingMonitor& m) { m.cancel = true; };
    auto in = steadyInput(3);
    auto step = p.step();
    calculo::projectYears(step, in);

    EXPECT_EQ(p.outcome.projectedYears, std::vector<int>{2001});
    EXPECT_TRUE(p.has("2001.dbf"));
    EXPECT_FALSE(p.has("2002.dbf"));
    EXPECT_EQ(p.read("NascSexo.dbf").size(), 1u);
    EXPECT_TRUE(p.monitor.logged("Horário inicial: "));
    EXPECT_TRUE(p.monitor.logged("Horário final: "));
    EXPECT_EQ(p.monitor.log.back(), "Saindo... ");
}

TEST(ProjectionCore, RemainingTimeText)
{
    EXPECT_EQ(calculo::clockText(0), "00:00:00");
    EXPECT_EQ(calculo::clockText(3 * 3600 + 7 * 60 + 9), "03:07:09");
    EXPECT_EQ(calculo::clockText(100 * 3600 + 1), "100:00:01");
}

// ---- the checks' findings ----------------------------------------------------------

ResultSet counts(const std::vector<std::pair<std::string, int>>& rows)
{
    ResultSet r;
    r.columns = {"mun", "qtd_idades"};
    for (const auto& [mun, n] : rows)
        r.rows.push_back(Row{mun, n});
    return r;
}

ResultSet muns(const std::vector<std::string>& codes)
{
    ResultSet r;
    r.columns = {"mun"};
    for (const auto& c : codes)
        r.rows.push_back(Row{c});
    return r;
}

TEST(Checks, ReportSelectionAndQuestion)
{
    calculo::Checks c;
    ASSERT_TRUE(c.interpolated(counts({{"0010", 81}, {"0020", 80}, {"0030", 81}, {"0040", 81}, {"0050", 81}})));
    // 0040 has no K factors at all; 0099 is not interpolated and is ignored.
    ASSERT_TRUE(c.kFactors(counts({{"0010", 81}, {"0020", 81}, {"0030", 81}, {"0050", 81}, {"0099", 5}})));
    // 0050 lacks a projected year of fertility.
    ASSERT_TRUE(c.fertility(muns({"0010", "0010", "0030", "0030", "0040", "0050"}),
                            [](const std::string& mun) { return mun != "0050"; }));
    EXPECT_EQ(c.report(), "Número de idades incorreto em interpolação\n0020 (80), \n"
                          "Fator K em falta\n0040 (0), \n"
                          "Fecundidades\n0020, 0050, \n");
    EXPECT_TRUE(c.anyMarked());
    EXPECT_EQ(c.selected(), (std::vector<std::string>{"0010", "0030"}));
    EXPECT_EQ(c.selection(), " where mun in (\"0010\", \"0030\")");
    EXPECT_EQ(c.confirmation(), "Um ou mais municípios não poderão ser projetados.\n\nVerifique a lista a seguir:\n"
                                "Número de idades incorreto em interpolação\n0020 (80), \n"
                                "Fator K em falta\n0040 (0), \n"
                                "Fecundidades\n0020, 0050,\n\nContinuar");
}

TEST(Checks, LongReportIsCutAtFiveHundredCharacters)
{
    calculo::Checks c;
    std::vector<std::pair<std::string, int>> rows;
    for (int m = 1; m <= 100; ++m)
        rows.push_back({mun4(m), 80});
    ASSERT_TRUE(c.interpolated(counts(rows)));
    const std::string q = c.confirmation();
    const std::string head = "Um ou mais municípios não poderão ser projetados.\n\nVerifique a lista a seguir:\n";
    const std::string listed = q.substr(head.size(), q.size() - head.size() - std::string("\n\nContinuar").size());
    // 500 characters, two of them written with two bytes ("ú", "ç", "ã": three here).
    EXPECT_EQ(listed.size(), 500u + 3u);
    EXPECT_EQ(c.selection(), " where mun in ()");
}

TEST(Checks, EmptyStatementsEndTheStep)
{
    calculo::Checks a;
    EXPECT_FALSE(a.interpolated(counts({})));
    EXPECT_EQ(a.emptyMessage, "Nenhum município disponível para projeção no arquivo interpolado");
    calculo::Checks b;
    ASSERT_TRUE(b.interpolated(counts({{"0010", 81}})));
    EXPECT_FALSE(b.kFactors(counts({})));
    EXPECT_EQ(b.emptyMessage, "Nenhum município disponível para projeção no arquivo de fatores K");
    calculo::Checks c;
    ASSERT_TRUE(c.interpolated(counts({{"0010", 81}})));
    ASSERT_TRUE(c.kFactors(counts({{"0010", 81}})));
    EXPECT_FALSE(c.fertility(muns({}), nullptr));
    EXPECT_EQ(c.emptyMessage, "Nenhum município disponível para projeção no arquivo de\n"
                              "taxas específicas de fecundidade para cada município");
}

// ---- the run driver -------------------------------------------------------------

const char* kDone = "Processo concluído. Clique em FECHAR para fechar a tela";
const char* kCancelled = "Processo cancelado. Clique em FECHAR para fechar a tela";

TEST(RunDriver, MissingLargerAreaProjectionCancelsTheRun)
{
    EngineProject p;
    writeTinyState(p, 2, 2);
    std::filesystem::remove(p.dir / "pop_proj.dbf");
    const RunOutcome out = runProjection(p.ctx, p.monitor, p.dialogs);
    EXPECT_TRUE(out.cancelled);
    EXPECT_TRUE(p.monitor.cancel);
    EXPECT_TRUE(p.monitor.log.empty()); // no step began
    ASSERT_EQ(p.dialogs.log.size(), 2u);
    EXPECT_EQ(p.dialogs.log[0].kind, "warning");
    EXPECT_EQ(p.dialogs.log[0].text, "Você deve especificar o arquivo da população projetada da UF.\n\n"
                                     "Abra a janela \"Projeção do censo\" e, com a guia \"Projeções\"\n"
                                     "selecionada, clique no botão \"Importa\"");
    EXPECT_EQ(p.dialogs.log[1].kind, "warning");
    EXPECT_EQ(p.dialogs.log[1].text, kCancelled);
}

TEST(RunDriver, OneStepOnlyThenCompletion)
{
    EngineProject p;
    writeTinyState(p, 2, 2);
    p.ctx.settings.stepsToRun = 1;
    const RunOutcome out = runProjection(p.ctx, p.monitor, p.dialogs);
    EXPECT_FALSE(out.cancelled);
    EXPECT_EQ(p.monitor.endedWithCancel, 0); // told before the flag is set and the message shown
    EXPECT_TRUE(p.monitor.cancel); // set at the end of every run
    EXPECT_EQ(p.monitor.log, std::vector<std::string>{"Coeficiente de crescimento..."});
    EXPECT_EQ(p.read("CR_UFM.dbf").size(), 34u);
    EXPECT_FALSE(p.has("fator_k.dbf"));
    ASSERT_EQ(p.dialogs.log.size(), 1u);
    EXPECT_EQ(p.dialogs.log[0].kind, "information");
    EXPECT_EQ(p.dialogs.log[0].text, kDone);
}

TEST(RunDriver, MissingFertilityRatesCancelBeforeStepFour)
{
    EngineProject p;
    writeTinyState(p, 2, 2);
    std::filesystem::remove(p.dir / "tx_fec.dbf");
    const RunOutcome out = runProjection(p.ctx, p.monitor, p.dialogs);
    EXPECT_TRUE(out.cancelled);
    EXPECT_EQ(p.monitor.log.front(), "Relação criança / mulher...");
    EXPECT_FALSE(p.monitor.logged("Fecundidade..."));
    EXPECT_FALSE(p.has("interp.dbf"));
    EXPECT_TRUE(p.dialogs.saw("warning", "Você deve especificar o arquivo das taxas de fecundidade."));
    EXPECT_EQ(p.dialogs.lastText(), kCancelled);
}

TEST(RunDriver, CancelDuringInterpolation)
{
    EngineProject p;
    writeTinyState(p, 3, 2);
    // The press is seen at the twentieth census row: the second municipality.
    p.monitor.onEvents = [](RecordingMonitor& m) {
        if (m.events == 20)
            m.cancel = true;
    };
    const RunOutcome out = runProjection(p.ctx, p.monitor, p.dialogs);
    EXPECT_TRUE(out.cancelled);
    EXPECT_EQ(p.monitor.log.front(), "Interpolação...");
    EXPECT_FALSE(p.monitor.logged("Verificando arquivos..."));
    const Table interp = p.read("interp.dbf");
    ASSERT_EQ(interp.size(), 81u); // the first municipality, complete
    EXPECT_EQ(text(interp, 80, "MUN"), "0010");
    EXPECT_FALSE(p.has("2001.dbf"));
    EXPECT_EQ(p.dialogs.lastText(), kCancelled);
    EXPECT_TRUE(out.projectedYears.empty());
}

TEST(RunDriver, AnErrorInAStepEndsTheRun)
{
    EngineProject p;
    writeTinyState(p, 2, 2);
    // The grouped census disappears after step 2: step 3 cannot compute the
    // ratios and says so; step 4 then has no ratios to read, which ends the run.
    p.ctx.offerKModifiers = [&](RunMonitor&) { std::filesystem::remove(p.dir / "Tot_UFM.dbf"); };
    EXPECT_THROW(runProjection(p.ctx, p.monitor, p.dialogs), Error);
    EXPECT_FALSE(p.monitor.cancel);
    ASSERT_EQ(p.dialogs.log.size(), 1u);
    EXPECT_EQ(p.dialogs.log[0].kind, "warning");
    EXPECT_EQ(p.dialogs.log[0].text.rfind("Não foi possível calcular o IDF.\n\nErro original: ", 0), 0u);
    EXPECT_EQ(p.monitor.log.front(), "Fecundidade...");
    EXPECT_FALSE(p.has("tef_mun.dbf") && p.read("tef_mun.dbf").size() > 0);
}

TEST(RunDriver, MultiplierTablesTooShortAreAnError)
{
    TempDir app;
    std::filesystem::create_directories(app / "DBPadrao");
    Table kk(readSchema(appDir() / "DBPadrao" / "kking.dbf"));
    for (int r = 0; r < 14; ++r)
        kk.append(Row{0.1, 0.1, 0.0});
    writeTable(app / "DBPadrao" / "kking.dbf", kk);
    EXPECT_THROW(calculo::loadMultipliers(app.path()), Error);
}

} // namespace
} // namespace demovia::test
