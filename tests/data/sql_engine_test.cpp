#include "data/error.h"
#include "data/sql_engine.h"
#include "sql_fixture.h"

#include <gtest/gtest.h>

using namespace demovia;
using namespace demovia::test;

namespace {

// uf.dbf with three states and a small table of text codes beside it.
struct Tables {
    TempDir dir;
    std::string uf = (dir / "uf.dbf").string();
    std::string codes = (dir / "codes.dbf").string();

    Tables()
    {
        writeTable(uf, fromTemplate("uf.dbf", {{33, "RJ", "Rio de Janeiro"}, {35, "SP", "São Paulo"}, {9, "XX", "Nove"}}));
        Table c({{"cod", 'C', 3, 0}, {"n", 'N', 5, 0}});
        c.append({"10", 10});
        c.append({"9", 9});
        c.append({"009", 9});
        writeTable(codes, c);
    }
    std::string q(const std::string& path) const { return "\"" + path + "\""; }
};

const Texts kStates = {{"33", "RJ", "Rio de Janeiro"}, {"35", "SP", "São Paulo"}, {"9", "XX", "Nove"}};

TEST(SqlEngine, ParametersAreStoredAsGivenNeverReadAsStatementText)
{
    Tables t;
    SqlEngine sql;
    const std::string name = "x\"; delete from \"uf.dbf\"; --'";
    ASSERT_LE(name.size(), 30u);
    EXPECT_EQ(sql.execute("insert into " + t.q(t.uf) + " values (?, ?, ?);", {41, "P\"", name}), 1);

    Texts want = kStates;
    want.push_back({"41", "P\"", name});
    EXPECT_EQ(texts(readTable(t.uf).rows), want);
    ResultSet found = sql.query("select sigla from " + t.q(t.uf) + " where ds_uf = ? and id_uf = ?", {name, 41});
    EXPECT_EQ(texts(found.rows), (Texts{{"P\""}}));
    EXPECT_EQ(found.column("SIGLA"), 0);

    EXPECT_THROW(sql.query("select * from " + t.q(t.uf) + " where id_uf = ?"), Error);
    EXPECT_THROW(sql.query("select * from " + t.q(t.uf) + " where id_uf = ?", {1, 2}), Error);
}

TEST(SqlEngine, MissingTableIsNamedAndNothingChanges)
{
    Tables t;
    const std::string before = readBytes(t.uf);
    const std::string missing = (t.dir / "nao_existe.dbf").string();
    for (const std::string& s : {"insert into " + t.q(t.uf) + " select * from " + t.q(missing) + ";",
                                 "delete from " + t.q(missing) + " where id_uf = 35;",
                                 "select * from " + t.q(t.uf) + " as a, " + t.q(missing) + " as b"}) {
        SqlEngine sql;
        try {
            sql.run(s);
            ADD_FAILURE() << "no error for " << s;
        } catch (const Error& e) {
            EXPECT_EQ(std::string(e.what()), "Tabela não encontrada: " + missing);
        }
        EXPECT_EQ(readBytes(t.uf), before);
    }
}

TEST(SqlEngine, ValueThatDoesNotFitFailsAndTheFileStaysAsItWas)
{
    Tables t;
    const std::string before = readBytes(t.uf);
    struct Case {
        std::string statement;
        std::vector<std::string> inMessage;
    };
    const std::vector<Case> cases = {
        {"insert into " + t.q(t.uf) + " values (123, \"PR\", \"Paraná\")", {"123", "id_uf"}},
        {"insert into " + t.q(t.uf) + " values (41, \"PRX\", \"Paraná\")", {"PRX", "sigla"}},
        {"update " + t.q(t.uf) + " set ds_uf = \"" + std::string(31, 'x') + "\" where id_uf = 35", {"ds_uf"}},
        {"update " + t.q(t.uf) + " set id_uf = \"abc\" where id_uf = 35", {"abc", "id_uf"}},
        {"insert into " + t.q(t.uf) + " select id_uf * 100, sigla, ds_uf from " + t.q(t.uf), {"id_uf"}},
    };
    SqlEngine sql;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.statement);
        try {
            sql.execute(c.statement);
            ADD_FAILURE() << "no error";
        } catch (const Error& e) {
            for (const auto& part : c.inMessage)
                EXPECT_NE(std::string(e.what()).find(part), std::string::npos) << e.what();
        }
        EXPECT_EQ(readBytes(t.uf), before);
        // Memory went back too: the next statement sees the table as it is on disk.
        EXPECT_EQ(texts(sql.query("select * from " + t.q(t.uf)).rows), kStates);
    }
}

