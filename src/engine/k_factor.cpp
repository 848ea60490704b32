// Step 2: the K factor of every municipality, sex and single age: how much
// faster its cohorts grew between the censuses than the state's, per year.
#include "engine/calculo.h"

#include "data/error.h"
#include "data/text_util.h"

namespace demovia::calculo {

Groups kFactors(const Groups& municipal, const Groups& state, int shift, double exponent, const std::string& where)
{
    Groups a{};
    for (int g = 0; g <= 15; ++g)
        a[g] = divide(municipal[g], state[g],
                      where + ", faixa " + age3(g + 1) + " (coeficiente de crescimento da UF nulo)");
    Groups r = a;
    if (shift == 2)
        for (int g = 1; g <= 14; ++g)
            r[g] = (a[g - 1] + a[g + 1]) / 2;
    Groups k{};
    for (int g = 0; g <= 15; ++g)
        k[g] = power(r[g], exponent, where + ", faixa " + age3(g + 1));
    // The old ages share one factor: the few persons there make the single
    // groups too unsteady to stand alone.
    const double old = (k[12] + k[13] + k[14]) / 3;
    for (int g = 11; g <= 16; ++g)
        k[g] = old;
    return k;
}

void stepKFactor(Step& step)
{
    step.monitor.insertStep("Fator K...");
    auto fields = step.freshTable("fator_k.dbf", "fator_k.dbf");
    if (!fields) {
        step.writeFailed("O arquivo necessário para armazenar o fator K \n" + step.folderText() + "fator_k.dbf" +
                             "\n" + "pode estar em uso por outra aplicação." + "\n\n" + "Não será possível continuar");
        return;
    }

    if (step.state.growthMissing)
        throw Error("Não foi possível ler os coeficientes de crescimento: as tabelas " + step.folderText() +
                    "CR_UF.dbf e CR_UFM.dbf não foram geradas");
    const Table uf = readTable(step.table("CR_UF.dbf"));
    const Table ufm = readTable(step.table("CR_UFM.dbf"));
    if (uf.rows.size() < kGroups)
        throw Error("A tabela CR_UF.dbf deve ter 17 linhas");
    Groups stateMale{}, stateFemale{};
    {
        const int fh = uf.field("CR_HOM"), fw = uf.field("CR_MUL");
        for (int g = 0; g < kGroups; ++g) {
            stateMale[g] = uf.rows[g][fh].toDouble();
            stateFemale[g] = uf.rows[g][fw].toDouble();
        }
    }

    const int shift = step.ctx.settings.cohortShift;
    const double e = step.ctx.settings.intervalReciprocal;
    const int fh = ufm.field("CR_HOM"), fw = ufm.field("CR_MUL"), fmun = ufm.field("MUN");
    Table out(std::move(*fields));
    out.rows.reserve(ufm.rows.size() / kGroups * kAges);
    for (std::size_t start = 0; start + kGroups <= ufm.rows.size(); start += kGroups) {
        Groups m{}, w{};
        for (int g = 0; g < kGroups; ++g) {
            m[g] = ufm.rows[start + g][fh].toDouble();
            w[g] = ufm.rows[start + g][fw].toDouble();
        }
        const std::string mun = mun4(parseWhole(ufm.rows[start + kGroups - 1][fmun].toText()));
        const std::string where = "fator_k.dbf, município " + mun;
        const Groups kh = kFactors(m, stateMale, shift, e, where + ", homens");
        const Groups kw = kFactors(w, stateFemale, shift, e, where + ", mulheres");
        for (int x = 0; x < kAges; ++x) {
            const int g = x / 5;
            if (x == 0)
                out.append({mun, age3(x), power(kh[0], 0.5, where + ", homens, idade 000"),
                            power(kw[0], 0.5, where + ", mulheres, idade 000")});
            else
                out.append({mun, age3(x), kh[g], kw[g]});
        }
    }
    writeTable(step.table("fator_k.dbf"), out);

    if (step.ctx.offerKModifiers)
        step.ctx.offerKModifiers(step.monitor);
}

} // namespace demovia::calculo
