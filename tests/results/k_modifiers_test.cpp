#include "results/k_modifiers.h"

#include "data/schema.h"
#include "data/scripted_dialogs.h"
#include "data/table.h"
#include "data/text_util.h"
#include "test_util.h"

#include <gtest/gtest.h>

#include <functional>

using namespace demovia;

namespace {

class KModifiersTest : public ::testing::Test {
protected:
    test::TempDir app;
    fs::path project;
    ScriptedDialogs dialogs;
    KModifiers store{dialogs};

    void SetUp() override
    {
        fs::copy(test::appDir() / "DBVazio", app / "DBVazio", fs::copy_options::recursive);
        project = app / "Trabalho" / "T1";
        fs::create_directories(project);
        store.setFolders(app.path(), project);
    }

    static KModifierInput input(const std::string& mun, const std::string& sexo, const std::string& faixa,
                                const std::string& op = "Potência", const std::string& valor = "2")
    {
        return {mun + " - Nome", sexo, op, valor, faixa};
    }
    void useModel(const std::string& name)
    {
        store.newModel(name); // selects the new or the existing entry
        dialogs.log.clear();
    }
    Table onDisk() const { return readTable(project / "k_mod.dbf"); }
};

TEST_F(KModifiersTest, OpeningAProjectWithoutTheFileCreatesItEmpty)
{
    store.projectOpened();
    EXPECT_TRUE(store.isOpen());
    EXPECT_TRUE(fs::exists(project / "k_mod.dbf"));
    EXPECT_EQ(onDisk().size(), 0u);
    EXPECT_TRUE(store.models().empty());
}

TEST_F(KModifiersTest, NewModelNamesAreTrimmedCapitalsCutTo15AndUnique)
{
    ASSERT_TRUE(store.emptyFile());
    EXPECT_TRUE(store.newModel("  recife norte "));
    EXPECT_TRUE(store.newModel("abcdefghijklmnopqrst"));
    EXPECT_FALSE(store.newModel(std::nullopt));
    EXPECT_FALSE(store.newModel("   "));
    EXPECT_EQ(store.models(), (std::vector<std::string>{"ABCDEFGHIJKLMNO", "RECIFE NORTE"}));
    EXPECT_EQ(store.selectedModel(), "ABCDEFGHIJKLMNO");
    EXPECT_TRUE(dialogs.log.empty());

    EXPECT_FALSE(store.newModel("Recife Norte"));
    EXPECT_EQ(dialogs.lastText(), "Já existe esse modelo");
    EXPECT_EQ(store.selectedModel(), "RECIFE NORTE");
    EXPECT_EQ(store.models().size(), 2u);
}

TEST_F(KModifiersTest, InsertRefusesOverlappingModifiers)
{
    const std::string refused =
        "Só pode haver uma modificação de K para uma combinação de\nmodelo, município, sexo e faixa etária";
    struct Case {
        const char* sexo;
        const char* faixa;
        const char* model;
        const char* mun;
        const char* newSexo;
        const char* newFaixa;
        bool accepted;
    };
    const Case cases[] = {
        {"Ambos", "Todas", "M", "2611", "Homem", "3", false},
        {"Ambos", "Todas", "N", "2611", "Homem", "3", true},
        {"Ambos", "Todas", "M", "2612", "Homem", "3", true},
        {"Homem", "3", "M", "2611", "Mulher", "3", true},
        {"Homem", "3", "M", "2611", "Ambos", "5", true},
        {"Homem", "3", "M", "2611", "Homem", "Todas", false},
        {"Homem", "3", "M", "2611", "Ambos", "3", false},
        {"Homem", "3", "M", "2611", "Homem", "3", false},
        {"Mulher", "Todas", "M", "2611", "Homem", "7", true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.sexo) + "/" + c.faixa + " then " + c.model + " " + c.mun + " " + c.newSexo + "/" +
                     c.newFaixa);
        ASSERT_TRUE(store.emptyFile());
        useModel("M");
        ASSERT_TRUE(store.insert(input("2611", c.sexo, c.faixa)));
        useModel(c.model);
        EXPECT_EQ(store.insert(input(c.mun, c.newSexo, c.newFaixa)), c.accepted);
        EXPECT_EQ(onDisk().size(), c.accepted ? 2u : 1u);
        EXPECT_EQ(dialogs.lastText(), c.accepted ? "" : refused);
    }
}

