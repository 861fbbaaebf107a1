#include "store/GeoPlaceKey.h"

#include "base/AsciiCase.h"
#include "store/GeoDatabase.h"
#include "store/GeoFilter.h"
#include "store/GeoRecordset.h"
#include "store/GeoSqlDialect.h"

namespace {

QString cellValue(const QStringList& cells, int column) {
    const QString cell = cells.value(column);
    return cell == QStringLiteral(" ") ? QString() : cell;
}

bool sameField(const QString& a, const QString& b) {
    if (a.size() != b.size())
        return false;
    for (qsizetype i = 0; i < a.size(); ++i) {
        if (AsciiCase::Lower(a[i].unicode()) != AsciiCase::Lower(b[i].unicode()))
            return false;
    }
    return true;
}

} // namespace

CGeoPlaceKey CGeoPlaceKey::FromCells(const QStringList& cells) {
    return {cellValue(cells, GEO_STAAT), cellValue(cells, GEO_PLZ), cellValue(cells, GEO_ORT),
            cellValue(cells, GEO_ORTSTEIL)};
}

bool CGeoPlaceKey::Matches(const CGeoPlaceKey& other) const {
    return sameField(staat, other.staat) && sameField(plz, other.plz) &&
           sameField(ort, other.ort) && sameField(ortsteil, other.ortsteil);
}

QString CGeoPlaceKey::Display() const {
    QString text = QStringList{staat, plz, ort}.join(QLatin1Char(' ')).simplified();
    if (!ortsteil.isEmpty())
        text += QStringLiteral(", Ortsteil ") + ortsteil;
    return text;
}

namespace {

QStringList placeColumns(const CGeoTableDesc& desc) {
    return {desc.FieldName(desc.m_nKeyField), desc.FieldName(GEO_STAAT), desc.FieldName(GEO_PLZ),
            desc.FieldName(GEO_ORT), desc.FieldName(GEO_ORTSTEIL)};
}

CGeoPlaceKey placeOf(const CGeoRecordset& rs) {
    return {rs.FieldText(1), rs.FieldText(2), rs.FieldText(3), rs.FieldText(4)};
}

} // namespace

bool ReadPlaceOfRow(CGeoDatabase& db, const CGeoTableDesc& desc, qint64 key, CGeoPlaceKey* place,
                    bool* exists, QString* error) {
    CGeoRecordset rs(db);
    *exists = false;
    if (!rs.Open(db.Sql().StorageOrderQuery(desc, placeColumns(desc), GeoFilter::WithKey(key)))) {
        *error = rs.Error();
        return false;
    }
    if (rs.MoveNext()) {
        *exists = true;
        *place = placeOf(rs);
    }
    *error = rs.Error();
    return !rs.HasError();
}

bool FindRowsAtPlace(CGeoDatabase& db, const CGeoTableDesc& desc, const CGeoPlaceKey& place,
                     QList<qint64>* keys, QString* error) {
    keys->clear();
    if (!db.IsOpen())
        return true;
    // The engine narrows the rows down by country and postal code; Ort and Ortsteil are
    // compared here, where no value and an empty text are one.
    CGeoRecordset rs(db);
    if (!rs.Open(db.Sql().StorageOrderQuery(desc, placeColumns(desc),
                                            GeoFilter::Place(place.staat, place.plz)))) {
        *error = rs.Error();
        return false;
    }
    while (rs.MoveNext()) {
        if (placeOf(rs).Matches(place))
            keys->append(rs.FieldInt(0));
    }
    *error = rs.Error();
    return !rs.HasError();
}
