#include "ui/table_model.h"

#include "data/text_util.h"

namespace demovia::ui {

void TableModel::setTable(Table table)
{
    beginResetModel();
    m_table = std::move(table);
    m_open = true;
    endResetModel();
}

bool TableModel::load(const fs::path& file)
{
    if (!fileExists(file)) {
        clear();
        return false;
    }
    try {
        setTable(readTable(file));
    } catch (...) {
        clear();
        throw;
    }
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

void TableModel::clear()
{
    beginResetModel();
    m_table = Table();
    m_open = false;
    endResetModel();
}

int TableModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : static_cast<int>(m_table.rows.size());
}

int TableModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : static_cast<int>(m_table.fields.size());
}

QString TableModel::cellText(int row, int column) const
{
    if (row < 0 || column < 0 || row >= rowCount() || column >= columnCount())
        return QString();
    const Value& v = m_table.rows[static_cast<std::size_t>(row)][static_cast<std::size_t>(column)];
    if (v.isNumber())
        return QString::fromStdString(formatRegionalNumber(v.toDouble(), m_format));
    return QString::fromStdString(v.toText());
}

QVariant TableModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid())
        return QVariant();
    if (role == Qt::DisplayRole)
        return cellText(index.row(), index.column());
    if (role == Qt::TextAlignmentRole) {
        const FieldDef& f = m_table.fields[static_cast<std::size_t>(index.column())];
        return QVariant::fromValue(Qt::Alignment(f.isNumeric() ? Qt::AlignRight | Qt::AlignVCenter
                                                               : Qt::AlignLeft | Qt::AlignVCenter));
    }
    return QVariant();
}

QVariant TableModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (role != Qt::DisplayRole)
        return QVariant();
    if (orientation == Qt::Horizontal) {
        if (section >= 0 && section < columnCount())
            return QString::fromStdString(m_table.fields[static_cast<std::size_t>(section)].name);
        return QVariant();
    }
    return section + 1;
}

} // namespace demovia::ui
