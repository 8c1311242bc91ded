#include "batch/batchconvertdialog.h"
#include "batchtestsupport.h"
#include "buttonclick.h"
#include "languagetesting.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QDir>
#include <QFileDialog>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTemporaryDir>
#include <QtTest>

namespace {

const QString selectedText = QStringLiteral(" 個のファイルが選択されました");

template <typename T> T *child(QWidget *dialog, const char *name)
{
    T *widget = dialog->findChild<T *>(name);
    if (!widget)
        qFatal("no child %s", name);
    return widget;
}

// Accepts a file dialog after choosing the given names inside folder (several names for a
// multi-file picker).
void chooseFiles(QFileDialog *picker, const QString &folder, const QStringList &names)
{
    picker->setDirectory(folder);
    QStringList quoted;
    for (const QString &name : names)
        quoted << "\"" + name + "\"";
    picker->findChild<QLineEdit *>("fileNameEdit")->setText(quoted.join(' '));
    QMetaObject::invokeMethod(picker, "accept");
}

void chooseFolder(QFileDialog *picker, const QString &folder)
{
    picker->setDirectory(folder);
    QMetaObject::invokeMethod(picker, "accept");
}

void cancel(QFileDialog *picker)
{
    QMetaObject::invokeMethod(picker, "reject");
}

int dialogsLeft()
{
    int count = 0;
    for (QWidget *widget : QApplication::topLevelWidgets())
        count += qobject_cast<QDialog *>(widget) != nullptr;
    return count;
}

} // namespace

class TestBatchConvertDialog : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanup();
    void builtInForm();
    void formWidgets_data();
    void formWidgets();
    void languageSection();
    void languageKeys_data();
    void languageKeys();
    void countLabel_data();
    void countLabel();
    void execShowsTheMembers_data();
    void execShowsTheMembers();
    void choicesComeBack_data();
    void choicesComeBack();
    void enterActivatesClose_data();
    void enterActivatesClose();
    void pickFiles();
    void cancelledPickersChangeNothing_data();
    void cancelledPickersChangeNothing();
    void pickFolder_data();
    void pickFolder();
    void pickOutputFolder();
};

void TestBatchConvertDialog::initTestCase()
{
    // Qt's own file dialog, so the tests can fill it in on any desktop.
    QCoreApplication::setAttribute(Qt::AA_DontUseNativeDialogs);
}

void TestBatchConvertDialog::cleanup()
{
    QCOMPARE(dialogsLeft(), 0);
}

