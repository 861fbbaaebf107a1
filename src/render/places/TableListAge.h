#pragma once

#include "render/draw/DrawTypes.h"
#include "render/places/PlaceEntry.h"

#include <QDate>
#include <QList>
#include <QString>

// Colouring a list's dated entries by their age on the reference day: "seit über 90 Tagen"
// red, and so on. A rule gives a number of days and a colour; an entry whose date lies more
// than that many days before the day takes the colour of the longest such rule. The rules
// are the user's, written as "90=255,0,0; 365=128,128,128" (days=R,G,B as a place file
// writes colours).
struct CAgeRule {
    int nDays = 0;
    COLORREF crMarker = 0;
    bool operator==(const CAgeRule&) const = default;
};

namespace TableListAge {

// The rules of the text, sorted by days. False with a German message for a rule that is
// not "DAYS=R,G,B" (days from 0, colours 0 to 255) or a number of days given twice.
bool Parse(const QString& text, QList<CAgeRule>* rules, QString* error);
// The rules as Parse reads them.
QString Format(const QList<CAgeRule>& rules);
// "seit über 90 Tagen", "seit über 1 Tag".
QString RuleText(const CAgeRule& rule);

// The rule an entry dated `date` falls under on `day`; null when none does (no date, a
// date on or after the day, or younger than every rule).
const CAgeRule* RuleFor(const QList<CAgeRule>& rules, const QDate& date, const QDate& day);
// Gives the entries their age's marker colour (fill and its "R,G,B" text).
void Colour(CPlaceList& entries, const QList<CAgeRule>& rules, const QDate& day);

} // namespace TableListAge
