#include "app/applicationidentity.h"
#include "app/commandline.h"
#include "app/displayplatform.h"
#include "app/finddiskcommand.h"
#include "app/fontcheck.h"
#include "app/mosaiccommand.h"
#include "app/programpaths.h"
#include "app/quietstartup.h"
#include "mainwindow/mainwindow.h"

#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QLoggingCategory>
#include <QStandardPaths>

#include <cstdio>
#include <optional>

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

// --help and --version print and end before the application object exists, so they work
// without a display.
static int printInformation(PrintRequest request, const char *programArgument)
{
    const QString text = request == PrintRequest::Help
                             ? helpText(QString::fromLocal8Bit(programArgument))
                             : versionText() + QLatin1Char('\n');
    std::fputs(text.toLocal8Bit().constData(), stdout);
    return std::fflush(stdout) == 0 ? 0 : 1;
}

int main(int argc, char *argv[])
{
    const PrintRequest request = printRequest(argc, argv);
    if (request != PrintRequest::None)
        return printInformation(request, argc > 0 && argv[0] ? argv[0] : "orvix");
    if (isFindDiskStart(argc, argv))
        return runFindDisk(argc, argv);
    if (isMosaicStart(argc, argv))
        return runMosaic(argc, argv);
    const bool silent = isSilentBatchStart(argc, argv);
    if (silent)
        prepareWindowlessPlatform();
    else if (prepareDisplayPlatform(argc, argv) == DisplayStart::NoDisplay)
        return reportNoDisplay();

    // A silent run's standard error carries its report, which scripts read line by line; the
    // diagnostic lines stay off unless QT_LOGGING_RULES, which takes precedence, asks for them.
    if (silent)
        QLoggingCategory::setFilterRules(QStringLiteral("orvix.diagnostics.debug=false"));
    // A silent run hands Qt the program file only: every argument after "/batch" is the
    // program's own, so a file named "-reverse" or "-platform" is converted like any other
    // instead of being taken (or refused) by Qt. Qt keeps a reference to the count.
    int qtArgumentCount = silent ? 1 : argc;
    // Must be set before the application object exists.
    QCoreApplication::setAttribute(Qt::AA_EnableHighDpiScaling);
    std::optional<QuietStartup> quiet;
    if (silent)
        quiet.emplace();
    QApplication app(qtArgumentCount, argv);
    // Before the paths: the user's configuration folder is named after the application.
    applyApplicationIdentity();

    const int exitCode = [&] {
        MainWindow window;
        window.commandLine = silent ? decodedArguments(argc, argv) : QCoreApplication::arguments();
        const ProgramPaths paths =
            programPathsFor(programFile(window.commandLine.value(0)),
                            QStandardPaths::writableLocation(QStandardPaths::AppConfigLocation));
        window.settingsFile = paths.settingsFile;
        window.langFile = paths.languageFile;
        window.loadLanguage();
        window.loadSettings();
        quiet.reset();
        if (!silent) {
            warnIfJapaneseCannotBeDrawn(window.texts.values() + shownTexts(window));
            window.show();
        }
        const int loopCode = app.exec();
        return window.batchExitCode != 0 ? window.batchExitCode : loopCode;
    }();
    return exitCode;
}