void TestBatchConvertDialog::builtInForm()
{
    QTemporaryDir dir;
    BatchConvertDialog dialog;
    dialog.langFile = dir.filePath("missing_lang.ini");
    dialog.loadLanguage();

    QCOMPARE(dialog.objectName(), QString("BatchConvertDialog"));
    QCOMPARE(dialog.size(), QSize(489, 452));
    QVERIFY(!dialog.layout());
    QCOMPARE(dialog.windowTitle(), QString("Kyuvia 画像変換ツール（複数画像ファイル変換）"));
    QCOMPARE(child<QLabel>(&dialog, "label_2")->text(),
             QString("入力ファイル\u3000（複数ファイル、又はフォルダを選択）"));
    QCOMPARE(child<QRadioButton>(&dialog, "radioFilename2")->text(),
             QString("連番ファイル：map_0, map_1, ..."));
    QCOMPARE(child<QCheckBox>(&dialog, "checkOpenFiler")->text(),
             QString("変換後、エクスプローラーで開く\u3000(Windowsのみ)"));
    QCOMPARE(child<QPushButton>(&dialog, "btnClose")->text(), QString("キャンセル"));
    QCOMPARE(child<QPushButton>(&dialog, "btnOutputFolder")->geometry(), QRect(10, 220, 111, 31));
    QCOMPARE(child<QLabel>(&dialog, "labelOutputFolder")->geometry(), QRect(110, 220, 371, 31));

    auto *headline = child<QLabel>(&dialog, "label_1");
    QCOMPARE(headline->frameShape(), QFrame::Panel);
    QCOMPARE(headline->frameShadow(), QFrame::Sunken);
    QCOMPARE(headline->alignment(), Qt::AlignCenter);

    QVERIFY(child<QCheckBox>(&dialog, "checkOverwrite")->isChecked());
    QVERIFY(child<QCheckBox>(&dialog, "checkOpenFiler")->isChecked());
    for (const char *name :
         {"radioSortType1", "radioSortType2", "radioFilename1", "radioFilename2"})
        QVERIFY2(!child<QRadioButton>(&dialog, name)->isChecked(), name);
    QCOMPARE(child<QLabel>(&dialog, "labelSelectCount")->text(), QString());

    // Creation order is the keyboard focus order.
    QStringList order;
    for (QObject *object : dialog.children())
        if (object->isWidgetType())
            order << object->objectName();
    QCOMPARE(order,
             QStringList(
                 {"btnSelectFiles",  "btnSelectFolder",  "label_2",           "label_4",
                  "btnOutputFolder", "labelSelectCount", "labelOutputFolder", "radioSortType2",
                  "label_3",         "radioSortType1",   "radioFilename1",    "label_5",
                  "radioFilename2",  "btnConvert",       "btnClose",          "label_1",
                  "checkOpenFiler",  "checkOverwrite",   "checkDetectDisk",   "checkWorldFile"}));

    // The five stored texts, and the picker's second filter of every format the reader takes.
    QCOMPARE(dialog.texts.size(), 6);
    QCOMPARE(dialog.texts.value("file_filter"), QString("画像ファイル (*.gif *.png *.jpg)"));
    QCOMPARE(dialog.texts.value("file_filter_all"),
             QString("すべての画像 (*.gif *.png *.jpg *.jpeg *.tif *.tiff *.webp)"));
    QCOMPARE(dialog.texts.value("file_selected"), selectedText);
    QCOMPARE(dialog.texts.value("output_open_title"),
             QString("変換後のファイルを保存するフォルダを選択して下さい"));
}

void TestBatchConvertDialog::formWidgets_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("className");
    QTest::addColumn<QRect>("geometry");
    QTest::addColumn<QString>("text");

    const auto row = [](const char *name, const char *className, QRect geometry,
                        const QString &text) {
        QTest::newRow(name) << name << className << geometry << text;
    };
    row("btnSelectFiles", "QPushButton", {10, 70, 111, 31}, "ファイル選択");
    row("btnSelectFolder", "QPushButton", {130, 70, 111, 31}, "フォルダ選択");
    row("label_2", "QLabel", {10, 40, 471, 31},
        "入力ファイル　（複数ファイル、又はフォルダを選択）");
    row("label_4", "QLabel", {10, 190, 211, 31}, "出力ファイル");
    row("btnOutputFolder", "QPushButton", {10, 220, 111, 31}, "フォルダ選択");
    row("labelSelectCount", "QLabel", {250, 70, 231, 31}, "");
    row("labelOutputFolder", "QLabel", {110, 220, 371, 31}, "");
    row("radioSortType2", "QRadioButton", {190, 140, 241, 31}, "更新日（降順）");
    row("label_3", "QLabel", {10, 110, 241, 31}, "入力ファイル　（処理順番を選択）");
    row("radioSortType1", "QRadioButton", {20, 140, 161, 31}, "ファイル名(昇順)");
    row("radioFilename1", "QRadioButton", {20, 290, 171, 31}, "入力ファイル名と同じ");
    row("label_5", "QLabel", {10, 260, 171, 31}, "出力ファイル名");
    row("radioFilename2", "QRadioButton", {200, 290, 261, 31}, "連番ファイル：map_0, map_1, ...");
    row("btnConvert", "QPushButton", {10, 410, 111, 31}, "画像変換開始");
    row("btnClose", "QPushButton", {390, 410, 91, 31}, "キャンセル");
    row("label_1", "QLabel", {10, 10, 471, 31}, "現在の中心点と半径で複数の画像を一括変換します");
    row("checkOpenFiler", "QCheckBox", {10, 370, 361, 21},
        "変換後、エクスプローラーで開く　(Windowsのみ)");
    row("checkOverwrite", "QCheckBox", {10, 340, 401, 20}, "出力ファイルを上書きする");
    row("checkDetectDisk", "QCheckBox", {130, 415, 251, 21}, "画像ごとに円を検出する");
    row("checkWorldFile", "QCheckBox", {230, 195, 251, 21}, "ワールドファイルも書き出す");
}

