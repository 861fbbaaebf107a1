#include "store/GeoRadius.h"

#include "base/FoldLike.h"
#include "base/GermanNumbers.h"
#include "base/JetLike.h"
#include "base/TextNumbers.h"
#include "store/GeoDatabase.h"
#include "store/GeoFilter.h"
#include "store/GeoRecordset.h"
#include "store/GeoSqlDialect.h"

#include <QHash>
#include <QRegularExpression>

#include <algorithm>
#include <cmath>
#include <functional>

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
    // Up to ten digits of what was typed, with decimal commas.
    centre->strName = QString::number(lon, 'g', 10).replace(QLatin1Char('.'), QLatin1Char(',')) +
                      QLatin1Char(';') +
                      QString::number(lat, 'g', 10).replace(QLatin1Char('.'), QLatin1Char(','));
    centre->nMatches = 0;
    return true;
}

// The spellings folded and the case ignored, as the name search compares.
QString comparable(const QString& text) {
    return QString::fromUtf8(FoldLike::FoldText(text.toUtf8())).toCaseFolded();
}

bool isBoundary(const QString& text, qsizetype at) {
    return at < 0 || at >= text.size() || !text.at(at).isLetterOrNumber();
}

// How well a field fits a name, both comparable(): 0 equal, 1 starting with it as a whole
// word, 2 holding it as a whole word further on, 3 starting with it; -1 not at all.
int nameRank(const QString& field, const QString& name) {
    if (field == name)
        return 0;
    if (field.startsWith(name))
        return isBoundary(field, name.size()) ? 1 : 3;
    for (qsizetype at = field.indexOf(name, 1); at > 0; at = field.indexOf(name, at + 1)) {
        if (isBoundary(field, at - 1) && isBoundary(field, at + name.size()))
            return 2;
    }
    return -1;
}

// A place that fits, with how well.
struct Candidate {
    CRadiusCentre centre;
    int rank = 0;
    int first = 0; // position of its first row in Staat, PLZ order
};

// Reads the rows the filter keeps and joins them into places (same Staat, Ort, Ortsteil).
// `rankOf` gives a row's rank, -1 to leave it out.
bool collect(CGeoDatabase& db, const CGeoFilter& filter,
             const std::function<int(const CGeoRecordset&)>& rankOf, QList<Candidate>* out,
             QString* error) {
    CGeoRecordset rs(db);
    QHash<QString, qsizetype> byPlace;
    int position = 0;
    if (rs.Open(db.Sql().FilteredQuery(db.m_Table, filter))) {
        while (rs.MoveNext()) {
            const int rank = rankOf(rs);
            if (rank < 0)
                continue;
            const QString staat = rs.FieldText(GEO_STAAT), ort = rs.FieldText(GEO_ORT),
                          ortsteil = rs.FieldText(GEO_ORTSTEIL);
            const QString key = (staat + QChar(0) + ort + QChar(0) + ortsteil).toCaseFolded();
            if (const auto it = byPlace.constFind(key); it != byPlace.constEnd()) {
                ++(*out)[*it].centre.nMatches;
                continue;
            }
            Candidate c;
            c.rank = rank;
            c.first = position++;
            c.centre.dLon = TextNumbers::Atof(rs.FieldUtf8(GEO_LANGENGRAD));
            c.centre.dLat = TextNumbers::Atof(rs.FieldUtf8(GEO_BREITENGRAD));
            c.centre.strStaat = staat;
            c.centre.strPLZ = rs.FieldText(GEO_PLZ);
            c.centre.strOrt = ort;
            c.centre.strOrtsteil = ortsteil;
            c.centre.nMatches = 1;
            byPlace.insert(key, out->size());
            out->append(c);
        }
    }
    if (rs.HasError()) {
        *error = rs.Error();
        return false;
    }
    return true;
}

bool isPattern(const QString& text) {
    static const QRegularExpression wildcard(QStringLiteral("[*?#\\[]"));
    return text.contains(wildcard);
}

// The places whose Ort (or else Ortsteil) fits a name or pattern.
bool findByName(CGeoDatabase& db, const QString& text, QList<Candidate>* out, QString* error) {
    QString name = text;
    while (name.endsWith(QLatin1Char('*')))
        name.chop(1);
    const bool pattern = isPattern(name);
    if (pattern) {
        const CJetLikePattern check(FoldLike::FoldPattern(text.toUtf8()));
        if (!check.IsValid()) {
            *error = check.Error();
            return false;
        }
    }
    const QString wanted = comparable(name);
    for (int field : {int(GEO_ORT), int(GEO_ORTSTEIL)}) {
        const QString like = pattern ? text : QStringLiteral("*") + name + QLatin1Char('*');
        const auto rankOf = [&](const CGeoRecordset& rs) {
            return pattern ? 0 : nameRank(comparable(rs.FieldText(field)), wanted);
        };
        if (!collect(db, GeoFilter::CentreByPlace(db.m_Table.FieldName(field), like), rankOf, out,
                     error))
            return false;
        if (!out->isEmpty())
            break;
    }
    return true;
}

// "LI" and "FL" both stand for Liechtenstein: the download names it LI, the file stores FL.
QString otherCountryCode(const QString& code) {
    if (code == QLatin1String("LI"))
        return QStringLiteral("FL");
    if (code == QLatin1String("FL"))
        return QStringLiteral("LI");
    return code;
}

} // namespace

