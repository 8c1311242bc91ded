#include "languagetesting.h"
#include "mainwindow/mainwindow.h"
#include "preview/previewwindow.h"
#include "testfiles.h"
#include "windowdriver.h"
#include "windowtesting.h"

#include "app/languagereader.h"
#include "app/programversion.h"

#include <QDirIterator>
#include <QTemporaryDir>
#include <QtTest>

using windowdriver::formOf;

// The main window's texts: built-in texts without a language file, the reader's quoting rules,
// section isolation and the version suffix of the title.
class LanguageTest : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void builtInTexts();
    void builtInMessageTexts_data();
    void builtInMessageTexts();
    void widgetKeys_data();
    void widgetKeys();
    void fileValues_data();
    void fileValues();
    void keysOfOtherSectionsAreIgnored();
    void messageUsesFileText();
    void languageFileIsNeverWritten();
    void textsReadAsWritten_data();
    void textsReadAsWritten();

private:
    QString languagePath() const { return folder.filePath(QStringLiteral("orvix_lang.ini")); }
    void writeLanguage(const QByteArray &content);
    // What the named text shows: a text-table key, a widget, a menu, an action or a title.
    static QString shownText(MainWindow &window, const QString &where);

    QTemporaryDir folder;
    std::unique_ptr<ModalAnswerer> safetyNet;
};

void LanguageTest::init()
{
    safetyNet = std::make_unique<ModalAnswerer>();
    QFile::remove(languagePath());
}

void LanguageTest::cleanup()
{
    QVERIFY2(safetyNet->sawNothing(), "an unexpected modal box or dialog was shown");
    safetyNet.reset();
}

void LanguageTest::writeLanguage(const QByteArray &content)
{
    QVERIFY(writeBytes(languagePath(), content));
}

QString LanguageTest::shownText(MainWindow &window, const QString &where)
{
    if (where == QLatin1String("window title"))
        return window.windowTitle();
    if (where == QLatin1String("preview title"))
        return window.previewWindow->windowTitle();
    if (where.startsWith(QLatin1String("texts:")))
        return window.texts.value(where.mid(6));
    if (where == QLatin1String("Qt's Yes"))
        return QMessageBox(QMessageBox::Warning, "", "", QMessageBox::Yes, &window)
            .button(QMessageBox::Yes)
            ->text();
    return widgetText(window, where);
}

void LanguageTest::builtInTexts()
{
    auto window = windowtesting::makeWindow(folder.path());
    QCOMPARE(window->windowTitle(),
             QStringLiteral("Kyuvia 画像変換ツール ") + QLatin1String(programVersion));
    QCOMPARE(window->previewWindow->windowTitle(),
             QStringLiteral("Kyuvia 画像変換ツール（プレビュー）"));
    for (const char *key : {"title",
                            "file_filter",
                            "open_file",
                            "open_error",
                            "overwrite_question",
                            "saved_file",
                            "inifile_filter",
                            "save_inifile",
                            "save_inifile_title",
                            "load_inifile",
                            "batch_btn_stop",
                            "batch_success",
                            "batch_fail1",
                            "batch_fail2",
                            "batch_fail3",
                            "save_image_filter",
                            "save_image_title",
                            "preview_window_title",
                            "save_error",
                            "convert_error"})
        QVERIFY2(!window->texts.value(QString::fromLatin1(key)).isEmpty(), key);
    QCOMPARE(window->texts.value("title"), QStringLiteral("Kyuvia 画像変換ツール"));
    QCOMPARE(window->texts.value("open_error"), QStringLiteral(" は開けませんでした"));
    QCOMPARE(window->texts.value("batch_fail1"),
             QStringLiteral("複数画像ファイル変換は失敗しました\n("));
    QCOMPARE(window->texts.value("batch_fail2"), QStringLiteral("個成功, "));
    QCOMPARE(window->texts.value("save_image_filter"), QStringLiteral("画像ファイル (*."));
    QCOMPARE(window->texts.value("save_error"), QStringLiteral(" へ保存できませんでした"));
    QCOMPARE(window->texts.value("convert_error"), QStringLiteral(" は画像変換できませんでした"));
    QCOMPARE(formOf(*window).menuView->title(), QStringLiteral("表示"));
    QCOMPARE(formOf(*window).btnBrowse->text(), QStringLiteral("参照"));
}

