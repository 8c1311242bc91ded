#include "engine/pictureio/regularfile.h"

#include <QFile>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// What a file of this mode is, for a message; empty for a regular file.
QString kindOfNonRegular(mode_t mode)
{
    if (S_ISREG(mode))
        return QString();
    if (S_ISDIR(mode))
        return QStringLiteral("a folder");
    if (S_ISFIFO(mode))
        return QStringLiteral("a FIFO (named pipe)");
    if (S_ISSOCK(mode))
        return QStringLiteral("a socket");
    if (S_ISCHR(mode))
        return QStringLiteral("a character device");
    if (S_ISBLK(mode))
        return QStringLiteral("a block device");
    return QStringLiteral("a special file");
}

QString notARegularFile(mode_t mode)
{
    return QStringLiteral("it is %1, not a regular file").arg(kindOfNonRegular(mode));
}

QString tooLarge(qint64 size, qint64 maxBytes)
{
    return QStringLiteral("the file is too large (%1 bytes; at most %2 are read)")
        .arg(size)
        .arg(maxBytes);
}

} // namespace

QString regularFileProblem(const QString &path)
{
    const QByteArray name = QFile::encodeName(path);
    struct stat target;
    if (::stat(name.constData(), &target) == 0)
        return S_ISREG(target.st_mode) ? QString() : notARegularFile(target.st_mode);
    const int statError = errno;
    struct stat entry;
    if (::lstat(name.constData(), &entry) == 0 && S_ISLNK(entry.st_mode)) {
        if (statError == ELOOP)
            return QStringLiteral("it is a symbolic link in a loop (or in too long a chain of "
                                  "links)");
        if (statError == ENOENT || statError == ENOTDIR)
            return QStringLiteral("it is a symbolic link to nothing");
        return QStringLiteral("it is a symbolic link whose target cannot be reached: %1")
            .arg(QString::fromLocal8Bit(std::strerror(statError)));
    }
    // Names that are not valid UTF-8 reach the program with their bad bytes replaced, so the
    // replaced name is not found on disk.
    if (statError == ENOENT && path.contains(QChar::ReplacementCharacter))
        return QStringLiteral("the file name cannot be read (it is not valid UTF-8)");
    if (statError == ENOENT || statError == ENOTDIR)
        return QStringLiteral("File not found");
    return QString::fromLocal8Bit(std::strerror(statError));
}

bool openRegularFile(QFile &file, const QString &path, qint64 maxBytes, QString *error)
{
    auto fail = [error](const QString &reason) {
        if (error)
            *error = reason;
        return false;
    };
    file.close();
    // Checked before opening: opening some devices has effects of its own.
    const QString problem = regularFileProblem(path);
    if (!problem.isEmpty())
        return fail(problem);
    // Non-blocking, so that a FIFO put in the file's place since the check cannot hang the
    // open; the descriptor's own type is then checked again.
    const int descriptor =
        ::open(QFile::encodeName(path).constData(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (descriptor < 0)
        return fail(QString::fromLocal8Bit(std::strerror(errno)));
    struct stat opened;
    if (::fstat(descriptor, &opened) != 0) {
        const QString reason = QString::fromLocal8Bit(std::strerror(errno));
        ::close(descriptor);
        return fail(reason);
    }
    if (!S_ISREG(opened.st_mode)) {
        ::close(descriptor);
        return fail(notARegularFile(opened.st_mode));
    }
    if (maxBytes >= 0 && opened.st_size > maxBytes) {
        ::close(descriptor);
        return fail(tooLarge(opened.st_size, maxBytes));
    }
    // Regular files never block; the flag only mattered for the open.
    ::fcntl(descriptor, F_SETFL, ::fcntl(descriptor, F_GETFL) & ~O_NONBLOCK);
    if (!file.open(descriptor, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle)) {
        ::close(descriptor);
        return fail(file.errorString());
    }
    return true;
}

bool readRegularFile(const QString &path, qint64 maxBytes, QByteArray *contents, QString *error)
{
    contents->clear();
    QFile file;
    if (!openRegularFile(file, path, maxBytes, error))
        return false;
    // One byte more than allowed is asked for, so a file that grew since it was measured is
    // refused too instead of being cut.
    QByteArray bytes = maxBytes >= 0 ? file.read(maxBytes + 1) : file.readAll();
    if (file.error() != QFileDevice::NoError) {
        if (error)
            *error = file.errorString();
        return false;
    }
    if (maxBytes >= 0 && bytes.size() > maxBytes) {
        if (error)
            *error = tooLarge(bytes.size(), maxBytes);
        return false;
    }
    *contents = bytes;
    return true;
}
