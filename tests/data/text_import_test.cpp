#include "data/error.h"
#include "data/scripted_dialogs.h"
#include "data/table.h"
#include "data/text_exchange.h"
#include "test_util.h"

#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <set>

using namespace demovia;
using demovia::test::readBytes;
using demovia::test::TempDir;
using demovia::test::writeBytes;

namespace {

using Rows = std::vector<std::vector<std::string>>;

// Two small templates: codes and numbers (A), and texts ending with a number (T).
const std::vector<FieldDef> kFieldsA = {{"uf", 'C', 2, 0},  {"mun", 'C', 4, 0}, {"a", 'N', 8, 0},
                                        {"b", 'N', 12, 3}, {"c", 'N', 8, 0},   {"d", 'C', 6, 0}};
const std::vector<FieldDef> kFieldsT = {{"t1", 'C', 5, 0}, {"t2", 'C', 5, 0}, {"t3", 'C', 5, 0}, {"n", 'N', 4, 0}};

const char* const kReadFailure =
    "Não foi possível ler o arquivo.\nVerifique se ele está aberto por outra aplicação.\n\nErro original: ";

struct Folders {
    TempDir dir;
    fs::path tplA, tplT, text, out;
    Folders()
    {
        fs::create_directories(dir / "tpl");
        fs::create_directories(dir / "out");
        tplA = dir / "tpl" / "a.dbf";
        tplT = dir / "tpl" / "t.dbf";
        text = dir / "in.txt";
        out = dir / "out";
        writeTable(tplA, Table(kFieldsA));
        writeTable(tplT, Table(kFieldsT));
    }
    std::set<std::string> outFiles() const
    {
        std::set<std::string> s;
        for (const auto& e : fs::directory_iterator(out))
            s.insert(e.path().filename().string());
        return s;
    }
};

Rows textsOf(const Table& t)
{
    Rows r;
    for (const auto& row : t.rows) {
        std::vector<std::string> v;
        for (const auto& c : row)
            v.push_back(c.toText());
        r.push_back(v);
    }
    return r;
}

// The table already in place before a failed import.
Table oldTable(const std::vector<FieldDef>& f)
{
    Table t(f);
    Row r(f.size());
    for (std::size_t i = 0; i < f.size(); ++i)
        r[i] = f[i].isNumeric() ? Value(9.0) : Value("zz");
    t.append(r);
    return t;
}

struct ImportCase {
    const char* name;
    char tpl; // 'A' or 'T'
    std::string bytes;
    int skip;
    Rows want;
};

} // namespace

