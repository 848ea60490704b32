// Step 1: growth coefficients of the cohorts, in the larger-area projection
// (year to year, single ages) and between the two censuses (age groups).
#include "engine/calculo.h"

#include "data/error.h"
#include "data/text_util.h"

namespace demovia::calculo {

namespace {

const char* sexName(bool female) { return female ? "mulheres" : "homens"; }

std::string groupWhere(const std::string& where, int position)
{
    return where + ", faixa " + age3(position + 1) + " (população nula no censo 1)";
}

struct CensusBlock {
    Groups h1, w1, h2, w2;
    std::string mun; // of the block's last row
};

// Blocks of 17 rows in file order; a trailing incomplete block is dropped.
std::vector<CensusBlock> readCensusBlocks(const fs::path& file, bool withMun)
{
    Table t = readTable(file);
    const int fh1 = t.field("hom1"), fw1 = t.field("mul1"), fh2 = t.field("hom2"), fw2 = t.field("mul2");
    const int fmun = withMun ? t.field("mun") : -1;
    std::vector<CensusBlock> blocks;
    for (std::size_t start = 0; start + kGroups <= t.rows.size(); start += kGroups) {
        CensusBlock b;
        for (int g = 0; g < kGroups; ++g) {
            const Row& row = t.rows[start + g];
            // Read as whole persons.
            b.h1[g] = roundHalfEven(row[fh1].toDouble());
            b.w1[g] = roundHalfEven(row[fw1].toDouble());
            b.h2[g] = roundHalfEven(row[fh2].toDouble());
            b.w2[g] = roundHalfEven(row[fw2].toDouble());
        }
        if (withMun)
            b.mun = mun4(parseWhole(t.rows[start + kGroups - 1][fmun].toText()));
        blocks.push_back(std::move(b));
    }
    return blocks;
}

} // namespace

// The state's projection, fields 2..163 by position: men 0..80, women 0..80.
std::vector<std::array<double, 2 * kAges>> readLargerArea(const fs::path& file)
{
    Table t = readTable(file);
    if (t.fields.size() < 1 + 2 * kAges)
        throw Error("A tabela " + file.filename().string() + " deve ter 163 campos");
    std::vector<std::array<double, 2 * kAges>> rows(t.rows.size());
    for (std::size_t r = 0; r < t.rows.size(); ++r)
        for (int i = 0; i < 2 * kAges; ++i)
            rows[r][i] = t.rows[r][1 + i].toDouble();
    return rows;
}

Groups censusGrowth(const Groups& c1, const Groups& c2, int shift, const std::string& where)
{
    Groups c{};
    if (shift == 1) {
        for (int g = 0; g <= 14; ++g)
            c[g] = divide(c2[g + 1], c1[g], groupWhere(where, g));
        c[15] = divide(c2[16], c1[15] + c1[16], groupWhere(where, 15));
    } else {
        for (int g = 1; g <= 15; ++g)
            c[g] = divide(c2[g + 1], c1[g - 1], groupWhere(where, g));
        c[0] = c[1];
    }
    return c;
}

void stepGrowth(Step& step)
{
    if (!step.has("pop_proj.dbf")) {
        step.dialogs.warning("Você deve especificar o arquivo da população projetada da UF.\n\n"
                             "Abra a janela \"Projeção do censo\" e, com a guia \"Projeções\"\n"
                             "selecionada, clique no botão \"Importa\"");
        step.monitor.cancel = true;
        return;
    }
    step.monitor.insertStep("Coeficiente de crescimento...");

    std::vector<FieldDef> fields[3];
    const char* files[3] = {"CR_UFP.dbf", "CR_UF.dbf", "CR_UFM.dbf"};
    for (int i = 0; i < 3; ++i) {
        auto f = step.freshTable(files[i], files[i]);
        if (!f) {
            step.writeFailed("O arquivo necessário para armazenar os coef. de crescimento \n" +
                                 step.folderText() + files[i] + "\n" + "pode estar em uso por outra aplicação." +
                                 "\n\n" + "Não será possível continuar");
            step.state.growthMissing = true;
            return;
        }
        fields[i] = std::move(*f);
    }

    const int base = step.ctx.settings.baseYear;
    const int shift = step.ctx.settings.cohortShift;

    // Larger area, year to year.
    const auto proj = readLargerArea(step.table("pop_proj.dbf"));
    Table ufp(fields[0]);
    for (std::size_t p = 0; p + 1 < proj.size(); ++p) {
        const auto& now = proj[p];
        const auto& next = proj[p + 1];
        const std::string year = std::to_string(base + static_cast<int>(p));
        auto where = [&](int age, bool female) {
            return "CR_UFP.dbf, ano " + year + ", idade " + age3(age) + ", " + sexName(female) +
                   " (população projetada nula)";
        };
        const int F = kAges; // offset of the women
        for (int a = 0; a <= 78; ++a)
            ufp.append({year, age3(a), divide(next[a + 1], now[a], where(a, false)),
                        divide(next[F + a + 1], now[F + a], where(a, true))});
        ufp.append({year, "079", divide(next[80], now[79] + now[80], where(79, false)),
                    divide(next[F + 80], now[F + 79] + now[F + 80], where(79, true))});
    }

    // The censuses: the state, then every municipality.
    Table uf(fields[1]);
    for (const auto& b : readCensusBlocks(step.table("tot_uf.dbf"), false)) {
        Groups c = censusGrowth(b.h1, b.h2, shift, "CR_UF.dbf, homens");
        Groups d = censusGrowth(b.w1, b.w2, shift, "CR_UF.dbf, mulheres");
        for (int l = 0; l < kGroups; ++l)
            uf.append({age3(l + 1), c[l], d[l]});
    }
    Table ufm(fields[2]);
    for (const auto& b : readCensusBlocks(step.table("tot_ufm.dbf"), true)) {
        Groups c = censusGrowth(b.h1, b.h2, shift, "CR_UFM.dbf, município " + b.mun + ", homens");
        Groups d = censusGrowth(b.w1, b.w2, shift, "CR_UFM.dbf, município " + b.mun + ", mulheres");
        for (int l = 0; l < kGroups; ++l)
            ufm.append({b.mun, age3(l + 1), c[l], d[l]});
    }

    writeTable(step.table(files[0]), ufp);
    writeTable(step.table(files[1]), uf);
    writeTable(step.table(files[2]), ufm);
}

} // namespace demovia::calculo
