#pragma once

#include <QByteArray>
#include <QFile>
#include <QString>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <unistd.h>

// A small file system of its own for tests of writes that fail: a tmpfs mounted on an empty
// folder, which can be filled up or made read-only. It is unmounted when the object goes, so
// also when a test fails half-way. Mounting needs root (as in CI); where it cannot be had,
// unavailableReason() says why, for the test's QSKIP.
class ScratchFileSystem
{
public:
    ScratchFileSystem(const QString &folder, qint64 bytes) : path(QFile::encodeName(folder))
    {
        if (geteuid() != 0) {
            reason = QStringLiteral("mounting a small file system needs root");
            return;
        }
        const QByteArray options = "size=" + QByteArray::number(bytes) + ",mode=0755";
        if (::mount("tmpfs", path.constData(), "tmpfs", MS_NOSUID | MS_NODEV,
                    options.constData()) != 0) {
            reason = QStringLiteral("cannot mount a tmpfs on %1: %2")
                         .arg(folder, QString::fromLocal8Bit(std::strerror(errno)));
            return;
        }
        mounted = true;
    }
    ~ScratchFileSystem()
    {
        // A file still open elsewhere keeps the mount busy; it is then detached and goes
        // when the last file closes.
        if (mounted && ::umount2(path.constData(), 0) != 0)
            ::umount2(path.constData(), MNT_DETACH);
    }
    ScratchFileSystem(const ScratchFileSystem &) = delete;
    ScratchFileSystem &operator=(const ScratchFileSystem &) = delete;

    bool isMounted() const { return mounted; }
    QString unavailableReason() const { return reason; }

    // Remounts the file system read-only: every write into it fails, also root's.
    bool makeReadOnly()
    {
        return mounted && ::mount(nullptr, path.constData(), nullptr,
                                  MS_REMOUNT | MS_RDONLY | MS_NOSUID | MS_NODEV, nullptr) == 0;
    }
    bool makeWritable()
    {
        return mounted && ::mount(nullptr, path.constData(), nullptr,
                                  MS_REMOUNT | MS_NOSUID | MS_NODEV, nullptr) == 0;
    }

    // Takes up the free space with the file at fillerPath until a write no longer fits, then
    // gives back about leaveBytes (whole pages), so that the next larger write runs out.
    bool fill(const QString &fillerPath, qint64 leaveBytes = 0)
    {
        const QByteArray name = QFile::encodeName(fillerPath);
        const int file = ::open(name.constData(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        if (file < 0)
            return false;
        static const QByteArray page(4096, 'x');
        qint64 written = 0;
        for (;;) {
            const ssize_t n = ::write(file, page.constData(), size_t(page.size()));
            if (n <= 0)
                break;
            written += n;
        }
        const bool full = errno == ENOSPC;
        const bool trimmed = ::ftruncate(file, off_t(qMax<qint64>(0, written - leaveBytes))) == 0;
        ::close(file);
        return full && trimmed;
    }

private:
    QByteArray path;
    bool mounted = false;
    QString reason;
};

// Acts as another user while it lives (root only), so that folder permissions apply to the
// process as they do to any user; root's own rights come back when it goes.
class EffectiveUser
{
public:
    explicit EffectiveUser(uid_t user) : previous(geteuid())
    {
        switched = previous == 0 && ::seteuid(user) == 0;
    }
    ~EffectiveUser()
    {
        if (switched && ::seteuid(previous) != 0)
            std::abort(); // the rest of the run would act without root's rights
    }
    EffectiveUser(const EffectiveUser &) = delete;
    EffectiveUser &operator=(const EffectiveUser &) = delete;

    bool switched = false;

private:
    uid_t previous;
};

// Takes the write permission of a folder away while it lives (for users other than root,
// for whom that stops writes) and gives it back afterwards, so that the folder can be removed.
class ReadOnlyPermissions
{
public:
    explicit ReadOnlyPermissions(const QString &folder) : folder(folder)
    {
        locked = QFile::setPermissions(folder, QFile::ReadOwner | QFile::ExeOwner);
    }
    ~ReadOnlyPermissions()
    {
        if (locked)
            QFile::setPermissions(folder, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    }
    ReadOnlyPermissions(const ReadOnlyPermissions &) = delete;
    ReadOnlyPermissions &operator=(const ReadOnlyPermissions &) = delete;

    bool locked = false;

private:
    QString folder;
};
