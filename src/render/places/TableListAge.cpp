#include "render/places/TableListAge.h"

#include <QRegularExpression>

#include <algorithm>

namespace {

QString colourText(COLORREF c) {
    return QStringLiteral("%1,%2,%3").arg(GetRValue(c)).arg(GetGValue(c)).arg(GetBValue(c));
}

} // namespace

namespace TableListAge {

bool Parse(const QString& text, QList<CAgeRule>* rules, QString* error) {
    static const QRegularExpression rule(
        QStringLiteral("^(\\d{1,5})\\s*=\\s*(\\d{1,3})\\s*,\\s*(\\d{1,3})\\s*,\\s*(\\d{1,3})$"));
    static const QRegularExpression separators(QStringLiteral("[;\\n]"));
    QList<CAgeRule> parsed;
    for (const QString& part : text.split(separators)) {
        const QString trimmed = part.trimmed();
        if (trimmed.isEmpty())
            continue;
        const QRegularExpressionMatch m = rule.match(trimmed);
        const int r = m.captured(2).toInt(), g = m.captured(3).toInt(), b = m.captured(4).toInt();
        if (!m.hasMatch() || r > 255 || g > 255 || b > 255) {
            *error = QStringLiteral("Die Regel \"%1\" ist ungültig. Erwartet werden Tage und "
                                    "Farbe, etwa 90=255,0,0 für rot seit über 90 Tagen.")
                         .arg(trimmed);
            return false;
        }
        const int days = m.captured(1).toInt();
        if (std::any_of(parsed.begin(), parsed.end(),
                        [days](const CAgeRule& other) { return other.nDays == days; })) {
            *error = QStringLiteral("Für %1 Tage gibt es zwei Regeln.").arg(days);
            return false;
        }
        parsed.append(CAgeRule{days, RGB(r, g, b)});
    }
    std::sort(parsed.begin(), parsed.end(),
              [](const CAgeRule& a, const CAgeRule& b) { return a.nDays < b.nDays; });
    *rules = parsed;
    return true;
}

QString Format(const QList<CAgeRule>& rules) {
    QStringList parts;
    for (const CAgeRule& rule : rules)
        parts << QStringLiteral("%1=%2").arg(rule.nDays).arg(colourText(rule.crMarker));
    return parts.join(QStringLiteral("; "));
}

QString RuleText(const CAgeRule& rule) {
    return rule.nDays == 1 ? QStringLiteral("seit über 1 Tag")
                           : QStringLiteral("seit über %1 Tagen").arg(rule.nDays);
}

const CAgeRule* RuleFor(const QList<CAgeRule>& rules, const QDate& date, const QDate& day) {
    if (!date.isValid() || !day.isValid())
        return nullptr;
    const qint64 age = date.daysTo(day);
    const CAgeRule* found = nullptr;
    for (const CAgeRule& rule : rules) {
        if (age > rule.nDays)
            found = &rule;
    }
    return found;
}

void Colour(CPlaceList& entries, const QList<CAgeRule>& rules, const QDate& day) {
    if (rules.isEmpty())
        return;
    QStringList texts; // one shared text per rule
    for (const CAgeRule& rule : rules)
        texts << colourText(rule.crMarker);
    for (CPlaceEntry& entry : entries) {
        if (const CAgeRule* rule = RuleFor(rules, entry.m_dtDate, day)) {
            entry.m_crMarker = rule->crMarker;
            entry.m_strMarkerColor = texts[rule - rules.constData()];
        }
    }
}

} // namespace TableListAge
