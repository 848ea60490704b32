#pragma once
#include "shell/registry.h"

#include <QDialog>

class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;

namespace demovia::ui {

// The editor of one state or one municipality, including or altering; only the panel of the active grid is editable.
class TfrmUF_Mun_Edicao : public QDialog {
    Q_OBJECT
public:
    TfrmUF_Mun_Edicao(Registry& registry, EditMode mode, EditPanel panel, const EditBoxes& shown,
                      QWidget* parent = nullptr);

    EditBoxes boxes() const;
    const EditBoxes& initial() const { return m_initial; }
    SaveResult lastResult() const { return m_result; }

    void gravarClick();

protected:
    void showEvent(QShowEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    Registry& m_registry;
    EditMode m_mode;
    EditPanel m_panel;
    EditBoxes m_initial;
    SaveResult m_result = SaveResult::Unchanged;
    QLineEdit* m_idUf = nullptr;
    QLineEdit* m_sigla = nullptr;
    QPlainTextEdit* m_dsUf = nullptr;
    QLineEdit* m_idMun = nullptr;
    QPlainTextEdit* m_dsMun = nullptr;
};

} // namespace demovia::ui
