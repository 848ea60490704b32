#pragma once
#include <QString>

#include <string>

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

// Moves a grid to the first row whose field equals text exactly, selecting it
// and bringing it into view; a grid without such a row stays where it was.
bool locateInGrid(QTableView* grid, const TableModel& model, const std::string& field, const std::string& text);

} // namespace demovia::ui
