#include "fuzzsupport.h"

#include <QApplication>
#include <QDialog>
#include <QFile>
#include <QImage>
#include <QTemporaryDir>

#include <cstdio>
#include <cstdlib>

namespace fuzzing {

namespace {

void silentMessageHandler(QtMsgType type, const QMessageLogContext &, const QString &message)
{
    // Fatal messages still end the process, with their text, so the fuzzer reports them.
    if (type == QtFatalMsg) {
        std::fprintf(stderr, "fatal: %s\n", qPrintable(message));
        std::abort();
    }
}

QTemporaryDir &scratchFolder()
{
    static QTemporaryDir folder;
    return folder;
}

} // namespace

void startApplication()
{
    if (QCoreApplication::instance())
        return;
    qputenv("QT_QPA_PLATFORM", "offscreen");
    qInstallMessageHandler(&silentMessageHandler);
    // Qt keeps references to the argument count and list for the whole run; the
    // fuzzer's own options are not meant for it.
    static int argumentCount = 1;
    static char programName[] = "orvix-fuzz";
    static char *arguments[] = {programName, nullptr};
    // Lives until the process ends, as the application object of a program does.
    new QApplication(argumentCount, arguments);
    if (!scratchFolder().isValid())
        fail("no scratch folder");
}

QString scratchPath(const QString &name)
{
    return scratchFolder().filePath(name);
}

ScratchFile::ScratchFile(const QString &suffix)
{
    static quint64 serial = 0;
    filePath = scratchPath(QStringLiteral("file-%1.%2").arg(++serial).arg(suffix));
}

ScratchFile::ScratchFile(const QString &suffix, const uint8_t *data, size_t size)
    : ScratchFile(suffix)
{
    QFile file(filePath);
    if (!file.open(QIODevice::WriteOnly) ||
        file.write(reinterpret_cast<const char *>(data), qint64(size)) != qint64(size))
        fail("cannot write the input to the scratch folder");
}

ScratchFile::~ScratchFile()
{
    QFile::remove(filePath);
}

QString smallPicturePath()
{
    static const QString path = [] {
        const QString picturePath = scratchPath(QStringLiteral("globe.png"));
        QImage picture(160, 120, QImage::Format_RGB32);
        for (int y = 0; y < picture.height(); ++y)
            for (int x = 0; x < picture.width(); ++x)
                picture.setPixel(x, y, qRgb(x, y, (x + y) / 2));
        if (!picture.save(picturePath))
            fail("cannot write the small picture");
        return picturePath;
    }();
    return path;
}

ModalRejecter::ModalRejecter()
{
    QObject::connect(&poll, &QTimer::timeout, [] {
        if (auto *dialog = qobject_cast<QDialog *>(QApplication::activeModalWidget()))
            dialog->reject();
    });
    poll.start(0);
}

void fail(const char *why)
{
    std::fprintf(stderr, "fuzz target: %s\n", why);
    std::abort();
}

} // namespace fuzzing
