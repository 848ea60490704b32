#pragma once
#include <QString>

#include <string>

class QEvent;
class QTableView;
class QToolBar;
class QToolButton;
class QWidget;

namespace demovia::ui {

// A tool button with its objectName, caption and hint, and the picture of
// the toolbar image list that goes with its name.
QToolButton* makeToolButton(QWidget* parent, const char* name, const QString& text, const QString& hint = {});
// The same button, added to a toolbar.
QToolButton* addToolButton(QToolBar* bar, const char* name, const QString& text, const QString& hint = {});

class TableModel;

// A read-only grid over a table model, one whole row selected at a time.
QTableView* makeTableGrid(const char* name, TableModel* model, QWidget* parent);

// Lets through a keystroke the key filter accepts, and every key that types
// nothing (moves, Tab, Enter). True when the event is to be dropped.
bool dropFilteredKey(QEvent* event);

// Moves a grid to the first row whose field equals text exactly, selecting it
// and bringing it into view; a grid without such a row stays where it was.
bool locateInGrid(QTableView* grid, const TableModel& model, const std::string& field, const std::string& text);

} // namespace demovia::ui
