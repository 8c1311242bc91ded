#pragma once

#include <QString>
#include <QTimer>

#include <cstddef>
#include <cstdint>

// What every fuzz target shares: the application object, files that hold one input, and
// answers to the modal dialogs that the program's own code paths open.
namespace fuzzing {

// Creates the application object once, on the offscreen platform, with Qt's debug
// and warning output silenced so that the fuzzer's log stays readable.
void startApplication();

// A path in this process's scratch folder.
QString scratchPath(const QString &name);

// A file that exists while this object lives. Every instance gets a name never used before
// in the process: the settings reader caches parsed files by path, size and modification
// time, so rewriting one name within the same millisecond could be read as the old content.
class ScratchFile
{
public:
    explicit ScratchFile(const QString &suffix);
    ScratchFile(const QString &suffix, const uint8_t *data, size_t size);
    ~ScratchFile();
    ScratchFile(const ScratchFile &) = delete;
    ScratchFile &operator=(const ScratchFile &) = delete;

    const QString &path() const { return filePath; }

private:
    QString filePath;
};

// A small picture file (PNG, 160 x 120) that the main window targets open so that the
// selection circle is drawn onto something.
QString smallPicturePath();

// While it lives, rejects every modal dialog or message box as soon as its event loop runs,
// so that a command which opens one returns instead of waiting for a user.
class ModalRejecter
{
public:
    ModalRejecter();
    ModalRejecter(const ModalRejecter &) = delete;
    ModalRejecter &operator=(const ModalRejecter &) = delete;

private:
    QTimer poll;
};

// Reports a broken promise of the program: prints why and aborts, which libFuzzer records as
// a crash together with the input.
[[noreturn]] void fail(const char *why);

} // namespace fuzzing
