#include "app/safeinifile.h"

#include "engine/pictureio/regularfile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLockFile>
#include <QSaveFile>
#include <QSet>
#include <QSettings>
#include <QTextCodec>

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <sys/stat.h>

namespace {

bool isIniSpace(char c)
{
    return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\v' || c == '\f';
}

// One logical line of an INI file, as QSettings' reader delimits it.
struct IniLine
{
    int start = 0;
    int end = 0;
    int equals = -1;
};

// Finds the logical line that starts at or after position, which is moved past it. Like
// QSettings: leading white space is skipped, a backslash escapes the next character (a line
// break included), a quoted part spans line breaks, and an unquoted ';' ends the line, or
// makes it a comment when it comes first.
bool nextLine(const QByteArray &data, int &position, IniLine &line)
{
    const int size = data.size();
    bool inQuotes = false;
    line.equals = -1;
    line.start = position;
    while (line.start < size && isIniSpace(data[line.start]))
        ++line.start;
    int i = line.start;
    while (i < size) {
        const char c = data[i++];
        if (c == '=') {
            if (!inQuotes && line.equals == -1)
                line.equals = i - 1;
        } else if (c == '\n' || c == '\r') {
            if (i == line.start + 1) {
                ++line.start;
            } else if (!inQuotes) {
                --i;
                break;
            }
        } else if (c == '\\') {
            if (i < size) {
                const char escaped = data[i++];
                if (i < size &&
                    ((escaped == '\n' && data[i] == '\r') || (escaped == '\r' && data[i] == '\n')))
                    ++i;
            }
        } else if (c == '"') {
            inQuotes = !inQuotes;
        } else if (c == ';') {
            if (i == line.start + 1) {
                while (i < size && data[i] != '\n' && data[i] != '\r')
                    ++i;
                line.start = i;
            } else if (!inQuotes) {
                --i;
                break;
            }
        }
    }
    position = i;
    line.end = i;
    return line.end > line.start;
}

// The items of a value, unescaped as QSettings does before it interprets them: quotes
// removed, escapes (\n, \x40, \100, ...) decoded, an unquoted comma starting a new item,
// spaces skipped at an item's start and after a closing quote. Only the first two characters
// of each item matter here, so bytes outside escapes are taken one by one.
QStringList valueItems(const QByteArray &data, int from, int to)
{
    static const char escapeCodes[][2] = {{'a', '\a'}, {'b', '\b'},  {'f', '\f'}, {'n', '\n'},
                                          {'r', '\r'}, {'t', '\t'},  {'v', '\v'}, {'"', '"'},
                                          {'?', '?'},  {'\'', '\''}, {'\\', '\\'}};
    QStringList items;
    QString item;
    bool inQuotes = false;
    int i = from;
    bool skipSpaces = true;
    while (i < to) {
        if (skipSpaces) {
            while (i < to && (data[i] == ' ' || data[i] == '\t'))
                ++i;
            skipSpaces = false;
            continue;
        }
        const char c = data[i++];
        if (c == '\\') {
            if (i >= to)
                break;
            const char code = data[i++];
            bool known = false;
            for (const auto &escape : escapeCodes) {
                if (code == escape[0]) {
                    item += QLatin1Char(escape[1]);
                    known = true;
                }
            }
            if (known)
                continue;
            // A numeric escape takes every following digit; QChar keeps the low 16 bits.
            const bool hex = code == 'x' && i < to && isxdigit(uchar(data[i]));
            const bool octal = code >= '0' && code <= '7';
            if (hex || octal) {
                uint value = octal ? uint(code - '0') : 0;
                while (i < to &&
                       (hex ? isxdigit(uchar(data[i])) : (data[i] >= '0' && data[i] <= '7'))) {
                    const char d = char(std::tolower(uchar(data[i])));
                    const uint digit = d >= 'a' ? uint(d - 'a' + 10) : uint(d - '0');
                    value = ((value << (hex ? 4 : 3)) | digit) & 0xFFFF;
                    ++i;
                }
                item += QChar(ushort(value));
            }
            // Any other escaped character, a line break included, is dropped.
        } else if (c == '"') {
            inQuotes = !inQuotes;
            skipSpaces = !inQuotes;
        } else if (c == ',' && !inQuotes) {
            items << item;
            item.clear();
            skipSpaces = true;
        } else {
            item += QLatin1Char(c);
        }
    }
    items << item;
    return items;
}

// The UTF-8 codec drops a byte order mark at the start of every run of plain bytes it
// decodes, so such marks are ignored wherever they are.
bool isSpecial(QString item)
{
    item.remove(QStringLiteral("\u00EF\u00BB\u00BF"));
    return item.startsWith(QLatin1Char('@')) && !item.startsWith(QLatin1String("@@"));
}

// Text of Latin letters in UTF-16 has a zero in every other byte; a stray zero byte in UTF-8
// text (which the INI reader takes as it comes) does not make it so.
bool looksLikeUtf16(const QByteArray &text)
{
    int zeros[2] = {0, 0};
    for (int i = 0; i < text.size(); ++i)
        zeros[i % 2] += text[i] == '\0';
    const int pairs = text.size() / 2;
    return pairs > 0 && std::max(zeros[0], zeros[1]) * 2 >= pairs;
}

// Why text is not read as UTF-8, or an empty string when it can be. A byte order mark of
// UTF-8 is allowed; text in UTF-16 (with or without one), UTF-32 or a legacy encoding is not.
QString encodingProblem(const QByteArray &text)
{
    QString found;
    if (text.startsWith(QByteArray("\xFF\xFE\0\0", 4)) ||
        text.startsWith(QByteArray("\0\0\xFE\xFF", 4)))
        found = QStringLiteral("it is UTF-32 text");
    else if (text.startsWith("\xFF\xFE") || text.startsWith("\xFE\xFF"))
        found = QStringLiteral("it is UTF-16 text");
    else if (looksLikeUtf16(text))
        found = QStringLiteral("it looks like UTF-16 text without a byte order mark");
    if (found.isEmpty()) {
        QTextCodec::ConverterState state;
        QTextCodec::codecForName("UTF-8")->toUnicode(text.constData(), text.size(), &state);
        if (state.invalidChars == 0 && state.remainingChars == 0)
            return QString();
        found = QStringLiteral("it is not UTF-8 text");
    }
    return found + QStringLiteral("; only UTF-8 is read (save it as UTF-8)");
}

} // namespace

