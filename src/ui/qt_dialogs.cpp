#include "ui/qt_dialogs.h"

#include <QApplication>
#include <QFileDialog>
#include <QGuiApplication>
#include <QInputDialog>
#include <QMessageBox>
#include <QPushButton>

namespace demovia::ui {

static const char* kTitle = "Módulo Demovia 2.0";

void QtDialogs::message(Kind kind, const std::string& text)
{
    const QString t = QString::fromStdString(text);
    switch (kind) {
    case Kind::Warning: QMessageBox::warning(m_parent, kTitle, t); break;
    case Kind::Error: QMessageBox::critical(m_parent, kTitle, t); break;
    case Kind::Information: QMessageBox::information(m_parent, kTitle, t); break;
    }
}

bool QtDialogs::confirm(const std::string& text)
{
    // The buttons speak the system's language whatever translations are installed.
    QMessageBox box(QMessageBox::Question, kTitle, QString::fromStdString(text), QMessageBox::Yes | QMessageBox::No,
                    m_parent);
    box.button(QMessageBox::Yes)->setText("&Sim");
    box.button(QMessageBox::No)->setText("&Não");
    box.setDefaultButton(QMessageBox::Yes);
    return box.exec() == QMessageBox::Yes;
}

std::optional<std::string> QtDialogs::chooseOpenFile(const std::string& title)
{
    QString f = QFileDialog::getOpenFileName(m_parent, QString::fromStdString(title.empty() ? "Abrir arquivo" : title),
                                             QString::fromStdString(m_folder));
    if (f.isEmpty())
        return std::nullopt;
    return f.toStdString();
}

std::optional<std::string> QtDialogs::chooseSaveFile()
{
    QFileDialog d(m_parent, QString(), QString::fromStdString(m_folder),
                  "Texto separado por ; (*.csv);;Planilha (*.xlsx)");
    d.setAcceptMode(QFileDialog::AcceptSave);
    d.setDefaultSuffix("csv");
    // A name typed without its ending takes the ending of the kind chosen.
    QObject::connect(&d, &QFileDialog::filterSelected, &d,
                     [&d](const QString& filter) { d.setDefaultSuffix(filter.contains("xlsx") ? "xlsx" : "csv"); });
    d.setOption(QFileDialog::DontConfirmOverwrite, true);
    if (d.exec() != QDialog::Accepted || d.selectedFiles().isEmpty())
        return std::nullopt;
    return d.selectedFiles().first().toStdString();
}

std::optional<std::string> QtDialogs::inputBox(const std::string& title, const std::string& prompt,
                                               const std::string& defaultText)
{
    bool ok = false;
    QString v = QInputDialog::getText(m_parent, QString::fromStdString(title), QString::fromStdString(prompt),
                                      QLineEdit::Normal, QString::fromStdString(defaultText), &ok);
    if (!ok)
        return std::nullopt;
    return v.toStdString();
}

void QtDialogs::setBusy(bool busy)
{
    if (busy)
        QGuiApplication::setOverrideCursor(Qt::WaitCursor);
    else
        QGuiApplication::restoreOverrideCursor();
}

void QtDialogs::beep() { QApplication::beep(); }

} // namespace demovia::ui