bool FindCentres(CGeoDatabase& db, const QString& typed, QList<CRadiusCentre>* centres,
                 QString* error) {
    centres->clear();
    const QString text = typed.trimmed();
    if (text.isEmpty()) {
        *error = QStringLiteral("Bitte eine Postleitzahl, einen Ort oder einen Punkt "
                                "(Längengrad;Breitengrad) als Mittelpunkt angeben.");
        return false;
    }
    if (text.contains(QLatin1Char(';'))) {
        CRadiusCentre point;
        if (!parsePoint(text, &point, error))
            return false;
        centres->append(point);
        return true;
    }

    static const QRegularExpression withCountry(QStringLiteral("^([A-Za-z]{2})[\\s-]*(\\d\\S*)$"));
    static const QRegularExpression postalCode(QStringLiteral("^\\d\\S*$"));
    QList<Candidate> found;
    QString failure;
    bool ok = true;
    const auto anyRow = [](const CGeoRecordset&) { return 0; };
    if (const QRegularExpressionMatch m = withCountry.match(text); m.hasMatch()) {
        const QString code = m.captured(1).toUpper();
        ok = collect(db, GeoFilter::CentreByPostalCode(code, otherCountryCode(code), m.captured(2)),
                     anyRow, &found, &failure);
    } else if (postalCode.match(text).hasMatch()) {
        ok = collect(db, GeoFilter::CentreByPostalCode(text), anyRow, &found, &failure);
    } else {
        ok = findByName(db, text, &found, &failure);
    }
    if (!ok) {
        *error = QStringLiteral("Der Mittelpunkt \"%1\" kann nicht gesucht werden: %2")
                     .arg(text, failure);
        return false;
    }
    if (found.isEmpty()) {
        *error = QStringLiteral("Kein Ort mit Koordinaten passt zu \"%1\".").arg(text);
        return false;
    }
    std::stable_sort(found.begin(), found.end(), [](const Candidate& a, const Candidate& b) {
        return a.rank != b.rank ? a.rank < b.rank : a.first < b.first;
    });
    for (Candidate& c : found) {
        c.centre.strName = c.centre.strStaat + QLatin1Char(' ') + c.centre.strPLZ +
                           QLatin1Char(' ') + c.centre.strOrt;
        if (c.centre.nMatches > 1)
            c.centre.strName += QStringLiteral(" (erster von %1 Treffern)").arg(c.centre.nMatches);
        centres->append(c.centre);
    }
    return true;
}

bool FindCentre(CGeoDatabase& db, const QString& text, CRadiusCentre* centre, QString* error) {
    QList<CRadiusCentre> centres;
    if (!FindCentres(db, text, &centres, error))
        return false;
    *centre = centres.first();
    return true;
}

QString PlaceText(const CRadiusCentre& centre) {
    if (centre.nMatches == 0)
        return centre.strName; // a point
    QString text =
        centre.strStaat + QLatin1Char(' ') + centre.strPLZ + QLatin1Char(' ') + centre.strOrt;
    if (!centre.strOrtsteil.isEmpty())
        text += QStringLiteral(", ") + centre.strOrtsteil;
    return text;
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

CGeoFilter Filter(const CRadiusCentre& centre, double km) {
    return GeoFilter::Radius(centre.dLon, centre.dLat, km);
}

bool RadiusOf(const CGeoFilter& filter, double lon, double lat, double* km) {
    using Kind = CGeoFilter::Kind;
    // "GeoDistance([Langengrad], [Breitengrad], lon, lat) <= km", alone or as a term of AND.
    auto within = [&](const CGeoFilter& term) {
        if (term.GetKind() != Kind::Compare || term.GetOp() != CGeoFilter::Op::Le)
            return false;
        const CGeoFilter& distance = term.Children().at(0);
        const CGeoFilter& limit = term.Children().at(1);
        if (distance.GetKind() != Kind::Distance || limit.GetKind() != Kind::Value)
            return false;
        const QList<CGeoFilter>& of = distance.Children();
        auto isField = [](const CGeoFilter& f, const char* name) {
            return f.GetKind() == Kind::Field && f.Name() == QLatin1String(name);
        };
        auto isNumber = [](const CGeoFilter& f, double value) {
            bool ok = false;
            return f.GetKind() == Kind::Value && f.GetValue().toDouble(&ok) == value && ok;
        };
        bool ok = false;
        const double value = limit.GetValue().toDouble(&ok);
        if (!ok || !std::isfinite(value) || !isField(of.at(0), "Langengrad") ||
            !isField(of.at(1), "Breitengrad") || !isNumber(of.at(2), lon) ||
            !isNumber(of.at(3), lat))
            return false;
        *km = value;
        return true;
    };
    if (filter.GetKind() != Kind::And)
        return within(filter);
    for (const CGeoFilter& term : filter.Children()) {
        if (within(term))
            return true;
    }
    return false;
}

QString Title(int found, double km, const CRadiusCentre& centre) {
    return QStringLiteral("%1 %2 im Umkreis von %3 km um %4")
        .arg(found)
        .arg(found == 1 ? QStringLiteral("Ort") : QStringLiteral("Orte"),
             GermanNumbers::Shortest(km), centre.strName);
}

} // namespace GeoRadius
