#pragma once

#include "render/draw/DrawTypes.h"

#include <QDate>
#include <QList>
#include <QString>

// One line of a place file: the place it names (country and postal code), how it is marked
// on the map, and the drawing state a map view keeps with it. A plain value: copies share
// nothing.
struct CPlaceEntry {
    bool m_bBlinkPhase = false; // the blink step paints the marker colour when true, else white
    int m_nX = 0;               // device position where the map view last drew the place
    int m_nY = 0;
    QString m_strStaat;       // 1: country code
    QString m_strPLZ;         // 2: postal code
    QString m_strDate;        // 3: date from which on the place is shown, or "0"
    QString m_strMarkerSize;  // 4: half side of the square marker in pixels, or "0"
    QString m_strBlink;       // 5: "0" for a steady marker, anything else blinks
    QString m_strMarkerColor; // 6: marker colour "R,G,B" as written, or "0"
    QString m_strTextColor;   // 7: label colour "R,G,B" as written, or "0"
    QString m_strFontHeight;  // 8: label font height, or "0" for no label
    QString m_strLabel;       // 9: label wording, or "0" for the place name
    COLORREF m_crMarker = 0;  // marker fill colour
    COLORREF m_crText = 0;    // label text colour
    QDate m_dtDate;           // the date of field 3; a null date when there is none
    int m_nLine = 0;          // number of the file's line the entry was read from
    // The place's name, for a list that names it: picks the row among those of the postal
    // code (spellings folded). Empty for place files: the postal code's first row.
    QString m_strOrt;
};

// True for the text "0" (exactly one zero) with which a field says "not given".
inline bool IsNotGiven(const QString& field) {
    return field.size() == 1 && field[0] == u'0';
}

// The entries of one place file in file order, owned by its document. Entries are only
// appended; a map view writes m_nX, m_nY and m_bBlinkPhase back into the elements.
using CPlaceList = QList<CPlaceEntry>;
