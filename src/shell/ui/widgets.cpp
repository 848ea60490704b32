#include "shell/ui/widgets.h"

#include "shell/ui/table_model.h"
#include "ui/images.h"

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

} // namespace demovia::ui