QByteArray withoutSpecialValues(const QByteArray &text, const QStringList &byteArrayKeys,
                                QStringList *removedKeys)
{
    QByteArray result;
    result.reserve(text.size());
    bool inGeneral = true;
    int copied = 0;
    // QSettings skips a byte order mark at the start of the file.
    int position = text.startsWith("\xEF\xBB\xBF") ? 3 : 0;
    IniLine line;
    while (nextLine(text, position, line)) {
        if (text[line.start] == '[') {
            const int close = text.indexOf(']', line.start);
            const QByteArray section =
                text.mid(line.start + 1,
                         (close < 0 || close > line.end ? line.end : close) - line.start - 1);
            inGeneral = section.trimmed().toLower() == "general";
            continue;
        }
        if (line.equals < 0)
            continue;
        const QByteArray key = text.mid(line.start, line.equals - line.start).trimmed();
        const QStringList items = valueItems(text, line.equals + 1, line.end);
        const bool geometry = inGeneral && items.size() == 1 &&
                              byteArrayKeys.contains(QString::fromUtf8(key)) &&
                              items.first().startsWith(QLatin1String("@ByteArray("));
        if (geometry || std::none_of(items.cbegin(), items.cend(), isSpecial))
            continue;
        result += text.mid(copied, line.start - copied);
        copied = line.end;
        if (removedKeys)
            *removedKeys << QString::fromUtf8(key);
    }
    result += text.mid(copied);
    return result;
}

SafeIniFile::SafeIniFile(const QString &file, const QStringList &byteArrayKeys, Text kind)
{
    QByteArray text;
    const QFileInfo info(file);
    found = info.exists() || info.isSymLink();
    QString reason;
    if (found && !readRegularFile(file, maxTextFileBytes, &text, &reason))
        problem = QStringLiteral("%1: %2").arg(file, reason);
    reason = kind == Text::Utf8Only ? encodingProblem(text) : QString();
    if (!reason.isEmpty()) {
        // Read in another encoding, every key would be missed, and a save would mangle them.
        problem = QStringLiteral("%1: %2").arg(file, reason);
        text.clear();
    }
    blank = text.trimmed().isEmpty();
    QFile copy(path());
    const QByteArray safe = withoutSpecialValues(text, byteArrayKeys, &removed);
    if (!copy.open(QIODevice::WriteOnly) || copy.write(safe) != safe.size())
        problem = QStringLiteral("%1: a private copy could not be written").arg(file);
}

QString SafeIniFile::path() const
{
    return folder.filePath(QStringLiteral("copy.ini"));
}

