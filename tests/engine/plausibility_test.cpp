#include "data/schema.h"
#include "data/scripted_dialogs.h"
#include "data/table.h"
#include "data/text_util.h"
#include "engine/plausibility.h"
#include "test_util.h"

#include <gtest/gtest.h>

using namespace demovia;

namespace {

// Three municipalities over 2011 and 2012: 0010 with one negative
// interpolated cell and 300 men per 100 women at age 30 in 2012; 0020 with a
// K factor of 2.5; 0030 plausible throughout.
class PlausibilityTest : public ::testing::Test {
protected:
    test::TempDir dir;
    fs::path p;

    void SetUp() override
    {
        p = dir.path();
        for (int year : {2011, 2012}) {
            Table t(templateDef("PsFinais.dbf").fields);
            for (const char* mun : {"0010", "0020", "0030"})
                for (int a = 0; a <= 80; ++a) {
                    double men = 60, women = 60;
                    if (std::string(mun) == "0010" && year == 2012 && a == 30)
                        men = 150, women = 50;   // 200 persons, ratio 300
                    if (std::string(mun) == "0030" && a == 40)
                        men = 80, women = 10;    // ratio 800 but only 90 persons: not judged
                    t.append({year4(year), mun, age3(std::min(a / 5 + 1, 17)), a, men, women, men, women});
                }
            writeTable(p / (year4(year) + ".dbf"), t);
        }
        Table interp(templateDef("interp.dbf").fields);
        Table k(templateDef("fator_k.dbf").fields);
        for (const char* mun : {"0010", "0020", "0030"})
            for (int a = 0; a <= 80; ++a) {
                const bool negative = std::string(mun) == "0010" && a == 79;
                interp.append({"12", mun, age3(std::min(a / 5 + 1, 17)), a, negative ? -0.75 : 3.0, 3.0, 3.0, 3.0});
                const bool high = std::string(mun) == "0020" && a == 5;
                k.append({mun, age3(a), 1.0, high ? 2.5 : 0.9});
            }
        writeTable(p / "interp.dbf", interp);
        writeTable(p / "fator_k.dbf", k);
    }
};

} // namespace

TEST_F(PlausibilityTest, EachCheckFlagsItsMunicipality)
{
    const auto checks = checkRun(p, {2011, 2012}, CheckThresholds{});
    ASSERT_EQ(checks.size(), 3u);

    const MunicipalityCheck& a = checks[0];
    EXPECT_EQ(a.mun, "0010");
    EXPECT_EQ(a.negativeCells, 1);
    EXPECT_EQ(a.smallestInterpolated, -0.75);
    EXPECT_EQ(a.implausibleSexRatios, 1);
    EXPECT_EQ(a.firstImplausible, "2012, 30 anos: 300,0");
    ASSERT_TRUE(a.largestGrowth);
    EXPECT_NEAR(*a.largestGrowth, (9720.0 + 80) / 9720 * 100 - 100, 1e-9); // 81*120 -> +80 persons
    EXPECT_EQ(a.largestGrowthYear, 2012);
    EXPECT_EQ(a.reasons, (std::vector<std::string>{"interpolação negativa", "razão de sexo"}));

    const MunicipalityCheck& b = checks[1];
    EXPECT_EQ(b.kFemaleMax, 2.5);
    EXPECT_EQ(b.kFemaleMin, 0.9);
    EXPECT_EQ(b.kMaleMin, 1.0);
    EXPECT_EQ(b.reasons, (std::vector<std::string>{"fator K"}));

    EXPECT_FALSE(checks[2].flagged()) << checks[2].reasons.size();
    EXPECT_EQ(checks[2].implausibleSexRatios, 0);
    EXPECT_EQ(checksSummaryLine(checks), "Verificações: 2 municípios sinalizados de 3.");

    // Looser thresholds flag nobody; a tighter growth limit flags 0010's growth.
    CheckThresholds loose;
    loose.maxNegativeCells = 1;
    loose.kMax = 3;
    loose.sexRatioMax = 400;
    EXPECT_EQ(flaggedCount(checkRun(p, {2011, 2012}, loose)), 0u);
    loose.maxGrowth = 0.5;
    EXPECT_EQ(checkRun(p, {2011, 2012}, loose)[0].reasons, (std::vector<std::string>{"crescimento"}));
}

TEST(PlausibilityThresholds, ReadFromConfAndABadValueNamesFileAndKey)
{
    test::TempDir dir;
    ScriptedDialogs d;
    EXPECT_EQ(loadCheckThresholds(dir.path(), d).kMax, 2.0); // no conf.ini: the defaults
    EXPECT_TRUE(d.log.empty());

    test::writeBytes(dir.path() / "conf.ini",
                     "[popproj]\r\nEd_QtdHom=105\r\n[verificacoes]\r\nk_max=3,5\r\nnegativos_max=2\r\ncrescimento_max=x\r\n");
    const CheckThresholds t = loadCheckThresholds(dir.path(), d);
    EXPECT_EQ(t.kMax, 3.5);
    EXPECT_EQ(t.maxNegativeCells, 2);
    EXPECT_EQ(t.maxGrowth, 10.0);
    ASSERT_EQ(d.log.size(), 1u);
    EXPECT_NE(d.lastText().find("conf.ini"), std::string::npos);
    EXPECT_NE(d.lastText().find("crescimento_max"), std::string::npos);
}