void LanguageTest::builtInMessageTexts_data()
{
    QTest::addColumn<QString>("key");
    QTest::addColumn<QString>("text");

    const char *const table[][2] = {
        {"title", "Kyuvia 画像変換ツール"},
        {"file_filter", "画像ファイル (*.gif *.png *.jpg)"},
        {"open_file", "表示したい画像ファイルを選択して下さい"},
        {"open_error", " は開けませんでした"},
        {"overwrite_question", " は既にファイルが存在します。\nファイルを上書きしますか？\n"
                               "（上書する前のファイルには戻せません）"},
        {"saved_file", " へ保存されました"},
        {"inifile_filter", "選択範囲 (*.ini)"},
        {"save_inifile", "中心点、半径をファイルへ保存します、ファイル名を指定して下さい"},
        {"save_inifile_title", "中心点、半径の保存"},
        {"load_inifile", "中心点、半径をファイルから読込ます、ファイル名を指定して下さい"},
        {"batch_btn_stop", "中止"},
        {"batch_success", "複数画像ファイル変換が終了しました"},
        {"batch_fail1", "複数画像ファイル変換は失敗しました\n("},
        {"batch_fail2", "個成功, "},
        {"batch_fail3", "個失敗)"},
        {"save_image_filter", "画像ファイル (*."},
        {"save_image_title", "画像変換後のファイル名を指定して下さい"},
        {"preview_window_title", "Kyuvia 画像変換ツール（プレビュー）"},
    };
    for (const auto &row : table)
        QTest::newRow(row[0]) << QString::fromLatin1(row[0]) << QString::fromUtf8(row[1]);
}

void LanguageTest::builtInMessageTexts()
{
    QFETCH(QString, key);
    QFETCH(QString, text);

    // An empty value in the file stores the built-in text as well.
    writeLanguage("[main]\n" + key.toLatin1() + "=\n");
    auto window = windowtesting::makeWindow(folder.path());
    QCOMPARE(window->texts.value(key), text);
}

void LanguageTest::widgetKeys_data()
{
    QTest::addColumn<QString>("key");
    QTest::addColumn<QString>("where");

    const char *const table[][2] = {
        {"lbl_1", "label_1"},
        {"lbl_2", "label_2"},
        {"lbl_3", "label_3"},
        {"lbl_4", "label_4"},
        {"lbl_4_2", "label_4_2"},
        {"btn_open", "btnImageRead"},
        {"btn_preview", "btnPreview"},
        {"lbl_center", "label_center"},
        {"lbl_radius", "label_radius"},
        {"btn_conv", "btnConvert"},
        {"btn_browse", "btnBrowse"},
        {"menu_file", "menuFile"},
        {"menu_show", "menuView"},
        {"cmd_load_param", "actionLoad_Param"},
        {"cmd_save_param", "actionSave_Param"},
        {"cmd_reset_param", "actionParam_Reset"},
        {"cmd_batch_conv", "actionBatch_Convert"},
        {"cmd_setting", "actionSetting"},
        {"cmd_preview_window", "actionPreview_Window"},
        {"cmd_auto_preview", "actionAuto_Preview"},
        {"cmd_auto_size", "actionAuto_Size"},
    };
    for (const auto &row : table)
        QTest::newRow(row[0]) << QString::fromLatin1(row[0]) << QString::fromLatin1(row[1]);
}

void LanguageTest::widgetKeys()
{
    QFETCH(QString, key);
    QFETCH(QString, where);

    // Every key carries its own name, so a key that reaches the wrong widget shows.
    static const QStringList keys{"lbl_1",
                                  "lbl_2",
                                  "lbl_3",
                                  "lbl_4",
                                  "lbl_4_2",
                                  "btn_open",
                                  "btn_preview",
                                  "lbl_center",
                                  "lbl_radius",
                                  "btn_conv",
                                  "btn_browse",
                                  "menu_file",
                                  "menu_show",
                                  "cmd_load_param",
                                  "cmd_save_param",
                                  "cmd_reset_param",
                                  "cmd_batch_conv",
                                  "cmd_setting",
                                  "cmd_preview_window",
                                  "cmd_auto_preview",
                                  "cmd_auto_size"};
    QByteArray content("[main]\n");
    for (const QString &each : keys)
        content += each.toLatin1() + "=text of " + each.toLatin1() + "\n";
    writeLanguage(content);
    auto window = windowtesting::makeWindow(folder.path());
    QCOMPARE(shownText(*window, where), QStringLiteral("text of ") + key);
}

