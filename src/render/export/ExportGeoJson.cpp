#include "render/export/ExportWriters.h"

#include "base/GeoTableDesc.h"
#include "base/TextNumbers.h"

#include <QIODevice>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

namespace Export {

namespace {

// A property: null for a field without a value; the key and further columns (the distance)
// as numbers when they hold one; every GEO text field as the text it holds ("01067" stays).
QJsonValue property(const QString& text, int column) {
    if (text.isEmpty())
        return QJsonValue(QJsonValue::Null);
    double number = 0;
    if ((column == GEO_ID || column >= GEO_FIELD_COUNT) &&
        TextNumbers::ParseNumber(text.toUtf8(), &number))
        return number;
    return text;
}

} // namespace

bool WriteGeoJson(QIODevice& out, const CRows& rows, const RowStep& step, CResult* result) {
    // The collection is written feature by feature, as a writer of the whole would write it
    // (keys in sorted order, no blanks): {"features":[F,F,...],"type":"FeatureCollection"}.
    QByteArray buffer("{\"features\":[");
    int i = 0;
    for (; HasRow(rows, i, result); ++i) {
        QJsonObject properties;
        for (int j = 0; j < rows.aColumns.size(); ++j)
            properties.insert(rows.aColumns.at(j), property(rows.cell(i, j), j));
        QJsonObject feature{{QStringLiteral("type"), QStringLiteral("Feature")},
                            {QStringLiteral("properties"), properties}};
        // A row without a position is a feature without geometry.
        double lon = 0, lat = 0;
        if (RowPosition(rows, i, &lon, &lat))
            feature.insert(QStringLiteral("geometry"),
                           QJsonObject{{QStringLiteral("type"), QStringLiteral("Point")},
                                       {QStringLiteral("coordinates"), QJsonArray{lon, lat}}});
        else
            feature.insert(QStringLiteral("geometry"), QJsonValue(QJsonValue::Null));
        if (i > 0)
            buffer += ',';
        buffer += QJsonDocument(feature).toJson(QJsonDocument::Compact);
        if (buffer.size() > (1 << 16)) {
            if (out.write(buffer) != buffer.size())
                return false;
            buffer.clear();
        }
        step(i);
    }
    buffer += "],\"type\":\"FeatureCollection\"}";
    result->nWritten = i;
    return result->strError.isEmpty() && out.write(buffer) == buffer.size();
}

} // namespace Export