TEST(SqlEngine, NumbersCompareAsNumbersTextsAsTexts)
{
    Tables t;
    SqlEngine sql;
    struct Case {
        std::string statement;
        Texts rows;
    };
    const std::vector<Case> cases = {
        {"select sigla from " + t.q(t.uf) + " where id_uf = \"35\"", {{"SP"}}},
        {"select sigla from " + t.q(t.uf) + " where id_uf = '09'", {{"XX"}}},
        {"select sigla from " + t.q(t.uf) + " where id_uf < 10", {{"XX"}}},
        {"select sigla from " + t.q(t.uf) + " order by id_uf", {{"XX"}, {"RJ"}, {"SP"}}},
        {"select cod from " + t.q(t.codes) + " where cod > \"010\"", {{"10"}, {"9"}}},
        {"select cod from " + t.q(t.codes) + " where cod = 9", {{"9"}}}, // as the text "9"
        {"select cod from " + t.q(t.codes) + " where n = \"9\" order by cod", {{"009"}, {"9"}}},
        {"select cod from " + t.q(t.codes) + " order by cod", {{"009"}, {"10"}, {"9"}}},
        {"select n / 4, 1 / 4, cast (cod as integer) = n from " + t.q(t.codes) + " where cod = \"10\"",
         {{"2.5", "0.25", "1"}}},
        // grouping without an order comes in the order of the groups
        {"select cod, count (*) from " + t.q(t.codes) + " group by cod", {{"009", "1"}, {"10", "1"}, {"9", "1"}}},
        {"select n, count (*) as qtd from " + t.q(t.codes) + " group by n -- por valor", {{"9", "2"}, {"10", "1"}}},
        {"select a.cod, b.sigla from " + t.q(t.codes) + " a join " + t.q(t.uf) + " b on b.id_uf = a.n",
         {{"9", "XX"}, {"009", "XX"}}},
    };
    for (const auto& c : cases)
        EXPECT_EQ(texts(sql.query(c.statement).rows), c.rows) << c.statement;

    // Into the file: a number in a text field is its plain text, a numeric text
    // in a numeric field is that number.
    sql.execute("insert into " + t.q(t.codes) + " values (35, \"0050\")");
    sql.execute("insert into " + t.q(t.codes) + " (n, cod) values (?, ?)", {"7", 2.5});
    const Table codes = readTable(t.codes);
    EXPECT_EQ(texts(codes.rows[3]), (std::vector<std::string>{"35", "50"}));
    EXPECT_EQ(texts(codes.rows[4]), (std::vector<std::string>{"2.5", "7"}));
    EXPECT_TRUE(codes.rows[4][1].isNumber());
}