void LanguageTest::fileValues_data()
{
    QTest::addColumn<QByteArray>("line");
    QTest::addColumn<QString>("where");
    QTest::addColumn<QString>("shown");

    QTest::newRow("label") << QByteArray("lbl_1=Open a picture") << "label_1"
                           << "Open a picture";
    QTest::newRow("Japanese value") << QByteArray("lbl_4_2=出力ファイル") << "label_4_2"
                                    << "出力ファイル";
    QTest::newRow("escaped line break") << QByteArray("lbl_2=one\\ntwo") << "label_2"
                                        << "one\ntwo";
    QTest::newRow("button") << QByteArray("btn_conv=Convert") << "btnConvert"
                            << "Convert";
    QTest::newRow("menu") << QByteArray("menu_show=View") << "menuView"
                          << "View";
    QTest::newRow("action") << QByteArray("cmd_auto_size=Fit") << "actionAuto_Size"
                            << "Fit";
    QTest::newRow("empty widget value") << QByteArray("btn_open=") << "btnImageRead"
                                        << "開く";
    QTest::newRow("empty text value") << QByteArray("open_file=") << "texts:open_file"
                                      << "表示したい画像ファイルを選択して下さい";
    QTest::newRow("title keeps the version")
        << QByteArray("title=Globe tool") << "window title"
        << QStringLiteral("Globe tool ") + QLatin1String(programVersion);
    QTest::newRow("title of blanks") << QByteArray("title=\"  \"") << "window title"
                                     << QStringLiteral("   ") + QLatin1String(programVersion);
    QTest::newRow("preview title") << QByteArray("preview_window_title=Preview") << "preview title"
                                   << "Preview";
    QTest::newRow("unquoted leading blank")
        << QByteArray("open_error= failed") << "texts:open_error"
        << "failed";
    QTest::newRow("quoted leading blank")
        << QByteArray("open_error=\" failed\"") << "texts:open_error"
        << " failed";
    QTest::newRow("unquoted comma") << QByteArray("batch_fail2=ok, ") << "texts:batch_fail2"
                                    << "個成功, ";
    QTest::newRow("quoted comma") << QByteArray("batch_fail2=\"ok, \"") << "texts:batch_fail2"
                                  << "ok, ";
    QTest::newRow("widget value with a comma") << QByteArray("lbl_center=x, y") << "label_center"
                                               << "中心点 (横, 縦)";
    QTest::newRow("write failure text")
        << QByteArray("save_error=\" not saved\"") << "texts:save_error"
        << " not saved";
    // Qt's own buttons follow the language the file names, Japanese without one; in this order
    // a translation left over from the window before would show.
    QTest::newRow("Qt's texts in Japanese") << QByteArray("lbl_1=A") << "Qt's Yes"
                                            << "はい(&Y)";
    QTest::newRow("Qt's texts in English") << QByteArray("language=en") << "Qt's Yes"
                                           << "&Yes";
    QTest::newRow("no Qt translation") << QByteArray("language=xx") << "Qt's Yes"
                                       << "&Yes";
}

void LanguageTest::fileValues()
{
    QFETCH(QByteArray, line);
    QFETCH(QString, where);
    QFETCH(QString, shown);

    writeLanguage("[main]\n" + line + "\n");
    auto window = windowtesting::makeWindow(folder.path());
    if (shown == "はい(&Y)" &&
        !QFile::exists(QLibraryInfo::location(QLibraryInfo::TranslationsPath) + "/qtbase_ja.qm"))
        QSKIP("Qt's Japanese translation is not installed (Debian: qttranslations5-l10n)");
    QCOMPARE(shownText(*window, where), shown);
}

void LanguageTest::keysOfOtherSectionsAreIgnored()
{
    writeLanguage("[config]\nlbl_1=Other\ntitle=Options\n[batch_convert]\nbtn_conv=Run\n"
                  "[main]\nlbl_3=Mine\n");
    auto window = windowtesting::makeWindow(folder.path());
    QCOMPARE(formOf(*window).label_1->text(), QStringLiteral("1) 画像を開く"));
    QCOMPARE(formOf(*window).btnConvert->text(), QStringLiteral("画像変換"));
    QCOMPARE(window->windowTitle(),
             QStringLiteral("Kyuvia 画像変換ツール ") + QLatin1String(programVersion));
    QCOMPARE(formOf(*window).label_3->text(), QStringLiteral("Mine"));
}

