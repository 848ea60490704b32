#include "data/error.h"
#include "data/scripted_dialogs.h"
#include "data/table.h"
#include "data/text_util.h"
#include "shell/reference_loader.h"
#include "test_util.h"

#include <gtest/gtest.h>

using namespace demovia;

namespace {

// A copy of the built application folder's tables, to spoil at will.
struct AppCopy {
    test::TempDir dir;
    AppCopy()
    {
        fs::copy(test::appDir() / "DBPadrao", dir / "DBPadrao", fs::copy_options::recursive);
        fs::copy(test::appDir() / "DBVazio", dir / "DBVazio", fs::copy_options::recursive);
    }
};

} // namespace

TEST(ReferenceLoading, FiveLinesNewestFirstWithTheLastThirtyCharacters)
{
    AppCopy app;
    ScriptedDialogs d;
    auto lines = loadReferenceTables(app.dir.path(), NumberFormat{}, d);
    ASSERT_EQ(lines.size(), 5u);
    EXPECT_EQ(lines.front().substr(0, 12), "carregado - ");
    EXPECT_EQ(lines.front(), "carregado - " + lastChars((app.dir / "DBPadrao" / "sprague.dbf").string(), 30));
    EXPECT_NE(lines.back().find("uf.dbf"), std::string::npos);
    EXPECT_TRUE(d.log.empty());
}

TEST(ReferenceLoading, MissingTableIsRebuiltFromTheChosenFileOrMarkedNotLoaded)
{
    struct Case {
        std::string text;   // file the person chooses; its first line is data
        std::string status; // line of kking.dbf
        std::size_t rows;
    };
    std::string good;
    for (int r = 0; r < 15; ++r)
        good += "0,1;0,05;0,05\r\n";
    for (const auto& c : std::vector<Case>{{good, "carregado - ", 15}, {"a;b;c\r\n", "não carregado - ", 0}}) {
        AppCopy app;
        fs::remove(app.dir / "DBPadrao" / "kking.dbf");
        test::writeBytes(app.dir / "k.txt", c.text);
        ScriptedDialogs d;
        d.openFiles.push_back((app.dir / "k.txt").string());
        auto lines = loadReferenceTables(app.dir.path(), NumberFormat{}, d);
        ASSERT_EQ(lines.size(), 5u);
        EXPECT_EQ(lines[1].rfind(c.status, 0), 0u) << lines[1];
        EXPECT_TRUE(d.saw("warning", "O arquivo de Coeficientes de Karup King não existe.\n\nVocê deverá encontrá-lo agora"));
        if (c.rows)
            EXPECT_EQ(readTable(app.dir / "DBPadrao" / "kking.dbf").size(), c.rows);
    }
}

TEST(ReferenceLoading, CancellingTheChoiceEndsTheApplication)
{
    AppCopy app;
    fs::remove(app.dir / "DBPadrao" / "faixas.dbf");
    ScriptedDialogs d; // no file chosen
    try {
        loadReferenceTables(app.dir.path(), NumberFormat{}, d);
        FAIL() << "loading went on without faixas.dbf";
    } catch (const Error& e) {
        std::string t = e.what();
        EXPECT_EQ(t.rfind("Erro ao tentar abrir o arquivo\n", 0), 0u) << t;
        EXPECT_NE(t.find("A aplicação será fechada"), std::string::npos);
    }
}
