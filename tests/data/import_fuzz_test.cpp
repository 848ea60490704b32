// Random text files thrown at the import: whatever the bytes, it must not
// crash, and it must either fill the table or fail leaving the old one intact.
#include "data/scripted_dialogs.h"
#include "data/table.h"
#include "data/text_exchange.h"
#include "test_util.h"

#include <gtest/gtest.h>

#include <random>
#include <set>

using namespace demovia;
using demovia::test::readBytes;
using demovia::test::TempDir;
using demovia::test::writeBytes;

namespace {

class LineMaker {
public:
    explicit LineMaker(unsigned seed) : m_rng(seed) {}

    std::string file()
    {
        std::string s;
        int lines = pick(0, 12);
        for (int i = 0; i < lines; ++i) {
            s += chance(8) ? longLine() : line();
            static const char* const ends[] = {"\r\n", "\n", "\r", "\r\n\r\n", ""};
            s += ends[pick(0, i + 1 == lines ? 4 : 3)];
        }
        if (chance(10))
            s.insert(static_cast<std::size_t>(pick(0, static_cast<int>(s.size()))), 1, '\x1A');
        return s;
    }

private:
    int pick(int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(m_rng); }
    bool chance(int oneIn) { return pick(1, oneIn) == 1; }

    std::string number()
    {
        std::string s;
        if (chance(5))
            s += "-";
        s += std::to_string(pick(0, 99999));
        if (chance(3))
            s += "," + std::to_string(pick(0, 999));
        return s;
    }

    std::string junk()
    {
        static const std::string alphabet = "0123456789;;;\"\",.-+eE aZ\t\xE3\xC3\xA7\x80\xFF";
        std::string s;
        int n = pick(0, 10);
        for (int i = 0; i < n; ++i)
            s += chance(20) ? static_cast<char>(pick(0, 255)) : alphabet[pick(0, static_cast<int>(alphabet.size()) - 1)];
        return s;
    }

    // Mostly well-formed rows for the template (text, text, number, number, text), some spoiled.
    std::string line()
    {
        std::string s;
        int fields = pick(0, 7);
        for (int f = 0; f < fields; ++f) {
            if (f)
                s += ';';
            if (chance(6))
                s += junk();
            else if (f == 2 || f == 3)
                s += number();
            else
                s += chance(3) ? "\"" + junk() + "\"" : "S\xE3o";
        }
        if (chance(4))
            s += ';';
        return s;
    }

    std::string longLine()
    {
        std::string s = "a;b";
        int fields = pick(150, 400);
        for (int f = 2; f < fields; ++f)
            s += ";" + std::to_string(pick(0, 999));
        return s;
    }

    std::mt19937 m_rng;
};

} // namespace

TEST(ImportFuzz, RandomFilesEitherImportOrLeaveTheTargetAlone)
{
    TempDir d;
    fs::create_directories(d / "out");
    const fs::path tpl = d / "modelo.dbf";
    writeTable(tpl, Table({{"uf", 'C', 2, 0}, {"mun", 'C', 4, 0}, {"a", 'N', 8, 0}, {"b", 'N', 12, 3},
                           {"t", 'C', 6, 0}}));
    Table old(readSchema(tpl));
    old.append({Value("zz"), Value("0001"), Value(1.0), Value(2.5), Value("velho")});
    const fs::path target = d / "out" / "x.dbf";
    const fs::path text = d / "in.txt";

    LineMaker maker(20240611);
    int succeeded = 0, failed = 0;
    for (int i = 0; i < 300; ++i) {
        const std::string bytes = maker.file();
        SCOPED_TRACE("iteration " + std::to_string(i));
        writeBytes(text, bytes);
        const bool hadTarget = i % 2 == 0;
        std::error_code ec;
        fs::remove(target, ec);
        std::string before;
        if (hadTarget) {
            writeTable(target, old);
            before = readBytes(target);
        }
        ScriptedDialogs dialogs;
        const NumberFormat fmt = i % 3 ? NumberFormat{',', '.'} : NumberFormat{'.', ','};
        const bool ok = importText(text, target, tpl, i % 5 == 0 ? 1 : 0, fmt, dialogs);

        std::set<std::string> files;
        for (const auto& e : fs::directory_iterator(d / "out"))
            files.insert(e.path().filename().string());
        if (ok) {
            ++succeeded;
            EXPECT_TRUE(dialogs.log.empty());
            Table t = readTable(target);
            const std::size_t lineEnds = std::count(bytes.begin(), bytes.end(), '\r') +
                                         std::count(bytes.begin(), bytes.end(), '\n');
            EXPECT_LE(t.size(), lineEnds + 1);
            EXPECT_EQ(files, std::set<std::string>{"x.dbf"});
        } else {
            ++failed;
            ASSERT_EQ(dialogs.log.size(), 1u);
            EXPECT_EQ(dialogs.log[0].kind, "error");
            if (hadTarget) {
                EXPECT_EQ(readBytes(target), before);
                EXPECT_EQ(files, std::set<std::string>{"x.dbf"});
            } else {
                EXPECT_TRUE(files.empty());
            }
        }
    }
    // The maker must reach both ways out, or the test proves little.
    EXPECT_GT(succeeded, 40) << failed;
    EXPECT_GT(failed, 40) << succeeded;
}
