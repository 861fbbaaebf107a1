#include "common/TerritoryCases.h"

#include <QStringList>

namespace TerritoryCases {

QList<QPair<QString, CTerritoryRule>> Rules(const QString& text) {
    QList<QPair<QString, CTerritoryRule>> result;
    for (const QString& part : text.split(QLatin1Char('|'))) {
        const QString name = part.section(QLatin1Char('='), 0, 0).trimmed();
        QList<CTerritoryRule> parsed;
        QString error;
        if (TerritoryRules::Parse(part.section(QLatin1Char('='), 1), &parsed, &error))
            result << qMakePair(name, parsed.first());
    }
    return result;
}

QPair<QByteArray, QByteArray> Place(const QString& text) {
    const QStringList parts = text.split(QLatin1Char(' '));
    return {parts.value(0).toUtf8(), parts.value(1).toUtf8()};
}

} // namespace TerritoryCases
