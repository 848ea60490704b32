// Steps 1, 2, 4 and 5 on small tables built in code, and the arithmetic
// errors of the engine.
#include "engine_fixture.h"

#include <cmath>

namespace demovia::test {
namespace {

using calculo::Groups;

// Census groups with a recognisable value per column and group.
double h1(int g) { return 100 + 10 * g; }
double w1(int g) { return 200 + g; }
double h2(int g) { return 150 + 7 * g; }
double w2(int g) { return 250 + 3 * g; }

class GrowthStep : public ::testing::TestWithParam<int> {};

TEST_P(GrowthStep, CensusAndLargerAreaCoefficients)
{
    const int shift = GetParam();
    EngineProject p;
    p.ctx.settings.cohortShift = shift;
    p.ctx.settings.baseYear = 2000;
    std::vector<Row> tot, totMun;
    for (int g = 0; g < 17; ++g)
        tot.push_back(Row{"35", age3(g + 1), h1(g), w1(g), h2(g), w2(g)});
    for (const char* mun : {"0010", "0020"})
        for (int g = 0; g < 17; ++g)
            totMun.push_back(Row{"35", mun, age3(g + 1), h1(g), w1(g), h2(g), w2(g)});
    for (int g = 0; g < 5; ++g) // an incomplete block at the end is left out
        totMun.push_back(Row{"35", "0030", age3(g + 1), 1.0, 1.0, 1.0, 1.0});
    p.write("Tot_UF.dbf", tot);
    p.write("Tot_UFM.dbf", totMun);
    auto men = [](int r, int a) { return 1000.0 + 10 * r - a; };
    std::vector<Row> proj;
    for (int r = 0; r < 3; ++r)
        proj.push_back(largerAreaRow([&](int a, bool female) { return men(r, a) + (female ? 500 : 0); }));
    p.write("pop_proj.dbf", proj);

    auto step = p.step();
    calculo::stepGrowth(step);
    EXPECT_EQ(p.monitor.log, std::vector<std::string>{"Coeficiente de crescimento..."});

    const Table uf = p.read("CR_UF.dbf");
    const Table ufm = p.read("CR_UFM.dbf");
    ASSERT_EQ(uf.size(), 17u);
    ASSERT_EQ(ufm.size(), 34u);
    EXPECT_EQ(text(ufm, 0, "MUN"), "0010");
    EXPECT_EQ(text(ufm, 33, "MUN"), "0020");
    for (const Table* t : {&uf, &ufm}) {
        EXPECT_EQ(text(*t, 15, "FAIXA"), "016");
        EXPECT_EQ(text(*t, 16, "FAIXA"), "017");
        EXPECT_EQ(num(*t, 16, "CR_HOM"), 0);
        EXPECT_EQ(num(*t, 16, "CR_MUL"), 0);
        if (shift == 1) {
            EXPECT_NEAR(num(*t, 0, "CR_HOM"), h2(1) / h1(0), 1e-11);
            EXPECT_NEAR(num(*t, 14, "CR_MUL"), w2(15) / w1(14), 1e-11);
            EXPECT_NEAR(num(*t, 15, "CR_HOM"), h2(16) / (h1(15) + h1(16)), 1e-11);
            EXPECT_NEAR(num(*t, 15, "CR_MUL"), w2(16) / (w1(15) + w1(16)), 1e-11);
        } else {
            EXPECT_NEAR(num(*t, 1, "CR_HOM"), h2(2) / h1(0), 1e-11);
            EXPECT_EQ(num(*t, 0, "CR_HOM"), num(*t, 1, "CR_HOM"));
            EXPECT_EQ(num(*t, 0, "CR_MUL"), num(*t, 1, "CR_MUL"));
            EXPECT_NEAR(num(*t, 15, "CR_HOM"), h2(16) / h1(14), 1e-11);
            EXPECT_NEAR(num(*t, 15, "CR_MUL"), w2(16) / w1(14), 1e-11);
        }
    }

    const Table ufp = p.read("CR_UFP.dbf");
    ASSERT_EQ(ufp.size(), 160u); // two pairs of years
    EXPECT_EQ(text(ufp, 0, "ano"), "2000");
    EXPECT_EQ(text(ufp, 0, "idade"), "000");
    EXPECT_NEAR(num(ufp, 5, "cr_hom"), men(1, 6) / men(0, 5), 1e-11);
    EXPECT_EQ(text(ufp, 79, "idade"), "079");
    EXPECT_NEAR(num(ufp, 79, "cr_hom"), men(1, 80) / (men(0, 79) + men(0, 80)), 1e-11);
    EXPECT_NEAR(num(ufp, 79, "cr_mul"), (men(1, 80) + 500) / (men(0, 79) + men(0, 80) + 1000), 1e-11);
    EXPECT_EQ(text(ufp, 80, "ano"), "2001");
    EXPECT_EQ(text(ufp, 159, "idade"), "079");
}

INSTANTIATE_TEST_SUITE_P(Shifts, GrowthStep, ::testing::Values(1, 2));

TEST(KFactorStep, TenYearIntervalExample)
{
    EngineProject p;
    p.ctx.settings = deriveRunSettings("1990", 5, "2000", 5, 7, InterpolationMethod::KarupKing);
    ASSERT_EQ(p.ctx.settings.cohortShift, 2);
    std::vector<Row> uf, ufm;
    for (int g = 0; g < 17; ++g)
        uf.push_back(Row{age3(g + 1), 1.0, 1.0});
    for (int g = 0; g < 17; ++g) // raw male ratio 1.10 at position 0 only
        ufm.push_back(Row{"0010", age3(g + 1), g == 0 ? 1.10 : 1.0, 1.0});
    for (int g = 0; g < 17; ++g) // equal to the state's everywhere
        ufm.push_back(Row{"0020", age3(g + 1), 1.0, 1.0});
    p.write("CR_UF.dbf", uf);
    p.write("CR_UFM.dbf", ufm);
    std::size_t rowsWhenOffered = 0;
    int offers = 0;
    p.ctx.offerKModifiers = [&](RunMonitor&) {
        ++offers;
        rowsWhenOffered = p.read("fator_k.dbf").size();
    };

    auto step = p.step();
    calculo::stepKFactor(step);
    EXPECT_EQ(offers, 1);
    EXPECT_EQ(rowsWhenOffered, 162u);

    const Table k = p.read("fator_k.dbf");
    ASSERT_EQ(k.size(), 162u);
    EXPECT_NEAR(num(k, 0, "K_HOM"), 1.0047769, 1e-7);
    for (int x = 1; x <= 4; ++x)
        EXPECT_NEAR(num(k, x, "K_HOM"), 1.0095766, 1e-7) << x;
    for (int x = 5; x <= 9; ++x) // smoothed: (1.10 + 1) / 2
        EXPECT_NEAR(num(k, x, "K_HOM"), std::pow(1.05, 0.1), 1e-10) << x;
    for (int x = 56; x <= 80; ++x)
        EXPECT_EQ(num(k, x, "K_HOM"), num(k, 55, "K_HOM")) << x;
    for (std::size_t r = 0; r < k.size(); ++r) {
        EXPECT_EQ(text(k, r, "IDADE"), age3(static_cast<long long>(r % 81)));
        EXPECT_NEAR(num(k, r, "K_MUL"), 1.0, 1e-12);
        if (r >= 81)
            EXPECT_NEAR(num(k, r, "K_HOM"), 1.0, 1e-12);
    }
    EXPECT_EQ(text(k, 81, "MUN"), "0020");
}

TEST(FertilityStep, StateMeansAndMunicipalRates)
{
    EngineProject p;
    p.ctx.settings.baseYear = 2000;
    const double r0[7] = {0.02, 0.08, 0.07, 0.05, 0.03, 0.01, 0.004};
    std::vector<Row> tx;
    for (double scale : {1.0, 2.0, 2.0}) {
        Row r{"35"};
        for (double v : r0)
            r.push_back(v * scale);
        tx.push_back(r);
    }
    p.write("tx_fec.dbf", tx);
    // 0030 has no idf: no women of 15 to 39 at census 2.
    p.write("rcm.dbf", {Row{"35", "0010", 1, 1, 1, 1, 1, 1, 1.0}, Row{"35", "0020", 1, 1, 1, 1, 1, 1, 1.25},
                        Row{"35", "0030", 1, 1, Value(), 1, 0, Value(), Value()}});

    auto step = p.step();
    calculo::stepFertility(step);
    EXPECT_FALSE(p.monitor.cancel);

    const Table ufp = p.read("tef_ufp.dbf");
    ASSERT_EQ(ufp.size(), 3u);
    EXPECT_EQ(num(ufp, 0, "ano"), 2000);
    EXPECT_NEAR(num(ufp, 0, "tft"), 1.32, 1e-12);
    EXPECT_EQ(num(ufp, 2, "ano"), 2002);

    const Table ufm = p.read("tef_ufm.dbf");
    ASSERT_EQ(ufm.size(), 2u);
    EXPECT_EQ(num(ufm, 0, "ano"), 2001);
    EXPECT_NEAR(num(ufm, 0, "trf_1"), 0.08 * 1.5, 1e-14);
    EXPECT_NEAR(num(ufm, 0, "tft"), 1.98, 1e-11);
    EXPECT_NEAR(num(ufm, 1, "tft"), 2.64, 1e-11);

    const Table mun = p.read("tef_mun.dbf");
    ASSERT_EQ(mun.size(), 4u);
    const char* order[4][2] = {{"2001", "0010"}, {"2001", "0020"}, {"2002", "0010"}, {"2002", "0020"}};
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(text(mun, i, "ano"), order[i][0]);
        EXPECT_EQ(text(mun, i, "mun"), order[i][1]);
    }
    EXPECT_NEAR(num(mun, 0, "trf_0"), num(ufm, 0, "trf_0"), 1e-14);
    EXPECT_NEAR(num(mun, 0, "tft"), 1.98, 1e-11);
    EXPECT_NEAR(num(mun, 1, "trf_6"), 0.004 * 1.5 * 1.25, 1e-14);
    EXPECT_NEAR(num(mun, 1, "tft"), 1.98 * 1.25, 1e-11);
}

// ---- interpolation --------------------------------------------------------

class InterpolationStep : public ::testing::TestWithParam<InterpolationMethod> {};

TEST_P(InterpolationStep, FlatPopulationGivesEqualSingleAges)
{
    EngineProject p;
    p.ctx.settings.method = GetParam();
    std::vector<Row> ufm;
    for (int g = 0; g < 17; ++g) {
        const double v = g < 16 ? 5000 : 7777;
        ufm.push_back(Row{"35", "10", age3(g + 1), v, v, v, v});
    }
    p.write("Tot_UFM.dbf", ufm);

    auto step = p.step();
    calculo::stepInterpolation(step);
    const Table t = p.read("interp.dbf");
    ASSERT_EQ(t.size(), 81u);
    for (int x = 0; x < 81; ++x) {
        EXPECT_EQ(text(t, x, "UF"), "35");
        EXPECT_EQ(text(t, x, "MUN"), "0010");
        EXPECT_EQ(num(t, x, "IDADE"), x);
        EXPECT_EQ(text(t, x, "FAIXA"), age3(x / 5 + 1));
        for (const char* c : {"HOM1", "MUL1", "HOM2", "MUL2"})
            EXPECT_NEAR(num(t, x, c), x < 80 ? 1000 : 7777, 1e-6) << c << " " << x;
    }
    EXPECT_EQ(text(t, 80, "FAIXA"), "017");
    EXPECT_EQ(p.monitor.events, 17);
}

TEST_P(InterpolationStep, EveryFiveAgesAddUpToTheirGroup)
{
    const auto m = calculo::loadMultipliers(appDir());
    Groups g{};
    for (int i = 0; i < 17; ++i) // an uneven profile, as real municipalities have
        g[i] = 900 + 400 * std::sin(i * 1.3) + 35.0 * i * i - (i % 3) * 120;
    const auto s = calculo::interpolate(g, GetParam(), m);
    for (int i = 0; i < 16; ++i) {
        double sum = 0;
        for (int x = 5 * i; x < 5 * i + 5; ++x)
            sum += s[x];
        EXPECT_NEAR(sum, g[i], 1e-9) << "group " << i + 1;
    }
    EXPECT_EQ(s[80], g[16]);
}

INSTANTIATE_TEST_SUITE_P(Methods, InterpolationStep,
                         ::testing::Values(InterpolationMethod::KarupKing, InterpolationMethod::Sprague));

TEST(InterpolationStep, SpragueDiffersFromKarupKingBelowEightyOnly)
{
    const auto m = calculo::loadMultipliers(appDir());
    Groups g{};
    for (int i = 0; i < 17; ++i)
        g[i] = 1000 + 90.0 * i * i - 7.0 * i * i * i;
    const auto kk = calculo::interpolate(g, InterpolationMethod::KarupKing, m);
    const auto sp = calculo::interpolate(g, InterpolationMethod::Sprague, m);
    EXPECT_NE(kk[3], sp[3]);
    EXPECT_NE(kk[72], sp[72]);
    EXPECT_EQ(kk[80], sp[80]);
}

// ---- arithmetic errors ------------------------------------------------------

struct ErrorCase {
    const char* name;
    std::function<void(EngineProject&)> run;
    std::vector<std::string> inMessage;
};

TEST(ArithmeticErrors, ZeroDivisorsAndNegativeBasesStopWithAClearMessage)
{
    const std::vector<ErrorCase> cases = {
        {"larger area with nobody of one age",
         [](EngineProject& p) {
             p.ctx.settings.baseYear = 2000;
             p.write("pop_proj.dbf", {largerAreaRow([](int a, bool f) { return a == 5 && !f ? 0.0 : 100.0; }),
                                      largerAreaRow([](int, bool) { return 100.0; })});
             auto s = p.step();
             calculo::stepGrowth(s);
         },
         {"CR_UFP.dbf", "ano 2000", "idade 005", "homens"}},
        {"municipality with an empty group at census 1",
         [](EngineProject& p) {
             p.ctx.settings.cohortShift = 1;
             std::vector<Row> tot, mun;
             for (int g = 0; g < 17; ++g) {
                 tot.push_back(Row{"35", age3(g + 1), 10.0, 10.0, 10.0, 10.0});
                 mun.push_back(Row{"35", "0040", age3(g + 1), 10.0, g == 3 ? 0.0 : 10.0, 10.0, 10.0});
             }
             p.write("pop_proj.dbf", {largerAreaRow([](int, bool) { return 100.0; })});
             p.write("Tot_UF.dbf", tot);
             p.write("Tot_UFM.dbf", mun);
             auto s = p.step();
             calculo::stepGrowth(s);
         },
         {"CR_UFM.dbf", "município 0040", "mulheres", "faixa 004"}},
        {"state growth coefficient of 0",
         [](EngineProject&) {
             Groups m{}, st{};
             m.fill(1.0);
             st.fill(1.0);
             st[7] = 0;
             calculo::kFactors(m, st, 1, 0.2, "fator_k.dbf, município 0010, homens");
         },
         {"Divisão por zero", "município 0010", "faixa 008"}},
        {"negative base with a fractional exponent",
         [](EngineProject&) {
             Groups m{}, st{};
             m.fill(1.0);
             st.fill(1.0);
             m[2] = -0.5;
             calculo::kFactors(m, st, 1, 0.2, "fator_k.dbf, município 0010, mulheres");
         },
         {"expoente fracionário", "município 0010", "mulheres", "faixa 003"}},
        {"state fertility of 0 in a year",
         [](EngineProject& p) {
             p.ctx.settings.baseYear = 2000;
             p.write("tx_fec.dbf", {Row{"35", 0, 0, 0, 0, 0, 0, 0}, Row{"35", 0, 0, 0, 0, 0, 0, 0}});
             p.write("rcm.dbf", {Row{"35", "0010", 1, 1, 1, 1, 1, 1, 1.0}});
             auto s = p.step();
             calculo::stepFertility(s);
         },
         {"tef_mun.dbf", "ano 2001"}},
        {"pro-rating an age nobody has in the municipalities",
         [](EngineProject&) {
             std::vector<double> v(2 * 81, 10.0);
             v[7] = 0.2;
             v[81 + 7] = 0.4;
             std::vector<double> target(81, 20.0);
             calculo::prorate(v.data(), 2, target.data(), 2005, true);
         },
         {"2005", "mulheres", "idade 007"}},
    };
    for (const auto& c : cases) {
        EngineProject p;
        try {
            c.run(p);
            ADD_FAILURE() << c.name << ": no error";
        } catch (const ArithmeticError& e) {
            for (const auto& part : c.inMessage)
                EXPECT_NE(std::string(e.what()).find(part), std::string::npos) << c.name << ": " << e.what();
        }
    }
}

} // namespace
} // namespace demovia::test
