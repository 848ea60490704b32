#include "shell/registry.h"

#include "data/error.h"
#include "data/text_util.h"

namespace demovia {

namespace {

const char* const kDeleteFailed = "Erro ao tentar excluir registro.\n\nErro original: ";
const char* const kSaveFailed = "Erro ao tentar processar a edição de dados.\n\nErro original: ";
const char* const kConflict =
    "Existe registro com alguma das informações digitadas.\nCorrija ou feche a edição e localize o conflito";

// A code box goes into a statement as the number typed ("0010" is 10); an
// empty or non-numeric box makes the statement fail, as it always did.
Value code(const std::string& typed)
{
    const std::string t = trim(typed);
    if (t.empty())
        throw Error("Código não informado.");
    return Value(parseWhole(t));
}

// Cuts a UTF-8 text to its first n code points.
std::string firstChars(std::string_view s, std::size_t n)
{
    std::size_t i = 0, count = 0;
    while (i < s.size() && count < n) {
        const unsigned char c = static_cast<unsigned char>(s[i]);
        std::size_t len = c < 0x80 ? 1 : (c >> 5) == 6 ? 2 : (c >> 4) == 14 ? 3 : (c >> 3) == 30 ? 4 : 1;
        i += len;
        ++count;
    }
    return std::string(s.substr(0, std::min(i, s.size())));
}

std::size_t codePoints(std::string_view s)
{
    std::size_t n = 0;
    for (unsigned char c : s)
        if ((c & 0xC0) != 0x80)
            ++n;
    return n;
}

} // namespace

int searchRows(const Table& table, std::string_view text, int from, bool forward)
{
    const std::string wanted = upperAscii(trim(text));
    const std::size_t n = codePoints(wanted);
    const int size = static_cast<int>(table.rows.size());
    for (int r = from; r >= 0 && r < size; r += forward ? 1 : -1) {
        if (wanted.empty())
            return r;
        for (const Value& v : table.rows[r])
            if (trim(firstChars(upperAscii(v.toText()), n)) == wanted)
                return r;
    }
    return -1;
}

Registry::Registry(SqlEngine& sql, fs::path appDir, Dialogs& dialogs)
    : m_sql(sql), m_appDir(std::move(appDir)), m_dialogs(dialogs)
{
}

fs::path Registry::statesFile() const { return m_appDir / "DBPadrao" / "uf.dbf"; }
fs::path Registry::municipalitiesFile() const { return m_appDir / "DBPadrao" / "mun.dbf"; }

std::string Registry::quoted(const std::string& file) const
{
    return quotedTable(m_appDir / "DBPadrao" / file);
}

bool Registry::deleteState(long long idUf, const std::string& sigla)
{
    if (!m_dialogs.confirm("Se a UF \"" + sigla + "\" for excluída, todos os municípios dela\ntambém serão eliminados.\n\n"
                           "Continuar com a exclusão"))
        return false;
    try {
        BusyGuard busy(m_dialogs);
        // Municipalities first: a state is never left with orphans behind a failure.
        m_sql.execute("delete from " + quoted("mun.dbf") + " where id_uf = ?;", {Value(idUf)});
        m_sql.execute("delete from " + quoted("uf.dbf") + " where id_uf = ?;", {Value(idUf)});
    } catch (const std::exception& e) {
        m_dialogs.warning(kDeleteFailed + std::string(e.what()));
        return false;
    }
    return true;
}

bool Registry::deleteMunicipality(long long idUf, long long idMun, const std::string& dsMun)
{
    if (!m_dialogs.confirm("O município " + dsMun + " será excluído.\n\nContinuar com a exclusão"))
        return false;
    try {
        BusyGuard busy(m_dialogs);
        m_sql.execute("delete from " + quoted("mun.dbf") + " where id_uf = ? and id_mun = ?;",
                      {Value(idUf), Value(idMun)});
    } catch (const std::exception& e) {
        m_dialogs.warning(kDeleteFailed + std::string(e.what()));
        return false;
    }
    return true;
}

SaveResult Registry::save(EditMode mode, EditPanel panel, const EditBoxes& initial, const EditBoxes& typed)
{
    const bool state = panel == EditPanel::State;
    const bool changed = state ? (typed.idUf != initial.idUf || typed.sigla != initial.sigla ||
                                  typed.dsUf != initial.dsUf)
                               : (typed.idMun != initial.idMun || typed.dsMun != initial.dsMun);
    if (!changed)
        return SaveResult::Unchanged;
    auto op = [](const std::string& now, const std::string& before) { return now == before ? "<>" : "="; };
    try {
        BusyGuard busy(m_dialogs);
        // The conflict query: a row that holds every changed value at once
        // (and differs in the unchanged ones) is another record in the way.
        ResultSet hits;
        if (state)
            hits = m_sql.query("select * from " + quoted("uf.dbf") + " where id_uf " + op(typed.idUf, initial.idUf) +
                                   "? and  sigla " + op(typed.sigla, initial.sigla) + "? and  ds_uf " +
                                   op(typed.dsUf, initial.dsUf) + "?;",
                               {code(typed.idUf), Value(typed.sigla), Value(typed.dsUf)});
        else
            hits = m_sql.query("select * from " + quoted("mun.dbf") + " where id_mun " +
                                   op(typed.idMun, initial.idMun) + "? and  ds_mun " + op(typed.dsMun, initial.dsMun) +
                                   "?;",
                               {code(typed.idMun), Value(typed.dsMun)});
        if (!hits.rows.empty()) {
            m_dialogs.warning(kConflict);
            return SaveResult::Conflict;
        }
        if (state && mode == EditMode::Include) {
            m_sql.execute("insert into " + quoted("uf.dbf") + " values (?, ?, ?);",
                          {code(typed.idUf), Value(typed.sigla), Value(typed.dsUf)});
        } else if (state) {
            const Value before = code(initial.idUf);
            m_sql.execute("update " + quoted("uf.dbf") + " set id_uf = ?, sigla = ?, ds_uf = ? where id_uf = ?;",
                          {code(typed.idUf), Value(typed.sigla), Value(typed.dsUf), before});
            // The state's municipalities follow a changed code.
            m_sql.execute("update " + quoted("mun.dbf") + "set id_uf = ? where id_uf = ?;", {code(typed.idUf), before});
        } else if (mode == EditMode::Include) {
            m_sql.execute("insert into " + quoted("mun.dbf") + " values (?, ?, ?);",
                          {code(typed.idUf), code(typed.idMun), Value(typed.dsMun)});
        } else {
            m_sql.execute("update " + quoted("mun.dbf") + " set id_mun = ?, ds_mun = ? where id_uf = ? and id_mun = ?;",
                          {code(typed.idMun), Value(typed.dsMun), code(typed.idUf), code(initial.idMun)});
        }
    } catch (const std::exception& e) {
        m_dialogs.warning(kSaveFailed + std::string(e.what()));
        return SaveResult::Failed;
    }
    return SaveResult::Saved;
}

bool Registry::importInto(const std::string& file, const fs::path& textFile, int headingLines,
                          const NumberFormat& fmt)
{
    return importText(textFile, m_appDir / "DBPadrao" / file, m_appDir / "DBVazio" / file, headingLines, fmt,
                      m_dialogs);
}

bool Registry::importStates(const fs::path& textFile, const NumberFormat& fmt)
{
    return importInto("uf.dbf", textFile, 0, fmt);
}

bool Registry::importMunicipalities(const fs::path& textFile, const NumberFormat& fmt)
{
    return importInto("mun.dbf", textFile, 0, fmt);
}

bool Registry::importMultipliers(const std::string& file, const fs::path& textFile, const NumberFormat& fmt)
{
    return importInto(file, textFile, 1, fmt);
}

bool Registry::exportItem(RegistryExport item, long long idUf, const NumberFormat& fmt)
{
    const std::string join = "select u.id_uf, u.sigla, m.id_mun, m.ds_mun from " + quoted("uf.dbf") + "  as u," +
                             quoted("mun.dbf") + " as m where u.id_uf = m.id_uf";
    switch (item) {
    case RegistryExport::AllStates:
        return exportStatement(m_sql, "select * from " + quoted("uf.dbf") + ";", fmt, m_dialogs);
    case RegistryExport::AllMunicipalities:
        return exportStatement(m_sql, "select * from " + quoted("mun.dbf") + ";", fmt, m_dialogs);
    case RegistryExport::SelectedState:
        return exportStatement(m_sql, join + " and   u.id_uf = " + std::to_string(idUf), fmt, m_dialogs);
    case RegistryExport::Merged:
        return exportStatement(m_sql, join + ";", fmt, m_dialogs);
    }
    return false;
}

} // namespace demovia