TEST(SqlEngine, BatchWritesAtCommitAndRollbackDropsTheChanges)
{
    Tables t;
    const std::string before = readBytes(t.uf);
    SqlEngine sql;
    const std::string insert = "insert into " + t.q(t.uf) + " values (?, ?, ?);";
    const std::string all = "select * from " + t.q(t.uf) + ";";

    sql.beginBatch();
    EXPECT_THROW(sql.beginBatch(), Error);
    sql.execute(insert, {41, "PR", "Paraná"});
    EXPECT_THROW(sql.execute(insert, {420, "SC", "Santa Catarina"}), Error); // alone undone
    sql.execute(insert, {43, "RS", "Rio Grande do Sul"});
    sql.execute("delete from " + t.q(t.uf) + " where id_uf = 33");
    EXPECT_EQ(readBytes(t.uf), before); // nothing written yet
    const Texts inBatch = {{"35", "SP", "São Paulo"}, {"9", "XX", "Nove"}, {"41", "PR", "Paraná"},
                           {"43", "RS", "Rio Grande do Sul"}};
    EXPECT_EQ(texts(sql.query(all).rows), inBatch);
    sql.commitBatch();
    EXPECT_FALSE(sql.inBatch());
    EXPECT_EQ(texts(readTable(t.uf).rows), inBatch);

    const std::string committed = readBytes(t.uf);
    sql.beginBatch();
    sql.execute("delete from " + t.q(t.uf));
    EXPECT_TRUE(sql.query(all).rows.empty());
    sql.rollbackBatch();
    EXPECT_EQ(texts(sql.query(all).rows), inBatch);
    EXPECT_EQ(readBytes(t.uf), committed);

    try {
        SqlBatch batch(sql);
        sql.execute("delete from " + t.q(t.uf));
        throw Error("interrompido");
    } catch (const Error&) {
    }
    EXPECT_FALSE(sql.inBatch());
    EXPECT_EQ(texts(sql.query(all).rows), inBatch);
    EXPECT_EQ(readBytes(t.uf), committed);
}

TEST(SqlEngine, OneFileWhateverItsSpellingReadAgainWhenItChanges)
{
    Tables t;
    SqlEngine sql;
    const std::string upper = (t.dir / "UF.DBF").string();
    const std::string doubled = t.dir.path().string() + "//uf.dbf";
    sql.execute("delete from \"" + upper + "\" where id_uf = 9");
    EXPECT_EQ(texts(sql.query("select sigla from \"" + doubled + "\"").rows), (Texts{{"RJ"}, {"SP"}}));

    // Rewritten by another writer with the same size: seen at the next statement.
    writeTable(t.uf, fromTemplate("uf.dbf", {{33, "RX", "Rio de Janeiro"}, {35, "SP", "São Paulo"}}));
    EXPECT_EQ(texts(sql.query("select sigla from \"" + t.uf + "\"").rows), (Texts{{"RX"}, {"SP"}}));
    std::filesystem::remove(t.uf);
    EXPECT_THROW(sql.query("select sigla from \"" + t.uf + "\""), Error);
}

TEST(SqlEngine, BadStatementsFailWithAnError)
{
    Tables t;
    const std::string before = readBytes(t.uf);
    const std::string uf = t.q(t.uf);
    SqlEngine sql;
    struct Case {
        std::string statement;
        std::string inMessage;
    };
    const std::vector<Case> cases = {
        {"select * from " + uf + " where id_uf = = 1", "syntax error"},
        {"select nada from " + uf, "no such column: nada"},
        {"insert into " + uf + " values (1, 2)", "3 columns but 2 values"},
        {"select * from " + uf + "; delete from " + uf, "um comando"},
        {"selec * from " + uf, "não suportado"},
        {"drop table x", "não suportado"},
        {"attach database 'x.db' as x", "não suportado"},
        {"select * from \"" + t.uf, "aspas"},
        {"select (1 from " + uf, "parênteses"},
        {"  ;", "vazio"},
        {"update sigla set id_uf = 1", "tabela"},
    };
    for (const auto& c : cases) {
        try {
            sql.run(c.statement);
            ADD_FAILURE() << "no error for " << c.statement;
        } catch (const Error& e) {
            EXPECT_NE(std::string(e.what()).find(c.inMessage), std::string::npos) << e.what();
        }
    }
    EXPECT_THROW(sql.query("delete from " + uf), Error);
    EXPECT_THROW(sql.execute("select * from " + uf), Error);
    EXPECT_EQ(readBytes(t.uf), before);
    EXPECT_EQ(texts(sql.query("select * from " + uf).rows), kStates);
}

} // namespace