void TestBatchConvertDialog::formWidgets()
{
    QFETCH(QString, name);
    QFETCH(QString, className);
    QFETCH(QRect, geometry);
    QFETCH(QString, text);

    BatchConvertDialog dialog;
    QWidget *widget = dialog.findChild<QWidget *>(name);
    QVERIFY(widget);
    QCOMPARE(widget->parentWidget(), &dialog);
    QCOMPARE(QString(widget->metaObject()->className()), className);
    QCOMPARE(widget->geometry(), geometry);
    if (auto *label = qobject_cast<QLabel *>(widget))
        QCOMPARE(label->text(), text);
    else
        QCOMPARE(static_cast<QAbstractButton *>(widget)->text(), text);
    if (auto *radio = qobject_cast<QRadioButton *>(widget)) {
        // Each pair is one exclusive group of the dialog's own.
        QButtonGroup *group = radio->group();
        QVERIFY(group);
        QCOMPARE(group->parent(), &dialog);
        QVERIFY(group->exclusive());
        QCOMPARE(group->objectName(),
                 QString(name.startsWith("radioSort") ? "buttonGroup" : "buttonGroup_2"));
        QCOMPARE(group->buttons().size(), 2);
    }
}

void TestBatchConvertDialog::languageSection()
{
    QTemporaryDir dir;
    const QString langFile = dir.filePath("orvix_lang.ini");
    QVERIFY(writeBytes(langFile, "[main]\n"
                                 "lbl_1=Main headline\n"
                                 "[batch_convert]\n"
                                 "lbl_1=Convert many pictures\n"
                                 "title=Batch\n"
                                 "btn_convert=Start\n"
                                 "btn_cancel=\n"
                                 "chk_overwrite=Overwrite\n"
                                 "file_selected=\" files selected\"\n"
                                 "file_filter=Pictures (*.png), GIF\n"
                                 "folder_open_title=Choose a folder\n"
                                 "[config]\n"
                                 "title=Options\n"));
    BatchConvertDialog dialog;
    dialog.langFile = langFile;
    dialog.loadLanguage();

    QCOMPARE(child<QLabel>(&dialog, "label_1")->text(), QString("Convert many pictures"));
    QCOMPARE(dialog.windowTitle(), QString("Batch"));
    QCOMPARE(child<QPushButton>(&dialog, "btnConvert")->text(), QString("Start"));
    QCOMPARE(child<QPushButton>(&dialog, "btnClose")->text(), QString("キャンセル"));
    QCOMPARE(child<QCheckBox>(&dialog, "checkOverwrite")->text(), QString("Overwrite"));
    QCOMPARE(dialog.texts.value("file_selected"), QString(" files selected"));
    // An unquoted comma makes a list, which leaves the built-in text.
    QCOMPARE(dialog.texts.value("file_filter"), QString("画像ファイル (*.gif *.png *.jpg)"));
    QCOMPARE(dialog.texts.value("folder_open_title"), QString("Choose a folder"));
    QCOMPARE(dialog.texts.size(), 6);
    QVERIFY(QFile::exists(langFile));
}

