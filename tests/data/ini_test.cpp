#include "data/error.h"
#include "data/ini_file.h"
#include "data/project_details.h"
#include "data/scripted_dialogs.h"
#include "shell/configuration.h"
#include "test_util.h"

#include <gtest/gtest.h>

using namespace demovia;
using demovia::test::readBytes;
using demovia::test::TempDir;
using demovia::test::writeBytes;

namespace {
// A Windows-1252 file with CR LF line ends, a comment and a section name with a blank.
const std::string kOldFile = "; coment\xE1rio\r\n"
                             "[Censo Inicial]\r\n"
                             " MES = 3 \r\n"
                             "ano=1991\r\n"
                             "\r\n"
                             "[censo  inicial]\r\n"
                             "ano=1800\r\n"
                             "[outra]\r\n"
                             "x = S\xE3o\r\n";
} // namespace

TEST(IniFile, ReadsSectionsAndKeysWithoutCaseAndValuesTrimmed)
{
    TempDir d;
    writeBytes(d / "a.ini", kOldFile);
    IniFile ini = IniFile::load(d / "a.ini");
    EXPECT_EQ(ini.value("censo inicial", "mes"), "3");
    EXPECT_EQ(ini.readInt("CENSO INICIAL", "Mes", -9), 3);
    EXPECT_EQ(ini.value("censo inicial", "ano"), "1991");
    EXPECT_EQ(ini.value("censo  inicial", "ano"), "1800"); // its own section, blanks as written
    EXPECT_EQ(ini.value("outra", "X"), "São");
    EXPECT_EQ(ini.value("outra", "ano"), std::nullopt);
    EXPECT_EQ(ini.read("nenhuma", "x", "?"), "?");
    EXPECT_EQ(ini.readInt("outra", "x", 7), 7); // not a whole number
    EXPECT_EQ(IniFile::load(d / "nada.ini").read("a", "b", "def"), "def");
    fs::create_directories(d / "pasta.ini");
    EXPECT_THROW(IniFile::load(d / "pasta.ini"), Error);
}

TEST(IniFile, WritingChangesOnlyItsLinesAndKeepsTheFilesForm)
{
    TempDir d;
    writeBytes(d / "a.ini", kOldFile);
    IniFile ini = IniFile::load(d / "a.ini");
    ini.write("censo inicial", "ANO", "2000");
    ini.write("censo inicial", "novo", "v");
    ini.write("nova seção", "k", "linha um\r\nlinha dois\nfim");
    ini.save(d / "a.ini");
    EXPECT_EQ(readBytes(d / "a.ini"), "; coment\xE1rio\r\n"
                                      "[Censo Inicial]\r\n"
                                      " MES = 3 \r\n"
                                      "ANO=2000\r\n"
                                      "novo=v\r\n"
                                      "\r\n"
                                      "[censo  inicial]\r\n"
                                      "ano=1800\r\n"
                                      "[outra]\r\n"
                                      "x = S\xE3o\r\n"
                                      "\r\n"
                                      "[nova se\xE7\xE3o]\r\n"
                                      "k=linha um linha dois fim\r\n");
    for (const auto& e : fs::directory_iterator(d.path()))
        EXPECT_EQ(e.path().filename(), "a.ini"); // no temporary left

    // A UTF-8 file stays UTF-8.
    writeBytes(d / "u.ini", "[s]\na=ç\n");
    IniFile u = IniFile::load(d / "u.ini");
    u.write("s", "b", "ã");
    u.save(d / "u.ini");
    EXPECT_EQ(readBytes(d / "u.ini"), "[s]\na=ç\nb=ã\n");
}

