// Step 5: the five-year groups of both censuses split into single ages with
// osculatory multipliers (Karup-King or Sprague).
#include "engine/calculo.h"

#include "data/error.h"
#include "data/text_util.h"

#include <cmath>

namespace demovia::calculo {

Ages interpolate(const Groups& G, InterpolationMethod method, const Multipliers& m)
{
    Ages S{};
    if (method == InterpolationMethod::KarupKing) {
        const auto& K = m.kk;
        for (int x = 0; x <= 4; ++x)
            S[x] = K[0][x] * G[0] + K[1][x] * G[1] + K[2][x] * G[2];
        for (int g = 1; g <= 14; ++g)
            for (int t = 0; t <= 4; ++t)
                S[5 * g + t] = K[0][5 + t] * G[g - 1] + K[1][5 + t] * G[g] + K[2][5 + t] * G[g + 1];
        for (int t = 0; t <= 4; ++t)
            S[75 + t] = K[0][10 + t] * G[13] + K[1][10 + t] * G[14] + K[2][10 + t] * G[15];
    } else {
        const auto& P = m.sp;
        for (int x = 0; x <= 9; ++x)
            S[x] = P[0][x] * G[0] + P[1][x] * G[1] + P[2][x] * G[2] + P[3][x] * G[3];
        for (int g = 2; g <= 13; ++g)
            for (int t = 0; t <= 4; ++t)
                S[5 * g + t] = P[0][10 + t] * G[g - 2] + P[1][10 + t] * G[g - 1] + P[2][10 + t] * G[g] +
                               P[3][10 + t] * G[g + 1] + P[4][10 + t] * G[g + 2];
        // The next-to-last and the last panels both rest on the last four
        // closed groups (60-64 to 75-79), so that ages 70-74 add up to their group.
        for (int t = 0; t <= 4; ++t)
            S[70 + t] = P[0][15 + t] * G[12] + P[1][15 + t] * G[13] + P[2][15 + t] * G[14] + P[3][15 + t] * G[15];
        for (int t = 0; t <= 4; ++t)
            S[75 + t] = P[0][20 + t] * G[12] + P[1][20 + t] * G[13] + P[2][20 + t] * G[14] + P[3][20 + t] * G[15];
    }
    S[80] = G[16];
    return S;
}

namespace {

// Whether values fit their fields, checked row by row so that a municipality
// that cannot be written leaves the rows before it whole.
class FitCheck {
public:
    explicit FitCheck(const std::vector<FieldDef>& fields) : m_fields(fields)
    {
        for (const auto& f : fields) {
            const int whole = f.width - (f.decimals > 0 ? f.decimals + 1 : 0) - 1; // room for a sign
            m_limit.push_back(std::pow(10.0, whole));
        }
    }
    // Throws the table store's own error when a value does not fit its field.
    void check(const Row& row) const
    {
        for (std::size_t i = 0; i < m_fields.size(); ++i) {
            const FieldDef& f = m_fields[i];
            const Value& v = row[i];
            if (f.isNumeric()) {
                const double d = v.toDouble();
                if (!(std::isfinite(d) && std::fabs(d) < m_limit[i]))
                    formatNumericField(d, f); // throws with the store's message when it does not fit
            } else if (static_cast<int>(v.toText().size()) > f.width) {
                throw Error("O texto '" + v.toText() + "' não cabe no campo " + f.name + " (largura " +
                            std::to_string(f.width) + ")");
            }
        }
    }

private:
    const std::vector<FieldDef>& m_fields;
    std::vector<double> m_limit;
};

} // namespace

void stepInterpolation(Step& step)
{
    step.monitor.insertStep("Interpolação...");
    auto fields = step.freshTable("interp.dbf", "interp.dbf");
    if (!fields) {
        step.writeFailed("O arquivo necessário para gerar a interpolação, \n" + step.folderText() + "interp.dbf" +
                             "\n" + "pode estar em uso por outra aplicação." + "\n\n" + "Não será possível continuar");
        return;
    }
    Table out(std::move(*fields));

    const Table ufm = readTable(step.table("Tot_UFM.dbf"));
    const int fuf = ufm.field("UF"), fmun = ufm.field("MUN");
    const int fcol[4] = {ufm.field("HOM1"), ufm.field("MUL1"), ufm.field("HOM2"), ufm.field("MUL2")};
    out.rows.reserve(ufm.rows.size() / kGroups * kAges);

    const FitCheck fits(out.fields);
    BusyGuard busy(step.dialogs);
    std::string uf, mun;
    Groups g[4]{};
    int i = 0;
    for (const Row& row : ufm.rows) {
        if (i == 0) {
            uf = std::to_string(parseWhole(row[fuf].toText()));
            mun = mun4(parseWhole(row[fmun].toText()));
        }
        for (int c = 0; c < 4; ++c)
            g[c][i] = roundHalfEven(row[fcol[c]].toDouble()); // read as whole persons
        if (i == kGroups - 1) {
            Ages s[4];
            for (int c = 0; c < 4; ++c)
                s[c] = interpolate(g[c], step.ctx.settings.method, step.multipliers);
            try {
                for (int x = 0; x < kAges; ++x) {
                    Row r{uf, mun, age3(x / 5 + 1), x, s[0][x], s[1][x], s[2][x], s[3][x]};
                    r.resize(out.fields.size());
                    fits.check(r);
                    out.rows.push_back(std::move(r));
                }
            } catch (const Error& e) {
                // The rows already taken stay; the checks of the projection
                // leave the incomplete municipality out.
                step.dialogs.error(std::string("Não foi possível continuar com a gravação das populações\n"
                                               "interpoladas.\n\nErro original: ") +
                                   e.what());
            }
            i = 0;
        } else {
            ++i;
        }
        step.monitor.processEvents();
        if (step.monitor.cancel)
            break;
    }
    writeTable(step.table("interp.dbf"), out);
}

} // namespace demovia::calculo
