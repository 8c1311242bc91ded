#include "app/fontcheck.h"
#include "windowtesting.h"

#include <QFontDatabase>
#include <QTemporaryDir>
#include <QtTest>

// The warning about texts that no installed font can draw. Fontconfig is given no font folder
// (CMake sets FONTCONFIG_FILE), so whatever the machine has, no font has Japanese glyphs until
// the test adds one.
class TestFontCheck : public QObject
{
    Q_OBJECT

private slots:
    void warnsUntilAJapaneseFontIsThere();
};

void TestFontCheck::warnsUntilAJapaneseFontIsThere()
{
    QTemporaryDir folder;
    auto window = windowtesting::makeWindow(folder.path());
    const QStringList builtIn = window->texts.values() + shownTexts(*window);
    const QString warning = missingJapaneseFontWarning(builtIn);
    QCOMPARE(warning.count('\n'), 1);
    QVERIFY(warning.contains("fonts-ipafont-gothic") && warning.contains("orvix_lang.ini"));
    QCOMPARE(missingJapaneseFontWarning({"Save…", "× 2", "10 °"}), QString());

    // Debian's link to the preferred Japanese gothic font.
    if (QFontDatabase::addApplicationFont("/usr/share/fonts/truetype/fonts-japanese-gothic.ttf") <
        0)
        QSKIP("no Japanese font on this machine");
    QCOMPARE(missingJapaneseFontWarning(builtIn), QString());
}

QTEST_MAIN(TestFontCheck)
#include "tst_fontcheck.moc"
