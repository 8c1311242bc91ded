#include "app/mainwindowtexts.h"

#include "app/languagereader.h"

namespace {

struct BuiltInText
{
    const char *key;
    const char *text;
};

const BuiltInText builtInTexts[] = {
    {"title", "Kyuvia 画像変換ツール"},
    {"file_filter", "画像ファイル (*.gif *.png *.jpg)"},
    // The open dialog's second filter: every format the reader takes.
    {"file_filter_all", "すべての画像 (*.gif *.png *.jpg *.jpeg *.tif *.tiff *.webp)"},
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
    {"no_disk_found", "画像の中に円が見つかりませんでした。中心点、半径はそのままです"},
    // The status bar's note when "find disk when opening" found none in the opened picture.
    {"no_disk_at_opening",
     "開く時の円検出：この画像では円が見つかりませんでした。中心点、半径を指定して下さい"},
    // The closing box of a batch: the number of maps made with the batch's circle, this text,
    // then the names of their pictures.
    {"batch_no_disk", "個の画像は円が見つからなかったため、一括変換の中心点、半径で変換しました："},
    // The box after a batch whose output folder could not be opened: the folder, then this.
    {"batch_open_folder_error", " をファイルマネージャーで開けませんでした"},
    // The save dialog's filter when maps are written as TIFF (save_image_filter serves JPG and
    // PNG).
    {"save_tiff_filter", "GeoTIFF 地図 (*.tif *.tiff)"},
};

} // namespace

void storeMainWindowTexts(const LanguageReader &reader, QMap<QString, QString> &texts)
{
    for (const BuiltInText &entry : builtInTexts)
        reader.storeText(QString::fromLatin1(entry.key), QString::fromUtf8(entry.text), texts);
}
