#pragma once

#include <QByteArray>
#include <QIODevice>
#include <QString>

// Writes a file out of sight and then puts it under its name in one step, so that nobody ever
// sees a part of it and a name is never taken twice. The data goes into an unnamed file in the
// target's folder (a hidden named one where the file system has no unnamed files), which is
// given its name only when placed. A file never placed leaves nothing behind.
//
// Writing never fails on the encoder's side: the first error of the file system (a full disk,
// a file size limit) is kept, later data is dropped, and place() then fails with what the
// system said. Encoders that report a failed write in words of their own ("Unknown error")
// or print it never see one.
class WholeFileWriter : public QIODevice
{
public:
    // How the file is put under its name, from the best to the last resort; Automatic takes
    // the best the file system offers. Tests name the others to try them on any system.
    enum class Method
    {
        Automatic,
        // An unnamed file, linked under the name: a name that exists fails the link.
        UnnamedFile,
        // A hidden named file renamed under the name with a rename that refuses existing names.
        RenameNoReplace,
        // A hidden named file linked under the name, then unlinked.
        HardLink,
        // The name taken first as an empty file (that cannot succeed twice), then the hidden
        // file renamed over it: for file systems without hard links.
        ClaimThenRename,
    };
    enum class Placed
    {
        Yes,
        // Another file (or link, or folder) has the name; nothing was changed.
        NameTaken,
        Failed,
    };

    WholeFileWriter() = default;
    ~WholeFileWriter() override;
    WholeFileWriter(const WholeFileWriter &) = delete;
    WholeFileWriter &operator=(const WholeFileWriter &) = delete;

    // Opens the hidden file in folder for writing; false with errorString() set when it
    // cannot be made there.
    bool begin(const QString &folder, Method method = Method::Automatic);
    // Puts everything written so far on the disk: false with errorString() set when the file
    // system refused it (a full disk), which place() would then report. Lets a second file
    // that belongs with this one fail before either is placed.
    bool flushToDisk();
    // Puts the written file under path, which lies in the folder given to begin. With replace,
    // an existing entry is replaced in one step (a symbolic link itself, never the file it
    // points to); without, an existing name gives NameTaken and another name may be tried.
    // Failed sets errorString().
    Placed place(const QString &path, bool replace);

    bool isSequential() const override { return true; }

protected:
    qint64 readData(char *, qint64) override { return -1; }
    qint64 writeData(const char *data, qint64 size) override;

private:
    bool flushBuffer();
    void writeAll(const char *data, qint64 size);
    bool fail(int error);
    Placed failed(int error);
    Placed placeUnnamed(const QByteArray &name, bool replace);
    Placed placeNamed(const QByteArray &name, bool replace);
    QByteArray hiddenName(const QByteArray &folder) const;
    void discard();

    int descriptor = -1;
    Method method = Method::Automatic;
    QByteArray folder;
    // The hidden file's name while it has one.
    QByteArray temporary;
    QByteArray buffer;
    // The first error of the file system, errno's value; 0 while none came.
    int writeError = 0;
};

// Keeps the file size limit (ulimit -f) from killing the program: a write beyond it then fails
// with "File too large", which every write of the program checks and reports.
void ignoreFileSizeSignal();
