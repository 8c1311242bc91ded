#include "app/languagereader.h"

#include <QAbstractButton>
#include <QAction>
#include <QLabel>
#include <QMenu>
#include <QVariant>

LanguageReader::LanguageReader(const QString &languageFile, const QString &section)
    : file(languageFile, {}, SafeIniFile::Text::Utf8Only),
      settings(file.path(), QSettings::IniFormat)
{
    if (!file.ok())
        warnOnce(file.error(),
                 QStringLiteral("language file %1; the built-in texts are used").arg(file.error()));
    settings.setIniCodec("UTF-8");
    settings.beginGroup(section);
}

LanguageReader::~LanguageReader()
{
    settings.endGroup();
}

QString LanguageReader::value(const QString &key) const
{
    // A list of several items converts to an empty string; a single item to itself.
    return settings.value(key).toString();
}

void LanguageReader::applyText(const QString &key, QLabel *label) const
{
    const QString text = value(key);
    if (!text.isEmpty())
        label->setText(text);
}

void LanguageReader::applyText(const QString &key, QAbstractButton *button) const
{
    const QString text = value(key);
    if (!text.isEmpty())
        button->setText(text);
}

void LanguageReader::applyText(const QString &key, QAction *action) const
{
    const QString text = value(key);
    if (!text.isEmpty())
        action->setText(text);
}

void LanguageReader::applyTitle(const QString &key, QMenu *menu) const
{
    const QString text = value(key);
    if (!text.isEmpty())
        menu->setTitle(text);
}

void LanguageReader::applyWindowTitle(const QString &key, QWidget *window) const
{
    const QString text = value(key);
    if (!text.isEmpty())
        window->setWindowTitle(text);
}

void LanguageReader::applyToolTip(const QString &key, QWidget *widget) const
{
    const QString text = value(key);
    if (!text.isEmpty())
        widget->setToolTip(text);
}

void LanguageReader::storeText(const QString &key, const QString &builtIn,
                               QMap<QString, QString> &texts) const
{
    const QString text = value(key);
    texts.insert(key, text.isEmpty() ? builtIn : text);
}
