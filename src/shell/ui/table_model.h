#pragma once
#include "data/table.h"

#include <QAbstractTableModel>

namespace demovia::ui {

// A read-only grid model over a table held in memory: every field in its
// order, every row in stored order. Numbers are shown in the regional form.
class TableModel : public QAbstractTableModel {
    Q_OBJECT
public:
    explicit TableModel(QObject* parent = nullptr);

    // Shows the table (empty fields: nothing); clear() shows nothing.
    void setTable(Table table);
    void clear();
    // Reads the file when it exists; otherwise the grid is emptied. False when
    // there was no file. A damaged file throws Error.
    bool load(const fs::path& file);

    const Table& table() const { return m_table; }
    bool isOpen() const { return m_open; }
    // The first row, from the top, whose field equals text exactly; -1 when none.
    int findRow(const std::string& field, const std::string& text) const;

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;

private:
    Table m_table;
    bool m_open = false;
};

} // namespace demovia::ui
