#include "ui/widgets.h"

#include "data/text_util.h"
#include "ui/images.h"
#include "ui/table_model.h"

#include <QHeaderView>
#include <QKeyEvent>
#include <QTableView>
#include <QToolBar>
#include <QToolButton>

namespace demovia::ui {

QToolButton* makeToolButton(QWidget* parent, const char* name, const QString& text, const QString& hint)
{
    auto* b = new QToolButton(parent);
    b->setObjectName(name);
    b->setText(text);
    if (!hint.isEmpty())
        b->setToolTip(hint);
    // The picture of imgl_botoes that goes with the button's name, beside its caption.
    b->setToolButtonStyle(applyButtonImage(b) ? Qt::ToolButtonTextBesideIcon : Qt::ToolButtonTextOnly);
    return b;
}

QToolButton* addToolButton(QToolBar* bar, const char* name, const QString& text, const QString& hint)
{
    QToolButton* b = makeToolButton(bar, name, text, hint);
    bar->addWidget(b);
    return b;
}

bool locateInGrid(QTableView* grid, const TableModel& model, const std::string& field, const std::string& text)
{
    const int row = model.findRow(field, text);
    if (row < 0)
        return false;
    const QModelIndex at = model.index(row, 0);
    grid->setCurrentIndex(at);
    grid->selectRow(row);
    grid->scrollTo(at);
    return true;
}

QTableView* makeTableGrid(const char* name, TableModel* model, QWidget* parent)
{
    auto* grid = new QTableView(parent);
    grid->setObjectName(name);
    grid->setModel(model);
    grid->setEditTriggers(QAbstractItemView::NoEditTriggers);
    grid->setSelectionBehavior(QAbstractItemView::SelectRows);
    grid->setSelectionMode(QAbstractItemView::SingleSelection);
    grid->verticalHeader()->setDefaultSectionSize(grid->fontMetrics().height() + 6);
    // Columns as wide as what the first rows show; a long table is not measured whole.
    grid->horizontalHeader()->setResizeContentsPrecision(100);
    QObject::connect(model, &QAbstractItemModel::modelReset, grid, &QTableView::resizeColumnsToContents);
    return grid;
}

bool dropFilteredKey(QEvent* event)
{
    if (event->type() != QEvent::KeyPress)
        return false;
    const QString text = static_cast<QKeyEvent*>(event)->text();
    if (text.isEmpty())
        return false;
    const char16_t c = text.at(0).unicode();
    // Keys that type nothing visible (Tab, Enter, Escape, Delete) are not the filter's business.
    if (c != 8 && (c < 0x20 || c == 0x7f))
        return false;
    if (text.size() != 1 || c > 0x7e)
        return true;
    return keyFilter(static_cast<char>(c)) == 0;
}

} // namespace demovia::ui