// Every key of section "batch_convert": the built-in text without a language file, the
// file's text when it has one, the built-in text again when the value is empty, and never
// the text of the same key in another section.
void TestBatchConvertDialog::languageKeys_data()
{
    QTest::addColumn<QString>("key");
    QTest::addColumn<QString>("objectName");
    QTest::addColumn<QString>("builtIn");

    const auto row = [](const char *key, const char *objectName, const QString &builtIn) {
        QTest::newRow(key) << key << objectName << builtIn;
    };
    row("lbl_1", "label_1", "現在の中心点と半径で複数の画像を一括変換します");
    row("lbl_2", "label_2", "入力ファイル　（複数ファイル、又はフォルダを選択）");
    row("lbl_3", "label_3", "入力ファイル　（処理順番を選択）");
    row("lbl_4", "label_4", "出力ファイル");
    row("lbl_5", "label_5", "出力ファイル名");
    row("btn_file", "btnSelectFiles", "ファイル選択");
    row("btn_folder", "btnSelectFolder", "フォルダ選択");
    row("btn_output", "btnOutputFolder", "フォルダ選択");
    row("btn_convert", "btnConvert", "画像変換開始");
    row("btn_cancel", "btnClose", "キャンセル");
    row("btn_sort1", "radioSortType1", "ファイル名(昇順)");
    row("btn_sort2", "radioSortType2", "更新日（降順）");
    row("btn_filename1", "radioFilename1", "入力ファイル名と同じ");
    row("btn_filename2", "radioFilename2", "連番ファイル：map_0, map_1, ...");
    row("file_filter", "", "画像ファイル (*.gif *.png *.jpg)");
    row("file_open_title", "", "変換するファイルを選択して下さい");
    row("file_selected", "", " 個のファイルが選択されました");
    row("folder_open_title", "", "変換するファイルが含まれるフォルダを選択して下さい");
    row("output_open_title", "", "変換後のファイルを保存するフォルダを選択して下さい");
    row("title", "BatchConvertDialog", "Kyuvia 画像変換ツール（複数画像ファイル変換）");
    row("chk_overwrite", "checkOverwrite", "出力ファイルを上書きする");
    row("chk_open_filer", "checkOpenFiler", "変換後、エクスプローラーで開く　(Windowsのみ)");
    row("chk_detect_disk", "checkDetectDisk", "画像ごとに円を検出する");
    row("chk_world_file", "checkWorldFile", "ワールドファイルも書き出す");
    row("chk_world_file_tip", "checkWorldFile.toolTip",
        "JPG・PNG の地図の横に、GIS で地図の位置が分かるワールドファイル（.jgw・.pgw）を書き出しま"
        "す。TIFF の地図は位置をファイル内に持ちます。");
    row("chk_open_filer_tip", "checkOpenFiler.toolTip",
        "変換が終わると、出力フォルダをデスクトップのファイルマネージャー（Windows "
        "ではエクスプローラー）"
        "で開きます。Linux などでも使えます");
}

void TestBatchConvertDialog::languageKeys()
{
    QFETCH(QString, key);
    QFETCH(QString, objectName);
    QFETCH(QString, builtIn);

    const auto shownText = [&](const BatchConvertDialog &dialog) {
        return objectName.isEmpty() ? dialog.texts.value(key, "<no text>")
                                    : widgetText(dialog, objectName);
    };

    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const KeyLanguageFiles files(dir.path(), "batch_convert", key.toUtf8(), "一括 " + key.toUtf8());
    QVERIFY(files.written);

    const auto withoutFile = dialogWithLanguage<BatchConvertDialog>(files.missing);
    QCOMPARE(shownText(*withoutFile), builtIn);
    QCOMPARE(withoutFile->texts.size(), 6);
    QVERIFY(!QFile::exists(files.missing));
    QCOMPARE(shownText(*dialogWithLanguage<BatchConvertDialog>(files.filled)),
             QString("一括 " + key));
    QCOMPARE(shownText(*dialogWithLanguage<BatchConvertDialog>(files.emptied)), builtIn);
}

void TestBatchConvertDialog::countLabel_data()
{
    QTest::addColumn<int>("files");
    QTest::addColumn<QString>("label");
    QTest::newRow("three files") << 3 << "3" + selectedText;
    QTest::newRow("no files") << 0 << "0" + selectedText;
    QTest::newRow("twelve files") << 12 << "12" + selectedText;
}

