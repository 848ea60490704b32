#include "shell/ui/regional.h"

#include <QCoreApplication>
#include <QDir>
#include <QLibraryInfo>
#include <QTranslator>

namespace demovia::ui {

namespace {

bool namesNoRegion(const char* value)
{
    if (!value || !*value)
        return true;
    const QByteArray v(value);
    return v == "C" || v == "POSIX" || v.startsWith("C.");
}

} // namespace

bool defaultToBrazilianPortuguese()
{
    if (!namesNoRegion(qgetenv("LC_ALL").constData()) || !namesNoRegion(qgetenv("LANG").constData()))
        return false;
    qunsetenv("LC_ALL");
    qputenv("LANG", "pt_BR.UTF-8");
    return true;
}

QLocale regionalLocale(const QLocale& system)
{
    if (system.language() == QLocale::C)
        return QLocale(QLocale::Portuguese, QLocale::Brazil);
    return system;
}

NumberFormat regionalFormat(const QLocale& locale)
{
    NumberFormat f;
    const QString dec = locale.decimalPoint(), grp = locale.groupSeparator();
    if (dec.size() == 1 && dec.at(0).unicode() < 128)
        f.decimal = static_cast<char>(dec.at(0).unicode());
    if (grp.size() == 1 && grp.at(0).unicode() < 128 && grp != dec)
        f.grouping = static_cast<char>(grp.at(0).unicode());
    else if (f.decimal == f.grouping)
        f.grouping = f.decimal == ',' ? '.' : ',';
    return f;
}

QTranslator* installQtTranslations(QCoreApplication& app, const QString& appDir)
{
    const QString name = QStringLiteral("qtbase_pt_BR");
    QStringList folders = {QStringLiteral(":/i18n")};
    if (!appDir.isEmpty())
        folders << QDir(appDir).filePath(QStringLiteral("translations"));
    folders << QLibraryInfo::path(QLibraryInfo::TranslationsPath);
    auto* translator = new QTranslator(&app);
    for (const QString& folder : folders) {
        if (translator->load(name, folder) && QCoreApplication::installTranslator(translator))
            return translator;
    }
    delete translator;
    return nullptr;
}

} // namespace demovia::ui
