// The settings file: the bytes are the file that MainWindow::loadSettings reads at start-up.
// What the program does with the loaded values follows: the start-up work of a shown window
// (view switches, preview window, reopening the last picture), the circle drawn with the
// loaded pen, a small conversion, the option and batch dialogs filled from the members, and
// the save at close.
#include "fuzzsupport.h"
#include "mainwindow/mainwindow.h"

#include <QTimer>

extern "C" int LLVMFuzzerInitialize(int *, char ***)
{
    fuzzing::startApplication();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const fuzzing::ScratchFile settings(QStringLiteral("ini"), data, size);
    MainWindow window;
    window.startupTimer->stop();
    window.settingsFile = settings.path();
    window.loadSettings();

    // The last picture named in the file could be anything on this machine; a small known
    // picture stands in for it.
    window.loadFileName = fuzzing::smallPicturePath();
    window.show();
    {
        const fuzzing::ModalRejecter rejecter;
        window.startWith({QStringLiteral("orvix")});
    }
    // A right click shows a hidden circle that has a radius, so the loaded circle and pen are
    // drawn whenever the program would draw them.
    if (!window.selectionVisible)
        window.on_label_mouserightup();
    window.drawSelection();

    // Huge map sizes are refused or converted by the same code; only small ones are run here
    // so that one input stays fast.
    if (qint64(window.outputSizeX) * window.outputSizeY <= 128 * 128)
        window.convertImage();

    {
        const fuzzing::ModalRejecter rejecter;
        window.on_actionSetting_triggered();
        window.on_actionBatch_Convert_triggered();
    }

    const fuzzing::ScratchFile saved(QStringLiteral("ini"));
    window.settingsFile = saved.path();
    window.saveSettings();
    return 0;
}