void TestBatchConvertDialog::countLabel()
{
    QFETCH(int, files);
    QFETCH(QString, label);

    BatchConvertDialog dialog;
    dialog.langFile = "missing_lang.ini";
    dialog.loadLanguage();
    for (int i = 0; i < files; ++i)
        dialog.files << QString("/pictures/%1.jpg").arg(i);
    QString shown;
    ModalAnswerer script;
    script.then<BatchConvertDialog>([&](BatchConvertDialog *open) {
        shown = child<QLabel>(open, "labelSelectCount")->text();
        child<QPushButton>(open, "btnClose")->click();
    });
    dialog.exec();
    QCOMPARE(script.pending(), 0);
    QCOMPARE(shown, label);
}

void TestBatchConvertDialog::execShowsTheMembers_data()
{
    QTest::addColumn<int>("sortType");
    QTest::addColumn<int>("fileNameType");
    QTest::addColumn<bool>("overwrite");
    QTest::addColumn<bool>("openFiler");
    QTest::addColumn<QString>("checkedRadios");

    QTest::newRow("name order, input names")
        << 0 << 0 << true << true << "radioFilename1 radioSortType1";
    QTest::newRow("date order, numbered")
        << 1 << 1 << false << false << "radioFilename2 radioSortType2";
    QTest::newRow("unknown values check nothing") << 7 << -1 << true << false << "";
}

void TestBatchConvertDialog::execShowsTheMembers()
{
    QFETCH(int, sortType);
    QFETCH(int, fileNameType);
    QFETCH(bool, overwrite);
    QFETCH(bool, openFiler);
    QFETCH(QString, checkedRadios);

    BatchConvertDialog dialog;
    dialog.sortType = sortType;
    dialog.fileNameType = fileNameType;
    dialog.overwrite = overwrite;
    dialog.openFiler = openFiler;
    dialog.outputFolder = "/maps/out";
    QStringList checked;
    bool overwriteShown = false, openFilerShown = false, closeIsDefault = false;
    QString folderShown;
    ModalAnswerer script;
    script.then<BatchConvertDialog>([&](BatchConvertDialog *open) {
        for (QRadioButton *radio : open->findChildren<QRadioButton *>())
            if (radio->isChecked())
                checked << radio->objectName();
        overwriteShown = child<QCheckBox>(open, "checkOverwrite")->isChecked();
        openFilerShown = child<QCheckBox>(open, "checkOpenFiler")->isChecked();
        folderShown = child<QLabel>(open, "labelOutputFolder")->text();
        closeIsDefault = child<QPushButton>(open, "btnClose")->isDefault();
        open->close();
    });
    QCOMPARE(dialog.exec(), int(QDialog::Rejected));
    QCOMPARE(script.pending(), 0);
    checked.sort();
    QCOMPARE(checked.join(' '), checkedRadios);
    QCOMPARE(overwriteShown, overwrite);
    QCOMPARE(openFilerShown, openFiler);
    QCOMPARE(folderShown, QString("/maps/out"));
    QVERIFY(closeIsDefault);
    QVERIFY(!child<QPushButton>(&dialog, "btnConvert")->isDefault());
    // The close box stores nothing: unknown values survive.
    QCOMPARE(dialog.sortType, sortType);
    QCOMPARE(dialog.fileNameType, fileNameType);
}

