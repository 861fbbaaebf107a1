#pragma once

#include "render/draw/DrawTypes.h"

#include <QByteArrayView>
#include <QString>

// Colours and label texts of the map.
namespace MapStyle {

// Colour of a database place by its country code (UTF-8), matched exactly and with case:
// DE red, AT green, CH blue, BE cyan, FL magenta, anything else black.
COLORREF CountryColor(QByteArrayView staat);

// A label: " text " for at most 20 characters, otherwise " " + the first 20 + "... ".
QString FormatLabel(const QString& text);

} // namespace MapStyle
