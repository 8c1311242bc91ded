#include "mainwindow/mainwindow.h"
#include "ui_mainwindow.h"

#include "app/languagereader.h"
#include "app/mainwindowtexts.h"
#include "app/programversion.h"
#include "app/qttranslation.h"
#include "preview/previewwindow.h"

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
        reader.applyTitle(QStringLiteral("menu_disk"), ui->menuDisk);
        reader.applyText(QStringLiteral("cmd_find_disk"), ui->actionFind_Disk);
        reader.applyText(QStringLiteral("cmd_detect_disk"), ui->actionDetect_Disk);
        reader.applyTitle(QStringLiteral("menu_mosaic"), ui->menuMosaic);
        reader.applyText(QStringLiteral("cmd_mosaic"), ui->actionMosaic);
        storeMainWindowTexts(reader, texts);
        useQtTranslation(interfaceLanguage(reader));
    }
    setWindowTitle(texts.value(QStringLiteral("title")) + QLatin1Char(' ') +
                   QLatin1String(programVersion));
    previewWindow->setWindowTitle(texts.value(QStringLiteral("preview_window_title")));
}
