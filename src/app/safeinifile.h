#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>

#include <functional>

class QSettings;

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
    // What a file must hold to be read: any bytes (a file the user names, read as far as it
    // goes), or UTF-8 text, with or without a byte order mark (the program's own settings and
    // language files, which another encoding would have misread and a save mangled).
    enum class Text
    {
        AnyBytes,
        Utf8Only
    };
    explicit SafeIniFile(const QString &file, const QStringList &byteArrayKeys = {},
                         Text text = Text::AnyBytes);

    // False when the file exists but was refused or could not be read; error() says why, and
    // path() is then an empty copy, so that reading it gives every key's default.
    bool ok() const { return problem.isEmpty(); }
    QString error() const { return problem; }
    bool exists() const { return found; }
    // True when the file holds nothing but white space (or was not read).
    bool isBlank() const { return blank; }
    // The keys whose special values were removed.
    QStringList removedKeys() const { return removed; }
    QString path() const;

private:
    QTemporaryDir folder;
    QString problem;
    bool found = false;
    bool blank = true;
    QStringList removed;
};

// Sets keys in a user's INI file, keeping its other keys, without QSettings ever parsing the
// file itself: set() runs on a QSettings over a SafeIniFile copy of the current file, and the
// result replaces the file whole (a temporary file in its folder renamed over it), so a failed
// write leaves the old file as it was. Only a regular file, or a missing one, is written; a
// symbolic link to a regular file gets its target replaced that way, the link staying a link.
// A link to anything else, a dangling link, a file over maxTextFileBytes or one that cannot be
// read is left untouched. Writers are serialised by a lock file beside the file (the name that
// QSettings uses): one whose lock is held for more than a few seconds gives up, and a lock file
// with unreadable contents or another host's name is taken over once it is a second old.
// Returns false and sets error (the file's path and why) when nothing was written.
// With ownKeys (the program's own settings), only UTF-8 text is read and replaced, and a file
// that is a symbolic link is only written when its target is empty or reads as this program's
// file: INI text that holds one of ownKeys (see foreignLinkTarget).
bool updateIniFile(const QString &file, const std::function<void(QSettings &)> &set,
                   const QStringList &byteArrayKeys = {}, QString *error = nullptr,
                   const QStringList &ownKeys = {});

// When file is a symbolic link whose target, read as contents, is neither empty nor INI text
// holding one of ownKeys, such as a notes file that the link was made to by mistake: the
// file's path and why it is not taken as this program's file. Empty otherwise.
QString foreignLinkTarget(const QString &file, const SafeIniFile &contents,
                          const QStringList &ownKeys);

// Prints "orvix: " and the message on standard error unless a message under the same key was
// printed before in this process: a file refused at start-up is read by several windows and
// again when the settings are saved, and is reported once (the key being the refusal itself).
void warnOnce(const QString &key, const QString &message);
