#pragma once
#include "data/sql_engine.h"
#include "shell/registry.h"
#include "ui/work_window.h"

#include <QDialog>

#include <functional>

class QLineEdit;
class QStatusBar;
class QTableView;
class QWidget;

namespace demovia::ui {

class TableModel;
class TfrmUF_Mun_Edicao;

// The registry of states and municipalities: states on the left, the
// municipalities of the selected state on the right.
class TfrmUF_Mun : public QDialog {
    Q_OBJECT
public:
    explicit TfrmUF_Mun(UiContext& ctx, QWidget* parent = nullptr);
    ~TfrmUF_Mun() override;

    enum class SearchButton { First, Next, Previous, Last };

    void incluiClick() { openEditor(EditMode::Include); }
    void alteraClick() { openEditor(EditMode::Alter); }
    void localizaClick();
    void fechaLocalizaClick();
    void apagaClick();
    void atualizaClick();
    void localizaEmGrid(SearchButton button);
    void importa(bool states);
    void exporta(RegistryExport item);
    // The municipality view shows only the current state's municipalities.
    void filterMunicipalities();
    // The municipality view with the filter it has (all before the first).
    void showMunicipalities();

    bool stateGridActive() const { return m_ufActive; }
    void setActiveGrid(bool states);

    // Runs an editor instead of showing it modally (the tests fill and save it).
    void setEditorDriver(std::function<void(TfrmUF_Mun_Edicao&)> driver) { m_editorDriver = std::move(driver); }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void reload();
    void openEditor(EditMode mode);
    bool reopen(TableModel* model, const fs::path& file);
    void loadMunicipalities(const fs::path& file);
    int currentRow(QTableView* grid) const;
    void selectRow(QTableView* grid, int row);
    long long currentState() const;

    UiContext& m_ctx;
    SqlEngine m_sql;
    Registry m_registry;
    Table m_allMunicipalities;
    bool m_munOpen = false;
    bool m_ufActive = true;
    bool m_localizaFromUf = true;
    TableModel* m_ufModel = nullptr;
    TableModel* m_munModel = nullptr;
    QTableView* m_grdUf = nullptr;
    QTableView* m_grdMun = nullptr;
    QWidget* m_pnlLocaliza = nullptr;
    QLineEdit* m_edtLocaliza = nullptr;
    QStatusBar* m_status = nullptr;
    std::function<void(TfrmUF_Mun_Edicao&)> m_editorDriver;
};

} // namespace demovia::ui
