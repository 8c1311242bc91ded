#pragma once

#include <QMap>
#include <QString>

// The mosaic dialog's text table: messages, file filters and column headers, with their
// built-in Japanese texts; section "mosaic" of the language file replaces them by key.
namespace MosaicTexts {

const QMap<QString, QString> &builtIn();

} // namespace MosaicTexts
