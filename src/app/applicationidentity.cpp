#include "app/applicationidentity.h"

#include <QApplication>
#include <QDir>

QIcon applicationIcon()
{
    // The pictures live in the GUI library's resources, which a static library must register.
    Q_INIT_RESOURCE(icons);
    QIcon icon;
    const QDir pictures(QStringLiteral(":/appicon"));
    for (const QString &name : pictures.entryList(QDir::Files))
        icon.addFile(pictures.filePath(name));
    return icon;
}

void applyApplicationIdentity()
{
    const QString id = QString::fromLatin1(applicationId);
    QCoreApplication::setApplicationName(id);
    QGuiApplication::setDesktopFileName(id);
    QApplication::setWindowIcon(applicationIcon());
}
