#include "db/GeoRadius.h"

#include "db/GeoDatabase.h"
#include "db/GeoRecordset.h"
#include "db/GeoSql.h"
#include "db/GeoSqlDialect.h"
#include "db/TextNumbers.h"

#include <QRegularExpression>

#include <cmath>

namespace GeoRadius {

namespace {

bool parseNumber(QString text, double* value) {
    text.replace(QLatin1Char(','), QLatin1Char('.'));
    return TextNumbers::ParseNumber(text.toUtf8(), value) && std::isfinite(*value);
}

bool parsePoint(const QString& text, CRadiusCentre* centre, QString* error) {
    const QStringList parts = text.split(QLatin1Char(';'));
    double lon = 0, lat = 0;
    if (parts.size() != 2 || !parseNumber(parts[0], &lon) || !parseNumber(parts[1], &lat) ||
        std::abs(lon) > 180 || std::abs(lat) > 90) {
        *error = QStringLiteral("\"%1\" ist kein Punkt: erwartet wird Längengrad;Breitengrad, "
                                "etwa 11.57;48.14 (Längengrad -180 bis 180, Breitengrad -90 "
                                "bis 90).")
                     .arg(text);
        return false;
    }
    centre->dLon = lon;
    centre->dLat = lat;
    centre->strName =
        QString::number(lon, 'g', 10) + QLatin1Char(';') + QString::number(lat, 'g', 10);
    centre->nMatches = 0;
    return true;
}

} // namespace

bool FindCentre(CGeoDatabase& db, const QString& typed, CRadiusCentre* centre, QString* error) {
    const QString text = typed.trimmed();
    if (text.isEmpty()) {
        *error = QStringLiteral("Bitte eine Postleitzahl, einen Ort oder einen Punkt "
                                "(Längengrad;Breitengrad) als Mittelpunkt angeben.");
        return false;
    }
    if (text.contains(QLatin1Char(';')))
        return parsePoint(text, centre, error);

    static const QRegularExpression withCountry(QStringLiteral("^([A-Za-z]{2})[\\s-]*(\\d\\S*)$"));
    static const QRegularExpression postalCode(QStringLiteral("^\\d\\S*$"));
    QString filter;
    QVariantList values;
    if (const QRegularExpressionMatch m = withCountry.match(text); m.hasMatch()) {
        filter = GeoSql::CentreByPostalCode(true);
        values << m.captured(1) << m.captured(2);
    } else if (postalCode.match(text).hasMatch()) {
        filter = GeoSql::CentreByPostalCode(false);
        values << text;
    } else {
        filter = GeoSql::CentreByPlace();
        values << text;
    }

    CGeoRecordset rs(db);
    int matches = 0;
    if (rs.Open(db.Sql().FilteredQuery(db.m_Table, filter), values)) {
        while (rs.MoveNext()) {
            if (matches++ > 0)
                continue;
            centre->dLon = TextNumbers::Atof(rs.FieldUtf8(GEO_LANGENGRAD));
            centre->dLat = TextNumbers::Atof(rs.FieldUtf8(GEO_BREITENGRAD));
            centre->strName = rs.FieldText(GEO_STAAT) + QLatin1Char(' ') + rs.FieldText(GEO_PLZ) +
                              QLatin1Char(' ') + rs.FieldText(GEO_ORT);
        }
    }
    if (rs.HasError()) {
        *error = QStringLiteral("Der Mittelpunkt \"%1\" kann nicht gesucht werden: %2")
                     .arg(text, rs.Error());
        return false;
    }
    if (matches == 0) {
        *error = QStringLiteral("Kein Ort mit Koordinaten passt zu \"%1\".").arg(text);
        return false;
    }
    centre->nMatches = matches;
    if (matches > 1)
        centre->strName += QStringLiteral(" (erster von %1 Treffern)").arg(matches);
    return true;
}

bool ParseRadius(const QString& text, double* km, QString* error) {
    if (!parseNumber(text.trimmed(), km) || *km < 0) {
        *error = QStringLiteral("\"%1\" ist kein Umkreis: erwartet wird eine Zahl von Kilometern "
                                "ab 0.")
                     .arg(text);
        return false;
    }
    return true;
}

QString Filter(const CRadiusCentre& centre, double km) {
    return GeoSql::RadiusFilter(centre.dLon, centre.dLat, km);
}

QString Title(int found, double km, const CRadiusCentre& centre) {
    return QString::asprintf("%d Orte im Umkreis von %g km um ", found, km) + centre.strName;
}

} // namespace GeoRadius
