#pragma once
#include "data/table.h"
#include "data/text_exchange.h"

#include <QAbstractTableModel>

namespace demovia::ui {

// A grid's view of one table held in memory: read-only, one column per field
// (headed by the field name), rows in stored order. Numbers of fields with
// decimals are shown with the regional decimal separator.
class TableModel : public QAbstractTableModel {
    Q_OBJECT
public:
    explicit TableModel(QObject* parent = nullptr) : QAbstractTableModel(parent) {}
    explicit TableModel(NumberFormat format, QObject* parent = nullptr)
        : QAbstractTableModel(parent), m_format(format)
    {
    }

    void setTable(Table table);
    // Reads the file when it exists; a missing file leaves the grid empty (the
    // view stays closed) and returns false. A damaged file throws Error, for
    // the caller to report.
    bool load(const fs::path& file);
    void clear();
    // The first row, from the top, whose field equals text exactly; -1 when none.
    int findRow(const std::string& field, const std::string& text) const;

    const Table& table() const { return m_table; }
    bool isOpen() const { return m_open; }

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;

    // The text a cell shows.
    QString cellText(int row, int column) const;

protected:
    // For a model that edits the rows it shows.
    Table& rows() { return m_table; }
    const NumberFormat& format() const { return m_format; }

private:
    Table m_table;
    NumberFormat m_format;
    bool m_open = false;
};

} // namespace demovia::ui
