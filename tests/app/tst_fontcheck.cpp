#include "fontcheck.h"
#include "windowtesting.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QFile>
#include <QFontDatabase>
#include <QGroupBox>
#include <QLabel>
#include <QTemporaryDir>
#include <QVBoxLayout>
#include <QtTest>

// The warning about texts that no installed font can draw. The process sees only an empty
// font folder, so whatever the machine has installed, no font has Japanese glyphs until the
// last test adds one.
class TestFontCheck : public QObject
{
    Q_OBJECT

private slots:
    void warnsWhenJapaneseIsShown_data();
    void warnsWhenJapaneseIsShown();
    void builtInTextsWarnEnglishTextsDoNot();
    void silentOnceAJapaneseFontIsInstalled();

private:
    QTemporaryDir folder;
};

void TestFontCheck::warnsWhenJapaneseIsShown_data()
{
    QTest::addColumn<QStringList>("texts");
    QTest::addColumn<bool>("warns");
    // Title, label, check box, group box, action.
    const QString e = QStringLiteral("Stop");
    QTest::newRow("kanji in the title") << QStringList{"中止", e, e, e, e} << true;
    QTest::newRow("kana in a label") << QStringList{e, "ファイル", e, e, e} << true;
    QTest::newRow("hiragana on a check box") << QStringList{e, e, "します", e, e} << true;
    QTest::newRow("kanji in a group box title") << QStringList{e, e, e, "出力", e} << true;
    QTest::newRow("kanji in an action") << QStringList{e, e, e, e, "変換"} << true;
    QTest::newRow("English and symbols only")
        << QStringList{"Map × 2", "10 °", "Save…", "Ä", e} << false;
}

void TestFontCheck::warnsWhenJapaneseIsShown()
{
    QFETCH(QStringList, texts);
    QFETCH(bool, warns);

    QWidget window;
    window.setWindowTitle(texts[0]);
    auto *layout = new QVBoxLayout(&window);
    layout->addWidget(new QLabel(texts[1]));
    layout->addWidget(new QCheckBox(texts[2]));
    layout->addWidget(new QGroupBox(texts[3]));
    window.addAction(new QAction(texts[4], &window));

    const QString warning = missingJapaneseFontWarning(shownTexts(window));
    QCOMPARE(!warning.isEmpty(), warns);
}

void TestFontCheck::builtInTextsWarnEnglishTextsDoNot()
{
    auto builtIn = windowtesting::makeWindow(folder.path());
    const QString warning =
        missingJapaneseFontWarning(builtIn->texts.values() + shownTexts(*builtIn));
    // One line with both remedies.
    QCOMPARE(warning.count('\n'), 1);
    QVERIFY(warning.endsWith('\n'));
    QVERIFY2(warning.contains("fonts-ipafont-gothic"), qPrintable(warning));
    QVERIFY2(warning.contains("orvix_lang.ini"), qPrintable(warning));

    QVERIFY(
        QFile::copy(qEnvironmentVariable("ORVIX_SOURCE_DIR") + "/resources/lang/en/orvix_lang.ini",
                    folder.filePath("orvix_lang.ini")));
    auto english = windowtesting::makeWindow(folder.path());
    QCOMPARE(missingJapaneseFontWarning(english->texts.values() + shownTexts(*english)), QString());
}

void TestFontCheck::silentOnceAJapaneseFontIsInstalled()
{
    // Debian's link to the preferred Japanese gothic font, and the two usual packages' files.
    const QStringList candidates{"/usr/share/fonts/truetype/fonts-japanese-gothic.ttf",
                                 "/usr/share/fonts/opentype/ipafont-gothic/ipag.ttf",
                                 "/usr/share/fonts/opentype/noto/NotoSansCJK-Regular.ttc"};
    int added = -1;
    for (const QString &font : candidates) {
        if (added < 0 && QFile::exists(font))
            added = QFontDatabase::addApplicationFont(font);
    }
    if (added < 0)
        QSKIP("no Japanese font on this machine to add");
    QFile::remove(folder.filePath("orvix_lang.ini"));
    auto builtIn = windowtesting::makeWindow(folder.path());
    QCOMPARE(missingJapaneseFontWarning(builtIn->texts.values() + shownTexts(*builtIn)), QString());
}

int main(int argc, char *argv[])
{
    QTemporaryDir fonts;
    QFile config(fonts.filePath("fonts.conf"));
    if (!fonts.isValid() || !config.open(QIODevice::WriteOnly))
        return 1;
    config.write(QStringLiteral("<?xml version=\"1.0\"?><fontconfig><dir>%1</dir>"
                                "<cachedir>%1/cache</cachedir></fontconfig>\n")
                     .arg(fonts.path())
                     .toUtf8());
    config.close();
    qputenv("FONTCONFIG_FILE", QFile::encodeName(config.fileName()));
    QApplication app(argc, argv);
    TestFontCheck test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_fontcheck.moc"
