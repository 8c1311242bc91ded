#include "mosaicwindow/mosaictexts.h"

const QMap<QString, QString> &MosaicTexts::builtIn()
{
    static const QMap<QString, QString> texts{
        {"col_file", "ファイル"},
        {"col_center_x", "中心X"},
        {"col_center_y", "中心Y"},
        {"col_radius", "半径"},
        {"col_distance", "距離"},
        {"col_latitude", "緯度"},
        {"col_longitude", "経度"},
        {"col_azimuth", "方位角"},
        {"detect", "検出"},
        {"bad_value", "値が正しくありません: "},
        {"no_pictures", "画像がありません。"},
        {"no_disk", "円が見つかりませんでした: "},
        {"left_out", "使えなかった画像: "},
        {"open_failed", "モザイクファイルを開けませんでした: "},
        {"save_failed", "モザイクファイルを保存できませんでした: "},
        {"write_failed", "地図を書き出せませんでした: "},
        {"write_done", "地図を書き出しました: "},
        {"no_memory", "メモリが足りません。"},
        {"filter_pictures", "画像 (*.gif *.png *.jpg *.jpeg *.tif *.tiff *.webp)"},
        {"filter_mosaic", "モザイクファイル (*.ini)"},
        {"filter_map", "地図 (*.jpg *.png)"},
        {"add_title", "モザイクに加える画像を選択"},
        {"open_title", "モザイクファイルを開く"},
        {"save_title", "モザイクファイルを保存"},
        {"write_title", "地図の書き出し先"},
        {"message_title", "モザイク"},
        // A second filter of the map's file dialog, beside filter_map.
        {"filter_map_tiff", "GeoTIFF 地図 (*.tif *.tiff)"},
    };
    return texts;
}
