// Step 3: the child/woman ratio of every municipality against the state's,
// from census 2; the quotient idf scales the state's fertility in step 4.
#include "engine/calculo.h"

#include "data/error.h"
#include "data/sql_engine.h"

namespace demovia::calculo {

void stepChildWoman(Step& step)
{
    step.monitor.insertStep("Relação criança / mulher...");
    for (const char* file : {"rcm.dbf", "rcm_cmen.dbf", "rcm_mmen.dbf", "rcm_cmai.dbf", "rcm_mmai.dbf"}) {
        if (!step.freshTable(file, file)) {
            step.writeFailed("O arquivo necessário para gerar a relação Criança / Mulher, \n" + step.folderText() +
                                 file + "\n" + "pode estar em uso por outra aplicação." + "\n\n" +
                                 "Não será possível continuar");
            step.state.ratioMissing = true;
            return;
        }
    }

    const std::string p = step.folderText();
    const auto t = [&p](const char* file) { return quotedTable(p + file); };
    const std::string statements[] = {
        "insert into " + t("rcm_mmen.dbf") + " select uf, mun, sum (mul2) as mul_amenor from " + t("tot_ufm.dbf") +
            " where faixa = '004' or faixa = '005' or faixa = '006' or faixa = '007' or faixa = '008' "
            "group by uf, mun;",
        "insert into " + t("rcm_cmen.dbf") + " select uf, mun, hom2 + mul2 as soma from " + t("tot_ufm.dbf") +
            " where faixa = '001';",
        "insert into " + t("rcm_mmai.dbf") + " select uf, sum (mul2) as mul_amenor from " + t("tot_ufm.dbf") +
            " where faixa = '004' or faixa = '005' or faixa = '006' or faixa = '007' or faixa = '008' group by uf;",
        "insert into " + t("rcm_cmai.dbf") + " select uf, sum (hom2 + mul2) as soma from " + t("tot_ufm.dbf") +
            " where faixa = '001' group by uf;",
        // A municipality without women of those ages gets no ratio and no idf
        // (the engine yields an empty value for a division by zero); step 4
        // then gives it no fertility and the checks of step 6 leave it out.
        "insert into " + t("rcm.dbf") + " select a.uf, a.mun, d.cam_amaior, c.mul_amaior, d.cam_amaior / "
            "c.mul_amaior, b.cam_amenor, a.mul_amenor, b.cam_amenor / a.mul_amenor, (b.cam_amenor / a.mul_amenor) / "
            "(d.cam_amaior / c.mul_amaior) from " + t("rcm_mmen.dbf") + " as a inner join " + t("rcm_cmen.dbf") +
            " as b on a.uf = b.uf and a.mun = b.mun inner join " + t("rcm_mmai.dbf") +
            " as c on a.uf = c.uf inner join " + t("rcm_cmai.dbf") + " as d on a.uf = d.uf;",
    };

    std::optional<std::string> failure;
    {
        BusyGuard busy(step.dialogs);
        try {
            SqlEngine sql;
            for (const auto& s : statements)
                sql.execute(s);
        } catch (const Error& e) {
            failure = e.what();
        }
    }
    if (failure) {
        step.state.ratioMissing = true;
        step.dialogs.warning("Não foi possível calcular o IDF.\n\nErro original: " + *failure);
    }
}

} // namespace demovia::calculo
