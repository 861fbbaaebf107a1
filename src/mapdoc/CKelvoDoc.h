#pragma once

#include "app/Document.h"
#include "mapdoc/PlaceEntry.h"

#include <QString>

// The document of every map and table window. A new document resets the extent the next
// map view starts from and is titled "Die Karte"; a document opened from a file is a place
// file read into the document's place list. It never writes anything: there is no save.
class CKelvoDoc : public CDocument {
public:
    CKelvoDoc() = default;

    bool OnNewDocument() override;

    QString m_strMessage;         // the last message about a line of the place file
    bool m_bPlacesLoaded = false; // a place file has been read (even one without places)
    CPlaceList m_aPlaces;         // its accepted entries in file order; map views draw them
    // How many entries name no place of GEO ("3 Einträge ohne Ort in GEO"), for the status
    // bar once the file's first window has drawn it; empty when every entry has its place.
    QString m_strPlacesNote;
    // Those entries: their indexes in m_aPlaces, in list order.
    QList<int> m_aPlacesWithoutRow;

protected:
    // Reads the opened file as a place file. Each invalid date is shown in a message box and
    // kept in m_strMessage; such lines are taken without a date. Entries whose place GEO does
    // not have are counted in m_strPlacesNote. False when the file cannot be read or is over a
    // limit of the reader, or when none of its lines (beyond a heading) is an entry, as in a
    // file that is no place file at all; the list is then unchanged.
    bool OnLoadDocument(QIODevice& file) override;
};