void TestBatchConvertDialog::choicesComeBack_data()
{
    QTest::addColumn<QString>("clicks");
    QTest::addColumn<QString>("closeWith");
    QTest::addColumn<int>("result");
    QTest::addColumn<int>("sortType");
    QTest::addColumn<int>("fileNameType");
    QTest::addColumn<bool>("overwrite");
    QTest::addColumn<bool>("openFiler");
    QTest::addColumn<bool>("detectDisk");
    QTest::addColumn<bool>("worldFile");

    // Every row starts from sortType 0, fileNameType 0, overwrite and openFiler on, detectDisk
    // and worldFile off.
    const QString all = "radioSortType2 radioFilename2 checkOverwrite checkOpenFiler "
                        "checkDetectDisk checkWorldFile";
    QTest::newRow("convert stores")
        << all << "btnConvert" << 1 << 1 << 1 << false << false << true << true;
    QTest::newRow("close stores too")
        << all << "btnClose" << 0 << 1 << 1 << false << false << true << true;
    QTest::newRow("close box stores nothing")
        << all << "close box" << 0 << 0 << 0 << true << true << false << false;
    QTest::newRow("escape stores nothing")
        << all << "escape" << 0 << 0 << 0 << true << true << false << false;
    QTest::newRow("date order only, close")
        << "radioSortType2"
        << "btnClose" << 0 << 1 << 0 << true << true << false << false;
    QTest::newRow("back to name order")
        << "radioSortType2 radioSortType1"
        << "btnConvert" << 1 << 0 << 0 << true << true << false << false;
    QTest::newRow("world file only")
        << "checkWorldFile"
        << "btnConvert" << 1 << 0 << 0 << true << true << false << true;
}

void TestBatchConvertDialog::choicesComeBack()
{
    QFETCH(QString, clicks);
    QFETCH(QString, closeWith);
    QFETCH(int, result);
    QFETCH(int, sortType);
    QFETCH(int, fileNameType);
    QFETCH(bool, overwrite);
    QFETCH(bool, openFiler);
    QFETCH(bool, detectDisk);
    QFETCH(bool, worldFile);

    BatchConvertDialog dialog;
    dialog.sortType = 0;
    dialog.fileNameType = 0;
    dialog.overwrite = true;
    dialog.openFiler = true;
    ModalAnswerer script;
    script.then<BatchConvertDialog>([&](BatchConvertDialog *open) {
        for (const QString &name : clicks.split(' '))
            clickButton(open->findChild<QAbstractButton *>(name));
        if (closeWith == "close box")
            open->close();
        else if (closeWith == "escape")
            QTest::keyClick(open, Qt::Key_Escape);
        else
            QTest::mouseClick(child<QPushButton>(open, qPrintable(closeWith)), Qt::LeftButton);
    });
    QCOMPARE(dialog.exec(), result);
    QCOMPARE(script.pending(), 0);
    QCOMPARE(dialog.sortType, sortType);
    QCOMPARE(dialog.fileNameType, fileNameType);
    QCOMPARE(dialog.overwrite, overwrite);
    QCOMPARE(dialog.openFiler, openFiler);
    QCOMPARE(dialog.detectDisk, detectDisk);
    QCOMPARE(dialog.worldFile, worldFile);
}

void TestBatchConvertDialog::enterActivatesClose_data()
{
    QTest::addColumn<QString>("focus");
    QTest::addColumn<int>("key");
    QTest::newRow("return on a radio button") << "radioSortType2" << int(Qt::Key_Return);
    QTest::newRow("enter on a radio button") << "radioFilename2" << int(Qt::Key_Enter);
    QTest::newRow("return on a check box") << "checkOverwrite" << int(Qt::Key_Return);
}

void TestBatchConvertDialog::enterActivatesClose()
{
    QFETCH(QString, focus);
    QFETCH(int, key);

    BatchConvertDialog dialog;
    dialog.sortType = 0;
    dialog.fileNameType = 0;
    ModalAnswerer script;
    script.then<BatchConvertDialog>([&](BatchConvertDialog *open) {
        auto *target = open->findChild<QAbstractButton *>(focus);
        clickButton(target);
        target->setFocus();
        QTest::keyClick(target, Qt::Key(key));
    });
    QCOMPARE(dialog.exec(), int(QDialog::Rejected));
    QCOMPARE(script.pending(), 0);
    // The close button ran: a clicked radio button has been stored.
    if (focus == "radioSortType2")
        QCOMPARE(dialog.sortType, 1);
    if (focus == "radioFilename2")
        QCOMPARE(dialog.fileNameType, 1);
    if (focus == "checkOverwrite")
        QCOMPARE(dialog.overwrite, false);
}

