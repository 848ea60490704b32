#include "data/schema.h"

#include "data/error.h"
#include "data/text_util.h"

namespace demovia {

namespace {

// Widths chosen so that codes are texts of their width, counts hold at least
// 12 digits and coefficients, rates and unrounded populations keep more than
// 10 significant digits through a write and a read.
FieldDef text(std::string n, int w) { return {std::move(n), 'C', w, 0}; }
FieldDef whole(std::string n, int w = 12) { return {std::move(n), 'N', w, 0}; }
FieldDef count(std::string n) { return {std::move(n), 'N', 18, 4}; }      // persons, may be fractional
FieldDef coef(std::string n) { return {std::move(n), 'N', 19, 12}; }      // ratios and factors near 1
FieldDef rate(std::string n) { return {std::move(n), 'N', 19, 15}; }      // small rates and multipliers
FieldDef pop(std::string n) { return {std::move(n), 'N', 19, 10}; }       // unrounded populations

std::vector<TemplateDef> build()
{
    std::vector<TemplateDef> t;
    // Reference tables.
    t.push_back({"uf.dbf", {whole("id_uf", 2), text("sigla", 2), text("ds_uf", 30)}});
    t.push_back({"mun.dbf", {whole("id_uf", 2), whole("id_mun", 4), text("ds_mun", 50)}});
    t.push_back({"faixas.dbf", {text("FAIXA", 3), text("IDADE0", 3), text("IDADE1", 3)}});
    t.push_back({"kking.dbf", {rate("coef_1"), rate("coef_2"), rate("coef_3")}});
    t.push_back({"sprague.dbf", {rate("coef_1"), rate("coef_2"), rate("coef_3"), rate("coef_4"), rate("coef_5")}});

    // Census, wide and long.
    for (const char* name : {"CENSO1.db", "CENSO2.db"}) {
        TemplateDef d{name, {text("UF", 2), text("MUN", 4)}};
        for (int a = 0; a <= 81; ++a)
            d.fields.push_back(count("HOM_" + std::to_string(a)));
        for (int a = 0; a <= 81; ++a)
            d.fields.push_back(count("MUL_" + std::to_string(a)));
        t.push_back(std::move(d));
    }
    for (const char* name : {"CENSO1.dbf", "CENSO2.dbf"})
        t.push_back({name, {text("UF", 2), text("MUN", 4), text("IDADE", 3), count("HOM"), count("MUL")}});
    t.push_back({"Censos.dbf",
                 {text("UF", 2), text("MUN", 4), text("IDADE", 3), text("FAIXA", 3), count("HOM1"), count("MUL1"),
                  count("HOM2"), count("MUL2")}});
    t.push_back({"Tot_UF.dbf",
                 {text("UF", 2), text("FAIXA", 3), count("HOM1"), count("MUL1"), count("HOM2"), count("MUL2")}});
    t.push_back({"Tot_UFM.dbf",
                 {text("UF", 2), text("MUN", 4), text("FAIXA", 3), count("HOM1"), count("MUL1"), count("HOM2"),
                  count("MUL2")}});

    // Larger area.
    {
        TemplateDef d{"pop_proj.dbf", {text("UF", 2)}};
        for (int a = 0; a <= 80; ++a)
            d.fields.push_back(count("HOM_" + std::to_string(a)));
        for (int a = 0; a <= 80; ++a)
            d.fields.push_back(count("MUL_" + std::to_string(a)));
        t.push_back(std::move(d));
    }
    {
        TemplateDef d{"tx_fec.dbf", {text("UF", 2)}};
        for (int k = 0; k <= 6; ++k)
            d.fields.push_back(rate("trf_" + std::to_string(k)));
        t.push_back(std::move(d));
    }
    t.push_back({"rel_nas.dbf", {text("UF", 2), rate("HOM"), rate("MUL")}});

    // Step 1.
    t.push_back({"CR_UFP.dbf", {text("ano", 4), text("idade", 3), coef("cr_hom"), coef("cr_mul")}});
    t.push_back({"CR_UF.dbf", {text("FAIXA", 3), coef("CR_HOM"), coef("CR_MUL")}});
    t.push_back({"CR_UFM.dbf", {text("MUN", 4), text("FAIXA", 3), coef("CR_HOM"), coef("CR_MUL")}});
    // Step 2.
    t.push_back({"fator_k.dbf", {text("MUN", 4), text("IDADE", 3), coef("K_HOM"), coef("K_MUL")}});
    // Step 3.
    t.push_back({"rcm_mmen.dbf", {text("uf", 2), text("mun", 4), count("mul_amenor")}});
    t.push_back({"rcm_cmen.dbf", {text("uf", 2), text("mun", 4), count("cam_amenor")}});
    t.push_back({"rcm_mmai.dbf", {text("uf", 2), count("mul_amaior")}});
    t.push_back({"rcm_cmai.dbf", {text("uf", 2), count("cam_amaior")}});
    t.push_back({"rcm.dbf",
                 {text("uf", 2), text("mun", 4), count("cam_amaior"), count("mul_amaior"), coef("rcm_amaior"),
                  count("cam_amenor"), count("mul_amenor"), coef("rcm_amenor"), coef("idf")}});
    // Step 4.
    {
        TemplateDef uf{"tef_uf.dbf", {whole("ano", 4)}};
        TemplateDef mun{"tef_mun.dbf", {text("ano", 4), text("mun", 4)}};
        for (int k = 0; k <= 6; ++k) {
            uf.fields.push_back(rate("trf_" + std::to_string(k)));
            mun.fields.push_back(rate("trf_" + std::to_string(k)));
        }
        uf.fields.push_back(coef("tft"));
        mun.fields.push_back(coef("tft"));
        t.push_back(std::move(uf));
        t.push_back(std::move(mun));
    }
    // Step 5.
    t.push_back({"interp.dbf",
                 {text("UF", 2), text("MUN", 4), text("FAIXA", 3), whole("IDADE", 3), pop("HOM1"), pop("MUL1"),
                  pop("HOM2"), pop("MUL2")}});
    // Step 6.
    t.push_back({"NascSexo.dbf", {text("ano", 4), text("mun", 4), whole("hom"), whole("mul")}});
    t.push_back({"PsFinais.dbf",
                 {text("ano", 4), text("mun", 4), text("faixa", 3), whole("idade", 3), whole("hom_int"),
                  whole("mul_int"), pop("hom_dec"), pop("mul_dec")}});
    // K modifiers and the external adapter.
    t.push_back({"k_mod.dbf",
                 {text("modelo", 15), text("municipio", 4), text("sexo", 6), text("operacao", 8), text("valor", 1),
                  text("faixa", 5)}});
    t.push_back({"externo.dbf", {text("UF", 2), text("ano", 4), text("mun", 4), whole("pop")}});
    return t;
}

} // namespace

const std::vector<TemplateDef>& templateDefs()
{
    static const std::vector<TemplateDef> defs = build();
    return defs;
}

const TemplateDef& templateDef(const std::string& file)
{
    for (const auto& d : templateDefs())
        if (equalsNoCase(d.file, file))
            return d;
    throw Error("Modelo de tabela desconhecido: " + file);
}

void writeTemplates(const fs::path& folder)
{
    fs::create_directories(folder);
    for (const auto& d : templateDefs())
        writeTable(folder / d.file, Table(d.fields));
}

} // namespace demovia