TEST(TextImport, LinesFieldsQuotesAndNumbersBecomeRows)
{
    const NumberFormat comma{',', '.'};
    const std::vector<ImportCase> cases = {
        {"line ending with ';' fills four columns", 'A', "35;0050;\"12\";7;\r\n", 0,
         {{"35", "0050", "12", "7", "0", ""}}},
        {"a final ';' opens no field", 'A', "35;0050;\r\n", 0, {{"35", "0050", "0", "0", "0", ""}}},
        {"a;;b gives three fields", 'T', "a;;b\r\n", 0, {{"a", "", "b", "0"}}},
        {"quoted x;y splits, each losing its own quote", 'T', "\"x;y\"\r\n", 0, {{"x", "y", "", "0"}}},
        {"quotes removed at each end independently", 'T', "\"ab;cd\";\"a\"b\"\r\n", 0, {{"ab", "cd", "a\"b", "0"}}},
        {"text up to its width, counted in characters", 'T', "abcde;São P\r\n", 0, {{"abcde", "São P", "", "0"}}},
        {"fields beyond the last column ignored", 'T', "a;b;c;1;x;y\r\n", 0, {{"a", "b", "c", "1"}}},
        {"a shorter line inherits nothing", 'T', "a;b;c;1\r\nz\r\n", 0, {{"a", "b", "c", "1"}, {"z", "", "", "0"}}},
        {"blank lines add no row", 'T', "a\r\n\r\n  \t\r\nb\r\n", 0, {{"a", "", "", "0"}, {"b", "", "", "0"}}},
        {"last line without line end", 'T', "a\r\nb", 0, {{"a", "", "", "0"}, {"b", "", "", "0"}}},
        {"trailing empty lines add nothing", 'T', "a\r\n\r\n\r\n", 0, {{"a", "", "", "0"}}},
        {"LF alone ends a line", 'T', "a\nb\n", 0, {{"a", "", "", "0"}, {"b", "", "", "0"}}},
        {"CR alone ends a line", 'T', "a\rb\r", 0, {{"a", "", "", "0"}, {"b", "", "", "0"}}},
        {"Ctrl-Z ends the data", 'T', "a\r\nb\x1A\r\nc\r\n", 0, {{"a", "", "", "0"}, {"b", "", "", "0"}}},
        {"heading line skipped", 'A', "uf;mun;a;b\r\n35;0050;1;2,5", 1, {{"35", "0050", "1", "2.5", "0", ""}}},
        {"regional numbers: sign, grouping, blanks, exponent", 'A', "35;1; -1.234 ;1.234,567; 3E2 ;x", 0,
         {{"35", "1", "-1234", "1234.567", "300", "x"}}},
        {"Windows-1252 text", 'T', "S\xE3o;Jos\xE9\r\n", 0, {{"São", "José", "", "0"}}},
        {"UTF-8 text with byte order mark", 'T', "\xEF\xBB\xBFSão;José\r\n", 0, {{"São", "José", "", "0"}}},
        {"empty file gives an empty table", 'T', "", 0, {}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Folders f;
        writeBytes(f.text, c.bytes);
        ScriptedDialogs d;
        const fs::path target = f.out / "x.dbf";
        if (!importText(f.text, target, c.tpl == 'A' ? f.tplA : f.tplT, c.skip, comma, d)) {
            ADD_FAILURE() << d.lastText();
            continue;
        }
        EXPECT_TRUE(d.log.empty());
        Table t = readTable(target);
        EXPECT_EQ(t.fields.size(), (c.tpl == 'A' ? kFieldsA : kFieldsT).size());
        EXPECT_EQ(textsOf(t), c.want);
        EXPECT_EQ(f.outFiles(), std::set<std::string>{"x.dbf"});
    }
}

TEST(TextImport, ReplacesAnOldTargetWhenTheWholeFileWasRead)
{
    Folders f;
    const fs::path target = f.out / "X.DBF";
    writeTable(target, oldTable(kFieldsT));
    writeBytes(f.text, "novo\r\n");
    ScriptedDialogs d;
    // The name is matched without regard to case, and the file keeps its own.
    ASSERT_TRUE(importText(f.text, f.out / "x.dbf", f.tplT, 0, NumberFormat{}, d));
    EXPECT_EQ(textsOf(readTable(target)), (Rows{{"novo", "", "", "0"}}));
    EXPECT_EQ(f.outFiles(), std::set<std::string>{"X.DBF"});
}

TEST(TextImport, AFailedReadLeavesTheTargetByteForByte)
{
    struct FailCase {
        const char* name;
        std::string bytes;
        std::string errorPart;
    };
    const std::vector<FailCase> cases = {
        {"heading line read as data", "uf;mun;a;b\r\n35;0050;1;2\r\n", "in.txt, linha 1, campo 3 (a): 'a' não"},
        {"bad line in the middle", "35;0050;1;2\r\n\r\n35;0050;x;2\r\n35;0050;1;2\r\n",
         "in.txt, linha 3, campo 3 (a): 'x' não é um valor numérico válido"},
        {"empty numeric field", "35;0050;;\r\n", "linha 1, campo 3 (a): o campo está vazio; é esperado um número"},
        {"number too wide for its field", "35;0050;123456789\r\n", "linha 1, campo 3 (a): O valor 123456789 não cabe"},
        {"decimal point under a decimal comma", "35;0050;1;0.5\r\n", "linha 1, campo 4 (b): '0.5'"},
        {"number out of range", "35;0050;1e999\r\n", "linha 1, campo 3 (a)"},
        {"a code longer than its field is refused, never cut", "35;1234567;1\r\n",
         "linha 1, campo 2 (mun): '1234567' tem 7 caracteres e o campo comporta 4"},
        {"comma as separator", "35,0050,1,2\r\n", "linha 1, campo 1 (uf): '35,0050,1,2' tem 11 caracteres"},
        {"tab as separator", "35\t0050\t1\t2\r\n", "linha 1, campo 1 (uf): '35\\x090050\\x091\\x092' tem 11 caracteres"},
        {"NUL bytes in a code", std::string("35\0\0;0050;1;2\r\n", 17), "linha 1, campo 1 (uf): '35\\x00\\x00' contém"},
        {"binary garbage", std::string("35;0050;\x01\xFF\x00\x7F;2\r\n", 19), "linha 1, campo 3 (a): '\\x01ÿ\\x00\\x7F'"},
    };
    for (const auto& c : cases) {
        for (bool targetExisted : {true, false}) {
            SCOPED_TRACE(std::string(c.name) + (targetExisted ? " (old target)" : " (no target)"));
            Folders f;
            const fs::path target = f.out / "x.dbf";
            std::string before;
            if (targetExisted) {
                writeTable(target, oldTable(kFieldsA));
                before = readBytes(target);
            }
            writeBytes(f.text, c.bytes);
            ScriptedDialogs d;
            EXPECT_FALSE(importText(f.text, target, f.tplA, 0, NumberFormat{',', '.'}, d));
            ASSERT_EQ(d.log.size(), 1u);
            EXPECT_EQ(d.log[0].kind, "error");
            EXPECT_EQ(d.log[0].text.rfind(kReadFailure, 0), 0u) << d.log[0].text;
            EXPECT_NE(d.log[0].text.find(c.errorPart), std::string::npos) << d.log[0].text;
            if (targetExisted) {
                EXPECT_EQ(readBytes(target), before);
                EXPECT_EQ(f.outFiles(), std::set<std::string>{"x.dbf"});
            } else {
                EXPECT_TRUE(f.outFiles().empty());
            }
        }
    }
}

TEST(TextImport, FilesThatCannotBeUsedStopBeforeAnythingChanges)
{
    struct FailCase {
        const char* name;
        // Adjusts the folders; returns {text file, target, template}.
        std::function<std::array<fs::path, 3>(Folders&)> setup;
        // The whole message, from the paths.
        std::function<std::string(const std::array<fs::path, 3>&)> message;
    };
    const std::vector<FailCase> cases = {
        {"missing text file",
         [](Folders& f) { return std::array<fs::path, 3>{f.dir / "nada.txt", f.out / "x.dbf", f.tplT}; },
         [](const auto& p) { return kReadFailure + std::string("Arquivo não encontrado: ") + p[0].string(); }},
        {"missing template",
         [](Folders& f) { return std::array<fs::path, 3>{f.text, f.out / "x.dbf", f.dir / "tpl" / "nada.dbf"}; },
         [](const auto& p) { return "Falha ao copiar\n" + p[2].string() + " para \n" + p[1].string(); }},
        {"damaged template",
         [](Folders& f) {
             writeBytes(f.dir / "tpl" / "ruim.dbf", "not a table");
             return std::array<fs::path, 3>{f.text, f.out / "x.dbf", f.dir / "tpl" / "ruim.dbf"};
         },
         [](const auto& p) { return "Falha ao copiar\n" + p[2].string() + " para \n" + p[1].string(); }},
        {"target folder missing",
         [](Folders& f) { return std::array<fs::path, 3>{f.text, f.dir / "naoha" / "x.dbf", f.tplT}; },
         [](const auto& p) { return "Falha ao copiar\n" + p[2].string() + " para \n" + p[1].string(); }},
        {"target is a folder",
         [](Folders& f) {
             fs::create_directories(f.out / "x.dbf");
             return std::array<fs::path, 3>{f.text, f.out / "x.dbf", f.tplT};
         },
         [](const auto& p) {
             return "Falha ao apagar arquivo\n" + p[1].string() +
                    "\n\nVerifique se ele está sendo usado por outra aplicação.";
         }},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Folders f;
        writeBytes(f.text, "a;b;c;1\r\n");
        writeTable(f.out / "outra.dbf", oldTable(kFieldsT));
        const std::string other = readBytes(f.out / "outra.dbf");
        auto p = c.setup(f);
        const auto setUp = f.outFiles();
        ScriptedDialogs d;
        EXPECT_FALSE(importText(p[0], p[1], p[2], 0, NumberFormat{}, d));
        ASSERT_EQ(d.log.size(), 1u);
        EXPECT_EQ(d.log[0].kind, "error");
        EXPECT_EQ(d.log[0].text, c.message(p));
        EXPECT_EQ(f.outFiles(), setUp);
        EXPECT_EQ(readBytes(f.out / "outra.dbf"), other);
    }
}

namespace {
// Records the busy pointer among the messages, to see its order.
class BusyDialogs : public ScriptedDialogs {
public:
    void setBusy(bool busy) override { log.push_back({busy ? "busy" : "idle", ""}); }
};
} // namespace

TEST(TextImport, BusyPointerIsRemovedBeforeTheMessage)
{
    Folders f;
    writeBytes(f.text, "a;b;c;1\r\n");
    BusyDialogs ok;
    ASSERT_TRUE(importText(f.text, f.out / "x.dbf", f.tplT, 0, NumberFormat{}, ok));
    ASSERT_EQ(ok.log.size(), 2u);
    EXPECT_EQ(ok.log[0].kind, "busy");
    EXPECT_EQ(ok.log[1].kind, "idle");

    writeBytes(f.text, "a;b;c;x\r\n");
    BusyDialogs bad;
    ASSERT_FALSE(importText(f.text, f.out / "x.dbf", f.tplT, 0, NumberFormat{}, bad));
    ASSERT_EQ(bad.log.size(), 3u);
    EXPECT_EQ(bad.log[1].kind, "idle");
    EXPECT_EQ(bad.log[2].kind, "error");
}

TEST(RegionalNumbers, AcceptedAndRefusedNotations)
{
    struct Case {
        const char* text;
        NumberFormat fmt;
        std::optional<double> want; // nullopt: refused
    };
    const NumberFormat comma{',', '.'};
    const NumberFormat point{'.', ','};
    const std::vector<Case> cases = {
        {"0,5", comma, 0.5},
        {"1.234,5", comma, 1234.5},
        {"12.345.678", comma, 12345678},
        {" -3,25\t", comma, -3.25},
        {"+7", comma, 7},
        {",5", comma, 0.5},
        {"5,", comma, 5},
        {"1,5E-3", comma, 0.0015},
        {"2e+2", comma, 200},
        {"1,234.5", point, 1234.5},
        {"0.5", point, 0.5},
        {"", comma, std::nullopt},
        {"   ", comma, std::nullopt},
        {"0.5", comma, std::nullopt},      // a decimal point is not a comma
        {"1.23,4", comma, std::nullopt},   // groups are of three digits
        {"1234.567", comma, std::nullopt}, // a first group has at most three
        {"0,5", point, std::nullopt},
        {"1,2,3", comma, std::nullopt},
        {"--1", comma, std::nullopt},
        {"- 1", comma, std::nullopt},
        {"1e", comma, std::nullopt},
        {"12 34", comma, std::nullopt},
        {"abc", comma, std::nullopt},
        {"nan", comma, std::nullopt},
        {"inf", comma, std::nullopt},
        {"0x10", comma, std::nullopt},
        {"1e999", comma, std::nullopt},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        if (c.want) {
            EXPECT_DOUBLE_EQ(parseRegionalNumber(c.text, c.fmt), *c.want);
        } else {
            EXPECT_THROW(parseRegionalNumber(c.text, c.fmt), Error);
        }
    }
}

TEST(FieldSplitter, SplitsLikeTheImportButKeepsQuotes)
{
    struct Case {
        const char* line;
        bool result;
        std::vector<std::string> want; // the first entries after the call
    };
    const std::vector<Case> cases = {
        {"  a;b  ", true, {"a", "b", "old"}},
        {"a;;b", true, {"a", "", "b", "old"}},
        {"a;b;", true, {"a", "b", "old"}},
        {"\"x;y\"", true, {"\"x", "y\"", "old"}},
        {";", true, {"", "old"}},
        {" \t ", false, {"old", "old"}},
        {"", false, {"old"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.line);
        FieldArray fields;
        fields.fill("old");
        EXPECT_EQ(splitFields(c.line, fields), c.result);
        for (std::size_t i = 0; i < c.want.size(); ++i)
            EXPECT_EQ(fields[i], c.want[i]) << "entry " << i;
    }

    // At most 200 fields are filled; the rest of a longer line is dropped.
    std::string longLine;
    for (int i = 0; i < 250; ++i)
        longLine += std::to_string(i) + ";";
    FieldArray fields;
    ASSERT_TRUE(splitFields(longLine, fields));
    EXPECT_EQ(fields[0], "0");
    EXPECT_EQ(fields[199], "199");
}
