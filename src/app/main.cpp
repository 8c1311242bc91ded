#include "commandline.h"
#include "mainwindow.h"
#include "programpaths.h"

#include <QApplication>

int main(int argc, char *argv[])
{
    // Must be set before the application object exists.
    QCoreApplication::setAttribute(Qt::AA_EnableHighDpiScaling);
    QApplication app(argc, argv);

    const int exitCode = [&] {
        MainWindow window;
        const ProgramPaths paths = programPathsFor(QCoreApplication::arguments().value(0));
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
