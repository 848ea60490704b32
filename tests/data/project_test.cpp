#include "data/project.h"
#include "data/scripted_dialogs.h"
#include "test_util.h"

#include <gtest/gtest.h>

#include <algorithm>

using namespace demovia;

namespace {

class ProjectTest : public ::testing::Test {
protected:
    test::TempDir app;
    AppState state;
    ScriptedDialogs dialogs;

    void SetUp() override { state.appDir = app.path() / ""; }

    bool create(std::string name, std::string description = "Projeto de teste", const std::string& uf = "12")
    {
        ProjectDetails d;
        return createProject(state, uf, name, description, d, dialogs);
    }
    std::vector<std::string> names()
    {
        std::vector<std::string> n;
        for (const auto& p : listProjects(state.appDir))
            n.push_back(p.name);
        std::sort(n.begin(), n.end());
        return n;
    }
};

} // namespace

TEST_F(ProjectTest, CreateMakesAFolderWithDetailsOnlyAndOpensIt)
{
    EXPECT_TRUE(listProjects(state.appDir).empty());
    EXPECT_TRUE(fs::is_directory(app / "Trabalho")); // listing makes the work folder

    std::string name = " AC2010 ", description = "  Acre, censos 2000 e 2010 ";
    ProjectDetails d;
    d.rsnHom = "105";
    ASSERT_TRUE(createProject(state, "12", name, description, d, dialogs)) << dialogs.lastText();
    EXPECT_EQ(name, "AC2010");
    EXPECT_EQ(description, "Acre, censos 2000 e 2010");
    EXPECT_TRUE(state.projectOpen());
    EXPECT_EQ(state.caption, "Demovia - AC2010");
    EXPECT_EQ(state.ufCode(), "12");
    EXPECT_TRUE(state.newProjectMark);

    const fs::path folder = app / "Trabalho" / "AC2010";
    std::vector<std::string> files;
    for (const auto& e : fs::directory_iterator(folder))
        files.push_back(e.path().filename().string());
    EXPECT_EQ(files, std::vector<std::string>{"detalhes.ini"});
    const std::string ini = test::readBytes(folder / "detalhes.ini");
    EXPECT_NE(ini.find("uf= 12"), std::string::npos) << ini;
    EXPECT_NE(ini.find("obs=Acre, censos 2000 e 2010"), std::string::npos) << ini;
    EXPECT_NE(ini.find("rsn-hom=105"), std::string::npos) << ini;
}

TEST_F(ProjectTest, NamesAreCheckedBeforeAnythingIsWritten)
{
    ASSERT_TRUE(create("ABC"));
    struct Case {
        std::string uf, name, description, message;
    };
    const Case cases[] = {
        {"", "NOVO", "x", "Os três campos são obrigatórios"},
        {"12", "  ", "x", "Os três campos são obrigatórios"},
        {"12", "NOVO", " ", "Os três campos são obrigatórios"},
        {"12", "ABCDEFGHI", "x", "de 1 a 8 caracteres"},
        {"12", "A-B", "x", "de 1 a 8 caracteres"},
        {"12", "abc", "x", "de 1 a 8 caracteres"},
        {"12", "ABC", "x", "Um nome como o digitado já existe.\n\nEscolha outro"},
    };
    for (const auto& c : cases) {
        std::string name = c.name, description = c.description;
        ProjectDetails d;
        EXPECT_FALSE(createProject(state, c.uf, name, description, d, dialogs)) << c.name;
        EXPECT_NE(dialogs.lastText().find(c.message), std::string::npos) << c.name << ": " << dialogs.lastText();
    }
    EXPECT_EQ(names(), std::vector<std::string>{"ABC"});
    EXPECT_EQ(state.caption, "Demovia - ABC");

    std::string typed;
    for (char k : std::string("a1-b"))
        if (char c = projectNameKey(k))
            typed += c;
    EXPECT_EQ(typed, "A1B");
}

// Only folders holding detalhes.ini are projects; a non-empty folder of the
// same name is not taken over by a new project.
TEST_F(ProjectTest, FoldersWithoutDetailsAreNoProjects)
{
    ASSERT_TRUE(create("UM", "Primeiro"));
    fs::create_directories(app / "Trabalho" / "LIXO");
    test::writeBytes(app / "Trabalho" / "LIXO" / "2011.dbf", "x");
    fs::create_directories(app / "Trabalho" / "VAZIA");
    test::writeBytes(app / "Trabalho" / "solto.ini", "x");
    auto list = listProjects(state.appDir);
    ASSERT_EQ(list.size(), 1u);
    EXPECT_EQ(list[0].name, "UM");
    EXPECT_EQ(list[0].uf, "12");
    EXPECT_EQ(list[0].description, "Primeiro");

    EXPECT_FALSE(openProject(state, "LIXO", dialogs));
    EXPECT_FALSE(create("LIXO"));
    EXPECT_NE(dialogs.lastText().find("não é um projeto"), std::string::npos);
    EXPECT_TRUE(create("VAZIA"));
}

