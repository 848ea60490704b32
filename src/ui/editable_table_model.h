#pragma once
#include "data/dialogs.h"
#include "ui/table_model.h"

class QTableView;
class QWidget;

namespace demovia::ui {

// A grid's table that the person edits in place, as a data grid does: a value
// is typed in the regional format and checked against its field before it is
// taken (a refused value keeps the old one and the person is told why); the
// changed row is written when the person leaves it, the whole table rewritten
// atomically; rows can be added at the end and deleted after a confirmation
// when the table allows it.
class EditableTableModel : public TableModel {
    Q_OBJECT
public:
    EditableTableModel(NumberFormat format, Dialogs& dialogs, QObject* parent = nullptr);

    // Reads the table the edits go to (as TableModel::load); rows can be
    // added and deleted only when rowsEditable.
    bool open(const fs::path& file, bool rowsEditable = false);
    const fs::path& file() const { return m_file; }
    bool rowsEditable() const { return m_rowsEditable; }

    Qt::ItemFlags flags(const QModelIndex& index) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    // The typed text, checked against the field; false (and a warning naming
    // row, field and what to type) when refused.
    bool setData(const QModelIndex& index, const QVariant& value, int role = Qt::EditRole) override;

    // The row being changed and not yet written; -1 when none.
    int pendingRow() const { return m_pending; }
    // Writes the row being changed (the row was left). A new row left blank is
    // dropped. False when the table could not be written: the person is told
    // and the row goes back to what the file holds.
    bool commitRow();
    // Drops the changes of the row being changed.
    void revertRow();

    // A blank row at the end, the row being changed until it is left.
    // Nothing when rows are not editable.
    int appendRow();
    // Deletes a row after the person confirms; the table is written at once.
    bool deleteRow(int row);

private:
    void writeOrRestore(Table before);

    Dialogs& m_dialogs;
    fs::path m_file;
    bool m_rowsEditable = false;
    int m_pending = -1;
    bool m_pendingIsNew = false;
    Row m_pendingBefore;
};

// A grid over an editable table: a cell is edited by typing, a double click
// or F2; leaving the row (another row, another control, the window closing)
// writes it. With rows editable, Insert adds a row at the end and Ctrl+Delete
// deletes the current one, both also in the grid's context menu.
QTableView* makeEditableGrid(const char* name, EditableTableModel* model, QWidget* parent);

} // namespace demovia::ui
