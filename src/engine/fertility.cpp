// Step 4: the state's fertility rates by year, their yearly means, and the
// rates of every municipality scaled by its idf.
#include "engine/calculo.h"

#include "data/error.h"
#include "data/text_util.h"

namespace demovia::calculo {

namespace {

struct YearRates {
    int year = 0;
    std::array<double, kRates> rate{};
    double tft = 0;
};

double totalFertility(const std::array<double, kRates>& r)
{
    double sum = 0;
    for (double v : r)
        sum += v;
    return 5 * sum;
}

} // namespace

void stepFertility(Step& step)
{
    if (!step.has("tx_fec.dbf")) {
        step.dialogs.warning("Você deve especificar o arquivo das taxas de fecundidade.\n\n"
                             "Abra a janela \"Projeção do censo\" e, com a guia \"Tx. Fecundidade\"\n"
                             "selecionada, clique no botão \"Importa\"");
        step.monitor.cancel = true;
        return;
    }
    step.monitor.insertStep("Fecundidade...");

    const std::pair<const char*, const char*> copies[] = {
        {"tef_uf.dbf", "tef_ufp.dbf"}, {"tef_uf.dbf", "tef_ufm.dbf"}, {"tef_mun.dbf", "tef_mun.dbf"}};
    std::vector<FieldDef> fields[3];
    for (int i = 0; i < 3; ++i) {
        auto f = step.freshTable(copies[i].first, copies[i].second);
        if (!f) {
            step.writeFailed("O arquivo\n" + step.folderText() + copies[i].second + "\n" +
                                 "pode estar em uso por outra aplicação." + "\n\n" + "Não será possível continuar");
            return;
        }
        fields[i] = std::move(*f);
    }

    const int base = step.ctx.settings.baseYear;
    std::vector<YearRates> state;
    {
        const Table tx = readTable(step.table("tx_fec.dbf"));
        int col[kRates];
        for (int k = 0; k < kRates; ++k)
            col[k] = tx.field("trf_" + std::to_string(k));
        for (std::size_t j = 0; j < tx.rows.size(); ++j) {
            YearRates y;
            y.year = base + static_cast<int>(j);
            for (int k = 0; k < kRates; ++k)
                y.rate[k] = tx.rows[j][col[k]].toDouble();
            y.tft = totalFertility(y.rate);
            state.push_back(y);
        }
    }

    Table ufp(std::move(fields[0]));
    for (const auto& y : state) {
        Row& r = ufp.append();
        r[0] = y.year;
        for (int k = 0; k < kRates; ++k)
            r[1 + k] = y.rate[k];
        r[1 + kRates] = y.tft;
    }
    writeTable(step.table("tef_ufp.dbf"), ufp);

    // Each projected year gets the mean of the two years around it.
    std::vector<YearRates> means;
    for (std::size_t j = 0; j + 1 < state.size(); ++j) {
        YearRates y;
        y.year = base + static_cast<int>(j) + 1;
        for (int k = 0; k < kRates; ++k)
            y.rate[k] = (state[j].rate[k] + state[j + 1].rate[k]) / 2;
        y.tft = totalFertility(y.rate);
        means.push_back(y);
    }
    Table ufm(std::move(fields[1]));
    for (const auto& y : means) {
        Row& r = ufm.append();
        r[0] = y.year;
        for (int k = 0; k < kRates; ++k)
            r[1 + k] = y.rate[k];
        r[1 + kRates] = y.tft;
    }
    writeTable(step.table("tef_ufm.dbf"), ufm);

    if (step.state.ratioMissing)
        throw Error("Não foi possível ler os índices de fecundidade: a tabela " + step.folderText() +
                    "rcm.dbf não foi gerada");
    const Table rcm = readTable(step.table("rcm.dbf"));
    const int fmun = rcm.field("mun"), fidf = rcm.field("idf");
    Table mun(std::move(fields[2]));
    mun.rows.reserve(means.size() * rcm.rows.size());
    for (const auto& y : means) {
        const std::string year = std::to_string(y.year);
        for (const Row& r : rcm.rows) {
            // No idf (no women of 15 to 39 at census 2): no rates, so the
            // checks leave the municipality out rather than project it barren.
            if (r[fidf].isNull())
                continue;
            const double t = y.tft * r[fidf].toDouble();
            Row& out = mun.append();
            out[0] = year;
            out[1] = r[fmun].toText();
            for (int k = 0; k < kRates; ++k)
                out[2 + k] = divide(y.rate[k], y.tft, "tef_mun.dbf, ano " + year + " (taxa de fecundidade total da UF nula)") * t;
            out[2 + kRates] = t;
        }
    }
    writeTable(step.table("tef_mun.dbf"), mun);
}

} // namespace demovia::calculo