void LanguageTest::messageUsesFileText()
{
    writeLanguage("[main]\nbtn_open=Open\nopen_error= cannot be opened\n");
    auto window = windowtesting::makeWindow(folder.path());
    window->loadFileName = folder.filePath(QStringLiteral("missing.png"));
    ModalAnswerer answerer;
    window->openImage();
    QCOMPARE(answerer.boxes.size(), 1);
    QCOMPARE(answerer.boxes[0].title, QStringLiteral("Open"));
    // The unquoted value lost its leading blank.
    QCOMPARE(answerer.boxes[0].text, folder.filePath("missing.png") + "cannot be opened");
}

void LanguageTest::languageFileIsNeverWritten()
{
    auto window = windowtesting::makeWindow(folder.path());
    window->close();
    QVERIFY(!QFile::exists(languagePath()));

    writeLanguage("[main]\nlbl_1=A\n");
    auto second = windowtesting::makeWindow(folder.path());
    // The main window reads its texts once; a later change of the file shows nowhere.
    writeLanguage("[main]\nlbl_1=B\n");
    QCOMPARE(formOf(*second).label_1->text(), QStringLiteral("A"));
    second->close();
    QFile file(languagePath());
    QVERIFY(file.open(QIODevice::ReadOnly));
    QCOMPARE(file.readAll(), QByteArray("[main]\nlbl_1=B\n"));
}

namespace {

// The text a value stands for by the file header's rules: the quotes around it dropped, \n, \"
// and \\ a line break, a quote and a backslash.
QString meantText(QString value)
{
    if (value.size() >= 2 && value.startsWith('"') && value.endsWith('"'))
        value = value.mid(1, value.size() - 2);
    return value.replace("\\\\", "\x01")
        .replace("\\n", "\n")
        .replace("\\\"", "\"")
        .replace('\x01', '\\');
}

// A text written as the header tells a translator to write it.
QString writtenValue(QString text)
{
    text.replace('\\', "\\\\").replace('"', "\\\"").replace('\n', "\\n");
    return text.contains(QRegularExpression("[,;]|^ | $")) ? '"' + text + '"' : text;
}

} // namespace

// Every line of every shipped language file, and every built-in text written as the header
// says, reads back through the program's reader as the text it stands for: no character the
// reader treats specially (";", ",", quotes, backslashes, blanks at the ends) cuts or changes it.
void LanguageTest::textsReadAsWritten_data()
{
    QTest::addColumn<QString>("file");
    QTest::addColumn<QString>("section");
    QTest::addColumn<QString>("key");
    QTest::addColumn<QString>("text");

    // The built-in texts of the main window's table, written into a file of their own.
    const QString builtIn = folder.filePath("built-in.ini");
    QString content = "[main]\n";
    const auto texts = windowtesting::makeWindow(folder.filePath("none"))->texts;
    for (auto text = texts.cbegin(); text != texts.cend(); ++text) {
        content += text.key() + '=' + writtenValue(text.value()) + '\n';
        QTest::addRow("built-in %s", qPrintable(text.key()))
            << builtIn << "main" << text.key() << text.value();
    }
    QVERIFY(writeBytes(builtIn, content.toUtf8()));
    QDirIterator shipped(qEnvironmentVariable("ORVIX_SOURCE_DIR") + "/resources/lang",
                         {"*_lang.ini"}, QDir::Files, QDirIterator::Subdirectories);
    QVERIFY2(shipped.hasNext(), "no shipped language file was found");
    while (shipped.hasNext()) {
        const QString file = shipped.next();
        QString section;
        for (const QString &line : QString::fromUtf8(readBytes(file)).split('\n')) {
            if (line.startsWith('['))
                section = line.mid(1, line.indexOf(']') - 1);
            else if (!line.isEmpty() && !line.startsWith(';'))
                QTest::addRow("%s %s/%s", qPrintable(file.section('/', -2, -2)),
                              qPrintable(section), qPrintable(line.section('=', 0, 0)))
                    << file << section << line.section('=', 0, 0)
                    << meantText(line.section('=', 1));
        }
    }
}

void LanguageTest::textsReadAsWritten()
{
    QFETCH(QString, file);
    QFETCH(QString, section);
    QFETCH(QString, key);
    QFETCH(QString, text);
    QCOMPARE(LanguageReader(file, section).value(key), text);
}

QTEST_MAIN(LanguageTest)
#include "tst_language.moc"
