#include "mainwindow.h"
#include "ui_mainwindow.h"

#include "languagereader.h"
#include "previewwindow.h"
#include "programversion.h"

namespace {

struct BuiltInText
{
    const char *key;
    const char *text;
};

// The main window's message and dialog texts, in the order they are read, after the window
// title (which is read between the widget keys).
const BuiltInText messageTexts[] = {
    {"file_filter", "画像ファイル (*.gif *.png *.jpg)"},
    {"open_file", "表示したい画像ファイルを選択して下さい"},
    {"open_error", " は開けませんでした"},
    {"overwrite_question",
     " は既にファイルが存在します。\nファイルを上書きしますか？\n（上書する前の"
     "ファイルには戻せません）"},
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
    // A map that could not be written: the target path, this text, then the reason.
    {"save_error", " へ保存できませんでした"},
    // A conversion the engine refused: the picture's path, this text, then the reason.
    {"convert_error", " は画像変換できませんでした"},
    {"batch_no_output", "出力フォルダが選択されていません。\n出力フォルダを選択して下さい"},
};

} // namespace

void MainWindow::loadLanguage()
{
    {
        const LanguageReader reader(langFile, QStringLiteral("main"));
        reader.applyText(QStringLiteral("lbl_1"), ui->label_1);
        reader.applyText(QStringLiteral("lbl_2"), ui->label_2);
        reader.applyText(QStringLiteral("lbl_3"), ui->label_3);
        reader.applyText(QStringLiteral("lbl_4"), ui->label_4);
        reader.applyText(QStringLiteral("lbl_4_2"), ui->label_4_2);
        reader.applyText(QStringLiteral("btn_open"), ui->btnImageRead);
        reader.applyText(QStringLiteral("btn_preview"), ui->btnPreview);
        reader.applyText(QStringLiteral("lbl_center"), ui->label_center);
        reader.applyText(QStringLiteral("lbl_radius"), ui->label_radius);
        reader.applyText(QStringLiteral("btn_conv"), ui->btnConvert);
        reader.applyText(QStringLiteral("btn_browse"), ui->btnBrowse);
        reader.storeText(QStringLiteral("title"), QStringLiteral("Kyuvia 画像変換ツール"), texts);
        reader.applyTitle(QStringLiteral("menu_file"), ui->menuFile);
        reader.applyTitle(QStringLiteral("menu_show"), ui->menuView);
        reader.applyText(QStringLiteral("cmd_load_param"), ui->actionLoad_Param);
        reader.applyText(QStringLiteral("cmd_save_param"), ui->actionSave_Param);
        reader.applyText(QStringLiteral("cmd_reset_param"), ui->actionParam_Reset);
        reader.applyText(QStringLiteral("cmd_batch_conv"), ui->actionBatch_Convert);
        reader.applyText(QStringLiteral("cmd_setting"), ui->actionSetting);
        reader.applyText(QStringLiteral("cmd_preview_window"), ui->actionPreview_Window);
        reader.applyText(QStringLiteral("cmd_auto_preview"), ui->actionAuto_Preview);
        reader.applyText(QStringLiteral("cmd_auto_size"), ui->actionAuto_Size);
        for (const BuiltInText &entry : messageTexts)
            reader.storeText(QString::fromLatin1(entry.key), QString::fromUtf8(entry.text), texts);
    }
    setWindowTitle(texts.value(QStringLiteral("title")) + QLatin1Char(' ') +
                   QLatin1String(programVersion));
    previewWindow->setWindowTitle(texts.value(QStringLiteral("preview_window_title")));
}
