// Step 6: the projection itself, year after year from census 2, with the
// checks before it and, for seven steps, the pro-rating of every year.
#include "engine/calculo.h"

#include "data/error.h"
#include "data/project_guard.h"
#include "engine/table_query.h"
#include "data/text_util.h"

#include <ctime>
#include <exception>
#include <thread>
#include <unordered_map>

namespace demovia::calculo {

namespace {

long long secondsOfDay()
{
    std::time_t now = std::time(nullptr);
    std::tm t{};
    localtime_r(&now, &t);
    return t.tm_hour * 3600LL + t.tm_min * 60LL + t.tm_sec;
}

const std::string kSurvivalMissing = "Você deve especificar o arquivo de sobreviventes ao nascer.\n\n"
                                     "Abra a janela \"Projeção do censo\" e, com a guia \"Rel. de Sobrev. ao Nasc.\"\n"
                                     "selecionada, clique no botão \"Importa\"";

std::string copyFailed(const Step& step, const std::string& name)
{
    return "Não foi possível copiar o arquivo " + step.folderText() + name + "\n\n" +
           "Ele pode estar em uso por outra aplicação." + "\n\n" + "Não será possível continuar";
}

// Rows of one municipality placed by age; each age exactly once.
class ByAge {
public:
    ByAge(const std::vector<std::string>& muns, const char* table) : m_table(table), m_filled(muns.size() * kAges, 0)
    {
        for (std::size_t i = 0; i < muns.size(); ++i)
            m_index.emplace(muns[i], i);
    }
    // The slot of (mun, age), or -1 when the municipality is not projected.
    long long slot(const std::string& mun, double age)
    {
        auto it = m_index.find(mun);
        if (it == m_index.end())
            return -1;
        const int a = static_cast<int>(age);
        if (a < 0 || a >= kAges || a != age || m_filled[it->second * kAges + a])
            throw Error("Idade inválida ou repetida (" + formatGeneral(age) + ") no município " + mun + " de " +
                        m_table);
        const std::size_t s = it->second * kAges + static_cast<std::size_t>(a);
        m_filled[s] = 1;
        return static_cast<long long>(s);
    }
    void requireAll(const std::vector<std::string>& muns) const
    {
        for (std::size_t i = 0; i < m_filled.size(); ++i)
            if (!m_filled[i])
                throw Error("Falta a idade " + age3(static_cast<long long>(i % kAges)) + " do município " +
                            muns[i / kAges] + " em " + m_table);
    }

private:
    std::string m_table;
    std::vector<char> m_filled;
    std::unordered_map<std::string, std::size_t> m_index;
};

} // namespace

double maleShareOfBirths(const std::string& sexRatioText)
{
    const std::string text = trim(sexRatioText);
    if (text.empty())
        throw Error("'' não é um valor numérico válido");
    const double ratio = Value(text).toDouble();
    return divide(ratio, ratio + 100, "razão de sexo ao nascimento");
}

std::string clockText(long long seconds)
{
    const long long h = seconds / 3600, m = seconds % 3600 / 60, s = seconds % 60;
    return formatMask(h, "00") + ":" + formatMask(m, "00") + ":" + formatMask(s, "00");
}

namespace {

// Formatting the numbers of a year table is most of a year's work; the rows
// are independent, so a second core formats the second half.
template <class Fill>
void fillInParallel(std::size_t rows, const Fill& fill)
{
    const std::size_t half = std::thread::hardware_concurrency() > 1 && rows >= 4096 ? rows / 2 : rows;
    if (half == rows) {
        fill(0, rows);
        return;
    }
    std::exception_ptr failed;
    std::thread other([&] {
        try {
            fill(half, rows);
        } catch (...) {
            failed = std::current_exception();
        }
    });
    try {
        fill(0, half);
    } catch (...) {
        other.join();
        throw;
    }
    other.join();
    if (failed)
        std::rethrow_exception(failed);
}

} // namespace

void projectYears(Step& step, ProjectionInput& in)
{
    const fs::path templates = step.ctx.appDir / "DBVazio";
    const int base = step.ctx.settings.baseYear;
    const int years = in.years;
    const std::size_t n = in.muns.size();
    const std::size_t cells = n * kAges;
    const std::size_t y = static_cast<std::size_t>(std::max(years, 0));
    if (in.popMale.size() < cells || in.popFemale.size() < cells || in.kMale.size() < cells ||
        in.kFemale.size() < cells || in.crMale.size() < 80 * y || in.crFemale.size() < 80 * y ||
        in.birthMale.size() < y || in.birthFemale.size() < y || in.rates.size() < n * y ||
        (in.prorate && in.larger.size() < y + 1))
        throw Error("Dados insuficientes para a projeção");
    std::vector<double> nextMale(cells), nextFemale(cells);

    // The births of every year written so far. NascSexo.dbf is written whole
    // after each year table, and that write is what adds the year to the
    // project's year list (projectedYears): a run cut short anywhere leaves
    // the years it finished, each with its births, and nothing else listed.
    AppendedTable births(readSchema(templates / "NascSexo.dbf"));

    // The year table: codes, groups and ages are the same every year, only
    // the year and the populations are written anew.
    TableImage yearTable(readSchema(templates / "PsFinais.dbf"), cells);
    const Table layout(yearTable.fields());
    const int fAno = layout.field("ano"), fMun = layout.field("mun"), fFaixa = layout.field("faixa"),
              fIdade = layout.field("idade"), fHomInt = layout.field("hom_int"), fMulInt = layout.field("mul_int"),
              fHomDec = layout.field("hom_dec"), fMulDec = layout.field("mul_dec");
    for (std::size_t m = 0; m < n; ++m)
        for (int a = 0; a < kAges; ++a) {
            const std::size_t r = m * kAges + static_cast<std::size_t>(a);
            yearTable.setText(r, fMun, in.muns[m]);
            yearTable.setText(r, fFaixa, age3(a / 5 + 1));
            yearTable.setNumber(r, fIdade, a);
        }

    const long long startSeconds = secondsOfDay();
    const std::string startText = clockText(startSeconds);
    step.monitor.setProgressRange(years);
    step.monitor.setProgress(0);
    step.dialogs.setBusy(true);

    int current = base;
    try {
        std::size_t o = 0;
        int s = 0;
        while (current < base + years && !step.monitor.cancel) {
            const int year = current + 1;
            const std::string yearText = year4(year);
            const double* crm = &in.crMale[o];
            const double* crf = &in.crFemale[o];
            for (std::size_t m = 0; m < n; ++m) {
                const std::size_t b = m * kAges;
                const double* pm = &in.popMale[b];
                const double* pf = &in.popFemale[b];
                double* qm = &nextMale[b];
                double* qf = &nextFemale[b];
                for (int a = 1; a <= 79; ++a) {
                    qm[a] = pm[a - 1] * crm[a - 1] * in.kMale[b + a];
                    qf[a] = pf[a - 1] * crf[a - 1] * in.kFemale[b + a];
                }
                qm[80] = (pm[79] + pm[80]) * crm[79] * in.kMale[b + 80];
                qf[80] = (pf[79] + pf[80]) * crf[79] * in.kFemale[b + 80];

                // Mothers: the women of 15 to 49, mean of the start and the end of the year.
                const auto& rate = in.rates[m * static_cast<std::size_t>(years) + static_cast<std::size_t>(s)];
                double born = 0;
                for (int g = 0; g < kRates; ++g) {
                    double sum = 0;
                    for (int x = 15 + 5 * g; x <= 19 + 5 * g; ++x)
                        sum += pf[x] + qf[x];
                    born += roundHalfEven(sum / 2) * rate[g];
                }
                const double bornMale = born * in.maleShare;
                const double bornFemale = born * (1 - in.maleShare);
                births.append({yearText, in.muns[m], roundHalfEven(bornMale), roundHalfEven(bornFemale)});
                qm[0] = bornMale * in.birthMale[s] * in.kMale[b];
                qf[0] = bornFemale * in.birthFemale[s] * in.kFemale[b];
            }

            if (in.prorate) {
                const auto& u = in.larger[static_cast<std::size_t>(year - base)];
                prorate(nextMale.data(), n, u.data(), year, false);
                prorate(nextFemale.data(), n, u.data() + kAges, year, true);
            }

            const std::string fileName = yearText + ".dbf";
            const std::string yearDecimal = std::to_string(year);
            fillInParallel(cells, [&](std::size_t from, std::size_t to) {
                for (std::size_t c = from; c < to; ++c) {
                    yearTable.setText(c, fAno, yearDecimal);
                    yearTable.setNumber(c, fHomInt, roundHalfEven(nextMale[c]));
                    yearTable.setNumber(c, fMulInt, roundHalfEven(nextFemale[c]));
                    yearTable.setNumber(c, fHomDec, nextMale[c]);
                    yearTable.setNumber(c, fMulDec, nextFemale[c]);
                }
            });
            // The year table is made whole from the template's fields and replaces
            // the file in one step, so no separate empty copy is written first; a
            // file that cannot be replaced is reported as a failed copy would be,
            // with the system's cause. Then the births, which list the year.
            for (const std::string& file : {fileName, std::string("NascSexo.dbf")}) {
                try {
                    if (file == fileName)
                        yearTable.write(step.table(fileName));
                    else
                        births.write(step.table(file));
                } catch (const Error& e) {
                    step.dialogs.setBusy(false);
                    step.writeError = originalError(e);
                    step.writeFailed(copyFailed(step, file == fileName ? yearText : file));
                    return;
                }
            }

            o += 80;
            in.popMale.swap(nextMale);
            in.popFemale.swap(nextFemale);
            step.outcome.projectedYears.push_back(year);
            // Kept from the first year on: a step that ends early keeps its years listed.
            step.outcome.firstProjectedYear = step.outcome.projectedYears.front();

            ++current;
            ++s;
            step.monitor.setProgress(current - base);
            long long elapsed = secondsOfDay() - startSeconds;
            if (elapsed < 0)
                elapsed += 24 * 3600; // past midnight
            step.monitor.setRemainingTime(clockText(static_cast<long long>(years) * elapsed / s - elapsed));
            step.monitor.processEvents();
        }
    } catch (...) {
        step.dialogs.setBusy(false);
        throw; // the years finished stay listed, with their births
    }

    if (!step.outcome.projectedYears.empty())
        step.outcome.firstProjectedYear = step.outcome.projectedYears.front();
    const std::string endText = clockText(secondsOfDay());
    step.dialogs.setBusy(false);
    step.monitor.appendLine("Horário inicial: " + startText);
    step.monitor.appendLine("Horário final: " + endText);
    step.monitor.appendLine("Saindo... ");
}

void stepProjection(Step& step)
{
    if (!step.has("rel_nas.dbf") || !step.has("relnas_m.dbf")) {
        step.dialogs.warning(kSurvivalMissing);
        step.monitor.cancel = true;
        return;
    }
    const RunSettings& set = step.ctx.settings;
    const int base = set.baseYear;
    ProjectionInput in;
    in.prorate = set.stepsToRun >= 7;
    if (in.prorate) {
        in.larger = readLargerArea(step.table("pop_proj.dbf"));
        for (auto& row : in.larger)
            for (double& v : row)
                v = roundHalfEven(v); // whole persons
    }

    step.monitor.insertStep("Verificando arquivos...");
    // Each input is read once; the reading statements' results are computed over them.
    const Table fertilityTable = readTable(step.table("tef_mun.dbf"));
    const Table interpTable = readTable(step.table("interp.dbf"));
    const Table kTable = readTable(step.table("fator_k.dbf"));
    const ResultSet fertility = selectOrdered(
        fertilityTable, {"ano", "mun", "trf_0", "trf_1", "trf_2", "trf_3", "trf_4", "trf_5", "trf_6", "tft"},
        {"ano", "mun"});
    const ResultSet last = maxOf(fertilityTable, "ano");
    const ResultSet survival = selectOrdered(readTable(step.table("relnas_m.dbf")), {"hom", "mul"}, {});
    std::optional<int> horizon;
    if (!last.rows.empty() && !last.rows[0].empty() && !last.rows[0][0].isNull()) {
        long long y = static_cast<long long>(last.rows[0][0].toDouble()) - base;
        if (y > static_cast<long long>(survival.rows.size()))
            y = static_cast<long long>(survival.rows.size());
        horizon = static_cast<int>(y);
    }
    const int years = horizon ? std::max(*horizon, 0) : 0;

    // Fertility by municipality and year: rows[mun][s] for the year base + 1 + s.
    std::unordered_map<std::string, std::vector<const Row*>> fertilityOf;
    {
        const int fano = column(fertility, "ano"), fmun = column(fertility, "mun");
        for (const Row& r : fertility.rows) {
            auto& slots = fertilityOf[r[fmun].toText()];
            slots.resize(static_cast<std::size_t>(years), nullptr);
            const long long s = static_cast<long long>(r[fano].toDouble()) - base - 1;
            if (s >= 0 && s < years && !slots[static_cast<std::size_t>(s)])
                slots[static_cast<std::size_t>(s)] = &r;
        }
    }
    auto complete = [&](const std::string& mun) {
        auto it = fertilityOf.find(mun);
        if (it == fertilityOf.end())
            return false;
        for (const Row* r : it->second)
            if (!r)
                return false;
        return true;
    };

    Checks checks;
    bool ok = checks.interpolated(countBy(interpTable, "mun", "qtd_idades"));
    ok = ok && checks.kFactors(countBy(kTable, "mun", "qtd_idades"));
    ok = ok && checks.fertility(selectOrdered(fertilityTable, {"mun"}, {"mun"}), complete);
    if (!ok) {
        step.dialogs.warning(checks.emptyMessage);
        return;
    }
    if (checks.anyMarked() && !step.dialogs.confirm(checks.confirmation()))
        return;
    in.muns = checks.selected();
    if (in.muns.empty()) {
        step.dialogs.warning("Nenhum município disponível para projeção");
        return;
    }

    step.monitor.insertStep("Projeção...");
    if (!step.freshTable("NascSexo.dbf", "NascSexo.dbf")) {
        step.writeFailed(copyFailed(step, "NascSexo.dbf"));
        return;
    }
    // With NascSexo.dbf empty no year is listed any more: the earlier run's year
    // tables go, so that none of them can pass for a year of this run, and the
    // first year of this run is recorded before its first table is written.
    for (const fs::path& old : yearTableFiles(step.ctx.projectDir)) {
        std::error_code ec;
        fs::remove(old, ec);
        if (ec) {
            step.writeError = ec.message();
            step.writeFailed("Não foi possível apagar a tabela " + old.filename().string() +
                             " da projeção anterior.\n\nFeche o programa que a usa e processe novamente");
            return;
        }
    }
    try {
        recordFirstProjectedYear(step.ctx.projectDir, base + 1);
    } catch (const Error& e) {
        step.writeError = originalError(e);
        step.writeFailed("Não foi possível gravar o primeiro ano da projeção em " + step.folderText() +
                         "detalhes.ini");
        return;
    }

    const ResultSet cr = selectOrdered(readTable(step.table("cr_ufp.dbf")), {"ano", "idade", "cr_hom", "cr_mul"},
                                       {"ano", "idade"});

    if (!horizon) {
        step.dialogs.warning("Não foi possível verificar o ano limite da projeção");
        return;
    }
    if (years <= 0) {
        step.dialogs.warning("Não há anos a projetar: as taxas de fecundidade dos municípios e as relações de\n"
                             "sobrevivência ao nascer não vão além do ano base " +
                             std::to_string(base) + ".\n\nVerifique os arquivos da área maior");
        return;
    }
    const std::size_t crYears = cr.rows.size() / 80;
    if (crYears < static_cast<std::size_t>(years)) {
        step.dialogs.warning("Os coeficientes de crescimento da UF (CR_UFP.dbf) cobrem " + std::to_string(crYears) +
                             " ano(s), menos que os " + std::to_string(years) +
                             " anos a projetar.\n\nVerifique o arquivo da população projetada da UF");
        return;
    }
    if (in.prorate && in.larger.size() < static_cast<std::size_t>(years) + 1) {
        step.dialogs.warning("A população projetada da UF (pop_proj.dbf) vai até o ano " +
                             std::to_string(base + static_cast<long long>(in.larger.size()) - 1) +
                             ", antes do último ano a projetar, " + std::to_string(base + years) +
                             ".\n\nO prorrateio precisa da população da UF em todos os anos projetados");
        return;
    }

    // Every input placed by municipality code, never by position alone.
    const std::size_t cells = in.muns.size() * kAges;
    in.popMale.assign(cells, 0);
    in.popFemale.assign(cells, 0);
    in.kMale.assign(cells, 0);
    in.kFemale.assign(cells, 0);
    // The census-2 population and the K factors are placed by municipality
    // code and age, so their rows are taken as they are stored; the
    // municipalities left out by the checks are passed over.
    {
        ByAge place(in.muns, "interp.dbf");
        const Table& pop = interpTable;
        const int fm = pop.field("mun"), fa = pop.field("idade"), fh = pop.field("hom2"), fw = pop.field("mul2");
        for (const Row& r : pop.rows) {
            const long long s = place.slot(r[fm].toText(), r[fa].toDouble());
            if (s < 0)
                continue;
            in.popMale[s] = r[fh].toDouble();
            in.popFemale[s] = r[fw].toDouble();
        }
        place.requireAll(in.muns);
    }
    {
        ByAge place(in.muns, "fator_k.dbf");
        const Table& k = kTable;
        const int fm = k.field("mun"), fa = k.field("idade"), fh = k.field("k_hom"), fw = k.field("k_mul");
        for (const Row& r : k.rows) {
            const long long s = place.slot(r[fm].toText(), r[fa].toDouble());
            if (s < 0)
                continue;
            in.kMale[s] = r[fh].toDouble();
            in.kFemale[s] = r[fw].toDouble();
        }
        place.requireAll(in.muns);
    }
    {
        const int fh = column(cr, "cr_hom"), fw = column(cr, "cr_mul");
        for (const Row& r : cr.rows) {
            in.crMale.push_back(r[fh].toDouble());
            in.crFemale.push_back(r[fw].toDouble());
        }
        const int bh = column(survival, "hom"), bw = column(survival, "mul");
        for (const Row& r : survival.rows) {
            in.birthMale.push_back(r[bh].toDouble());
            in.birthFemale.push_back(r[bw].toDouble());
        }
    }
    {
        int col[kRates];
        for (int g = 0; g < kRates; ++g)
            col[g] = column(fertility, "trf_" + std::to_string(g));
        in.rates.resize(in.muns.size() * static_cast<std::size_t>(years));
        for (std::size_t m = 0; m < in.muns.size(); ++m) {
            const auto& slots = fertilityOf.at(in.muns[m]);
            for (int s = 0; s < years; ++s)
                for (int g = 0; g < kRates; ++g)
                    in.rates[m * static_cast<std::size_t>(years) + s][g] = (*slots[s])[col[g]].toDouble();
        }
    }
    in.years = years;

    in.maleShare = maleShareOfBirths(step.ctx.sexRatioText);

    projectYears(step, in);
}

} // namespace demovia::calculo
