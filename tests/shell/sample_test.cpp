#include "data/error.h"
#include "data/text_util.h"
#include "shell/sample_generator.h"
#include "test_util.h"

#include <gtest/gtest.h>

#include <map>

using namespace demovia;

namespace {

const Table& munTable()
{
    static const Table t = readTable(test::appDir() / "DBPadrao" / "mun.dbf");
    return t;
}

// Lines split on CR LF, fields on ';'.
std::vector<std::vector<std::string>> rowsOf(const fs::path& file)
{
    std::string text = test::readBytes(file);
    std::vector<std::vector<std::string>> rows;
    std::size_t pos = 0;
    while (pos < text.size()) {
        std::size_t e = text.find("\r\n", pos);
        EXPECT_NE(e, std::string::npos) << "line without CR LF in " << file;
        if (e == std::string::npos)
            break;
        std::string line = text.substr(pos, e - pos);
        pos = e + 2;
        std::vector<std::string> f;
        std::size_t s = 0;
        for (std::size_t p; (p = line.find(';', s)) != std::string::npos; s = p + 1)
            f.push_back(line.substr(s, p - s));
        f.push_back(line.substr(s));
        rows.push_back(f);
    }
    return rows;
}

double number(const std::string& s)
{
    std::string t = s;
    for (char& c : t)
        if (c == ',')
            c = '.';
    return std::stod(t);
}

} // namespace

// The committed sample is what the generator writes with its defaults, byte
// for byte: the generator is deterministic and the tests run on that sample.
TEST(SampleGenerator, DefaultsReproduceTheCommittedSample)
{
    test::TempDir dir;
    writeSample(dir.path(), munTable(), SampleOptions{});
    for (const char* f : {kSampleCensus1, kSampleCensus2, kSamplePopProj, kSampleTxFec, kSampleRelNas, kSampleInfo})
        EXPECT_EQ(test::readBytes(dir / f), test::readBytes(test::sourceDir() / "samples" / f)) << f;

    test::TempDir other;
    SampleOptions o;
    o.seed = 7;
    writeSample(other.path(), munTable(), o);
    EXPECT_NE(test::readBytes(other / kSampleCensus2), test::readBytes(dir / kSampleCensus2));
}

// The files hang together: the state projection starts from census 2 of the
// state and ages it with survival, so cohorts shrink a little every year; the
// neighbour state's rows are there to be filtered out.
TEST(SampleGenerator, FilesAreConsistentWithEachOther)
{
    test::TempDir dir;
    SampleInfo info = writeSample(dir.path(), munTable(), SampleOptions{});
    ASSERT_EQ(info.uf, 12);
    ASSERT_EQ(info.municipalities.size(), 22u);
    const std::string uf = "12", other = std::to_string(info.otherUf);

    std::vector<double> census2(162, 0.0);
    for (const char* f : {kSampleCensus1, kSampleCensus2}) {
        int mine = 0, theirs = 0;
        for (const auto& r : rowsOf(dir / f)) {
            ASSERT_EQ(r.size(), 166u);
            if (r[0] == other) {
                ++theirs;
                continue;
            }
            ASSERT_EQ(r[0], uf);
            EXPECT_EQ(mun4(parseWhole(r[1])), info.municipalities[static_cast<std::size_t>(mine)]);
            ++mine;
            if (f == std::string(kSampleCensus2))
                for (int s = 0; s < 2; ++s)
                    for (int a = 0; a <= 80; ++a)
                        census2[static_cast<std::size_t>(s * 81 + a)] += number(r[static_cast<std::size_t>(2 + s * 82 + a)]);
        }
        EXPECT_EQ(mine, 22);
        EXPECT_GT(theirs, 0);
    }

    std::vector<std::vector<double>> proj;
    int theirs = 0;
    for (const auto& r : rowsOf(dir / kSamplePopProj)) {
        ASSERT_EQ(r.size(), 163u);
        if (r[0] == other) {
            ++theirs;
            continue;
        }
        std::vector<double> v;
        for (std::size_t i = 1; i < r.size(); ++i)
            v.push_back(number(r[i]));
        proj.push_back(v);
    }
    EXPECT_GT(theirs, 0);
    ASSERT_EQ(proj.size(), 31u);
    EXPECT_EQ(proj[0], census2);
    for (std::size_t p = 0; p + 1 < proj.size(); ++p)
        for (int s = 0; s < 2; ++s)
            for (int a = 0; a < 80; ++a) {
                const auto at = [&](std::size_t q, int age) { return proj[q][static_cast<std::size_t>(s * 81 + age)]; };
                // The open group 80+ next year comes from ages 79 and 80+ now.
                double cr = at(p + 1, a + 1) / (a < 79 ? at(p, a) : at(p, 79) + at(p, 80));
                ASSERT_GT(cr, 0.5) << "year " << p << " age " << a;
                ASSERT_LE(cr, 1.0) << "year " << p << " age " << a;
            }

    double lastTft = 99;
    int fecRows = 0;
    for (const auto& r : rowsOf(dir / kSampleTxFec)) {
        ASSERT_EQ(r.size(), 8u);
        if (r[0] != uf)
            continue;
        ++fecRows;
        double tft = 0;
        for (int k = 1; k <= 7; ++k)
            tft += 5 * number(r[static_cast<std::size_t>(k)]);
        EXPECT_GT(tft, 1.3);
        EXPECT_LT(tft, 2.2);
        EXPECT_LE(tft, lastTft);
        lastTft = tft;
    }
    EXPECT_EQ(fecRows, 31);
    int relRows = 0;
    for (const auto& r : rowsOf(dir / kSampleRelNas)) {
        ASSERT_EQ(r.size(), 3u);
        if (r[0] != uf)
            continue;
        ++relRows;
        for (int k = 1; k <= 2; ++k) {
            EXPECT_GT(number(r[static_cast<std::size_t>(k)]), 0.95);
            EXPECT_LT(number(r[static_cast<std::size_t>(k)]), 1.0);
        }
    }
    EXPECT_EQ(relRows, 31);
}

TEST(SampleGenerator, TakesTheFirstMunicipalitiesOfALargerState)
{
    std::vector<int> mg = stateMunicipalities(munTable(), 31);
    ASSERT_EQ(mg.size(), 853u);
    test::TempDir dir;
    SampleOptions o;
    o.uf = 31;
    o.municipalities = 40;
    o.years = 5;
    SampleInfo info = writeSample(dir.path(), munTable(), o);
    ASSERT_EQ(info.municipalities.size(), 40u);
    EXPECT_EQ(info.municipalities.back(), mun4(mg[39]));
    int projRows = 0;
    for (const auto& r : rowsOf(dir / kSamplePopProj))
        projRows += r[0] == "31";
    EXPECT_EQ(projRows, 5);

    o.municipalities = 854;
    EXPECT_THROW(writeSample(dir.path(), munTable(), o), Error);
    o.municipalities = 0;
    o.uf = 99;
    EXPECT_THROW(writeSample(dir.path(), munTable(), o), Error);
}
