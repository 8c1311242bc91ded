#include "app/qttranslation.h"

#include "app/languagereader.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QPointer>
#include <QRegularExpression>
#include <QTranslator>

QString interfaceLanguage(const LanguageReader &mainSection)
{
    const QString named = mainSection.value(QStringLiteral("language")).trimmed();
    return named.isEmpty() ? QStringLiteral("ja") : named;
}

bool useQtTranslation(const QString &language)
{
    // One translation at a time, owned by the application; a window that loads its texts
    // again (or a test's next window) replaces it.
    static QPointer<QTranslator> installed;
    static QString installedLanguage;
    if (installed && installedLanguage == language)
        return true;
    if (installed) {
        QCoreApplication::removeTranslator(installed);
        delete installed;
    }
    // A language is a code such as "ja" or "pt_BR"; anything else names no translation file.
    static const QRegularExpression code(QStringLiteral("^[A-Za-z]{2,3}(_[A-Za-z]{2,4})?$"));
    if (!QCoreApplication::instance() || language == QLatin1String("en") ||
        !code.match(language).hasMatch())
        return false;
    auto *translator = new QTranslator(QCoreApplication::instance());
    if (!translator->load(QStringLiteral("qtbase_") + language,
                          QLibraryInfo::location(QLibraryInfo::TranslationsPath)) ||
        !QCoreApplication::installTranslator(translator)) {
        delete translator;
        return false;
    }
    installed = translator;
    installedLanguage = language;
    return true;
}
