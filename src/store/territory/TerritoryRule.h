#pragma once

#include <QByteArray>
#include <QList>
#include <QString>

#include <functional>

// A rule that puts the postal codes of one country into a territory: every code that starts
// with `from` ("DE 90*": from = to = "90"), or whose first digits lie between `from` and `to`
// ("DE 80-87": the codes 80000 to 87999). `from` and `to` have the same length; a range
// holds digits only.
struct CTerritoryRule {
    qint64 id = 0;        // the stored rule's key; 0 before it is stored
    qint64 territory = 0; // the territory's key
    QByteArray staat, from, to;

    bool Matches(QByteArrayView staatOfRow, QByteArrayView plz) const;
    // The part of all codes of the country it covers, as a count of prefixes of its length:
    // the smaller, the more specific.
    qint64 Width() const;
    // True when this rule is more specific than `other` (covers a smaller part of the codes);
    // false for rules of the same width.
    bool MoreSpecificThan(const CTerritoryRule& other) const;
    // Whether some postal code is covered by both (same country, the ranges meet).
    bool Overlaps(const CTerritoryRule& other) const;
    bool SameRange(const CTerritoryRule& other) const {
        return staat.compare(other.staat, Qt::CaseInsensitive) == 0 && from == other.from &&
               to == other.to;
    }
    // "DE 80-87" or "DE 90*".
    QString Text() const;
};

namespace TerritoryRules {

// The longest prefix a rule may name.
inline constexpr int kMaxPrefix = 9;

// Rules as the user types them, separated by commas or semicolons: "DE 80-87, DE 90*,
// AT 1010". A country code of two or three letters (case does not matter), then a prefix
// with an optional "*", or a range of digits of equal length. False with a German message
// naming the first part that is no rule; nothing is returned then.
bool Parse(const QString& text, QList<CTerritoryRule>* rules, QString* error);

// Why `added` cannot stand beside the rules `existing`: it overlaps one of the same width
// with another range, so that neither would be the more specific. Rules with the same range
// are not in conflict (the added one replaces the other). Empty when there is no conflict.
// `territoryName` names a rule's territory in the message.
QString Conflict(const QList<CTerritoryRule>& existing, const CTerritoryRule& added,
                 const std::function<QString(qint64)>& territoryName);

} // namespace TerritoryRules
