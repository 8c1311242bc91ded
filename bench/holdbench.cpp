// An arrow button held for three seconds with auto preview on, as a user holds it: how far the
// circle moves and how many preview conversions run, for maps of 2048 x 1024 and 8192 x 4096.
// Runs on the offscreen platform unless another one is chosen.

#include "engine/standard/mapconverter.h"
#include "mainwindow/mainwindow.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QImage>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <cstdio>

namespace {

int conversions = 0;

// Counts the diagnostic line that every conversion of the window writes; drops the others.
void countConversions(QtMsgType, const QMessageLogContext &, const QString &text)
{
    if (text == QLatin1String("convertImage"))
        ++conversions;
}

} // namespace

int main(int argc, char *argv[])
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    qInstallMessageHandler(countConversions);
    QTemporaryDir folder;
    QImage picture(1600, 1200, QImage::Format_RGB32);
    picture.fill(qRgb(40, 90, 160));
    const QString path = folder.filePath("globe.png");
    picture.save(path);

    std::printf("map size      held     circle moved  preview conversions\n");
    for (const QSize size : {QSize(2048, 1024), QSize(8192, 4096)}) {
        MainWindow window;
        window.startupTimer->stop();
        window.settingsFile = folder.filePath("orvix.ini");
        window.langFile = folder.filePath("orvix_lang.ini");
        window.loadLanguage();
        window.loadSettings();
        window.show();
        window.outputSizeX = size.width();
        window.outputSizeY = size.height();
        window.loadFileName = path;
        window.openImage();
        window.autoPreview = true;
        window.findChild<QPushButton *>(QStringLiteral("btnPreview"))->click();
        const int startX = window.centerX;
        conversions = 0;

        // The release comes as a user's would: as an event handled while a conversion runs.
        QElapsedTimer clock;
        qint64 held = 0;
        QPushButton *arrow = window.findChild<QPushButton *>(QStringLiteral("btnRight"));
        const auto releaseWhenDue = [&] {
            if (arrow->isDown() && clock.elapsed() >= 3000) {
                held = clock.elapsed();
                QTest::mouseRelease(arrow, Qt::LeftButton);
            }
        };
        window.mapConverter().setEventPump([&] {
            QCoreApplication::processEvents();
            releaseWhenDue();
        });
        QTest::mousePress(arrow, Qt::LeftButton);
        clock.start();
        while (arrow->isDown() || window.clickTimer->isActive()) {
            QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
            releaseWhenDue();
        }
        std::printf("%4d x %-4d  %5.2f s  %8d px  %12d\n", size.width(), size.height(),
                    held / 1000.0, window.centerX - startX, conversions);
        window.mapConverter().setEventPump({});
        window.close();
    }
    return 0;
}
