// The text-file structure converter: records, the interleaving of a group,
// and the rewriting of the file in place.
#include "data/error.h"
#include "data/scripted_dialogs.h"
#include "shell/converter.h"
#include "test_util.h"

#include <gtest/gtest.h>

using namespace demovia;
using demovia::test::readBytes;
using demovia::test::TempDir;
using demovia::test::writeBytes;

namespace {

std::string convertText(const std::string& text, ConversionSettings s = populationProjectionSettings())
{
    std::string out;
    for (const std::string& line : combineRecords(readRecords(text, s.firstLine), s))
        out += line + "\n";
    return out;
}

struct Case {
    const char* name;
    const char* in;
    const char* out;
    ConversionSettings settings = populationProjectionSettings();
};

TEST(Converter, CombinesGroups)
{
    const Case cases[] = {
        {"two lines become one", "35;10;20;30\n35;11;21;31\n", "35;10;11;20;21;30;31;\n"},
        {"blank lines are not records", "\n   \n35;10;20\r\n\t\r\n35;11;21\r\n\r\n", "35;10;11;20;21;\n"},
        {"each group keeps its own key", "35;1;2\n35;3;4\n41;5;6\n41;7;8\n", "35;1;3;2;4;\n41;5;7;6;8;\n"},
        {"first record shorter: the position ends for the group", "35;10\n35;11;21;31\n", "35;10;11;\n"},
        {"second record shorter: the first's field alone", "35;10;20;30\n35;11\n", "35;10;11;20;30;\n"},
        {"an empty field ends its position", "35;;20\n35;11;21\n", "35;20;21;\n"},
        {"a record never inherits fields", "35;1;2;3;4\n35;5;6;7;8\n35;9\n35;10\n",
         "35;1;5;2;6;3;7;4;8;\n35;9;10;\n"},
        {"reading starts at the first line", "cabecalho;x\n35;1\n35;2\n", "35;1;2;\n", {2, 1, 2}},
        {"two key fields, three lines a group", "35;0001;1;2\n35;0001;3;4\n35;0001;5;6\n",
         "35;0001;1;3;5;2;4;6;\n", {1, 2, 3}},
        {"settings below 1 count as 1", "35;1\n36;2\n", "35;1;\n36;2;\n", {0, 0, 0}},
    };
    for (const Case& c : cases)
        EXPECT_EQ(convertText(c.in, c.settings), c.out) << c.name;
}

TEST(Converter, LongLinesAreRefusedNotCut)
{
    std::string line = "35";
    for (int i = 1; i < 200; ++i)
        line += ";" + std::to_string(i);
    EXPECT_EQ(readRecords(line + "\n" + line + ";\n", 1).size(), 2u); // 200 fields, with or without a closing ';'
    EXPECT_THROW(readRecords(line + ";200\n", 1), Error);
}

class ConvertFile : public ::testing::Test {
protected:
    TempDir dir;
    ScriptedDialogs dialogs;
    std::vector<std::string> statuses;
    bool convert(const fs::path& f)
    {
        return convertTextFile("  " + f.string() + " ", populationProjectionSettings(), dialogs,
                               [this](const std::string& s) { statuses.push_back(s); });
    }
};

TEST_F(ConvertFile, RewritesInPlaceKeepingLineEnds)
{
    const fs::path f = dir / "pop.csv";
    writeBytes(f, "35;10;20;30\r\n35;11;21;31\r\n35;12;22\r\n35;13;23\r\n");
    ASSERT_TRUE(convert(f));
    EXPECT_EQ(readBytes(f), "35;10;11;20;21;30;31;\r\n35;12;13;22;23;\r\n");
    EXPECT_FALSE(fs::exists(dir / "pop.csv.tmp"));
    EXPECT_TRUE(dialogs.log.empty());
    EXPECT_EQ(statuses.back(), "Abrindo re-organizado");
}

TEST_F(ConvertFile, SevenLinesAreRefusedAndTheFileUnchanged)
{
    const fs::path f = dir / "pop.csv";
    const std::string text = "35;1\n35;2\n\n35;3\n35;4\n35;5\n35;6\n35;7\n";
    writeBytes(f, text);
    EXPECT_FALSE(convert(f));
    EXPECT_TRUE(dialogs.saw("warning", "O número de linhas não é múltiplo do número de linhas a combinar"));
    EXPECT_EQ(readBytes(f), text);
    EXPECT_FALSE(fs::exists(dir / "pop.csv.tmp"));
}

TEST_F(ConvertFile, FailuresLeaveTheFileUnchanged)
{
    // Missing file: the load error.
    EXPECT_FALSE(convert(dir / "nada.csv"));
    EXPECT_TRUE(dialogs.saw("error", "\n\nErro original: "));
    EXPECT_EQ(statuses.back(), "Erro na carga do arquivo de origem");

    // Nothing but blank lines: nothing to take a key from.
    const fs::path empty = dir / "vazio.csv";
    writeBytes(empty, "\n  \n");
    EXPECT_FALSE(convert(empty));
    EXPECT_TRUE(dialogs.saw("error", "Não foi possível concluir a conversão\n\nErro original: "));
    EXPECT_EQ(readBytes(empty), "\n  \n");

    // A line longer than a record.
    const fs::path wide = dir / "largo.csv";
    const std::string wideText = std::string(201, ';') + "x\n35;1\n";
    writeBytes(wide, wideText);
    EXPECT_FALSE(convert(wide));
    EXPECT_EQ(readBytes(wide), wideText);
}

TEST_F(ConvertFile, WriteProtectedFileKeepsItsDataAndTheResultStaysBeside)
{
    const fs::path f = dir / "pop.csv";
    writeBytes(f, "35;1\n35;2\n");
    fs::permissions(f, fs::perms::owner_write | fs::perms::group_write | fs::perms::others_write,
                    fs::perm_options::remove);
    EXPECT_FALSE(convert(f));
    fs::permissions(f, fs::perms::owner_write, fs::perm_options::add);
    EXPECT_EQ(readBytes(f), "35;1\n35;2\n");
    EXPECT_EQ(readBytes(dir / "pop.csv.tmp"), "35;1;2;\n");
    EXPECT_TRUE(dialogs.saw("error", "Não foi possível concluir a conversão"));
    EXPECT_EQ(statuses.back(), "Erro na re-estruturação do arquivo");
}

} // namespace
