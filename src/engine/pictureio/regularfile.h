#pragma once

#include <QByteArray>
#include <QString>

class QFile;

// Reading user files without surprises. Only a regular file (or a symbolic link to one) is
// ever opened: a folder, a device, a FIFO or a socket is refused with a reason before it is
// opened, and the open itself never waits (a FIFO swapped in at the last moment included).

// Settings, language and parameter files hold a few kilobytes; anything beyond this is
// refused whole rather than read in part.
constexpr qint64 maxTextFileBytes = qint64(4) * 1024 * 1024;

// Why path cannot be read as a regular file, or an empty string when it can be: it does not
// exist, its name is not valid UTF-8, it is a symbolic link to nothing or in a loop, or it is a
// folder, a device, a FIFO or a socket (itself or behind a link).
QString regularFileProblem(const QString &path);

// Opens path read-only into file when it is a regular file of at most maxBytes bytes (no bound
// when maxBytes is negative). Returns false and sets error otherwise; file is then closed.
bool openRegularFile(QFile &file, const QString &path, qint64 maxBytes, QString *error = nullptr);

// The whole content of a regular file of at most maxBytes bytes. Returns false and sets error
// when the file is refused or cannot be read to its end; contents is then left empty.
bool readRegularFile(const QString &path, qint64 maxBytes, QByteArray *contents,
                     QString *error = nullptr);
