#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>

// QSettings gives values that begin with "@" a meaning of their own: "@Variant(...)" is
// decoded as serialised binary data, and a few bytes can make that decoder allocate
// gigabytes and abort the program. This program stores only plain values (and the two window
// geometries as "@ByteArray(...)"), so user INI files are never handed to QSettings as they
// are: a line whose value could reach that decoding is removed first, and its key reads as
// missing, that is as its default.

// The INI text with every key line removed whose value (or any item of its comma list), once
// QSettings has removed its quotes and escapes, begins with "@" (other than the "@@" that
// stands for a literal "@"). A value beginning with "@ByteArray(" is kept under the keys of
// byteArrayKeys in the [General] section (or before any section). Lines are split and values
// unescaped the way QSettings' INI reader does, continuations and quoted line breaks included.
// removedKeys, when given, receives the removed lines' keys as written.
QByteArray withoutSpecialValues(const QByteArray &text, const QStringList &byteArrayKeys = {},
                                QStringList *removedKeys = nullptr);

// A user's INI file prepared for QSettings: read whole (only a regular file, or a link to one,
// of at most maxTextFileBytes; never a FIFO or device, never half a file), passed through
// withoutSpecialValues and written to a private temporary copy that lives as long as this
// object. Open the copy with QSettings(path(), QSettings::IniFormat). A missing file gives an
// empty copy.
class SafeIniFile
{
public:
    explicit SafeIniFile(const QString &file, const QStringList &byteArrayKeys = {});

    // False when the file exists but was refused or could not be read; error() says why, and
    // path() is then an empty copy, so that reading it gives every key's default.
    bool ok() const { return problem.isEmpty(); }
    QString error() const { return problem; }
    bool exists() const { return found; }
    // The keys whose special values were removed.
    QStringList removedKeys() const { return removed; }
    QString path() const;

private:
    QTemporaryDir folder;
    QString problem;
    bool found = false;
    QStringList removed;
};
