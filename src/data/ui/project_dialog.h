#pragma once
#include "data/project.h"
#include "data/ui/project_host.h"

#include <QDialog>

#include <vector>

class QGroupBox;
class QListWidget;
class QPlainTextEdit;
class QPushButton;

namespace demovia::ui {

// What the three project dialogs share: the list of the projects under
// Trabalho (lb_trabs) with the description of the selected one
// (mm_descricao). Line i of the list is entry i; the placeholder line of an
// empty list has no entry.
class ProjectDialog : public QDialog {
    Q_OBJECT
public:
    ProjectDialog(ProjectHost& host, QWidget* parent);

    // Empties and fills the list again; selects the first project.
    void listaProjetos();
    // The selected project, nullptr on the placeholder line or no selection.
    const ProjectEntry* selectedEntry() const;
    const std::vector<ProjectEntry>& entries() const { return m_entries; }

signals:
    void selectionChanged();

protected:
    // The list and the description, for the dialog's layout.
    QGroupBox* listPanel() const { return m_listPanel; }
    QGroupBox* descriptionPanel() const { return m_descPanel; }
    QPushButton* makeButton(const char* name, const QString& caption, const QString& hint);

    ProjectHost& m_host;
    UiContext& m_ctx;
    QListWidget* lb_trabs;
    QPlainTextEdit* mm_descricao;

private:
    void showDescription();

    std::vector<ProjectEntry> m_entries;
    QGroupBox* m_listPanel;
    QGroupBox* m_descPanel;
};

} // namespace demovia::ui