void TestBatchConvertDialog::pickFiles()
{
    QTemporaryDir dir;
    const QString pictures = dir.filePath("pictures");
    QVERIFY(QDir().mkpath(pictures));
    for (const char *name : {"a.png", "b.jpg", "c.gif"})
        QVERIFY(writeBytes(pictures + "/" + name, "not read"));

    BatchConvertDialog dialog;
    dialog.langFile = dir.filePath("missing_lang.ini");
    dialog.loadLanguage();
    dialog.inputFolder = dir.path();
    dialog.files = QStringList{"/old/one.jpg"};
    QString title, startFolder, countShown;
    QStringList filters;
    QFileDialog::FileMode mode = QFileDialog::AnyFile;
    ModalAnswerer script;
    script
        .then<BatchConvertDialog>([](BatchConvertDialog *open) {
            QTest::mouseClick(child<QPushButton>(open, "btnSelectFiles"), Qt::LeftButton);
        })
        .then<QFileDialog>([&](QFileDialog *picker) {
            title = picker->windowTitle();
            filters = picker->nameFilters();
            startFolder = picker->directory().absolutePath();
            mode = picker->fileMode();
            chooseFiles(picker, pictures, {"c.gif", "a.png"});
        })
        .then<BatchConvertDialog>([&](BatchConvertDialog *open) {
            countShown = child<QLabel>(open, "labelSelectCount")->text();
            QTest::mouseClick(child<QPushButton>(open, "btnClose"), Qt::LeftButton);
        });
    QCOMPARE(dialog.exec(), int(QDialog::Rejected));
    QCOMPARE(script.pending(), 0);

    QCOMPARE(title, QString("変換するファイルを選択して下さい"));
    QCOMPARE(filters, QStringList({"画像ファイル (*.gif *.png *.jpg)",
                                   "すべての画像 (*.gif *.png *.jpg *.jpeg *.tif *.tiff *.webp)"}));
    QCOMPARE(startFolder, dir.path());
    QCOMPARE(mode, QFileDialog::ExistingFiles);
    // The picker's order, and the next picker opens where these came from.
    QCOMPARE(dialog.files, QStringList({pictures + "/c.gif", pictures + "/a.png"}));
    QCOMPARE(dialog.inputFolder, pictures);
    QCOMPARE(countShown, "2" + selectedText);
}

void TestBatchConvertDialog::cancelledPickersChangeNothing_data()
{
    QTest::addColumn<QString>("button");
    QTest::newRow("files") << "btnSelectFiles";
    QTest::newRow("input folder") << "btnSelectFolder";
    QTest::newRow("output folder") << "btnOutputFolder";
}

void TestBatchConvertDialog::cancelledPickersChangeNothing()
{
    QFETCH(QString, button);

    BatchConvertDialog dialog;
    dialog.langFile = "missing_lang.ini";
    dialog.loadLanguage();
    dialog.files = QStringList{"/in/a.jpg", "/in/b.jpg"};
    dialog.inputFolder = "/in";
    dialog.outputFolder = "/out";
    QString countShown, folderShown;
    ModalAnswerer script;
    script
        .then<BatchConvertDialog>([&](BatchConvertDialog *open) {
            QTest::mouseClick(child<QPushButton>(open, qPrintable(button)), Qt::LeftButton);
        })
        .then<QFileDialog>(cancel)
        .then<BatchConvertDialog>([&](BatchConvertDialog *open) {
            countShown = child<QLabel>(open, "labelSelectCount")->text();
            folderShown = child<QLabel>(open, "labelOutputFolder")->text();
            QTest::mouseClick(child<QPushButton>(open, "btnClose"), Qt::LeftButton);
        });
    dialog.exec();
    QCOMPARE(script.pending(), 0);
    QCOMPARE(dialog.files, QStringList({"/in/a.jpg", "/in/b.jpg"}));
    QCOMPARE(dialog.inputFolder, QString("/in"));
    QCOMPARE(dialog.outputFolder, QString("/out"));
    QCOMPARE(countShown, "2" + selectedText);
    QCOMPARE(folderShown, QString("/out"));
}

