#include "languagetesting.h"

#include "testfiles.h"

#include <QAbstractButton>
#include <QAction>
#include <QComboBox>
#include <QDir>
#include <QLabel>
#include <QMenu>

QString widgetText(const QWidget &window, const QString &where)
{
    if (where == window.objectName())
        return window.windowTitle();
    if (where.endsWith(QLatin1String(".toolTip"))) {
        const QWidget *widget = window.findChild<QWidget *>(where.section('.', 0, 0));
        return widget ? widget->toolTip() : QStringLiteral("<no widget %1>").arg(where);
    }
    // "cbFormat.item2": an entry of a list.
    if (where.contains(QLatin1String(".item"))) {
        const auto *list = window.findChild<QComboBox *>(where.section('.', 0, 0));
        const int index = where.section(QLatin1String(".item"), 1).toInt();
        return list ? list->itemText(index) : QStringLiteral("<no list %1>").arg(where);
    }
    if (auto *menu = window.findChild<QMenu *>(where))
        return menu->title();
    if (auto *action = window.findChild<QAction *>(where))
        return action->text();
    if (auto *label = window.findChild<QLabel *>(where))
        return label->text();
    if (auto *button = window.findChild<QAbstractButton *>(where))
        return button->text();
    return QStringLiteral("<no widget %1>").arg(where);
}

KeyLanguageFiles::KeyLanguageFiles(const QString &folder, const QByteArray &section,
                                   const QByteArray &key, const QByteArray &text)
    : missing(QDir(folder).filePath(QStringLiteral("missing_lang.ini"))),
      filled(QDir(folder).filePath(QStringLiteral("filled_lang.ini"))),
      emptied(QDir(folder).filePath(QStringLiteral("emptied_lang.ini")))
{
    QByteArray withText, withEmpty;
    for (const QByteArray each : {"main", "config", "batch_convert"}) {
        const QByteArray other = key + "=" + each + "\n";
        withText += "[" + each + "]\n" + (each == section ? key + "=" + text + "\n" : other);
        withEmpty += "[" + each + "]\n" + (each == section ? key + "=\n" : other);
    }
    written = writeBytes(filled, withText) && writeBytes(emptied, withEmpty);
}
