#include "shell/ui/table_model.h"

#include <QLocale>

namespace demovia::ui {

TableModel::TableModel(QObject* parent) : QAbstractTableModel(parent) {}

void TableModel::setTable(Table table)
{
    beginResetModel();
    m_table = std::move(table);
    m_open = true;
    endResetModel();
}

void TableModel::clear()
{
    beginResetModel();
    m_table = Table();
    m_open = false;
    endResetModel();
}

bool TableModel::load(const fs::path& file)
{
    if (!fileExists(file)) {
        clear();
        return false;
    }
    setTable(readTable(file));
    return true;
}

int TableModel::findRow(const std::string& field, const std::string& text) const
{
    const int f = m_table.fieldIndex(field);
    if (f < 0)
        return -1;
    for (std::size_t r = 0; r < m_table.rows.size(); ++r)
        if (m_table.rows[r][static_cast<std::size_t>(f)].toText() == text)
            return static_cast<int>(r);
    return -1;
}

int TableModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : static_cast<int>(m_table.rows.size());
}

int TableModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : static_cast<int>(m_table.fields.size());
}

QVariant TableModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid() || index.row() >= rowCount() || index.column() >= columnCount())
        return {};
    const FieldDef& f = m_table.fields[static_cast<std::size_t>(index.column())];
    if (role == Qt::TextAlignmentRole)
        return QVariant::fromValue(f.isNumeric() ? (Qt::AlignRight | Qt::AlignVCenter) : (Qt::AlignLeft | Qt::AlignVCenter));
    if (role != Qt::DisplayRole)
        return {};
    const Value& v = m_table.rows[static_cast<std::size_t>(index.row())][static_cast<std::size_t>(index.column())];
    if (v.isNull())
        return QString();
    if (v.isNumber())
        return QLocale().toString(v.toDouble(), 'f', f.decimals);
    return QString::fromStdString(v.toText());
}

QVariant TableModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (role != Qt::DisplayRole)
        return {};
    if (orientation == Qt::Horizontal && section >= 0 && section < columnCount())
        return QString::fromStdString(m_table.fields[static_cast<std::size_t>(section)].name);
    if (orientation == Qt::Vertical)
        return section + 1;
    return {};
}

} // namespace demovia::ui
