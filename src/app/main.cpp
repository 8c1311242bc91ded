#include "commandline.h"
#include "mainwindow.h"
#include "programpaths.h"

#include <QApplication>
#include <QDir>
#include <QFileInfo>

// The program file that the settings and language files lie beside: the first argument as
// typed, taken against the current folder. A bare name that the shell found through PATH names
// no file there, so the running executable's own path stands in for it; otherwise the
// settings would be read from and written to whatever folder the program was started in.
static QString programFile(const QString &firstArgument)
{
    if (QFileInfo(QDir::current().absoluteFilePath(firstArgument)).isFile())
        return firstArgument;
    return QCoreApplication::applicationFilePath();
}

int main(int argc, char *argv[])
{
    // Must be set before the application object exists.
    QCoreApplication::setAttribute(Qt::AA_EnableHighDpiScaling);
    QApplication app(argc, argv);

    const int exitCode = [&] {
        MainWindow window;
        const ProgramPaths paths =
            programPathsFor(programFile(QCoreApplication::arguments().value(0)));
        window.settingsFile = paths.settingsFile;
        window.langFile = paths.languageFile;
        window.loadLanguage();
        window.loadSettings();
        if (!isSilentBatchStart(argc, argv))
            window.show();
        const int loopCode = app.exec();
        return window.batchExitCode != 0 ? window.batchExitCode : loopCode;
    }();
    return exitCode;
}
