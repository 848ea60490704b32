// Every statement the system runs, as it writes it, over small tables: the rows
// that come back (or that land in the changed table) and their order.
#include "data/error.h"
#include "data/sql_engine.h"
#include "data/text_util.h"
#include "sql_fixture.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <optional>

using namespace demovia;
using namespace demovia::test;

namespace {

// A check: the rows of a table file after the statements ("{project folder}x.dbf"),
// or the rows returned by statement k ("#k"); in their order unless the
// statement defines none.
struct Check {
    std::string what;
    Texts rows;
    bool anyOrder = false;
};

struct Case {
    std::string name;
    std::function<void(const Workspace&)> setup;
    std::vector<std::string> statements;
    std::vector<Check> checks;
    bool batch = false;
};

void PrintTo(const Case& c, std::ostream* os) { *os << c.name; }

void put(const fs::path& file, const std::string& templ, std::vector<Row> rows)
{
    writeTable(file, fromTemplate(templ, std::move(rows)));
}

// ---- reference tables ----------------------------------------------------

void references(const Workspace& w)
{
    put(w.reference("uf.dbf"), "uf.dbf", {{33, "RJ", "Rio de Janeiro"}, {35, "SP", "São Paulo"}, {31, "MG", "Minas Gerais"}});
    put(w.reference("mun.dbf"), "mun.dbf",
        {{35, 10, "Campinas"}, {33, 50, "Niterói"}, {35, 50, "Santos"}, {31, 50, "Betim"}, {35, 20, "Sorocaba"},
         {33, 10, "Campos"}});
    writeTable(w.reference("faixas.dbf"), ageGroups());
}

const std::string kUf = "{application folder}DBPadrao/uf.dbf";
const std::string kMun = "{application folder}DBPadrao/mun.dbf";

std::vector<Case> registryCases()
{
    const Texts ufs = {{"33", "RJ", "Rio de Janeiro"}, {"35", "SP", "São Paulo"}, {"31", "MG", "Minas Gerais"}};
    return {
        {"RegistryDeleteStateThenItsMunicipalities",
         references,
         {"delete from \"" + kMun + "\" where id_uf = 35;", "delete from \"" + kUf + "\" where id_uf = 35;"},
         {{kUf, {{"33", "RJ", "Rio de Janeiro"}, {"31", "MG", "Minas Gerais"}}},
          {kMun, {{"33", "50", "Niterói"}, {"31", "50", "Betim"}, {"33", "10", "Campos"}}}}},
        {"RegistryDeleteOneMunicipalityKeepsSameCodeOfOtherStates",
         references,
         {"delete from \"" + kMun + "\" where id_uf = 35 and id_mun = 0050;"},
         {{kMun,
           {{"35", "10", "Campinas"}, {"33", "50", "Niterói"}, {"31", "50", "Betim"}, {"35", "20", "Sorocaba"},
            {"33", "10", "Campos"}}}}},
        {"RegistryChangeStateCodeMovesItsMunicipalities",
         references,
         {"update \"" + kUf + "\" set id_uf = 36, sigla = \"SP\", ds_uf = \"São Paulo\" where id_uf = 35;",
          "update \"" + kMun + "\"set id_uf = 36 where id_uf = 35;"},
         {{kUf, {{"33", "RJ", "Rio de Janeiro"}, {"36", "SP", "São Paulo"}, {"31", "MG", "Minas Gerais"}}},
          {kMun,
           {{"36", "10", "Campinas"}, {"33", "50", "Niterói"}, {"36", "50", "Santos"}, {"31", "50", "Betim"},
            {"36", "20", "Sorocaba"}, {"33", "10", "Campos"}}}}},
        {"RegistryConflictQueries",
         references,
         {// a new state equal in all three fields to an existing one
          "select * from \"" + kUf + "\" where id_uf =35 and  sigla =\"SP\" and  ds_uf =\"São Paulo\";",
          // a new state repeating only the code
          "select * from \"" + kUf + "\" where id_uf =35 and  sigla =\"PR\" and  ds_uf =\"Paraná\";",
          // RJ renamed to a name another state has: unchanged fields with <>
          "select * from \"" + kUf + "\" where id_uf <>33 and  sigla <>\"RJ\" and  ds_uf =\"São Paulo\";",
          // a municipality renamed to a name of another code, in any state
          "select * from \"" + kMun + "\" where id_mun <>0010 and  ds_mun =\"Santos\";"},
         {{"#0", {{"35", "SP", "São Paulo"}}},
          {"#1", {}},
          {"#2", {{"35", "SP", "São Paulo"}}},
          {"#3", {{"35", "50", "Santos"}}}}},
        {"RegistryIncludeAndAlterAppendOrKeepPlace",
         references,
         {"insert into \"" + kUf + "\" values (41, \"PR\", \"Paraná\");",
          "insert into \"" + kMun + "\" values (35, 0070, \"Jundiaí\");",
          "update \"" + kMun + "\" set id_mun = 60, ds_mun = \"Santos d'Oeste\" where id_uf = 35 and id_mun = 50;"},
         {{kUf, {ufs[0], ufs[1], ufs[2], {"41", "PR", "Paraná"}}},
          {kMun,
           {{"35", "10", "Campinas"}, {"33", "50", "Niterói"}, {"35", "60", "Santos d'Oeste"}, {"31", "50", "Betim"},
            {"35", "20", "Sorocaba"}, {"33", "10", "Campos"}, {"35", "70", "Jundiaí"}}}}},
        {"RegistryExports",
         references,
         {"select * from \"" + kUf + "\";", "select * from \"" + kMun + "\";",
          "select u.id_uf, u.sigla, m.id_mun, m.ds_mun from \"" + kUf + "\"  as u,\"" + kMun +
              "\" as m where u.id_uf = m.id_uf and   u.id_uf = 35",
          "select u.id_uf, u.sigla, m.id_mun, m.ds_mun from \"" + kUf + "\"  as u,\"" + kMun +
              "\" as m where u.id_uf = m.id_uf;"},
         {{"#0", ufs},
          {"#1",
           {{"35", "10", "Campinas"}, {"33", "50", "Niterói"}, {"35", "50", "Santos"}, {"31", "50", "Betim"},
            {"35", "20", "Sorocaba"}, {"33", "10", "Campos"}}},
          // The two joins of the export have no defined order.
          {"#2", {{"35", "SP", "10", "Campinas"}, {"35", "SP", "50", "Santos"}, {"35", "SP", "20", "Sorocaba"}}, true},
          {"#3",
           {{"33", "RJ", "50", "Niterói"}, {"33", "RJ", "10", "Campos"}, {"35", "SP", "10", "Campinas"},
            {"35", "SP", "50", "Santos"}, {"35", "SP", "20", "Sorocaba"}, {"31", "MG", "50", "Betim"}},
           true}}},
    };
}

// ---- census ----------------------------------------------------------------

// A wide census row: HOM_a = base + a, MUL_a = base + 100 + a.
Row wideRow(const char* uf, const char* mun, int base)
{
    Row r{uf, mun};
    for (int a = 0; a <= 81; ++a)
        r.push_back(base + a);
    for (int a = 0; a <= 81; ++a)
        r.push_back(base + 100 + a);
    return r;
}

Case censusImport()
{
    Case c;
    c.name = "CensusImportWideToLong";
    c.batch = true;
    c.setup = [](const Workspace& w) {
        put(w.inProject("CENSO1.db"), "CENSO1.db",
            {wideRow("35", "0020", 1), wideRow("33", "0099", 500), wideRow("35", "0010", 1000)});
        put(w.inProject("CENSO1.dbf"), "CENSO1.dbf", {});
    };
    c.statements = {"delete from \"{project folder}CENSO1.db\" where UF <> \"35\";",
                    "select * from \"{project folder}CENSO1.db\";"};
    for (int a = 0; a <= 81; ++a)
        c.statements.push_back("INSERT INTO \"{project folder}censo1.dbf\" ( UF, MUN, idade, HOM, MUL ) SELECT UF AS "
                               "Expr1, MUN AS Expr2, \"" +
                               formatMask(a, "000") + "\" AS Expr3, HOM_" + std::to_string(a) + " AS Expr4, MUL_" +
                               std::to_string(a) + " AS Expr5 FROM \"{project folder}censo1.db\";");
    Texts wide = {texts(wideRow("35", "0020", 1)), texts(wideRow("35", "0010", 1000))};
    Texts longRows;
    for (int a = 0; a <= 81; ++a)
        for (int base : {1, 1000})
            longRows.push_back({"35", base == 1 ? "0020" : "0010", formatMask(a, "000"), std::to_string(base + a),
                                std::to_string(base + 100 + a)});
    c.checks = {{"#1", wide}, {"{project folder}CENSO1.db", wide}, {"{project folder}CENSO1.dbf", longRows}};
    return c;
}

Case censusGrouping()
{
    Case c;
    c.name = "CensusGroupingAppendsGroupsInOrder";
    c.setup = [](const Workspace& w) {
        references(w);
        // Neither census is sorted; 0030 is only in census 1, 0040 only in census 2.
        put(w.inProject("CENSO1.dbf"), "CENSO1.dbf",
            {{"35", "0020", "080", 5, 6},
             {"35", "0020", "000", 10, 11},
             {"35", "0010", "081", 1, 1},
             {"35", "0010", "004", 20, 21},
             {"35", "0030", "000", 7, 7},
             {"35", "0010", "000", 30, 31},
             {"35", "0020", "005", 40, 41},
             {"35", "0010", "080", 50, 51}});
        put(w.inProject("CENSO2.dbf"), "CENSO2.dbf",
            {{"35", "0010", "000", 32, 33},
             {"35", "0010", "004", 22, 23},
             {"35", "0010", "080", 52, 53},
             {"35", "0010", "081", 2, 2},
             {"35", "0020", "000", 12, 13},
             {"35", "0020", "005", 42, 43},
             {"35", "0020", "080", 6, 7},
             {"35", "0040", "000", 9, 9}});
        for (const char* f : {"TCensos0.dbf", "TCensos1.dbf"})
            put(w.inProject(f), "Censos.dbf", {});
        put(w.inProject("Tot_UF.dbf"), "Tot_UF.dbf", {});
        put(w.inProject("Tot_UFM.dbf"), "Tot_UFM.dbf", {});
    };
    c.statements = {
        "INSERT INTO \"{project folder}tcensos0.dbf\" ( UF, MUN, IDADE, HOM1, MUL1, HOM2, MUL2 ) SELECT A.UF, A.MUN, "
        "A.IDADE, A.HOM, A.MUL, B.HOM, B.MUL FROM \"{project folder}censo1.dbf\" AS A, \"{project folder}censo2.dbf\" "
        "AS B WHERE A.IDADE = B.IDADE AND A.MUN = B.MUN AND A.UF = B.UF;",
        "INSERT INTO \"{project folder}TCensos1.dbf\" ( UF, MUN, IDADE, FAIXA, HOM1, MUL1, HOM2, MUL2 ) SELECT A.UF, "
        "A.MUN, A.IDADE, B.FAIXA, A.HOM1, A.MUL1, A.HOM2, A.MUL2 FROM \"{project folder}TCensos0.dbf\" AS A, "
        "\"{application folder}DBPadrao/Faixas.dbf\" AS B WHERE A.IDADE >= B.IDADE0 AND A.IDADE <= B.IDADE1 AND NOT "
        "A.IDADE = \"081\";",
        "INSERT INTO \"{project folder}Tot_UF.dbf\" ( UF, FAIXA, HOM1, MUL1, HOM2, MUL2 ) Select UF, FAIXA, SUM (HOM1) "
        "As HOM1, SUM (MUL1) As MUL1, SUM (HOM2) As HOM2, SUM (MUL2) As MUL2 From \"{project folder}TCensos1.dbf\" "
        "GROUP BY UF, FAIXA;",
        "INSERT INTO \"{project folder}Tot_UFM.dbf\" ( UF, MUN, FAIXA, HOM1, MUL1, HOM2, MUL2 ) Select UF, MUN, FAIXA, "
        "SUM (HOM1) As HOM1, SUM (MUL1) As MUL1, SUM (HOM2) As HOM2, SUM (MUL2) As MUL2 From \"{project "
        "folder}TCensos1.dbf\" GROUP BY UF, MUN, FAIXA;"};
    c.checks = {
        {"{project folder}TCensos0.dbf",
         {{"35", "0020", "080", "", "5", "6", "6", "7"},
          {"35", "0020", "000", "", "10", "11", "12", "13"},
          {"35", "0010", "081", "", "1", "1", "2", "2"},
          {"35", "0010", "004", "", "20", "21", "22", "23"},
          {"35", "0010", "000", "", "30", "31", "32", "33"},
          {"35", "0020", "005", "", "40", "41", "42", "43"},
          {"35", "0010", "080", "", "50", "51", "52", "53"}}},
        {"{project folder}TCensos1.dbf",
         {{"35", "0020", "080", "017", "5", "6", "6", "7"},
          {"35", "0020", "000", "001", "10", "11", "12", "13"},
          {"35", "0010", "004", "001", "20", "21", "22", "23"},
          {"35", "0010", "000", "001", "30", "31", "32", "33"},
          {"35", "0020", "005", "002", "40", "41", "42", "43"},
          {"35", "0010", "080", "017", "50", "51", "52", "53"}}},
        {"{project folder}Tot_UF.dbf",
         {{"35", "001", "60", "63", "66", "69"}, {"35", "002", "40", "41", "42", "43"},
          {"35", "017", "55", "57", "58", "60"}}},
        {"{project folder}Tot_UFM.dbf",
         {{"35", "0010", "001", "50", "52", "54", "56"},
          {"35", "0010", "017", "50", "51", "52", "53"},
          {"35", "0020", "001", "10", "11", "12", "13"},
          {"35", "0020", "002", "40", "41", "42", "43"},
          {"35", "0020", "017", "5", "6", "6", "7"}}}};
    return c;
}

// ---- larger area and step 1 --------------------------------------------------

Case largerAreaDelete()
{
    Case c;
    c.name = "LargerAreaKeepsTheProjectStateInFileOrder";
    auto popRow = [](const char* uf, int base) {
        Row r{uf};
        for (int k = 0; k < 162; ++k)
            r.push_back(base + k);
        return r;
    };
    c.setup = [popRow](const Workspace& w) {
        put(w.inProject("pop_proj.dbf"), "pop_proj.dbf", {popRow("35", 100), popRow("33", 200), popRow("35", 300)});
        put(w.inProject("rel_nas.dbf"), "rel_nas.dbf",
            {{"35", 0.95, 0.96}, {"33", 0.5, 0.5}, {"35", 0.97, 0.98}, {"35", 0.99, 0.995}});
    };
    c.statements = {"delete from \"{project folder}pop_proj.dbf\" where UF <> \"35\";",
                    "delete from \"{project folder}rel_nas.dbf\" where UF <> \"35\";"};
    c.checks = {{"{project folder}pop_proj.dbf", {texts(popRow("35", 100)), texts(popRow("35", 300))}},
                {"{project folder}rel_nas.dbf", {{"35", "0.95", "0.96"}, {"35", "0.97", "0.98"}, {"35", "0.99", "0.995"}}}};
    return c;
}

Case stepOneReads()
{
    Case c;
    c.name = "GrowthStepReadsGroupedTotalsInFileOrder";
    c.setup = [](const Workspace& w) {
        put(w.inProject("Tot_UF.dbf"), "Tot_UF.dbf", {{"35", "002", 1, 2, 3, 4}, {"35", "001", 5, 6, 7, 8}});
        put(w.inProject("Tot_UFM.dbf"), "Tot_UFM.dbf",
            {{"35", "0020", "001", 1, 2, 3, 4}, {"35", "0010", "001", 5, 6, 7, 8}});
    };
    c.statements = {"select * from \"{project folder}tot_uf.dbf\" ", "select * from \"{project folder}tot_ufm.dbf\" "};
    c.checks = {{"#0", {{"35", "002", "1", "2", "3", "4"}, {"35", "001", "5", "6", "7", "8"}}},
                {"#1", {{"35", "0020", "001", "1", "2", "3", "4"}, {"35", "0010", "001", "5", "6", "7", "8"}}}};
    return c;
}

// ---- step 3 ----------------------------------------------------------------

const std::vector<std::string> kRcmStatements = {
    "insert into \"{project folder}rcm_mmen.dbf\" select uf, mun, sum (mul2) as mul_amenor from \"{project "
    "folder}tot_ufm.dbf\" where faixa = \"004\" or faixa = \"005\" or faixa = \"006\" or faixa = \"007\" or faixa = "
    "\"008\" group by uf, mun;",
    "insert into \"{project folder}rcm_cmen.dbf\" select uf, mun, hom2 + mul2 as soma from \"{project "
    "folder}tot_ufm.dbf\" where faixa = \"001\";",
    "insert into \"{project folder}rcm_mmai.dbf\" select uf, sum (mul2) as mul_amenor from \"{project "
    "folder}tot_ufm.dbf\" where faixa = \"004\" or faixa = \"005\" or faixa = \"006\" or faixa = \"007\" or faixa = "
    "\"008\" group by uf;",
    "insert into \"{project folder}rcm_cmai.dbf\" select uf, sum (hom2 + mul2) as soma from \"{project "
    "folder}tot_ufm.dbf\" where faixa = \"001\" group by uf;",
    "insert into \"{project folder}rcm.dbf\" select a.uf, a.mun, d.cam_amaior, c.mul_amaior, d.cam_amaior / "
    "c.mul_amaior, b.cam_amenor, a.mul_amenor, b.cam_amenor / a.mul_amenor, (b.cam_amenor / a.mul_amenor) / "
    "(d.cam_amaior / c.mul_amaior) from \"{project folder}rcm_mmen.dbf\" as a inner join \"{project "
    "folder}rcm_cmen.dbf\" as b on a.uf = b.uf and a.mun = b.mun inner join \"{project folder}rcm_mmai.dbf\" as c on "
    "a.uf = c.uf inner join \"{project folder}rcm_cmai.dbf\" as d on a.uf = d.uf;"};

void rcmTemplates(const Workspace& w)
{
    for (const char* f : {"rcm.dbf", "rcm_cmen.dbf", "rcm_mmen.dbf", "rcm_cmai.dbf", "rcm_mmai.dbf"})
        put(w.inProject(f), f, {});
}

// Tot_UFM rows of one municipality: children (boys, girls) in group 001, the
// women of groups 004 to 008, and a group 002 that no statement should count.
std::vector<Row> rcmRows(const char* mun, int boys, int girls, std::vector<int> women)
{
    std::vector<Row> rows{{"35", mun, "001", 0, 0, boys, girls}, {"35", mun, "002", 0, 0, 999, 999}};
    for (std::size_t k = 0; k < women.size(); ++k)
        rows.push_back({"35", mun, formatMask(static_cast<long long>(k + 4), "00#"), 0, 0, 7, women[k]});
    return rows;
}

Case rcmExample()
{
    Case c;
    c.name = "ChildWomanRatioOfTwoMunicipalities";
    c.setup = [](const Workspace& w) {
        rcmTemplates(w);
        // 0020 first in the file: the grouped work table still comes out in code order.
        auto rows = rcmRows("0020", 150, 150, {120, 120, 120, 120, 120});
        for (auto& r : rcmRows("0010", 40, 60, {80, 80, 80, 80, 80}))
            rows.push_back(r);
        put(w.inProject("Tot_UFM.dbf"), "Tot_UFM.dbf", rows);
    };
    c.statements = kRcmStatements;
    c.checks = {{"{project folder}rcm_mmen.dbf", {{"35", "0010", "400"}, {"35", "0020", "600"}}},
                {"{project folder}rcm_cmen.dbf", {{"35", "0020", "300"}, {"35", "0010", "100"}}},
                {"{project folder}rcm_mmai.dbf", {{"35", "1000"}}},
                {"{project folder}rcm_cmai.dbf", {{"35", "400"}}},
                {"{project folder}rcm.dbf",
                 {{"35", "0010", "400", "1000", "0.4", "100", "400", "0.25", "0.625"},
                  {"35", "0020", "400", "1000", "0.4", "300", "600", "0.5", "1.25"}}}};
    return c;
}

Case rcmEdges()
{
    Case c;
    c.name = "ChildWomanRatioWithoutWomenOrWithoutChildren";
    c.setup = [](const Workspace& w) {
        rcmTemplates(w);
        auto rows = rcmRows("0010", 50, 50, {100});
        for (auto& r : rcmRows("0030", 10, 10, {0}))
            rows.push_back(r);
        auto noChildren = rcmRows("0040", 0, 0, {100});
        noChildren.erase(noChildren.begin()); // no group 001 at all
        for (auto& r : noChildren)
            rows.push_back(r);
        put(w.inProject("Tot_UFM.dbf"), "Tot_UFM.dbf", rows);
    };
    c.statements = kRcmStatements;
    // 0030 has no women: its ratio and index are left empty; 0040 has no
    // children's row and gets no row.
    c.checks = {{"{project folder}rcm.dbf",
                 {{"35", "0010", "120", "200", "0.6", "100", "100", "1", "1.666666666667"},
                  {"35", "0030", "120", "200", "0.6", "20", "0", "", ""}}}};
    return c;
}

// ---- step 6 and the checks before it ----------------------------------------

void stepSixInputs(const Workspace& w)
{
    // IDADE is a number: 10 comes after 2.
    put(w.inProject("interp.dbf"), "interp.dbf",
        {{"35", "0020", "003", 10, 1, 1, 20.5, 21.5},
         {"35", "0010", "001", 2, 1, 1, 12, 13},
         {"35", "0030", "001", 0, 1, 1, 99, 99},
         {"35", "0010", "003", 10, 1, 1, 110, 111},
         {"35", "0010", "001", 0, 1, 1, 100, 101}});
    put(w.inProject("CR_UFP.dbf"), "CR_UFP.dbf",
        {{"2011", "001", 1.01, 1.02}, {"2010", "001", 1.03, 1.04}, {"2010", "000", 1.05, 1.06}});
    put(w.inProject("fator_k.dbf"), "fator_k.dbf",
        {{"0020", "010", 1.1, 1.2}, {"0010", "010", 1.3, 1.4}, {"0030", "000", 9, 9}, {"0010", "000", 1.5, 1.6}});
    put(w.inProject("relnas_m.dbf"), "rel_nas.dbf", {{"35", 0.97, 0.98}, {"35", 0.95, 0.96}});
    put(w.inProject("tef_mun.dbf"), "tef_mun.dbf",
        {{"2012", "0010", 0.01, 0.02, 0.03, 0.04, 0.05, 0.06, 0.07, 1.4},
         {"2011", "0020", 0.1, 0.2, 0.3, 0.4, 0.5, 0.6, 0.7, 14},
         {"2011", "0010", 0.11, 0.12, 0.13, 0.14, 0.15, 0.16, 0.17, 4.4},
         {"2011", "0030", 1, 1, 1, 1, 1, 1, 1, 35}});
}

Case stepSixReads()
{
    const std::string sel = " where mun in (\"0010\", \"0020\")";
    Case c;
    c.name = "ProjectionReadsItsInputs";
    c.setup = stepSixInputs;
    c.statements = {
        "select mun, idade, hom2, mul2 from \"{project folder}interp.dbf\" " + sel + " order by mun, idade;",
        "select ano, idade, cr_hom, cr_mul from \"{project folder}cr_ufp.dbf\" order by ano, idade;",
        "select mun, idade, k_hom, k_mul from \"{project folder}fator_k.dbf\" " + sel + " order by mun, idade;",
        "select hom, mul from \"{project folder}relnas_m.dbf\";",
        "select ano, mun, trf_0, trf_1, trf_2, trf_3, trf_4, trf_5, trf_6, tft from \"{project folder}tef_mun.dbf\" " +
            sel + " order by ano ,mun;",
        "select max (ano) as ano from \"{project folder}tef_mun.dbf\";",
        "select mun, idade, hom2, mul2 from \"{project folder}interp.dbf\"  where mun in () order by mun, idade;"};
    c.checks = {
        {"#0", {{"0010", "0", "100", "101"}, {"0010", "2", "12", "13"}, {"0010", "10", "110", "111"}, {"0020", "10", "20.5", "21.5"}}},
        {"#1", {{"2010", "000", "1.05", "1.06"}, {"2010", "001", "1.03", "1.04"}, {"2011", "001", "1.01", "1.02"}}},
        {"#2", {{"0010", "000", "1.5", "1.6"}, {"0010", "010", "1.3", "1.4"}, {"0020", "010", "1.1", "1.2"}}},
        {"#3", {{"0.97", "0.98"}, {"0.95", "0.96"}}},
        {"#4",
         {{"2011", "0010", "0.11", "0.12", "0.13", "0.14", "0.15", "0.16", "0.17", "4.4"},
          {"2011", "0020", "0.1", "0.2", "0.3", "0.4", "0.5", "0.6", "0.7", "14"},
          {"2012", "0010", "0.01", "0.02", "0.03", "0.04", "0.05", "0.06", "0.07", "1.4"}}},
        {"#5", {{"2012"}}},
        {"#6", {}}};
    return c;
}

Case projectionChecks()
{
    Case c;
    c.name = "PreProjectionChecksCountAgesPerMunicipality";
    c.setup = stepSixInputs;
    c.statements = {
        "select mun, count (*) as qtd_idades from \"{project folder}interp.dbf\" group by mun order by mun;",
        "select mun, count (*) as qtd_idades from \"{project folder}fator_k.dbf\" group by mun order by mun;",
        "select mun from \"{project folder}tef_mun.dbf\" order by mun;"};
    c.checks = {{"#0", {{"0010", "3"}, {"0020", "1"}, {"0030", "1"}}},
                {"#1", {{"0010", "2"}, {"0020", "1"}, {"0030", "1"}}},
                {"#2", {{"0010"}, {"0010"}, {"0020"}, {"0030"}}}};
    return c;
}

// ---- results, modifiers, adapter -----------------------------------------------

// A year table: (mun, faixa, idade, hom_int, mul_int, hom_dec, mul_dec) per row.
void yearTable(const fs::path& file, const char* year, std::vector<std::vector<Value>> rows)
{
    std::vector<Row> out;
    for (auto& r : rows) {
        Row row{year};
        row.insert(row.end(), r.begin(), r.end());
        out.push_back(std::move(row));
    }
    put(file, "PsFinais.dbf", std::move(out));
}

const std::vector<std::vector<Value>> kYear = {
    {"0020", "001", 0, 10, 11, 10.2, 10.9},  {"0020", "001", 1, 20, 21, 20.4, 21.1},
    {"0020", "002", 5, 30, 31, 29.6, 31.2},  {"0010", "001", 0, 1, 2, 1.25, 2.25},
    {"0010", "003", 10, 3, 4, 3.25, 4.25},   {"0010", "001", 2, 5, 6, 5.25, 6.25}};

Case resultsBrowser()
{
    Case c;
    c.name = "ResultsBrowserSumsAgeGroupsAndTotals";
    c.setup = [](const Workspace& w) { yearTable(w.inProject("2011.dbf"), "2011", kYear); };
    c.statements = {"select ano, mun, faixa, sum (hom_int) as hom_int, sum (mul_int) as mul_int, sum (hom_dec) as "
                    "hom_dec, sum (mul_dec) as mul_dec from \"{project folder}2011.dbf\" group by ano, mun, faixa "
                    "order by ano, mun, faixa;",
                    "select ano, mun, sum (hom_int) as hom_int, sum (mul_int) as mul_int, sum (hom_dec) as hom_dec, "
                    "sum (mul_dec) as mul_dec from \"{project folder}2011.dbf\" group by ano, mun order by ano, mun;"};
    c.checks = {{"#0",
                 {{"2011", "0010", "001", "6", "8", "6.5", "8.5"},
                  {"2011", "0010", "003", "3", "4", "3.25", "4.25"},
                  {"2011", "0020", "001", "30", "32", "30.6", "32"},
                  {"2011", "0020", "002", "30", "31", "29.6", "31.2"}}},
                {"#1", {{"2011", "0010", "9", "12", "9.75", "12.75"}, {"2011", "0020", "60", "63", "60.2", "63.2"}}}};
    return c;
}

Case modifierMunicipalities()
{
    Case c;
    c.name = "ModifierListNamesOnlyTheProjectStatesMunicipalities";
    c.setup = [](const Workspace& w) {
        references(w); // id_mun 10 and 50 exist in several states
        put(w.inProject("Tot_UFM.dbf"), "Tot_UFM.dbf",
            {{"35", "0050", "001", 1, 1, 1, 1},
             {"35", "0050", "002", 1, 1, 1, 1},
             {"35", "0030", "001", 1, 1, 1, 1},
             {"35", "0010", "001", 1, 1, 1, 1}});
        put(w.inProject("k_mod.dbf"), "k_mod.dbf",
            {{"B", "0010", "HOMEM", "SOMA", "1", "001"},
             {"A", "0050", "AMBOS", "SOMA", "2", "TODAS"},
             {"B", "0050", "MULHER", "SOMA", "3", "002"}});
    };
    c.statements = {"select distinct a.mun, b.ds_mun from \"{project folder}tot_ufm.dbf\" a left join \"{application "
                    "folder}DBPadrao/mun.dbf\" b on cast (a.mun as integer) = b.id_mun and id_uf = \"35\";",
                    "select distinct modelo from \"{project folder}k_mod.dbf\";"};
    c.checks = {{"#0", {{"0050", "Santos"}, {"0030", ""}, {"0010", "Campinas"}}}, {"#1", {{"B"}, {"A"}}}};
    return c;
}

Case externalAdapter()
{
    Case c;
    c.name = "ExternalAdapterStatements";
    c.setup = [](const Workspace& w) {
        put(w.inProject("externo.dbf"), "externo.dbf",
            {{"35", "2012", "0010", 1100},
             {"33", "2009", "0010", 5},
             {"35", "2011", "0020", 500},
             {"35", "2011", "0010", 1000},
             {"35", "2010", "0020", 400}});
        yearTable(w.inProject("2011.dbf"), "2011", kYear);
        yearTable(w.inProject("2011_ext.dbf"), "2011", kYear);
    };
    c.statements = {
        "delete from \"{project folder}externo.dbf\" where UF <> \"35\";",
        "select distinct ano from \"{project folder}externo.dbf\" order by ano;",
        "select mun, sum (hom_int + mul_int) as tot from \"{project folder}2011.dbf\" group by mun order by mun;",
        "select a.mun, b.idade, a.pop, b.hom_int, b.mul_int from \"{project folder}externo.dbf\" as a, \"{project "
        "folder}2011.dbf\" as b where a.ano = \"2011\" and a.ano = b.ano and a.mun = b.mun order by a.mun, b.idade;",
        "select ano, mun, faixa, sum (hom_int) as hom_int, sum (mul_int) as mul_int, sum (hom_dec) as hom_dec, sum "
        "(mul_dec) as mul_dec from \"{project folder}2011_ext.dbf\" group by ano, mun, faixa order by ano, mun, faixa;"};
    c.checks = {{"{project folder}externo.dbf",
                 {{"35", "2012", "0010", "1100"},
                  {"35", "2011", "0020", "500"},
                  {"35", "2011", "0010", "1000"},
                  {"35", "2010", "0020", "400"}}},
                {"#1", {{"2010"}, {"2011"}, {"2012"}}},
                {"#2", {{"0010", "21"}, {"0020", "123"}}},
                {"#3",
                 {{"0010", "0", "1000", "1", "2"},
                  {"0010", "2", "1000", "5", "6"},
                  {"0010", "10", "1000", "3", "4"},
                  {"0020", "0", "500", "10", "11"},
                  {"0020", "1", "500", "20", "21"},
                  {"0020", "5", "500", "30", "31"}}},
                {"#4",
                 {{"2011", "0010", "001", "6", "8", "6.5", "8.5"},
                  {"2011", "0010", "003", "3", "4", "3.25", "4.25"},
                  {"2011", "0020", "001", "30", "32", "30.6", "32"},
                  {"2011", "0020", "002", "30", "31", "29.6", "31.2"}}}};
    return c;
}

std::vector<Case> allCases()
{
    std::vector<Case> all = registryCases();
    for (auto c : {censusImport(), censusGrouping(), largerAreaDelete(), stepOneReads(), rcmExample(), rcmEdges(),
                   stepSixReads(), projectionChecks(), resultsBrowser(), modifierMunicipalities(), externalAdapter()})
        all.push_back(std::move(c));
    return all;
}

class Statements : public ::testing::TestWithParam<Case> {};

TEST_P(Statements, GiveTheRowsInTheirOrder)
{
    const Case& c = GetParam();
    Workspace w;
    c.setup(w);
    SqlEngine sql;
    std::vector<ResultSet> results;
    {
        std::optional<SqlBatch> batch;
        if (c.batch)
            batch.emplace(sql);
        for (const auto& s : c.statements) {
            try {
                results.push_back(sql.run(w.fill(s)));
            } catch (const Error& e) {
                FAIL() << e.what() << "\n" << w.fill(s);
            }
        }
        if (batch)
            batch->commit();
    }
    for (const auto& check : c.checks) {
        SCOPED_TRACE(check.what);
        if (check.what[0] == '#') {
            const std::size_t k = std::stoul(check.what.substr(1));
            ASSERT_LT(k, results.size());
            Texts got = texts(results[k].rows), want = check.rows;
            if (check.anyOrder) {
                std::sort(got.begin(), got.end());
                std::sort(want.begin(), want.end());
            }
            EXPECT_EQ(got, want);
        } else {
            EXPECT_EQ(texts(readTable(w.fill(check.what)).rows), check.rows);
        }
    }
}

INSTANTIATE_TEST_SUITE_P(AsTheSystemWritesThem, Statements, ::testing::ValuesIn(allCases()),
                         [](const auto& info) { return info.param.name; });

} // namespace
