#pragma once

#include <QFile>
#include <QProcess>
#include <QString>

#include <unistd.h>

// Makes an existing folder read-only for the life of the object. Root may write whatever the
// permission bits say, so for root the folder is bind-mounted onto itself and remounted
// read-only; for anyone else its write permission is taken away. active() tells whether that
// worked (a container may forbid mounting), so a test can skip instead of testing nothing.
class ReadOnlyFolder
{
public:
    explicit ReadOnlyFolder(const QString &path) : path(path)
    {
        if (geteuid() == 0) {
            mounted = run({"--bind", path, path});
            active_ = mounted && run({"-o", "remount,ro,bind", path});
        } else {
            active_ = QFile::setPermissions(path, QFile::ReadOwner | QFile::ExeOwner);
        }
    }
    ~ReadOnlyFolder()
    {
        if (mounted)
            QProcess::execute(QStringLiteral("umount"), {path});
        else if (geteuid() != 0)
            QFile::setPermissions(path, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    }
    ReadOnlyFolder(const ReadOnlyFolder &) = delete;
    ReadOnlyFolder &operator=(const ReadOnlyFolder &) = delete;

    bool active() const { return active_; }

private:
    static bool run(const QStringList &arguments)
    {
        QProcess mount;
        mount.start(QStringLiteral("mount"), arguments);
        return mount.waitForFinished() && mount.exitStatus() == QProcess::NormalExit &&
               mount.exitCode() == 0;
    }

    QString path;
    bool mounted = false;
    bool active_ = false;
};
