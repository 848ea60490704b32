#include "data/error.h"
#include "data/schema.h"
#include "data/table.h"
#include "data/text_util.h"
#include "test_util.h"

#include <gtest/gtest.h>
#include <shapefil.h>

#include <cmath>

using namespace demovia;
using demovia::test::TempDir;

TEST(Masks, PadButNeverCut)
{
    struct Case { long long v; const char* mask; const char* want; };
    for (auto c : std::vector<Case>{{7, "000#", "0007"}, {12345, "000#", "12345"}, {5, "0#", "05"},
                                    {35, "0#", "35"}, {9, "00#", "009"}, {80, "000", "080"}, {2010, "0000", "2010"}})
        EXPECT_EQ(formatMask(c.v, c.mask), c.want) << c.v << " " << c.mask;
    EXPECT_LT(std::string("009"), std::string("010"));
    EXPECT_LT(std::string("010"), std::string("081"));
}

TEST(TextHelpers, KeyFilterCountAndLastCharacters)
{
    for (char k : std::string("0123456789\b"))
        EXPECT_EQ(keyFilter(k), k);
    for (char k : std::string("-,.a Z+"))
        EXPECT_EQ(keyFilter(k), 0) << k;
    EXPECT_EQ(countChar("35;0050;\"12\";7;", ';'), 4);
    EXPECT_EQ(countChar("", ';'), 0);
    EXPECT_EQ(lastChars("abcdef", 3), "def");
    EXPECT_EQ(lastChars("abc", 30), "abc");
    EXPECT_EQ(lastChars("São Paulo/mun.dbf", 15), "o Paulo/mun.dbf");
    EXPECT_EQ(lastChars("ção", 2), "ão"); // an accented letter is one character
}

TEST(Rounding, HalfGoesToEven)
{
    EXPECT_EQ(roundHalfEven(12.5), 12);
    EXPECT_EQ(roundHalfEven(13.5), 14);
    EXPECT_EQ(roundHalfEven(-2.5), -2);
    EXPECT_EQ(roundHalfEven(2.4999), 2);
}

static Table sample()
{
    Table t({{"mun", 'C', 4, 0}, {"nome", 'C', 20, 0}, {"pop", 'N', 12, 0}, {"k", 'N', 19, 12}});
    t.append({Value("0010"), Value("São João d'Aliança"), Value(1234.0), Value(1.0095765827)});
    t.append({Value("0020"), Value("Açaí"), Value(), Value(std::pow(1.1, 0.1))});
    return t;
}

TEST(TableStore, RoundTripKeepsValuesOrderAndAccents)
{
    TempDir d;
    writeTable(d / "t.dbf", sample());
    Table r = readTable(d / "t.dbf");
    ASSERT_EQ(r.fields.size(), 4u);
    EXPECT_EQ(r.fields[3].width, 19);
    EXPECT_EQ(r.fields[3].decimals, 12);
    ASSERT_EQ(r.size(), 2u);
    EXPECT_EQ(r.rows[0][0].toText(), "0010");
    EXPECT_EQ(r.rows[0][1].toText(), "São João d'Aliança");
    EXPECT_EQ(r.rows[1][1].toText(), "Açaí");
    EXPECT_EQ(r.rows[0][2].toDouble(), 1234);
    EXPECT_TRUE(r.rows[1][2].isNull());
    const double k = std::pow(1.1, 0.1);
    EXPECT_NEAR(r.rows[1][3].toDouble() / k, 1.0, 1e-10);
}

TEST(TableStore, CodePageInHeaderAndShapelibReadsTheSameValues)
{
    TempDir d;
    writeTable(d / "t.dbf", sample());
    std::string bytes = test::readBytes(d / "t.dbf");
    EXPECT_EQ(static_cast<unsigned char>(bytes[29]), 0x03);
    DBFHandle h = DBFOpen((d / "t.dbf").c_str(), "rb");
    ASSERT_NE(h, nullptr);
    EXPECT_EQ(DBFGetRecordCount(h), 2);
    EXPECT_STREQ(DBFReadStringAttribute(h, 0, 0), "0010");
    EXPECT_EQ(DBFReadIntegerAttribute(h, 0, 2), 1234);
    EXPECT_NEAR(DBFReadDoubleAttribute(h, 1, 3), std::pow(1.1, 0.1), 1e-12);
    DBFClose(h);
}

TEST(TableStore, ValueTooWideFailsAndLeavesTheFileUntouched)
{
    TempDir d;
    writeTable(d / "t.dbf", sample());
    const std::string before = test::readBytes(d / "t.dbf");
    struct Case { int field; Value v; };
    for (const auto& c : std::vector<Case>{{0, Value("00100")}, {2, Value(1e13)}, {3, Value(1e7)},
                                           {3, Value(std::nan(""))}}) {
        Table t = sample();
        t.rows[0][c.field] = c.v;
        try {
            writeTable(d / "t.dbf", t);
            FAIL() << "accepted " << c.v.toText();
        } catch (const Error& e) {
            EXPECT_NE(std::string(e.what()).find(t.fields[c.field].name), std::string::npos) << e.what();
        }
        EXPECT_EQ(test::readBytes(d / "t.dbf"), before);
    }
    for (const auto& e : fs::directory_iterator(d.path()))
        EXPECT_EQ(e.path().filename(), "t.dbf") << "temporary file left behind";
}

