#include "store/territory/Territory.h"

#include <QRegularExpression>

#include <cmath>

const CTerritory* CTerritoryData::Find(qint64 id) const {
    for (const CTerritory& t : territories) {
        if (t.id == id)
            return &t;
    }
    return nullptr;
}

const CTerritory* CTerritoryData::FindByName(const QString& name) const {
    for (const CTerritory& t : territories) {
        if (t.name == name)
            return &t;
    }
    return nullptr;
}

namespace TerritoryNames {

QString Problem(const QString& name) {
    if (name.trimmed().isEmpty())
        return QStringLiteral("Ein Gebiet braucht einen Namen.");
    if (name.size() > kMaxName)
        return QStringLiteral("Der Name eines Gebiets darf höchstens %1 Zeichen lang sein.")
            .arg(kMaxName);
    for (QChar c : name) {
        if (c.category() == QChar::Other_Control)
            return QStringLiteral("Der Name eines Gebiets darf keine Steuerzeichen (etwa "
                                  "Tabulatoren oder Zeilenumbrüche) enthalten.");
    }
    return QString();
}

QString DefaultColor(int n) {
    // Hues a golden angle apart, in two levels of brightness.
    const double hue = std::fmod(n * 137.508, 360.0) / 60.0;
    const double value = (n / 7) % 2 == 0 ? 0.9 : 0.65, saturation = 0.75;
    const double c = value * saturation;
    const double x = c * (1 - std::fabs(std::fmod(hue, 2.0) - 1));
    double r = 0, g = 0, b = 0;
    switch (int(hue)) {
    case 0:
        r = c, g = x;
        break;
    case 1:
        r = x, g = c;
        break;
    case 2:
        g = c, b = x;
        break;
    case 3:
        g = x, b = c;
        break;
    case 4:
        r = x, b = c;
        break;
    default:
        r = c, b = x;
        break;
    }
    const double m = value - c;
    auto channel = [m](double v) { return int(std::lround((v + m) * 255)); };
    return QStringLiteral("#%1%2%3")
        .arg(channel(r), 2, 16, QLatin1Char('0'))
        .arg(channel(g), 2, 16, QLatin1Char('0'))
        .arg(channel(b), 2, 16, QLatin1Char('0'));
}

QSet<QString> UsedColors(const QList<CTerritory>& territories) {
    QSet<QString> used;
    for (const CTerritory& t : territories)
        used.insert(t.color.toLower());
    return used;
}

QString FreeColor(int n, const QSet<QString>& used) {
    // The colours run out after a few thousand territories: then a taken one is fine.
    constexpr int kTries = 64;
    for (int k = 0; k < kTries; ++k) {
        const QString color = DefaultColor(n + int(k));
        if (!used.contains(color))
            return color;
    }
    return DefaultColor(n);
}

bool IsColor(const QString& color) {
    static const QRegularExpression pattern(QStringLiteral("^#[0-9a-fA-F]{6}$"));
    return pattern.match(color).hasMatch();
}

} // namespace TerritoryNames