TEST(Configuration, DefaultsDependOnWhetherTheFileOrTheKeyIsMissing)
{
    struct Case {
        const char* name;
        std::optional<std::string> file; // nullopt: no conf.ini
        std::string want;
    };
    const std::vector<Case> cases = {
        {"no file", std::nullopt, "105"},
        {"file without the key", "[popproj]\nOutra=1\n", "100"},
        {"key in any case, blanks around", "[PopProj]\r\ned_qtdhom = 98 \r\n", "98"},
        {"any text is kept", "[popproj]\nEd_QtdHom=9x\n", "9x"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        TempDir d;
        if (c.file)
            writeBytes(d / "conf.ini", *c.file);
        ScriptedDialogs dialogs;
        EXPECT_EQ(loadConfiguration(d.path(), dialogs).sexRatio, c.want);
        EXPECT_TRUE(dialogs.log.empty());
    }

    TempDir d;
    fs::create_directories(d / "conf.ini");
    ScriptedDialogs dialogs;
    EXPECT_EQ(loadConfiguration(d.path(), dialogs).sexRatio, "105");
    ASSERT_EQ(dialogs.log.size(), 1u);
    EXPECT_EQ(dialogs.log[0].kind, "warning");
    EXPECT_EQ(dialogs.log[0].text.rfind("Não foi possível ler o arquivo de configuração do sistema.\n"
                                        "Os valores-padrão foram carregados.\n\nErro original: ",
                                        0),
              0u);
}

// A new project takes the configured sex ratio when it is one; anything else
// gives the default 105 and a warning naming conf.ini and the key, not an
// option the user never typed.
TEST(Configuration, ANewProjectTakesAValidSexRatioOrTheDefaultWithAWarning)
{
    struct Case {
        const char* file;
        const char* want;
        bool warned;
    };
    const Case cases[] = {
        {nullptr, "105", false},
        {"[popproj]\r\nEd_QtdHom=98\r\n", "98", false},
        {"[popproj]\r\n", "100", false},
        {"[popproj]\r\nEd_QtdHom=9x\r\n", "105", true},
        {"[popproj]\r\nEd_QtdHom=1050\r\n", "105", true},
        {"[popproj]\r\nEd_QtdHom=\r\n", "105", true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.file ? c.file : "sem conf.ini");
        test::TempDir d;
        if (c.file)
            test::writeBytes(d / "conf.ini", c.file);
        ScriptedDialogs dialogs;
        EXPECT_EQ(newProjectSexRatio(d.path(), dialogs), c.want);
        ASSERT_EQ(dialogs.log.size(), c.warned ? 1u : 0u);
        if (c.warned) {
            EXPECT_EQ(dialogs.log[0].kind, "warning");
            EXPECT_NE(dialogs.log[0].text.find("da chave Ed_QtdHom da seção [popproj] do arquivo " +
                                               (d / "conf.ini").string()),
                      std::string::npos)
                << dialogs.log[0].text;
            EXPECT_NE(dialogs.log[0].text.find("foi usado o valor-padrão 105"), std::string::npos);
        }
    }
}

TEST(Configuration, SavingCreatesTheSectionAndKeepsTheRest)
{
    TempDir d;
    ScriptedDialogs dialogs;
    saveConfiguration(d.path(), loadConfiguration(d.path(), dialogs));
    EXPECT_EQ(readBytes(d / "conf.ini"), "[popproj]\nEd_QtdHom=105\n");

    writeBytes(d / "conf.ini", "[outra]\na=1\n[POPPROJ]\ned_qtdhom=100\n");
    saveConfiguration(d.path(), Configuration{"9x"});
    EXPECT_EQ(readBytes(d / "conf.ini"), "[outra]\na=1\n[POPPROJ]\nEd_QtdHom=9x\n");
    EXPECT_EQ(loadConfiguration(d.path(), dialogs).sexRatio, "9x");
}

TEST(ProjectDetails, WrittenInOrderAndReadBack)
{
    TempDir d;
    ProjectDetails p;
    p.uf = "35";
    p.obs = "Projeção teste\r\nsegunda linha";
    p.census1 = {8, "1991", "/dados/c1.txt", "5570"};
    p.census2 = {-1, "2000", "/dados/c2.txt", "5571"};
    p.rsnHom = "105";
    p.ano1Proj = 2001;
    const fs::path file = projectDetailsFile(d.path());
    writeProjectDetails(file, p);
    EXPECT_EQ(readBytes(file), "[projeto]\n"
                               "uf= 35\n"
                               "obs=Proje\xE7\xE3o teste segunda linha\n"
                               "\n"
                               "[censo inicial]\n"
                               "mes=8\n"
                               "ano=1991\n"
                               "arquivo=/dados/c1.txt\n"
                               "registros=5570\n"
                               "\n"
                               "[censo final]\n"
                               "mes=-1\n"
                               "ano=2000\n"
                               "arquivo=/dados/c2.txt\n"
                               "registros=5571\n"
                               "\n"
                               "[projecao]\n"
                               "rsn-hom=105\n"
                               "ano1_proj=2001\n");
    ProjectDetails r = readProjectDetails(file);
    EXPECT_EQ(r.uf, "35");
    EXPECT_EQ(r.obs, "Projeção teste segunda linha");
    EXPECT_EQ(r.census1.mes, 8);
    EXPECT_EQ(r.census1.arquivo, "/dados/c1.txt");
    EXPECT_EQ(r.census2.mes, -1);
    EXPECT_EQ(r.census2.ano, "2000");
    EXPECT_EQ(r.census2.registros, "5571");
    EXPECT_EQ(r.rsnHom, "105");
    EXPECT_EQ(r.ano1Proj, 2001);

    // Rewriting replaces the values in place.
    p.ano1Proj = 0;
    writeProjectDetails(file, p);
    EXPECT_EQ(readProjectDetails(file).ano1Proj, 0);
    EXPECT_NE(readBytes(file).find("\nano1_proj=0\n"), std::string::npos);
}

TEST(ProjectDetails, MissingKeysReadAsTheirDefaults)
{
    TempDir d;
    writeBytes(d / "detalhes.ini", "[projeto]\nuf= 12\n[censo inicial]\nmes=x\n[projecao]\nano1_proj=\n");
    for (const fs::path& file : {d / "detalhes.ini", d / "nada.ini"}) {
        ProjectDetails r = readProjectDetails(file);
        EXPECT_EQ(r.uf, file.filename() == "nada.ini" ? "?" : "12");
        EXPECT_EQ(r.obs, "?");
        for (const CensusDetails* c : {&r.census1, &r.census2}) {
            EXPECT_EQ(c->mes, 0);
            EXPECT_EQ(c->ano, "0000");
            EXPECT_EQ(c->arquivo, "?");
            EXPECT_EQ(c->registros, "?");
        }
        EXPECT_EQ(r.rsnHom, "0000");
        EXPECT_EQ(r.ano1Proj, 0);
    }
}
