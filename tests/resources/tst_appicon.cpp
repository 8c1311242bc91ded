#include "app/applicationidentity.h"
#include "appicondesign.h"
#include "appiconsizes.h"

#include <QFile>
#include <QGuiApplication>
#include <QSettings>
#include <QXmlStreamReader>
#include <QtTest>

// The application icon: the pictures and the SVG in resources/appicon are what the design draws
// today, and the program carries every size.
class AppIconTest : public QObject
{
    Q_OBJECT

private slots:
    void picturesMatchTheDesign_data();
    void picturesMatchTheDesign();
    void svgMatchesTheDesign();
    void programCarriesEverySize();
    void identityMatchesDesktopEntry();
};

namespace {

QString resourceFolder()
{
    return qEnvironmentVariable("ORVIX_SOURCE_DIR") + QStringLiteral("/resources/appicon/");
}

// The largest difference of any channel of any pixel.
int largestDifference(const QImage &a, const QImage &b)
{
    int largest = 0;
    for (int y = 0; y < a.height(); ++y)
        for (int x = 0; x < a.width(); ++x) {
            const QRgb p = a.pixel(x, y), q = b.pixel(x, y);
            largest =
                std::max({largest, std::abs(qRed(p) - qRed(q)), std::abs(qGreen(p) - qGreen(q)),
                          std::abs(qBlue(p) - qBlue(q)), std::abs(qAlpha(p) - qAlpha(q))});
        }
    return largest;
}

} // namespace

void AppIconTest::picturesMatchTheDesign_data()
{
    QTest::addColumn<int>("size");
    for (int size : appicon::pictureSizes)
        QTest::addRow("%d pixels", size) << size;
}

void AppIconTest::picturesMatchTheDesign()
{
    QFETCH(int, size);

    const QImage stored = QImage(resourceFolder() + QStringLiteral("orvix-%1.png").arg(size))
                              .convertToFormat(QImage::Format_ARGB32);
    QCOMPARE(stored.size(), QSize(size, size));
    // Redraw with tools/appicon's orvix-draw-app-icon when this fails after a design change.
    QVERIFY(largestDifference(stored, appicon::drawIcon(size)) <= 2);
    // Transparent corners around an opaque globe.
    QCOMPARE(qAlpha(stored.pixel(0, 0)), 0);
    QCOMPARE(qAlpha(stored.pixel(size - 1, 0)), 0);
    QCOMPARE(qAlpha(stored.pixel(size / 2, size * 100 / 256)), 255);
}

void AppIconTest::svgMatchesTheDesign()
{
    QFile file(resourceFolder() + QStringLiteral("orvix.svg"));
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QByteArray stored = file.readAll();
    QCOMPARE(QString::fromUtf8(stored), appicon::svgDocument());

    QXmlStreamReader reader(stored);
    int elements = 0;
    while (!reader.atEnd()) {
        if (reader.readNext() == QXmlStreamReader::StartElement) {
            if (elements++ == 0) {
                QCOMPARE(reader.name().toString(), QStringLiteral("svg"));
                QCOMPARE(reader.attributes().value("viewBox").toString(),
                         QStringLiteral("0 0 256 256"));
            }
        }
    }
    QVERIFY2(!reader.hasError(), qPrintable(reader.errorString()));
    QVERIFY(elements > 20);
}

void AppIconTest::programCarriesEverySize()
{
    const QIcon icon = applicationIcon();
    QList<int> sizes;
    for (const QSize &size : icon.availableSizes()) {
        QCOMPARE(size.width(), size.height());
        sizes << size.width();
    }
    std::sort(sizes.begin(), sizes.end());
    QCOMPARE(sizes, QList<int>(appicon::pictureSizes.begin(), appicon::pictureSizes.end()));
}

void AppIconTest::identityMatchesDesktopEntry()
{
    applyApplicationIdentity();
    QCOMPARE(QCoreApplication::applicationName(), QStringLiteral("orvix"));
    QCOMPARE(QGuiApplication::desktopFileName(), QStringLiteral("orvix"));
    QCOMPARE(QGuiApplication::windowIcon().availableSizes().size(),
             int(appicon::pictureSizes.size()));

    // The desktop finds the entry by the desktop file name, and the icon by the entry's Icon.
    const QString entryPath = qEnvironmentVariable("ORVIX_SOURCE_DIR") +
                              QStringLiteral("/resources/") + QGuiApplication::desktopFileName() +
                              QStringLiteral(".desktop");
    QSettings entry(entryPath, QSettings::IniFormat);
    entry.beginGroup(QStringLiteral("Desktop Entry"));
    QCOMPARE(entry.value(QStringLiteral("Icon")).toString(), QGuiApplication::desktopFileName());
    QCOMPARE(entry.value(QStringLiteral("StartupWMClass")).toString(),
             QCoreApplication::applicationName());
    QVERIFY(QFile::exists(resourceFolder() + QGuiApplication::desktopFileName() + ".svg"));
}

QTEST_MAIN(AppIconTest)
#include "tst_appicon.moc"
