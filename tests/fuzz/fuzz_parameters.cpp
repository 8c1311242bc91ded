// A parameter file: the bytes are the file the user picks to load a circle from, read into a
// window with a picture open. The loaded circle is then used as the program uses it: drawn,
// moved and resized with the mouse, stepped with the arrow buttons and converted.
#include "fuzzsupport.h"
#include "mainwindow/mainwindow.h"

extern "C" int LLVMFuzzerInitialize(int *, char ***)
{
    fuzzing::startApplication();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const fuzzing::ScratchFile parameters(QStringLiteral("ini"), data, size);
    MainWindow window;
    window.startupTimer->stop();
    window.loadFileName = fuzzing::smallPicturePath();
    window.openImage();

    {
        // A file the reader refuses is reported in a message box.
        const fuzzing::ModalRejecter rejecter;
        window.loadParameterFile(parameters.path());
    }
    if (!window.selectionVisible)
        window.on_label_mouserightup();
    window.drawSelection();

    // Gestures at the picture's corner and centre: hover, press, drag and release.
    for (const QPoint point : {QPoint(0, 0), QPoint(80, 60)}) {
        window.on_label_mouse_move(point.x(), point.y());
        window.on_label_mouseleftdown(point.x(), point.y());
        window.on_label_size_changing(point.x(), point.y(), 0, 0, 0, 0, point.x() + 7,
                                      point.y() + 5);
        window.on_label_mouseleftup(point.x() + 7, point.y() + 5);
    }
    window.on_btnSizeUp_clicked();
    window.on_btnLeft_clicked();
    window.on_label_mouse_move(-1, -1);

    window.outputSizeX = 64;
    window.outputSizeY = 32;
    window.convertImage();
    return 0;
}
