#include "engine/pictureio/wholefilewriter.h"

#include <QFile>
#include <QRandomGenerator>

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>

namespace {

// Writes reach the file in pieces of this size; encoders hand over a few kilobytes at a time.
constexpr int bufferBytes = 1 << 20;

bool unsupported(int error)
{
    return error == EINVAL || error == ENOSYS || error == EOPNOTSUPP || error == ENOTSUP ||
           error == EISDIR || error == EPERM;
}

QString systemText(int error)
{
    return QString::fromLocal8Bit(std::strerror(error));
}

} // namespace

WholeFileWriter::~WholeFileWriter()
{
    discard();
}

bool WholeFileWriter::begin(const QString &folderPath, Method chosen)
{
    discard();
    folder = QFile::encodeName(folderPath.isEmpty() ? QStringLiteral(".") : folderPath);
    method = chosen;
    writeError = 0;
    buffer.clear();
    // An unnamed file is later named through its entry in /proc.
    if ((method == Method::Automatic || method == Method::UnnamedFile) &&
        ::access("/proc/self/fd", X_OK) == 0) {
        descriptor = ::open(folder.constData(), O_TMPFILE | O_WRONLY | O_CLOEXEC, 0666);
        if (descriptor >= 0)
            method = Method::UnnamedFile;
        else if (method == Method::UnnamedFile || !unsupported(errno))
            return fail(errno);
    } else if (method == Method::UnnamedFile) {
        return fail(ENOTSUP);
    }
    if (descriptor < 0) {
        for (int attempt = 0; descriptor < 0; ++attempt) {
            temporary = hiddenName(folder);
            descriptor =
                ::open(temporary.constData(), O_CREAT | O_EXCL | O_WRONLY | O_CLOEXEC, 0666);
            if (descriptor < 0 && (errno != EEXIST || attempt == 100)) {
                temporary.clear();
                return fail(errno);
            }
        }
    }
    QIODevice::open(QIODevice::WriteOnly | QIODevice::Unbuffered);
    return true;
}

qint64 WholeFileWriter::writeData(const char *data, qint64 size)
{
    // After an error the rest is dropped; the error is reported when the file is placed.
    if (writeError != 0)
        return size;
    if (buffer.size() + size > bufferBytes)
        flushBuffer();
    if (size >= bufferBytes)
        writeAll(data, size);
    else
        buffer.append(data, int(size));
    return size;
}

bool WholeFileWriter::flushBuffer()
{
    writeAll(buffer.constData(), buffer.size());
    buffer.clear();
    return writeError == 0;
}

void WholeFileWriter::writeAll(const char *data, qint64 size)
{
    while (size > 0 && writeError == 0) {
        const ssize_t written = ::write(descriptor, data, size_t(size));
        if (written < 0 && errno == EINTR)
            continue;
        if (written <= 0) {
            writeError = written < 0 ? errno : EIO;
        } else {
            data += written;
            size -= written;
        }
    }
}

bool WholeFileWriter::fail(int error)
{
    setErrorString(systemText(error));
    return false;
}

WholeFileWriter::Placed WholeFileWriter::failed(int error)
{
    fail(error);
    return Placed::Failed;
}

bool WholeFileWriter::flushToDisk()
{
    if (descriptor < 0) {
        if (errorString().isEmpty())
            setErrorString(QStringLiteral("the file was not opened"));
        return false;
    }
    // A network file system may tell of a full disk only at the sync.
    if (flushBuffer() && ::fdatasync(descriptor) != 0 && errno != EINVAL)
        writeError = errno;
    return writeError == 0 || fail(writeError);
}

WholeFileWriter::Placed WholeFileWriter::place(const QString &path, bool replace)
{
    // Everything on the disk first, so that the name never shows a file cut by a crash.
    if (!flushToDisk())
        return Placed::Failed;
    const QByteArray name = QFile::encodeName(path);
    const Placed placed =
        method == Method::UnnamedFile ? placeUnnamed(name, replace) : placeNamed(name, replace);
    if (placed == Placed::Yes)
        discard();
    return placed;
}

WholeFileWriter::Placed WholeFileWriter::placeUnnamed(const QByteArray &name, bool replace)
{
    const QByteArray self = "/proc/self/fd/" + QByteArray::number(descriptor);
    if (!replace) {
        if (::linkat(AT_FDCWD, self.constData(), AT_FDCWD, name.constData(), AT_SYMLINK_FOLLOW) ==
            0)
            return Placed::Yes;
        if (errno == EEXIST)
            return Placed::NameTaken;
        return failed(errno);
    }
    // A link cannot replace anything, so the file gets a hidden name for the moment of a
    // rename, which replaces in one step.
    for (int attempt = 0;; ++attempt) {
        const QByteArray hidden = hiddenName(folder);
        if (::linkat(AT_FDCWD, self.constData(), AT_FDCWD, hidden.constData(), AT_SYMLINK_FOLLOW) ==
            0) {
            temporary = hidden;
            break;
        }
        if (errno != EEXIST || attempt == 100)
            return failed(errno);
    }
    if (::rename(temporary.constData(), name.constData()) != 0)
        return failed(errno);
    temporary.clear();
    return Placed::Yes;
}

WholeFileWriter::Placed WholeFileWriter::placeNamed(const QByteArray &name, bool replace)
{
    const char *from = temporary.constData();
    auto placed = [this](bool done) {
        if (!done)
            return failed(errno);
        temporary.clear();
        return Placed::Yes;
    };
    if (replace)
        return placed(::rename(from, name.constData()) == 0);
    const bool automatic = method == Method::Automatic;
    if (automatic || method == Method::RenameNoReplace) {
        if (::renameat2(AT_FDCWD, from, AT_FDCWD, name.constData(), RENAME_NOREPLACE) == 0)
            return placed(true);
        if (errno == EEXIST)
            return Placed::NameTaken;
        if (!automatic || !unsupported(errno))
            return placed(false);
    }
    if (automatic || method == Method::HardLink) {
        if (::link(from, name.constData()) == 0) {
            // The hidden name goes; the file stays under its own.
            ::unlink(from);
            return placed(true);
        }
        if (errno == EEXIST)
            return Placed::NameTaken;
        if (!automatic || !unsupported(errno))
            return placed(false);
    }
    const int claim =
        ::open(name.constData(), O_CREAT | O_EXCL | O_WRONLY | O_CLOEXEC | O_NOFOLLOW, 0666);
    if (claim < 0)
        return errno == EEXIST ? Placed::NameTaken : placed(false);
    ::close(claim);
    if (::rename(from, name.constData()) != 0) {
        const int error = errno;
        ::unlink(name.constData());
        errno = error;
        return placed(false);
    }
    return placed(true);
}

QByteArray WholeFileWriter::hiddenName(const QByteArray &in) const
{
    return in + "/.orvix-" + QByteArray::number(QRandomGenerator::global()->generate64(), 36) +
           ".part";
}

void WholeFileWriter::discard()
{
    if (isOpen())
        QIODevice::close();
    if (descriptor >= 0)
        ::close(descriptor);
    descriptor = -1;
    if (!temporary.isEmpty())
        ::unlink(temporary.constData());
    temporary.clear();
    buffer.clear();
}

void ignoreFileSizeSignal()
{
    std::signal(SIGXFSZ, SIG_IGN);
}
