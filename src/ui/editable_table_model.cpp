#include "ui/editable_table_model.h"

#include "data/cell_value.h"
#include "data/error.h"
#include "ui/widgets.h"

#include <QApplication>
#include <QKeyEvent>
#include <QMenu>
#include <QTableView>
#include <QTimer>

namespace demovia::ui {

EditableTableModel::EditableTableModel(NumberFormat format, Dialogs& dialogs, QObject* parent)
    : TableModel(format, parent), m_dialogs(dialogs)
{
    // A table replaced or closed by its window takes the row being changed
    // with it only after writing it, as leaving the row would.
    connect(this, &QAbstractItemModel::modelAboutToBeReset, this, [this] {
        if (m_pending < 0)
            return;
        const int r = m_pending;
        m_pending = -1;
        Row& row = rows().rows[static_cast<std::size_t>(r)];
        bool blank = true;
        for (const Value& v : row)
            blank = blank && v.isNull();
        if (m_pendingIsNew && blank) {
            rows().rows.erase(rows().rows.begin() + r);
            return;
        }
        try {
            writeTable(m_file, rows());
        } catch (const std::exception& e) {
            m_dialogs.warning("Não foi possível gravar a tabela " + m_file.string() + ".\n\nErro original: " +
                              e.what());
        }
    });
}

bool EditableTableModel::open(const fs::path& file, bool rowsEditable)
{
    commitRow();
    m_pending = -1;
    const bool found = load(file);
    m_file = file;
    m_rowsEditable = rowsEditable;
    return found;
}

Qt::ItemFlags EditableTableModel::flags(const QModelIndex& index) const
{
    Qt::ItemFlags f = TableModel::flags(index);
    if (index.isValid() && isOpen() && !m_file.empty())
        f |= Qt::ItemIsEditable;
    return f;
}

QVariant EditableTableModel::data(const QModelIndex& index, int role) const
{
    if (role == Qt::EditRole && index.isValid()) {
        const Table& t = table();
        const Value& v = t.rows[static_cast<std::size_t>(index.row())][static_cast<std::size_t>(index.column())];
        return QString::fromStdString(cellEditText(v, t.fields[static_cast<std::size_t>(index.column())], format()));
    }
    return TableModel::data(index, role);
}

bool EditableTableModel::setData(const QModelIndex& index, const QVariant& value, int role)
{
    if (role != Qt::EditRole || !index.isValid() || !(flags(index) & Qt::ItemIsEditable))
        return false;
    const int r = index.row();
    const auto c = static_cast<std::size_t>(index.column());
    if (m_pending >= 0 && m_pending != r && !commitRow())
        return false;
    const FieldDef& field = table().fields[c];
    Value typed;
    try {
        typed = cellValueFromText(value.toString().toStdString(), field, format());
    } catch (const Error& e) {
        m_dialogs.warning("O valor digitado na linha " + std::to_string(r + 1) + ", coluna " + field.name +
                          ", não foi aceito.\n\n" + e.what() + "\n\nO valor anterior foi mantido.");
        return false;
    }
    Row& row = rows().rows[static_cast<std::size_t>(r)];
    if (row[c] == typed)
        return true;
    if (m_pending < 0) {
        m_pending = r;
        m_pendingIsNew = false;
        m_pendingBefore = row;
    }
    row[c] = std::move(typed);
    emit dataChanged(index, index, {Qt::DisplayRole, Qt::EditRole});
    return true;
}

bool EditableTableModel::commitRow()
{
    if (m_pending < 0)
        return true;
    const int r = m_pending;
    const Row& row = table().rows[static_cast<std::size_t>(r)];
    bool blank = true;
    for (const Value& v : row)
        blank = blank && v.isNull();
    if (m_pendingIsNew && blank) { // added and left untouched: nothing to keep
        revertRow();
        return true;
    }
    try {
        writeTable(m_file, table());
    } catch (const std::exception& e) {
        m_dialogs.warning("Não foi possível gravar a tabela " + m_file.string() + ".\n\nErro original: " + e.what());
        revertRow();
        return false;
    }
    m_pending = -1;
    return true;
}

void EditableTableModel::revertRow()
{
    if (m_pending < 0)
        return;
    const int r = m_pending;
    m_pending = -1;
    if (m_pendingIsNew) {
        beginRemoveRows(QModelIndex(), r, r);
        rows().rows.erase(rows().rows.begin() + r);
        endRemoveRows();
        return;
    }
    rows().rows[static_cast<std::size_t>(r)] = m_pendingBefore;
    emit dataChanged(index(r, 0), index(r, columnCount() - 1));
}

int EditableTableModel::appendRow()
{
    if (!m_rowsEditable || !isOpen() || !commitRow())
        return -1;
    const int r = rowCount();
    beginInsertRows(QModelIndex(), r, r);
    rows().append();
    m_pending = r;
    m_pendingIsNew = true;
    m_pendingBefore.clear();
    endInsertRows();
    return r;
}

bool EditableTableModel::deleteRow(int row)
{
    if (!m_rowsEditable || row < 0 || row >= rowCount())
        return false;
    if (!m_dialogs.confirm("A linha " + std::to_string(row + 1) + " da tabela " + m_file.filename().string() +
                           " será excluída.\n\nContinuar com a exclusão"))
        return false;
    if (row == m_pending && m_pendingIsNew) { // never written: nothing to rewrite
        revertRow();
        return true;
    }
    if (!commitRow())
        return false;
    Table before = table();
    beginRemoveRows(QModelIndex(), row, row);
    rows().rows.erase(rows().rows.begin() + row);
    endRemoveRows();
    writeOrRestore(std::move(before));
    return true;
}

void EditableTableModel::writeOrRestore(Table before)
{
    try {
        writeTable(m_file, table());
    } catch (const std::exception& e) {
        m_dialogs.warning("Não foi possível gravar a tabela " + m_file.string() + ".\n\nErro original: " + e.what());
        setTable(std::move(before));
    }
}

namespace {

bool within(const QWidget* w, const QWidget* grid) { return w && (w == grid || grid->isAncestorOf(w)); }

// The keys of a data grid: Insert adds a row, Ctrl+Delete deletes the
// current one, Escape drops the changes of the row being changed.
class GridKeys : public QObject {
public:
    GridKeys(QTableView* grid, EditableTableModel* model) : QObject(grid), m_grid(grid), m_model(model) {}

    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (watched != m_grid || event->type() != QEvent::KeyPress)
            return false;
        const auto* key = static_cast<QKeyEvent*>(event);
        if (key->key() == Qt::Key_Insert && key->modifiers() == Qt::NoModifier && m_model->rowsEditable()) {
            addRow(m_grid, m_model);
            return true;
        }
        if (key->key() == Qt::Key_Delete && key->modifiers() == Qt::ControlModifier && m_model->rowsEditable()) {
            m_model->deleteRow(m_grid->currentIndex().row());
            return true;
        }
        if (key->key() == Qt::Key_Escape && m_model->pendingRow() >= 0) {
            m_model->revertRow();
            return true;
        }
        return false;
    }

