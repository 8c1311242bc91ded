#include "app/fontcheck.h"

#include <QAbstractButton>
#include <QAction>
#include <QFont>
#include <QFontDatabase>
#include <QGroupBox>
#include <QLabel>
#include <QRawFont>
#include <QSet>
#include <QWidget>

#include <cstdio>

namespace {

bool isJapanese(uint character)
{
    switch (QChar::script(character)) {
    case QChar::Script_Han:
    case QChar::Script_Hiragana:
    case QChar::Script_Katakana:
        return true;
    default:
        return false;
    }
}

// The distinct Japanese characters of the texts.
QSet<uint> japaneseCharacters(const QStringList &texts)
{
    QSet<uint> characters;
    for (const QString &text : texts) {
        for (const uint character : text.toUcs4()) {
            if (isJapanese(character))
                characters.insert(character);
        }
    }
    return characters;
}

} // namespace

QStringList shownTexts(const QWidget &window)
{
    QStringList texts{window.windowTitle()};
    for (const QAction *action : window.findChildren<QAction *>())
        texts << action->text();
    for (const QAbstractButton *button : window.findChildren<QAbstractButton *>())
        texts << button->text();
    for (const QLabel *label : window.findChildren<QLabel *>())
        texts << label->text();
    for (const QGroupBox *box : window.findChildren<QGroupBox *>())
        texts << box->title();
    return texts;
}

QString missingJapaneseFontWarning(const QStringList &texts)
{
    QSet<uint> undrawn = japaneseCharacters(texts);
    // Qt draws each character with the first font that has it, so a character is only lost
    // when no font at all has it. Fonts declaring Japanese are the ones that can.
    const QStringList families = QFontDatabase().families(QFontDatabase::Japanese);
    for (const QString &family : families) {
        if (undrawn.isEmpty())
            break;
        const QRawFont font = QRawFont::fromFont(QFont(family), QFontDatabase::Japanese);
        for (auto character = undrawn.begin(); character != undrawn.end();) {
            if (font.supportsCharacter(*character))
                character = undrawn.erase(character);
            else
                ++character;
        }
    }
    if (undrawn.isEmpty())
        return QString();
    return QStringLiteral(
        "orvix: no installed font can draw the Japanese texts, so they would show as empty "
        "boxes. Install a font with Japanese glyphs (on Debian: apt-get install "
        "fonts-ipafont-gothic), or use English texts: copy the English language file "
        "(resources/lang/en/orvix_lang.ini, installed as "
        "share/doc/orvix/examples/orvix_lang.ini) to orvix_lang.ini beside the program or into "
        "~/.config/orvix.\n");
}

void warnIfJapaneseCannotBeDrawn(const QStringList &texts)
{
    const QString warning = missingJapaneseFontWarning(texts);
    if (!warning.isEmpty())
        std::fputs(warning.toLocal8Bit().constData(), stderr);
}