void TestBatchConvertDialog::pickFolder_data()
{
    QTest::addColumn<QStringList>("present");
    QTest::addColumn<QStringList>("taken");

    QTest::newRow("case, jpeg and a subfolder")
        << QStringList{"b.PNG", "a.jpg", "c.jpeg", "x.png/", "notes.txt"}
        << QStringList{"a.jpg", "b.PNG"};
    QTest::newRow("name order ignores case") << QStringList{"Zebra.gif", "apple.JPG", "Mango.png"}
                                             << QStringList{"apple.JPG", "Mango.png", "Zebra.gif"};
    QTest::newRow("hidden files are not taken")
        << QStringList{".hidden.png", "seen.png"} << QStringList{"seen.png"};
    QTest::newRow("no pictures") << QStringList{"readme.txt", "photo.jpeg"} << QStringList{};
}

void TestBatchConvertDialog::pickFolder()
{
    QFETCH(QStringList, present);
    QFETCH(QStringList, taken);

    QTemporaryDir dir;
    const QString folder = dir.filePath("in");
    QVERIFY(QDir().mkpath(folder));
    for (const QString &name : present) {
        if (name.endsWith('/'))
            QVERIFY(QDir(folder).mkdir(name.chopped(1)));
        else
            QVERIFY(writeBytes(folder + "/" + name, "not checked"));
    }
    BatchConvertDialog dialog;
    dialog.langFile = "missing_lang.ini";
    dialog.loadLanguage();
    dialog.files = QStringList{"/old/a.jpg"};
    dialog.inputFolder = dir.path();
    QString title, countShown;
    QFileDialog::FileMode mode = QFileDialog::AnyFile;
    ModalAnswerer script;
    script
        .then<BatchConvertDialog>([](BatchConvertDialog *open) {
            QTest::mouseClick(child<QPushButton>(open, "btnSelectFolder"), Qt::LeftButton);
        })
        .then<QFileDialog>([&](QFileDialog *picker) {
            title = picker->windowTitle();
            mode = picker->fileMode();
            chooseFolder(picker, folder);
        })
        .then<BatchConvertDialog>([&](BatchConvertDialog *open) {
            countShown = child<QLabel>(open, "labelSelectCount")->text();
            open->close();
        });
    dialog.exec();
    QCOMPARE(script.pending(), 0);

    QStringList expected;
    for (const QString &name : taken)
        expected << folder + "/" + name;
    QCOMPARE(dialog.files, expected);
    QCOMPARE(dialog.inputFolder, folder);
    QCOMPARE(countShown, QString::number(taken.size()) + selectedText);
    QCOMPARE(title, QString("変換するファイルが含まれるフォルダを選択して下さい"));
    QCOMPARE(mode, QFileDialog::Directory);
}

void TestBatchConvertDialog::pickOutputFolder()
{
    QTemporaryDir dir;
    const QString out = dir.filePath("maps");
    QVERIFY(QDir().mkpath(out));
    BatchConvertDialog dialog;
    dialog.langFile = "missing_lang.ini";
    dialog.loadLanguage();
    dialog.outputFolder = dir.path();
    QString title, startFolder, folderShown;
    ModalAnswerer script;
    script
        .then<BatchConvertDialog>([](BatchConvertDialog *open) {
            QTest::mouseClick(child<QPushButton>(open, "btnOutputFolder"), Qt::LeftButton);
        })
        .then<QFileDialog>([&](QFileDialog *picker) {
            title = picker->windowTitle();
            startFolder = picker->directory().absolutePath();
            chooseFolder(picker, out);
        })
        .then<BatchConvertDialog>([&](BatchConvertDialog *open) {
            folderShown = child<QLabel>(open, "labelOutputFolder")->text();
            open->close();
        });
    dialog.exec();
    QCOMPARE(script.pending(), 0);
    QCOMPARE(title, QString("変換後のファイルを保存するフォルダを選択して下さい"));
    QCOMPARE(startFolder, dir.path());
    QCOMPARE(dialog.outputFolder, out);
    QCOMPARE(folderShown, out);
}

QTEST_MAIN(TestBatchConvertDialog)
#include "tst_batchconvertdialog.moc"
