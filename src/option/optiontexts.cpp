#include "option/option.h"

#include "app/languagereader.h"
#include "option/optiontexts.h"
#include "ui_option.h"

namespace {

// A list entry keeps its built-in text unless the file holds a non-empty value for its key.
void applyItemText(const LanguageReader &reader, const QString &key, QComboBox *list, int index)
{
    const QString text = reader.value(key);
    if (!text.isEmpty())
        list->setItemText(index, text);
}

} // namespace

void Option::loadLanguage()
{
    const LanguageReader reader(langFile, QStringLiteral("config"));
    reader.applyText(QStringLiteral("lbl_1"), ui->label_1);
    reader.applyText(QStringLiteral("lbl_1_2"), ui->label_1_2);
    reader.applyText(QStringLiteral("lbl_2"), ui->label_2);
    reader.applyText(QStringLiteral("lbl_3"), ui->label_3);
    reader.applyText(QStringLiteral("lbl_3_2"), ui->label_3_2);
    reader.applyText(QStringLiteral("lbl_4"), ui->label_4);
    reader.applyText(QStringLiteral("lbl_4_2"), ui->label_4_2);
    reader.applyText(QStringLiteral("lbl_5"), ui->label_5);
    reader.applyText(QStringLiteral("lbl_5_2"), ui->label_5_2);
    reader.applyText(QStringLiteral("lbl_5_3"), ui->label_5_3);
    reader.applyText(QStringLiteral("lbl_mode"), ui->labelMode);
    applyItemText(reader, QStringLiteral("mode_standard"), ui->cbMode, 0);
    applyItemText(reader, QStringLiteral("mode_precise"), ui->cbMode, 1);
    // Only the third format has a text of the language; JPG and PNG are the same everywhere.
    applyItemText(reader, QStringLiteral("format_tiff"), ui->cbFormat, 2);
    reader.applyText(QStringLiteral("btn_default"), ui->btnDefault);
    reader.applyText(QStringLiteral("btn_cancel"), ui->btnCancel);
    reader.applyWindowTitle(QStringLiteral("title"), this);
    reader.storeText(OptionTexts::errorMessageKey, OptionTexts::builtInErrorMessage(), texts);
}