TEST_F(ProjectTest, OpenReadsDetailsWithDefaultsAndLeavesTheOpenProjectFirst)
{
    ASSERT_TRUE(create("UM"));
    ASSERT_TRUE(create("DOIS", "Segundo", "35"));
    test::writeBytes(app / "Trabalho" / "DOIS" / "detalhes.ini",
                     "[projeto]\r\nuf= 35\r\nobs=Segundo\r\n[censo final]\r\nano=2010\r\nmes=7\r\n");

    int left = 0;
    auto d = openProject(state, "DOIS", dialogs, [&] { ++left; });
    ASSERT_TRUE(d);
    EXPECT_EQ(left, 1);
    EXPECT_EQ(state.caption, "Demovia - DOIS");
    EXPECT_EQ(state.ufCode(), "35");
    EXPECT_EQ(state.statusDescription, "Segundo");
    EXPECT_EQ(d->census2.ano, "2010");
    EXPECT_EQ(d->census2.mes, 7);
    EXPECT_EQ(d->census1.ano, "0000");
    EXPECT_EQ(d->census1.arquivo, "?");
    EXPECT_EQ(d->rsnHom, "0000");
    EXPECT_EQ(d->ano1Proj, 0);

    AppState fresh;
    fresh.appDir = state.appDir;
    ASSERT_TRUE(openProject(fresh, "UM", dialogs, [&] { ++left; }));
    EXPECT_EQ(left, 1); // nothing was open

    for (const char* y : {"2001.dbf", "2002.dbf", "2004.dbf"})
        test::writeBytes(app / "Trabalho" / "DOIS" / y, "x");
    EXPECT_EQ(projectedYears(state.projectDir, 2001), (std::vector<int>{2001, 2002}));
    EXPECT_TRUE(projectedYears(state.projectDir, 0).empty());
}

TEST_F(ProjectTest, DeleteAsksAndRefusesTheOpenProject)
{
    ASSERT_TRUE(create("UM", "Primeiro"));
    ASSERT_TRUE(create("DOIS", "Segundo"));
    ASSERT_TRUE(create("TRES", "Terceiro"));
    test::writeBytes(app / "Trabalho" / "DOIS" / "2011.dbf", "x");

    EXPECT_FALSE(deleteProject(state, "TRES", dialogs)); // open
    EXPECT_NE(dialogs.lastText().find("está aberto"), std::string::npos);

    dialogs.confirmAnswers = {false, true};
    EXPECT_FALSE(deleteProject(state, "DOIS", dialogs));
    EXPECT_TRUE(fs::exists(app / "Trabalho" / "DOIS" / "2011.dbf"));
    EXPECT_TRUE(deleteProject(state, "DOIS", dialogs));
    EXPECT_EQ(dialogs.log.back().text, "Você está para excluir o projeto DOIS.\n\nContinuar");
    EXPECT_FALSE(fs::exists(app / "Trabalho" / "DOIS"));

    auto list = listProjects(state.appDir);
    ASSERT_EQ(list.size(), 2u);
    for (const auto& p : list)
        EXPECT_EQ(p.description, p.name == "UM" ? "Primeiro" : "Terceiro");
    EXPECT_FALSE(deleteProject(state, "..", dialogs));
    EXPECT_FALSE(deleteProject(state, "DOIS", dialogs));
}

TEST(ProjectUfList, LinesCarryTheCodeAfterTheAbbreviation)
{
    auto lines = ufChoices(test::appDir());
    ASSERT_EQ(lines.size(), 27u);
    EXPECT_EQ(lines[1], "AC (12)");
    EXPECT_EQ(ufOfChoice(lines[1]), "12");
}

// A value that is not what its key holds is named with file, section and key:
// months and the first projected year fall back to their defaults with a
// warning; a state code, which has none, keeps the project closed.
TEST_F(ProjectTest, BadValuesInTheDetailsAreNamed)
{
    fs::create_directories(app / "DBPadrao");
    fs::copy_file(test::appDir() / "DBPadrao" / "uf.dbf", app / "DBPadrao" / "uf.dbf");
    ASSERT_TRUE(create("UM"));
    const fs::path ini = app / "Trabalho" / "UM" / "detalhes.ini";
    struct Case {
        const char* name;
        std::string text;
        bool opens;
        std::vector<std::string> messages;
    };
    const Case cases[] = {
        {"good values", "[projeto]\r\nuf= 12\r\n[censo inicial]\r\nmes=-1\r\n[projecao]\r\nano1_proj=2011\r\n", true, {}},
        {"month 99 and a year of letters",
         "[projeto]\r\nuf= 12\r\n[censo inicial]\r\nmes=99\r\n[projecao]\r\nano1_proj=zz\r\n",
         true,
         {"O valor '99' da chave mes da seção [censo inicial] do arquivo " + ini.string() +
              " não é um mês (0 para janeiro a 11 para dezembro); foi usado 0 (janeiro). Corrija o arquivo.",
          "O valor 'zz' da chave ano1_proj da seção [projecao] do arquivo " + ini.string() +
              " não é um ano (quatro algarismos); foi usado 0 (nenhuma projeção). Corrija o arquivo."}},
        {"a state that is not in the registry", "[projeto]\r\nuf= 99\r\n", false,
         {"O projeto UM não pode ser aberto: o valor '99' da chave uf da seção [projeto] do arquivo " + ini.string() +
          " não é o código de uma UF cadastrada. Corrija o arquivo (por exemplo: uf= 35)."}},
        {"a state code of letters", "[projeto]\r\nuf= x\r\n", false, {"o valor 'x' da chave uf"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        test::writeBytes(ini, c.text);
        dialogs.log.clear();
        AppState fresh;
        fresh.appDir = state.appDir;
        auto d = openProject(fresh, "UM", dialogs);
        EXPECT_EQ(d.has_value(), c.opens);
        ASSERT_EQ(dialogs.log.size(), c.messages.size());
        for (std::size_t i = 0; i < c.messages.size(); ++i) {
            EXPECT_EQ(dialogs.log[i].kind, c.opens ? "warning" : "error");
            EXPECT_NE(dialogs.log[i].text.find(c.messages[i]), std::string::npos) << dialogs.log[i].text;
        }
        if (d && !c.messages.empty()) {
            EXPECT_EQ(d->census1.mes, 0);
            EXPECT_EQ(d->ano1Proj, 0);
        }
    }
}