TEST_F(KModifiersTest, InsertWritesTheSixTextsAtOnce)
{
    ASSERT_TRUE(store.emptyFile());
    useModel("sul");
    ASSERT_TRUE(store.insert(input("2611", "Mulher", "17", "Potência", " 7 ")));
    ASSERT_TRUE(store.insert(input("2611", "Homem", "1", "Raiz", "3")));
    const Table t = onDisk();
    ASSERT_EQ(t.size(), 2u);
    EXPECT_EQ(t.rows[0], (Row{"SUL", "2611", "MULHER", "POTêNCIA", "7", "17"}));
    EXPECT_EQ(t.rows[1], (Row{"SUL", "2611", "HOMEM", "RAIZ", "3", "1"}));
}

TEST_F(KModifiersTest, FieldCheckNeedsEveryField)
{
    ASSERT_TRUE(store.emptyFile());
    const std::string missing = "É necessário definir todos os campos para se incluir a modificação:\n\nMunicípio, "
                                "Modelo, Operação, Valor da operação, e Faixa etária aonde aplicar\na modificação";
    EXPECT_FALSE(store.insert(input("2611", "Ambos", "Todas"))); // no model yet
    EXPECT_EQ(dialogs.lastText(), missing);
    useModel("M");
    KModifierInput noMun = input("2611", "Ambos", "Todas");
    noMun.munEntry.clear();
    for (const KModifierInput& in : {input("2611", "Ambos", "Todas", "Potência", " "), noMun}) {
        dialogs.log.clear();
        EXPECT_FALSE(store.insert(in));
        EXPECT_EQ(dialogs.lastText(), missing);
    }
    EXPECT_EQ(dialogs.beeps, 3);
    EXPECT_EQ(onDisk().size(), 0u);
}

TEST_F(KModifiersTest, InsertWithoutTheFileOffersToCreateIt)
{
    useModel("M"); // the table was never opened
    dialogs.confirmAnswers = {true};
    EXPECT_FALSE(store.insert(input("2611", "Ambos", "Todas")));
    EXPECT_TRUE(dialogs.saw("confirm", "Ainda não existe o arquivo que armazenará\nas modificações de K."));
    EXPECT_TRUE(store.isOpen());
    EXPECT_EQ(onDisk().size(), 0u);
}

TEST_F(KModifiersTest, ChangeInsertsIntoAnEmptyModelAndRefusesExactDuplicates)
{
    ASSERT_TRUE(store.emptyFile());
    useModel("M");
    ASSERT_TRUE(store.change(input("2611", "Homem", "3"), 0)); // no rows yet: an insert
    ASSERT_TRUE(store.insert(input("2611", "Mulher", "3")));
    ASSERT_EQ(onDisk().size(), 2u);

    // Second row becomes the first one's twin: refused.
    EXPECT_FALSE(store.change(input("2611", "Homem", "3"), 1));
    EXPECT_EQ(dialogs.lastText(), "Já existe uma modificação de K com município,\noperação e faixa iguais aos escolhidos");
    // Change does not keep the overlap rule: AMBOS over the other row is taken.
    EXPECT_TRUE(store.change(input("2611", "Ambos", "3", "Raiz", "4"), 1));
    EXPECT_EQ(onDisk().rows[1], (Row{"M", "2611", "AMBOS", "RAIZ", "4", "3"}));

    EXPECT_TRUE(store.removeRow(0));
    EXPECT_EQ(onDisk().rows, (std::vector<Row>{Row{"M", "2611", "AMBOS", "RAIZ", "4", "3"}}));
}