namespace {

// How long a writer waits for another one, and after how long a lock that names no process of
// this machine counts as left behind. A save holds the lock for milliseconds.
constexpr int lockWaitMs = 3000;
constexpr int staleLockMs = 1000;

// The file a save replaces: file itself, or the end of its chain of symbolic links when that
// is a regular file. Empty, with the reason in problem, for anything else.
QString fileToReplace(const QString &file, QString *problem)
{
    QFileInfo info(file);
    if (!info.exists() && !info.isSymLink())
        return file;
    *problem = regularFileProblem(file);
    if (!problem->isEmpty())
        return QString();
    return info.isSymLink() ? info.canonicalFilePath() : file;
}

// Why QLockFile cannot use path, or an empty string when it can: it creates and removes
// regular files there, and would wait for ever on a folder or device left under that name, or
// on a link that leads nowhere.
QString lockPathProblem(const QString &path)
{
    struct stat entry;
    if (::lstat(QFile::encodeName(path).constData(), &entry) != 0 || S_ISREG(entry.st_mode))
        return QString();
    if (S_ISLNK(entry.st_mode)) {
        const QString target = regularFileProblem(path);
        return target.isEmpty() ? target : QStringLiteral("the lock file %1: %2").arg(path, target);
    }
    return QStringLiteral("the lock file %1 is not a regular file").arg(path);
}

} // namespace

QString foreignLinkTarget(const QString &file, const SafeIniFile &contents,
                          const QStringList &ownKeys)
{
    const QFileInfo info(file);
    if (ownKeys.isEmpty() || !info.isSymLink() || !contents.ok() || contents.isBlank())
        return QString();
    QSettings settings(contents.path(), QSettings::IniFormat);
    settings.setIniCodec("UTF-8");
    const QStringList keys = settings.childKeys();
    const bool own = settings.status() == QSettings::NoError &&
                     std::any_of(ownKeys.cbegin(), ownKeys.cend(),
                                 [&keys](const QString &key) { return keys.contains(key); });
    if (own)
        return QString();
    return QStringLiteral("%1: it is a symbolic link to %2, which does not read as this "
                          "program's settings")
        .arg(file, info.canonicalFilePath());
}

bool updateIniFile(const QString &file, const std::function<void(QSettings &)> &set,
                   const QStringList &byteArrayKeys, QString *error, const QStringList &ownKeys)
{
    auto fail = [&](const QString &reason) {
        if (error)
            *error = QStringLiteral("%1: %2").arg(file, reason);
        return false;
    };
    QString problem;
    const QString target = fileToReplace(file, &problem);
    if (target.isEmpty())
        return fail(problem);
    if (!QDir().mkpath(QFileInfo(target).absolutePath()))
        return fail(QStringLiteral("its folder cannot be made"));

    const QString lockPath = target + QStringLiteral(".lock");
    const QString lockProblem = lockPathProblem(lockPath);
    if (!lockProblem.isEmpty())
        return fail(lockProblem);
    QLockFile lock(lockPath);
    lock.setStaleLockTime(staleLockMs);
    if (!lock.tryLock(lockWaitMs)) {
        return fail(
            lock.error() == QLockFile::LockFailedError
                ? QStringLiteral("the lock file %1 is held by another program").arg(lockPath)
                : QStringLiteral("the lock file %1 cannot be made").arg(lockPath));
    }

    // Read again under the lock: another run may have saved since this one started.
    const SafeIniFile current(target, byteArrayKeys,
                              ownKeys.isEmpty() ? SafeIniFile::Text::AnyBytes
                                                : SafeIniFile::Text::Utf8Only);
    const QString foreign = foreignLinkTarget(file, current, ownKeys);
    if (!current.ok() || !foreign.isEmpty()) {
        if (error)
            *error = current.ok() ? foreign : current.error();
        return false;
    }
    {
        QSettings settings(current.path(), QSettings::IniFormat);
        settings.setIniCodec("UTF-8");
        set(settings);
        settings.sync();
        // A previous content that was no INI text gives a FormatError, and is replaced.
        if (settings.status() == QSettings::AccessError)
            return fail(QStringLiteral("the new contents could not be prepared"));
    }
    QByteArray text;
    if (!readRegularFile(current.path(), -1, &text, &problem))
        return fail(problem);
    QSaveFile output(target);
    if (!output.open(QIODevice::WriteOnly) || output.write(text) != text.size() || !output.commit())
        return fail(output.errorString());
    return true;
}

void warnOnce(const QString &key, const QString &message)
{
    static QSet<QString> said;
    if (said.contains(key))
        return;
    said.insert(key);
    std::fprintf(stderr, "orvix: %s\n", qPrintable(message));
    std::fflush(stderr);
}
