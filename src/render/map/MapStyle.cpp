#include "render/map/MapStyle.h"

namespace MapStyle {

namespace {
constexpr int kLabelChars = 20;
}

COLORREF CountryColor(QByteArrayView staat) {
    if (staat == "DE")
        return RGB(255, 0, 0);
    if (staat == "AT")
        return RGB(0, 200, 0);
    if (staat == "CH")
        return RGB(0, 0, 200);
    if (staat == "BE")
        return RGB(0, 200, 200);
    if (staat == "FL")
        return RGB(200, 0, 200);
    return RGB(0, 0, 0);
}

QString FormatLabel(const QString& text) {
    if (text.size() <= kLabelChars)
        return QLatin1Char(' ') + text + QLatin1Char(' ');
    return QLatin1Char(' ') + text.left(kLabelChars) + QStringLiteral("... ");
}

} // namespace MapStyle