TEST(TableStore, DeletedRowsAreNotRowsAndNamesIgnoreCase)
{
    TempDir d;
    fs::create_directories(d / "Proj");
    writeTable(d / "Proj" / "Tot_UF.dbf", sample());
    DBFHandle h = DBFOpen((d / "Proj" / "Tot_UF.dbf").c_str(), "rb+");
    ASSERT_NE(h, nullptr);
    DBFMarkRecordDeleted(h, 0, 1);
    DBFClose(h);
    for (const char* name : {"Proj/Tot_UF.dbf", "Proj//tot_uf.dbf", "proj/TOT_UF.DBF"}) {
        Table r = readTable(d / name);
        ASSERT_EQ(r.size(), 1u) << name;
        EXPECT_EQ(r.rows[0][0].toText(), "0020");
    }
    // A write through another case keeps the file's own name.
    writeTable(d / "Proj" / "TOT_UF.DBF", sample());
    EXPECT_TRUE(fs::exists(d / "Proj" / "Tot_UF.dbf"));
    EXPECT_FALSE(fs::exists(d / "Proj" / "TOT_UF.DBF"));
}

TEST(TableStore, TemplateCopyModes)
{
    TempDir d;
    writeTable(d / "tmpl.dbf", sample());
    writeTable(d / "target.dbf", sample());
    copyTemplate(d / "tmpl.dbf", d / "target.dbf", CopyMode::Replace);
    EXPECT_EQ(readTable(d / "target.dbf").size(), 0u);
    EXPECT_EQ(readTable(d / "target.dbf").fields.size(), 4u);
    writeTable(d / "target.dbf", sample());
    copyTemplate(d / "tmpl.dbf", d / "target.dbf", CopyMode::DeleteThenCreate);
    EXPECT_EQ(readTable(d / "target.dbf").size(), 0u);
    EXPECT_THROW(copyTemplate(d / "missing.dbf", d / "target.dbf", CopyMode::Replace), Error);
    EXPECT_THROW(readTable(d / "missing.dbf"), Error);
}

TEST(Templates, EveryTemplateIsBuiltWithItsFields)
{
    for (const auto& def : templateDefs()) {
        auto f = readSchema(test::appDir() / "DBVazio" / def.file);
        ASSERT_EQ(f.size(), def.fields.size()) << def.file;
        for (std::size_t i = 0; i < f.size(); ++i)
            EXPECT_TRUE(equalsNoCase(f[i].name, def.fields[i].name)) << def.file << " " << f[i].name;
    }
    EXPECT_EQ(readSchema(test::appDir() / "DBVazio" / "CENSO1.db").size(), 166u);
}

TEST(Templates, FractionalFieldsKeepTenSignificantDigits)
{
    struct Case { const char* file; const char* field; double value; };
    const std::vector<Case> cases = {
        {"fator_k.dbf", "K_HOM", std::pow(1.1, 0.1)},     // factors near 1
        {"CR_UFP.dbf", "cr_mul", 0.987654321987},          // coefficients
        {"tef_mun.dbf", "trf_6", 0.00412345678912},        // small rates
        {"PsFinais.dbf", "hom_dec", 7.23939838123},         // a few unrounded persons
        {"interp.dbf", "MUL2", 123456.789012345},           // many unrounded persons
        {"sprague.dbf", "coef_2", -0.2768},                 // multipliers
    };
    TempDir d;
    for (const auto& c : cases) {
        Table t(templateDef(c.file).fields);
        Row& r = t.append();
        const int f = t.field(c.field);
        r[f] = Value(c.value);
        writeTable(d / c.file, t);
        const double back = readTable(d / c.file).rows.at(0)[f].toDouble();
        EXPECT_NEAR(back / c.value, 1.0, 1e-10) << c.file << " " << c.field;
    }
}

TEST(TextHelpers, TypedMunicipalityCode)
{
    EXPECT_EQ(typedMunCode(""), "0000");
    EXPECT_EQ(typedMunCode(" 7 "), "0007");
    EXPECT_EQ(typedMunCode("0050"), "0050");
    EXPECT_EQ(typedMunCode("12345"), "12345");
    EXPECT_THROW(typedMunCode("5x"), Error);
}

// A header claiming more than the file holds is a damaged file, named, and
// nothing is allocated for the claim.
TEST(TableStore, ADamagedHeaderIsReportedNamingTheFile)
{
    TempDir d;
    const fs::path file = d / "t.dbf";
    Table t({{"a", 'N', 5, 0}, {"b", 'C', 3, 0}});
    t.append({Value(1.0), Value("x")});
    writeTable(file, t);
    const std::string good = test::readBytes(file);
    const auto patched = [&](std::size_t at, std::initializer_list<unsigned char> bytes) {
        std::string b = good;
        for (unsigned char c : bytes)
            b[at++] = static_cast<char>(c);
        return b;
    };
    struct Case {
        const char* name;
        std::string bytes;
        const char* why;
    };
    const Case cases[] = {
        {"10^9 records", patched(4, {0x00, 0xCA, 0x9A, 0x3B}), "declara 1000000000 registros de 9 bytes"},
        {"two records in a file of one", patched(4, {2, 0, 0, 0}), "declara 2 registros"},
        {"a record length of 60000", patched(10, {0x60, 0xEA}), "registros de 60000 bytes"},
        {"a header longer than the file", patched(8, {0xFF, 0xFF}), "tamanho de cabeçalho de 65535 bytes"},
        {"a few bytes", good.substr(0, 10), "curto demais"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        test::writeBytes(file, c.bytes);
        for (int reader = 0; reader < 2; ++reader) {
            try {
                if (reader == 0)
                    readTable(file);
                else
                    readSchema(file);
                ADD_FAILURE() << "lido";
            } catch (const Error& e) {
                const std::string m = e.what();
                EXPECT_EQ(m.rfind("Arquivo danificado: " + file.string(), 0), 0u) << m;
                EXPECT_NE(m.find(c.why), std::string::npos) << m;
            }
        }
    }
}