    static void addRow(QTableView* grid, EditableTableModel* model)
    {
        const int r = model->appendRow();
        if (r < 0)
            return;
        const QModelIndex at = model->index(r, 0);
        grid->setCurrentIndex(at);
        grid->scrollTo(at);
    }

private:
    QTableView* m_grid;
    EditableTableModel* m_model;
};

} // namespace

QTableView* makeEditableGrid(const char* name, EditableTableModel* model, QWidget* parent)
{
    QTableView* grid = makeTableGrid(name, model, parent);
    grid->setEditTriggers(QAbstractItemView::DoubleClicked | QAbstractItemView::EditKeyPressed |
                          QAbstractItemView::AnyKeyPressed);
    // Leaving the row writes it.
    QObject::connect(grid->selectionModel(), &QItemSelectionModel::currentRowChanged, model,
                     [model](const QModelIndex& now, const QModelIndex& before) {
                         if (before.isValid() && before.row() == model->pendingRow() && now.row() != before.row())
                             model->commitRow();
                     });
    // So does leaving the grid; after the editor has handed over what it holds.
    QObject::connect(qApp, &QApplication::focusChanged, grid, [grid, model](QWidget* old, QWidget* now) {
        if (model->pendingRow() >= 0 && within(old, grid) && !within(now, grid))
            QTimer::singleShot(0, model, [model] { model->commitRow(); });
    });
    grid->installEventFilter(new GridKeys(grid, model));
    grid->setContextMenuPolicy(Qt::CustomContextMenu);
    QObject::connect(grid, &QWidget::customContextMenuRequested, grid, [grid, model](const QPoint& at) {
        if (!model->rowsEditable() || !model->isOpen())
            return;
        QMenu menu(grid);
        QAction* add = menu.addAction("Incluir linha\tInsert");
        QAction* del = menu.addAction("Excluir linha\tCtrl+Del");
        del->setEnabled(grid->currentIndex().isValid());
        QAction* chosen = menu.exec(grid->viewport()->mapToGlobal(at));
        if (chosen == add)
            GridKeys::addRow(grid, model);
        else if (chosen == del)
            model->deleteRow(grid->currentIndex().row());
    });
    // Columns follow what they show as values change and rows come.
    QObject::connect(model, &QAbstractItemModel::rowsInserted, grid, [grid] { grid->resizeColumnsToContents(); });
    QObject::connect(model, &QAbstractItemModel::dataChanged, grid,
                     [grid](const QModelIndex& from, const QModelIndex& to) {
                         for (int c = from.column(); c <= to.column(); ++c)
                             grid->resizeColumnToContents(c);
                     });
    return grid;
}

} // namespace demovia::ui
