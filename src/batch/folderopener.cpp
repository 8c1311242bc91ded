#include "batch/folderopener.h"

#include <QDesktopServices>
#include <QProcess>
#include <QUrl>

namespace {

std::function<void(const QString &)> &replacedOpener()
{
    static std::function<void(const QString &)> opener;
    return opener;
}

} // namespace

QString explorerArgument(const QString &folder)
{
    return QStringLiteral("/e,") + QString(folder).replace('/', '\\');
}

void setFolderOpener(std::function<void(const QString &)> opener)
{
    replacedOpener() = std::move(opener);
}

void openFolderInFileManager(const QString &folder)
{
    if (replacedOpener()) {
        replacedOpener()(folder);
        return;
    }
#ifdef Q_OS_WIN
    QProcess::startDetached(QStringLiteral("explorer.exe"), {explorerArgument(folder)});
#else
    QDesktopServices::openUrl(QUrl::fromLocalFile(folder));
#endif
}