TEST_F(KModifiersTest, DeletingModels)
{
    ASSERT_TRUE(store.emptyFile());
    for (const char* m : {"A", "B", "C"}) {
        useModel(m);
        ASSERT_TRUE(store.insert(input("2611", "Ambos", "Todas")));
    }
    // Not the first: no model stays selected and every row is shown.
    store.select(1);
    dialogs.confirmAnswers = {false, true};
    EXPECT_FALSE(store.deleteModel());
    EXPECT_EQ(dialogs.lastText(), "Deseja realmente excluir o modelo de modificadores \"B\"");
    EXPECT_TRUE(store.deleteModel());
    EXPECT_EQ(store.models(), (std::vector<std::string>{"A", "C"}));
    EXPECT_EQ(store.selected(), -1);
    EXPECT_EQ(store.visibleRows().size(), 2u);
    EXPECT_EQ(onDisk().size(), 2u);
    // The first: the new first is selected.
    store.select(0);
    dialogs.confirmAnswers = {true};
    EXPECT_TRUE(store.deleteModel());
    EXPECT_EQ(store.selectedModel(), "C");
    // The last: the file is emptied with the list.
    dialogs.confirmAnswers = {true};
    EXPECT_TRUE(store.deleteModel());
    EXPECT_TRUE(store.models().empty());
    EXPECT_TRUE(store.isOpen());
    EXPECT_EQ(onDisk().size(), 0u);
}

TEST_F(KModifiersTest, ModelListOfAnExistingFile)
{
    ASSERT_TRUE(store.emptyFile());
    for (const char* m : {"ZETA", "ALFA"}) {
        useModel(m);
        ASSERT_TRUE(store.insert(input("2611", "Ambos", "Todas")));
        ASSERT_TRUE(store.insert(input("2612", "Ambos", "Todas")));
    }
    KModifiers reopened(dialogs);
    reopened.setFolders(app.path(), project);
    reopened.projectOpened();
    EXPECT_EQ(reopened.models(), (std::vector<std::string>{"ALFA", "ZETA"}));
    EXPECT_EQ(reopened.selectedModel(), "ALFA");
    EXPECT_EQ(reopened.visibleRows(), (std::vector<std::size_t>{2, 3}));
}

TEST_F(KModifiersTest, MunicipalityListComesFromTheGroupedTotalsWithNamesOfTheState)
{
    fs::create_directories(app / "DBPadrao");
    Table mun(templateDef("mun.dbf").fields);
    mun.append({12, 1, "Acrelândia"});
    mun.append({13, 2, "Outro Estado"});
    mun.append({12, 3, "Brasiléia"});
    writeTable(app / "DBPadrao" / "mun.dbf", mun);
    Table tot(templateDef("Tot_UFM.dbf").fields);
    for (const char* m : {"0001", "0002", "0003"})
        for (int g = 1; g <= 2; ++g) {
            Row& r = tot.append();
            r[tot.field("UF")] = "12";
            r[tot.field("MUN")] = m;
            r[tot.field("FAIXA")] = age3(g);
        }
    writeTable(project / "tot_ufm.dbf", tot);
    EXPECT_EQ(municipalityEntries(app.path(), project, "12"),
              (std::vector<std::string>{"0001 - Acrelândia", "0002 - ", "0003 - Brasiléia"}));
}

// ---- applying a model to fator_k.dbf ---------------------------------------

class ApplyTest : public KModifiersTest {
protected:
    fs::path fk;
    void SetUp() override
    {
        KModifiersTest::SetUp();
        fk = project / "fator_k.dbf";
        writeFactors();
    }
    void writeFactors()
    {
        Table t(templateDef("fator_k.dbf").fields);
        for (const char* m : {"2611", "2612"})
            for (int x = 0; x <= 80; ++x)
                t.append({m, age3(x), 0.25, 0.25});
        writeTable(fk, t);
    }
    // Every factor compared with what expected gives for (municipality, age).
    void expectFactors(const std::function<std::pair<double, double>(const std::string&, int)>& expected)
    {
        const Table t = readTable(fk);
        ASSERT_EQ(t.size(), 162u);
        for (const Row& r : t.rows) {
            const auto [h, w] = expected(r[0].toText(), static_cast<int>(r[1].toInt()));
            EXPECT_DOUBLE_EQ(r[2].toDouble(), h) << r[0].toText() << " " << r[1].toText();
            EXPECT_DOUBLE_EQ(r[3].toDouble(), w) << r[0].toText() << " " << r[1].toText();
        }
    }
};

