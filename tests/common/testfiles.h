#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

// Small file helpers for tests: whole files written and read as bytes, folder listings.

// True when the whole of bytes was written to path.
bool writeBytes(const QString &path, const QByteArray &bytes);
// The file's bytes, or none when it cannot be read.
QByteArray readBytes(const QString &path);
// Every entry of the folder, hidden ones included, sorted by name.
QStringList entries(const QString &folder);
