#pragma once
#include "data/dialogs.h"
#include "data/sql_engine.h"
#include "data/table.h"
#include "data/text_exchange.h"

#include <string>
#include <string_view>

namespace demovia {

// The search of the registry grids: from row `from` (included) one row after
// the other in the given direction, the first row where any field, as text,
// upper-cased (a-z only), cut to the search text's length and trimmed, equals
// the trimmed, upper-cased search text. -1 when none up to the table's end.
// An empty search text matches the starting row.
int searchRows(const Table& table, std::string_view text, int from, bool forward);

// Which panel of the editor is editable.
enum class EditPanel { State, Municipality };
// What the editor does with the typed record: a new one, or a change of the shown one.
enum class EditMode { Include, Alter };

// The five boxes of the editor, as typed.
struct EditBoxes {
    std::string idUf, sigla, dsUf, idMun, dsMun;
};

enum class SaveResult { Unchanged, Conflict, Saved, Failed };

// Export items of the registry window.
enum class RegistryExport { AllStates, AllMunicipalities, SelectedState, Merged };

// Maintenance of uf.dbf and mun.dbf in {application folder}DBPadrao. Every
// typed value goes to the statements as a parameter, never as text.
class Registry {
public:
    Registry(SqlEngine& sql, fs::path appDir, Dialogs& dialogs);

    fs::path statesFile() const;
    fs::path municipalitiesFile() const;

    // Asks, then deletes the state's municipalities and the state. True when
    // something was deleted; false on No or on a failure (already reported).
    bool deleteState(long long idUf, const std::string& sigla);
    // Asks, then deletes the one municipality idMun of state idUf.
    bool deleteMunicipality(long long idUf, long long idMun, const std::string& dsMun);

    // The editor's save. Reports the conflict and the failures itself.
    SaveResult save(EditMode mode, EditPanel panel, const EditBoxes& initial, const EditBoxes& typed);

    // Replaces uf.dbf / mun.dbf from a semicolon text file, no heading line.
    bool importStates(const fs::path& textFile, const NumberFormat& fmt);
    bool importMunicipalities(const fs::path& textFile, const NumberFormat& fmt);
    // Replaces kking.dbf or sprague.dbf from a text file whose first line is a heading.
    bool importMultipliers(const std::string& file, const fs::path& textFile, const NumberFormat& fmt);

    // The four exports; idUf is the current state (only for SelectedState).
    bool exportItem(RegistryExport item, long long idUf, const NumberFormat& fmt);

private:
    std::string quoted(const std::string& file) const;
    bool importInto(const std::string& file, const fs::path& textFile, int headingLines, const NumberFormat& fmt);

    SqlEngine& m_sql;
    fs::path m_appDir;
    Dialogs& m_dialogs;
};

} // namespace demovia
