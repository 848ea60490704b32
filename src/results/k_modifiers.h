#pragma once
#include "data/dialogs.h"
#include "data/table.h"

#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace demovia {

class RunMonitor;

// One K modifier as the table k_mod.dbf stores it: six texts.
struct KModifier {
    std::string modelo;    // up to 15 characters, capitals
    std::string municipio; // four-digit code
    std::string sexo;      // "AMBOS", "HOMEM" or "MULHER"
    std::string operacao;  // "POTêNCIA" or "RAIZ"
    std::string valor;     // one digit
    std::string faixa;     // "TODAS" or "1".."17"
};

// What the person chose in the window for the modifier being entered: the
// captions as shown; empty when nothing is chosen.
struct KModifierInput {
    std::string munEntry;  // "2611 - Recife"
    std::string sexo;      // "Ambos", "Homem", "Mulher"
    std::string operacao;  // "Potência", "Raiz"
    std::string valor;     // the edit text
    std::string faixa;     // "Todas", "1".."17"
};

// The K modifier models of the open project: the sorted model list (which may
// hold a model without rows, just created), the table k_mod.dbf when it is
// open, and the selected model. Every change to the table is written to disk
// at once. Messages go through the Dialogs given.
class KModifiers {
public:
    explicit KModifiers(Dialogs& dialogs) : m_dialogs(dialogs) {}

    void setFolders(const fs::path& appDir, const fs::path& projectDir);
    fs::path file() const { return m_projectDir / "k_mod.dbf"; }

    // Model list and selection (-1: none).
    const std::vector<std::string>& models() const { return m_models; }
    int selected() const { return m_selected; }
    std::string selectedModel() const;
    // Selects an entry (-1 for none): the table is then limited to its rows.
    void select(int index);

    bool isOpen() const { return m_open; }
    const Table& table() const { return m_table; }
    // The rows the grid shows, as positions in the table: those of the
    // selected model, or every row when no model is selected.
    std::vector<std::size_t> visibleRows() const;
    // The rows of the selected model (none when no model is selected).
    std::vector<std::size_t> modelRows() const;

    // Empties the model list and closes the table.
    void reset();
    // "Zerar arquivo": the reset (through onReset when set, so that the window
    // resets its controls too), then an empty k_mod.dbf from the template,
    // opened. False when it failed (reported).
    bool emptyFile();
    // Opening a project: the model list from the table when k_mod.dbf exists
    // (first model selected), else Empty the file.
    void projectOpened();

    // "Novo modelo": typed is the input box's text, nullopt when cancelled.
    bool newModel(const std::optional<std::string>& typed);
    // "Excluir modelo", with its question.
    bool deleteModel();
    // The field check; nullopt when a field is missing (beep and warning).
    std::optional<KModifier> fieldCheck(const KModifierInput& in);
    // "Inserir", with the overlap rule.
    bool insert(const KModifierInput& in);
    // "Alterar" on the current row (a position among the rows of the model).
    bool change(const KModifierInput& in, int current);
    // "Remover linha" on the current row (a position among the rows of the model).
    bool removeRow(int current);

    // Called by emptyFile instead of reset(): the window's own reset.
    std::function<void()> onReset;

private:
    void save();
    void openTable();

    Dialogs& m_dialogs;
    fs::path m_appDir;
    fs::path m_projectDir;
    std::vector<std::string> m_models;
    int m_selected = -1;
    Table m_table;
    bool m_open = false;
};

// The municipalities present in the grouped census totals (tot_ufm.dbf), each
// as "code - name" in the order of the result, the name from the reference
// table of the state uf (empty when the reference lacks it). Throws Error.
std::vector<std::string> municipalityEntries(const fs::path& appDir, const fs::path& projectDir,
                                             const std::string& uf);

// The models named in k_mod.dbf, sorted. Throws Error.
std::vector<std::string> modelsInFile(const fs::path& kmodFile);

enum class ApplyResult {
    NoModifier, // the model has no row: warned, nothing changed
    Applied,    // fator_k.dbf changed and saved
    Failed      // an error, reported with its summary; rows changed before it are kept
};

// Applies the modifiers (in table order) to fator_k.dbf in place: K_HOM
// and/or K_MUL of the rows of each modifier's municipality and age group are
// raised to the power valor ("POTêNCIA") or 1/valor ("RAIZ").
ApplyResult applyKModifiers(const fs::path& fatorKFile, const std::vector<KModifier>& modifiers, Dialogs& dialogs);

// "&Aplicar" at the end of step 2: the step log line "Modificando K (modelo
// NAME)...", then the modifiers applied to the project's fator_k.dbf. An
// error the summary does not cover is told as a warning and counts as Failed.
ApplyResult applyKModel(const fs::path& projectDir, const std::string& model,
                        const std::vector<KModifier>& modifiers, RunMonitor& monitor, Dialogs& dialogs);

// The rows of one model of k_mod.dbf (name compared in capitals), in table order.
std::vector<KModifier> modelModifiers(const fs::path& kmodFile, const std::string& model);

// The rows of the table positions given, as modifiers.
std::vector<KModifier> modifiersAt(const Table& kmod, const std::vector<std::size_t>& rows);

} // namespace demovia