KModifier mod(const char* mun, const char* sexo, const char* op, const char* valor, const char* faixa)
{
    return {"M", mun, sexo, op, valor, faixa};
}

TEST_F(ApplyTest, ModifiersChangeTheirMunicipalitySexesAndAges)
{
    using Expect = std::function<std::pair<double, double>(const std::string&, int)>;
    struct Case {
        KModifier m;
        Expect expected;
    };
    const Case cases[] = {
        {mod("2611", "HOMEM", "RAIZ", "2", "3"),
         [](const std::string& mun, int x) {
             return std::pair{mun == "2611" && x >= 10 && x <= 14 ? 0.5 : 0.25, 0.25};
         }},
        {mod("2611", "AMBOS", "POTêNCIA", "0", "5"),
         [](const std::string& mun, int x) {
             const bool in = mun == "2611" && x >= 20 && x <= 24;
             return std::pair{in ? 1.0 : 0.25, in ? 1.0 : 0.25};
         }},
        {mod("2611", "AMBOS", "POTêNCIA", "2", "TODAS"),
         [](const std::string& mun, int) {
             const double k = mun == "2611" ? 0.0625 : 0.25;
             return std::pair{k, k};
         }},
        {mod("2612", "MULHER", "POTêNCIA", "2", "17"),
         [](const std::string& mun, int x) { return std::pair{0.25, mun == "2612" && x == 80 ? 0.0625 : 0.25}; }},
        {mod("2612", "MULHER", "CUBO", "2", "TODAS"), [](const std::string&, int) { return std::pair{0.25, 0.25}; }},
        {mod("9999", "AMBOS", "RAIZ", "0", "TODAS"), [](const std::string&, int) { return std::pair{0.25, 0.25}; }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.m.municipio + " " + c.m.sexo + " " + c.m.operacao + " " + c.m.valor + " " + c.m.faixa);
        writeFactors();
        dialogs.log.clear();
        EXPECT_EQ(applyKModifiers(fk, {c.m}, dialogs), ApplyResult::Applied);
        EXPECT_TRUE(dialogs.log.empty());
        expectFactors(c.expected);
    }
}

TEST_F(ApplyTest, AFailureReportsTheFirstRowReachedAndKeepsEarlierChanges)
{
    const auto r = applyKModifiers(
        fk, {mod("2611", "HOMEM", "POTêNCIA", "2", "1"), mod("2611", "HOMEM", "RAIZ", "0", "2")}, dialogs);
    EXPECT_EQ(r, ApplyResult::Failed);
    EXPECT_EQ(dialogs.lastText(), "Erro na tentativa de modificação do K.\nVeja o resumo do processo:\n\n"
                                  "Município = 2611\nk homem   = 0.25\nk mulher  = 0.25\nModelo    = M\n"
                                  "Sexo      = HOMEM\nOperação  = RAIZ\nValor     = 0\nFaixa     = 2");
    expectFactors([](const std::string& mun, int x) { return std::pair{mun == "2611" && x < 5 ? 0.0625 : 0.25, 0.25}; });
}

TEST_F(ApplyTest, AModelWithoutModifiersChangesNothing)
{
    const std::string before = test::readBytes(fk);
    EXPECT_EQ(applyKModifiers(fk, {}, dialogs), ApplyResult::NoModifier);
    EXPECT_EQ(dialogs.lastText(), "Nenhuma modificação para o modelo escolhido");
    EXPECT_EQ(test::readBytes(fk), before);
}

} // namespace
