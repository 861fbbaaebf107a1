#include "store/territory/TerritoryRule.h"

#include <QRegularExpression>

namespace {

bool allDigits(QByteArrayView text) {
    for (char c : text) {
        if (c < '0' || c > '9')
            return false;
    }
    return !text.isEmpty();
}

qint64 power10(int exponent) {
    qint64 value = 1;
    while (exponent-- > 0)
        value *= 10;
    return value;
}

bool sameCountry(QByteArrayView a, QByteArrayView b) {
    return a.size() == b.size() && qstrnicmp(a.data(), a.size(), b.data(), b.size()) == 0;
}

} // namespace

bool CTerritoryRule::Matches(QByteArrayView staatOfRow, QByteArrayView plz) const {
    if (!sameCountry(staatOfRow, staat) || plz.size() < from.size())
        return false;
    const QByteArrayView prefix = plz.first(from.size());
    return prefix >= QByteArrayView(from) && prefix <= QByteArrayView(to);
}

qint64 CTerritoryRule::Width() const {
    if (from == to || !allDigits(from) || !allDigits(to))
        return 1;
    return to.toLongLong() - from.toLongLong() + 1;
}

bool CTerritoryRule::MoreSpecificThan(const CTerritoryRule& other) const {
    // width / 10^length against the other's; the prefixes are at most kMaxPrefix long, so
    // the products stay within 64 bits.
    const qint64 mine = Width() * power10(int(other.from.size()));
    const qint64 theirs = other.Width() * power10(int(from.size()));
    return mine < theirs;
}

bool CTerritoryRule::Overlaps(const CTerritoryRule& other) const {
    if (!sameCountry(staat, other.staat))
        return false;
    // Compare at the shorter length: a longer prefix lies inside a range when its first
    // digits do.
    const qsizetype n = std::min(from.size(), other.from.size());
    const QByteArrayView a0 = QByteArrayView(from).first(n), a1 = QByteArrayView(to).first(n);
    const QByteArrayView b0 = QByteArrayView(other.from).first(n),
                         b1 = QByteArrayView(other.to).first(n);
    return a0 <= b1 && b0 <= a1;
}

QString CTerritoryRule::Text() const {
    const QString country = QString::fromUtf8(staat);
    if (from == to)
        return QStringLiteral("%1 %2*").arg(country, QString::fromUtf8(from));
    return QStringLiteral("%1 %2-%3").arg(country, QString::fromUtf8(from), QString::fromUtf8(to));
}

namespace TerritoryRules {

bool Parse(const QString& text, QList<CTerritoryRule>* rules, QString* error) {
    static const QRegularExpression rule(
        QStringLiteral("^([A-Za-z]{2,3})\\s+(?:(\\d+)\\s*-\\s*(\\d+)|([0-9A-Za-z]+)\\*?)$"));
    QList<CTerritoryRule> parsed;
    const QStringList parts = text.split(QRegularExpression(QStringLiteral("[,;]")));
    for (const QString& raw : parts) {
        const QString part = raw.trimmed();
        if (part.isEmpty())
            continue;
        const QRegularExpressionMatch m = rule.match(part);
        if (!m.hasMatch()) {
            *error = QStringLiteral("\"%1\" ist keine Regel. Erwartet wird ein Staat und der "
                                    "Anfang der Postleitzahlen, etwa \"DE 90*\", oder ein "
                                    "Bereich, etwa \"DE 80-87\".")
                         .arg(part);
            return false;
        }
        CTerritoryRule r;
        r.staat = m.captured(1).toUpper().toUtf8();
        if (m.capturedLength(2) > 0) {
            r.from = m.captured(2).toUtf8();
            r.to = m.captured(3).toUtf8();
        } else {
            r.from = r.to = m.captured(4).toUpper().toUtf8();
        }
        if (r.from.size() != r.to.size()) {
            *error = QStringLiteral("In \"%1\" haben Anfang und Ende des Bereichs nicht gleich "
                                    "viele Ziffern.")
                         .arg(part);
            return false;
        }
        if (r.from > r.to) {
            *error = QStringLiteral("In \"%1\" ist der Anfang des Bereichs größer als sein Ende.")
                         .arg(part);
            return false;
        }
        if (r.from.size() > kMaxPrefix) {
            *error = QStringLiteral("In \"%1\" ist der Anfang der Postleitzahlen länger als %2 "
                                    "Zeichen.")
                         .arg(part, QString::number(kMaxPrefix));
            return false;
        }
        parsed << r;
    }
    if (parsed.isEmpty()) {
        *error = QStringLiteral("Es wurde keine Regel angegeben.");
        return false;
    }
    *rules = parsed;
    return true;
}

QString Conflict(const QList<CTerritoryRule>& existing, const CTerritoryRule& added,
                 const std::function<QString(qint64)>& territoryName) {
    const bool single = added.from == added.to;
    for (const CTerritoryRule& other : existing) {
        // Two prefixes of one length overlap only when they are the same (and many rules
        // are such prefixes: whole postal codes).
        if (single && other.from == other.to && other.from.size() == added.from.size())
            continue;
        if (other.SameRange(added) || !other.Overlaps(added))
            continue;
        if (!other.MoreSpecificThan(added) && !added.MoreSpecificThan(other)) {
            return QStringLiteral("Die Regel %1 überschneidet sich mit der Regel %2 des Gebiets "
                                  "\"%3\", und keine von beiden ist enger: unklar, welche gilt. "
                                  "Bitte die Bereiche anders abgrenzen.")
                .arg(added.Text(), other.Text(), territoryName(other.territory));
        }
    }
    return QString();
}

} // namespace TerritoryRules
