#include "common/TerritoryCases.h"

#include "render/rows/GeoPlaceRows.h"
#include "render/rows/GeoPlaceRowsCache.h"
#include "render/territory/TerritoryAssigner.h"
#include "render/territory/TerritoryStore.h"
#include "store/GeoDatabase.h"

#include <QStringList>

#include <gtest/gtest.h>

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

QMap<QString, QString> Placements(CGeoDatabase& db) {
    CTerritoryData data;
    CTerritoryStore store(db);
    EXPECT_TRUE(store.Load(&data)) << store.Error().toStdString();
    QString error;
    const auto rows = CGeoPlaceRowsCache::Of(db).Rows(true, {}, &error);
    EXPECT_TRUE(rows && error.isEmpty()) << error.toStdString();
    if (!rows)
        return {};
    const CTerritoryAssigner assigner(data);
    const auto placed = assigner.PlaceRows(*rows);
    QMap<QString, QString> result;
    for (quint32 k = 0; k < rows->Size(); ++k) {
        const CTerritory* t = data.Find(placed[k].territory);
        result.insert(QStringLiteral("%1 %2 %3")
                          .arg(QString::fromUtf8(rows->Countries()[rows->Country(k)]),
                               QString::fromUtf8(rows->TextOf(k, CGeoPlaceRows::Plz)),
                               QString::fromUtf8(rows->TextOf(k, CGeoPlaceRows::Ort))),
                      QStringLiteral("%1 (%2)").arg(t ? t->name : "-", assigner.Reason(placed[k])));
    }
    return result;
}

} // namespace TerritoryCases
