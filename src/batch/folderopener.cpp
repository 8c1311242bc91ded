#include "batch/folderopener.h"

#include <QDesktopServices>
#include <QProcess>
#include <QUrl>

namespace {

std::function<bool(const QString &)> &replacedOpener()
{
    static std::function<bool(const QString &)> opener;
    return opener;
}

} // namespace

QString explorerArgument(const QString &folder)
{
    return QStringLiteral("/e,") + QString(folder).replace('/', '\\');
}

void setFolderOpener(std::function<bool(const QString &)> opener)
{
    replacedOpener() = std::move(opener);
}

bool openFolderInFileManager(const QString &folder)
{
    if (replacedOpener())
        return replacedOpener()(folder);
#ifdef Q_OS_WIN
    return QProcess::startDetached(QStringLiteral("explorer.exe"), {explorerArgument(folder)});
#else
    return QDesktopServices::openUrl(QUrl::fromLocalFile(folder));
#endif
}
