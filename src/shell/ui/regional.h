#pragma once
#include "data/text_exchange.h"

#include <QLocale>
#include <QString>

class QCoreApplication;
class QTranslator;

namespace demovia::ui {

// Before the application is created: when the environment names no region
// (no LC_ALL, LANG empty, C or POSIX), the process takes Brazilian Portuguese,
// so that Qt's own dialogs show dates, sizes and file types in the system's
// language too. Returns whether it did.
bool defaultToBrazilianPortuguese();

// The locale the windows show dates and numbers in: the person's own, or
// Brazilian Portuguese when the system names none (the C or POSIX locale).
QLocale regionalLocale(const QLocale& system = QLocale::system());
// The decimal and grouping marks of that locale, for the text files.
NumberFormat regionalFormat(const QLocale& locale);

// Loads Qt's own Brazilian Portuguese texts (qtbase_pt_BR.qm: file dialogs,
// print preview, standard buttons, context menus) and installs them in app.
// The catalogue is looked for embedded in the program, in {appDir}translations
// and in Qt's translation folder. Returns the installed translator (owned by
// app), or nullptr when no catalogue was found.
QTranslator* installQtTranslations(QCoreApplication& app, const QString& appDir = QString());

} // namespace demovia::ui
