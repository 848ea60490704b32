#include "results/k_modifiers.h"

#include "data/error.h"
#include "data/sql_engine.h"
#include "data/text_util.h"
#include "engine/calculo.h"
#include "engine/run.h"

#include <algorithm>

namespace demovia {

namespace {

const char* const kFieldsMissing =
    "É necessário definir todos os campos para se incluir a modificação:\n\nMunicípio, Modelo, Operação, "
    "Valor da operação, e Faixa etária aonde aplicar\na modificação";

// The first n characters (UTF-8 code points) of s.
std::string firstChars(const std::string& s, std::size_t n)
{
    std::size_t count = 0, i = 0;
    for (; i < s.size(); ++i) {
        if ((static_cast<unsigned char>(s[i]) & 0xC0) != 0x80) {
            if (count == n)
                break;
            ++count;
        }
    }
    return s.substr(0, i);
}

std::string cell(const Row& r, int f) { return r[f].toText(); }

bool readsAsNumber(const std::string& s)
{
    try {
        Value(s).toDouble();
        return true;
    } catch (const Error&) {
        return false;
    }
}

KModifier modifierOf(const Table& t, const Row& r)
{
    return {cell(r, t.field("modelo")), cell(r, t.field("municipio")), cell(r, t.field("sexo")),
            cell(r, t.field("operacao")), cell(r, t.field("valor")), cell(r, t.field("faixa"))};
}

} // namespace

void KModifiers::setFolders(const fs::path& appDir, const fs::path& projectDir)
{
    m_appDir = appDir;
    m_projectDir = projectDir;
}

std::string KModifiers::selectedModel() const
{
    return m_selected >= 0 && m_selected < static_cast<int>(m_models.size()) ? m_models[m_selected] : std::string();
}

void KModifiers::select(int index)
{
    m_selected = index >= 0 && index < static_cast<int>(m_models.size()) ? index : -1;
}

std::vector<std::size_t> KModifiers::modelRows() const
{
    std::vector<std::size_t> rows;
    if (!m_open || m_selected < 0)
        return rows;
    const int f = m_table.field("modelo");
    const std::string name = upperAscii(selectedModel());
    for (std::size_t i = 0; i < m_table.rows.size(); ++i)
        if (cell(m_table.rows[i], f) == name)
            rows.push_back(i);
    return rows;
}

std::vector<std::size_t> KModifiers::visibleRows() const
{
    if (!m_open)
        return {};
    if (m_selected >= 0)
        return modelRows();
    std::vector<std::size_t> rows(m_table.rows.size());
    for (std::size_t i = 0; i < rows.size(); ++i)
        rows[i] = i;
    return rows;
}

void KModifiers::reset()
{
    m_models.clear();
    m_selected = -1;
    m_table = Table();
    m_open = false;
}

void KModifiers::openTable()
{
    m_table = readTable(file());
    m_open = true;
}

bool KModifiers::emptyFile()
{
    if (onReset)
        onReset();
    else
        reset();
    try {
        copyTemplate(m_appDir / "DBVazio" / "k_mod.dbf", file(), CopyMode::Replace);
    } catch (const Error&) {
        m_dialogs.warning("Não foi possível copiar o arquivo " + file().string() +
                          "\n\nEle pode estar em uso por outra aplicação.\n\nNão será possível continuar");
        return false;
    }
    try {
        openTable();
    } catch (const Error& e) {
        m_dialogs.warning("Não foi possível copiar o arquivo k_mod.dbf vazio para\no diretório de trabalho.\n\n"
                          "Verifique se alguma outra aplicação está com ele aberto\n\nErro original: " +
                          std::string(e.what()));
        return false;
    }
    return true;
}

void KModifiers::projectOpened()
{
    if (!fileExists(file())) {
        emptyFile();
        return;
    }
    BusyGuard busy(m_dialogs);
    openTable();
    m_models = modelsInFile(file());
    select(m_models.empty() ? -1 : 0);
}

bool KModifiers::newModel(const std::optional<std::string>& typed)
{
    if (!typed)
        return false;
    std::string name = trim(upperAscii(*typed));
    if (name.empty())
        return false;
    name = trim(firstChars(name, 15));
    for (std::size_t i = 0; i < m_models.size(); ++i) {
        if (upperAscii(m_models[i]) == name) {
            m_dialogs.warning("Já existe esse modelo");
            select(static_cast<int>(i));
            return false;
        }
    }
    const auto at = std::upper_bound(m_models.begin(), m_models.end(), name);
    const int index = static_cast<int>(at - m_models.begin());
    m_models.insert(at, name);
    select(index);
    return true;
}

bool KModifiers::deleteModel()
{
    if (m_selected < 0)
        return false;
    const std::string name = selectedModel();
    if (!m_dialogs.confirm("Deseja realmente excluir o modelo de modificadores \"" + name + "\""))
        return false;
    if (m_open) {
        const std::vector<std::size_t> gone = modelRows();
        Table next = m_table;
        for (auto it = gone.rbegin(); it != gone.rend(); ++it)
            next.rows.erase(next.rows.begin() + static_cast<std::ptrdiff_t>(*it));
        writeTable(file(), next);
        m_table = std::move(next);
        if (m_table.rows.empty()) {
            emptyFile();
            return true;
        }
    }
    const int was = m_selected;
    m_models.erase(m_models.begin() + was);
    select(was == 0 && !m_models.empty() ? 0 : -1);
    return true;
}

std::optional<KModifier> KModifiers::fieldCheck(const KModifierInput& in)
{
    const std::string valor = trim(in.valor);
    if (m_selected < 0 || in.munEntry.empty() || in.sexo.empty() || in.operacao.empty() || valor.empty() ||
        in.faixa.empty()) {
        m_dialogs.beep();
        m_dialogs.warning(kFieldsMissing);
        return std::nullopt;
    }
    return KModifier{upperAscii(selectedModel()), firstChars(in.munEntry, 4), upperAscii(in.sexo),
                     upperAscii(in.operacao),     readsAsNumber(valor) ? valor : "0", upperAscii(in.faixa)};
}

bool KModifiers::insert(const KModifierInput& in)
{
    const auto m = fieldCheck(in);
    if (!m)
        return false;
    if (!m_open) {
        if (m_dialogs.confirm("Ainda não existe o arquivo que armazenará\nas modificações de K.\n\nDeseja cria-lo agora"))
            emptyFile();
        return false;
    }
    const bool bothSexes = m->sexo == "AMBOS";
    const bool allGroups = m->faixa == "TODAS";
    for (const Row& r : m_table.rows) {
        const KModifier o = modifierOf(m_table, r);
        if (!equalsNoCase(o.modelo, m->modelo) || !equalsNoCase(o.municipio, m->municipio))
            continue;
        const bool sexMeets = bothSexes || equalsNoCase(o.sexo, "AMBOS") || equalsNoCase(o.sexo, m->sexo);
        const bool groupMeets = allGroups || equalsNoCase(o.faixa, "TODAS") || equalsNoCase(o.faixa, m->faixa);
        if (sexMeets && groupMeets) {
            m_dialogs.warning("Só pode haver uma modificação de K para uma combinação de\nmodelo, município, sexo e "
                              "faixa etária");
            return false;
        }
    }
    Table next = m_table;
    next.append({m->modelo, m->municipio, m->sexo, m->operacao, m->valor, m->faixa});
    writeTable(file(), next);
    m_table = std::move(next);
    return true;
}

bool KModifiers::change(const KModifierInput& in, int current)
{
    if (!m_open)
        return false;
    const std::vector<std::size_t> rows = modelRows();
    if (rows.empty())
        return insert(in);
    const auto m = fieldCheck(in);
    if (!m)
        return false;
    if (current < 0 || current >= static_cast<int>(rows.size()))
        current = 0;
    const std::size_t at = rows[current];
    for (std::size_t i : rows) {
        if (i == at)
            continue;
        const KModifier o = modifierOf(m_table, m_table.rows[i]);
        if (o.municipio == m->municipio && o.sexo == m->sexo && o.operacao == m->operacao && o.faixa == m->faixa) {
            m_dialogs.warning("Já existe uma modificação de K com município,\noperação e faixa iguais aos escolhidos");
            return false;
        }
    }
    Table next = m_table;
    Row& r = next.rows[at];
    r[next.field("modelo")] = m->modelo;
    r[next.field("municipio")] = m->municipio;
    r[next.field("sexo")] = m->sexo;
    r[next.field("operacao")] = m->operacao;
    r[next.field("valor")] = m->valor;
    r[next.field("faixa")] = m->faixa;
    writeTable(file(), next);
    m_table = std::move(next);
    return true;
}

bool KModifiers::removeRow(int current)
{
    const std::vector<std::size_t> rows = modelRows();
    if (!m_open || rows.empty())
        return false;
    if (current < 0 || current >= static_cast<int>(rows.size()))
        current = 0;
    Table next = m_table;
    next.rows.erase(next.rows.begin() + static_cast<std::ptrdiff_t>(rows[current]));
    writeTable(file(), next);
    m_table = std::move(next);
    return true;
}

std::vector<std::string> municipalityEntries(const fs::path& appDir, const fs::path& projectDir,
                                             const std::string& uf)
{
    const std::string pf = (projectDir / "").string();
    const std::string app = (appDir / "").string();
    // id_uf is a number in the reference table: the code is bound as one, so
    // that the comparison selects the state's municipalities.
    Value ufValue(uf);
    try {
        ufValue = Value(parseWhole(uf));
    } catch (const Error&) {
    }
    SqlEngine sql;
    const ResultSet rs = sql.query("select distinct a.mun, b.ds_mun from " + quotedTable(pf + "tot_ufm.dbf") + " a left join " +
                                       quotedTable(app + "DBPadrao/mun.dbf") +
                                       " b on cast (a.mun as integer) = b.id_mun and id_uf = ?;",
                                   {ufValue});
    const int fm = rs.column("mun"), fn = rs.column("ds_mun");
    std::vector<std::string> out;
    for (const Row& r : rs.rows)
        out.push_back(r[fm].toText() + " - " + r[fn].toText());
    return out;
}

std::vector<std::string> modelsInFile(const fs::path& kmodFile)
{
    SqlEngine sql;
    const ResultSet rs = sql.query("select distinct modelo from " + quotedTable(resolveFile(kmodFile)) + ";");
    std::vector<std::string> out;
    for (const Row& r : rs.rows)
        out.push_back(r[0].toText());
    std::sort(out.begin(), out.end());
    return out;
}

std::vector<KModifier> modifiersAt(const Table& kmod, const std::vector<std::size_t>& rows)
{
    std::vector<KModifier> out;
    for (std::size_t i : rows)
        out.push_back(modifierOf(kmod, kmod.rows[i]));
    return out;
}

ApplyResult applyKModifiers(const fs::path& fatorKFile, const std::vector<KModifier>& modifiers, Dialogs& dialogs)
{
    if (modifiers.empty()) {
        dialogs.warning("Nenhuma modificação para o modelo escolhido");
        return ApplyResult::NoModifier;
    }
    Table k = readTable(fatorKFile);
    const int fmun = k.field("MUN"), fage = k.field("IDADE"), fh = k.field("K_HOM"), fw = k.field("K_MUL");
    ApplyResult result = ApplyResult::Applied;
    for (const KModifier& m : modifiers) {
        Row* failedRow = nullptr;
        for (Row& r : k.rows) {
            if (cell(r, fmun) != m.municipio)
                continue;
            try {
                const int age = static_cast<int>(parseWhole(cell(r, fage)));
                if (upperAscii(m.faixa) != "TODAS") {
                    const long long n = parseWhole(m.faixa);
                    if (age < 5 * n - 5 || age > 5 * n - 1)
                        continue;
                }
                const std::string sexo = upperAscii(m.sexo), op = upperAscii(m.operacao);
                const std::string where = "modificador do K, município " + m.municipio;
                auto modify = [&](double kv) {
                    const double v = Value(m.valor).toDouble();
                    if (op == "RAIZ")
                        return calculo::power(kv, calculo::divide(1.0, v, where), where);
                    if (op == "POTêNCIA")
                        return calculo::power(kv, v, where);
                    return kv;
                };
                double h = r[fh].toDouble(), w = r[fw].toDouble();
                if (sexo == "AMBOS" || sexo == "HOMEM")
                    h = modify(h);
                if (sexo == "AMBOS" || sexo == "MULHER")
                    w = modify(w);
                // A value the field cannot hold fails here, on its own row.
                formatNumericField(h, k.fields[fh]);
                formatNumericField(w, k.fields[fw]);
                r[fh] = h;
                r[fw] = w;
            } catch (const Error&) {
                failedRow = &r;
                break;
            }
        }
        if (failedRow) {
            const Row& r = *failedRow;
            writeTable(fatorKFile, k);
            dialogs.warning("Erro na tentativa de modificação do K.\nVeja o resumo do processo:\n\nMunicípio = " +
                            cell(r, fmun) + "\nk homem   = " + cell(r, fh) + "\nk mulher  = " + cell(r, fw) +
                            "\nModelo    = " + m.modelo + "\nSexo      = " + m.sexo + "\nOperação  = " + m.operacao +
                            "\nValor     = " + m.valor + "\nFaixa     = " + m.faixa);
            return ApplyResult::Failed;
        }
    }
    writeTable(fatorKFile, k);
    return result;
}

ApplyResult applyKModel(const fs::path& projectDir, const std::string& model,
                        const std::vector<KModifier>& modifiers, RunMonitor& monitor, Dialogs& dialogs)
{
    monitor.insertStep("Modificando K (modelo " + model + ")...");
    try {
        return applyKModifiers(projectDir / "fator_k.dbf", modifiers, dialogs);
    } catch (const std::exception& e) {
        dialogs.warning("Erro na tentativa de modificação do K.\n\nErro original: " + std::string(e.what()));
        return ApplyResult::Failed;
    }
}

std::vector<KModifier> modelModifiers(const fs::path& kmodFile, const std::string& model)
{
    const Table t = readTable(kmodFile);
    const int f = t.field("modelo");
    const std::string name = upperAscii(model);
    std::vector<std::size_t> rows;
    for (std::size_t i = 0; i < t.rows.size(); ++i)
        if (cell(t.rows[i], f) == name)
            rows.push_back(i);
    return modifiersAt(t, rows);
}

} // namespace demovia
