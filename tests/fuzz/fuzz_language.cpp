// The language file: the bytes are the file whose sections "main", "config" and
// "batch_convert" the main window, the option dialog and the batch dialog read their texts
// from. The dialogs are opened through the main window's commands, as the user opens them,
// and a failed picture shows the loaded error text in a message box.
#include "fuzzsupport.h"
#include "mainwindow/mainwindow.h"

extern "C" int LLVMFuzzerInitialize(int *, char ***)
{
    fuzzing::startApplication();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const fuzzing::ScratchFile language(QStringLiteral("ini"), data, size);
    MainWindow window;
    window.startupTimer->stop();
    window.langFile = language.path();
    window.loadLanguage();

    const fuzzing::ModalRejecter rejecter;
    window.on_actionSetting_triggered();
    window.on_actionBatch_Convert_triggered();
    window.loadFileName = fuzzing::scratchPath(QStringLiteral("no such picture.png"));
    window.openImage();
    return 0;
}
