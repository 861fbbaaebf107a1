#include "mapdoc/CKelvoDoc.h"

#include "app/Globals.h"
#include "app/MessageBox.h"
#include "db/GeoDatabase.h"
#include "mapdoc/PlaceFile.h"
#include "mapview/PlacesWithoutRow.h"

bool CKelvoDoc::OnNewDocument() {
    if (!CDocument::OnNewDocument())
        return false;
    g_dLonEast = kDefaultLonEast;
    g_dLonWest = kDefaultLonWest;
    g_dLatNorth = kDefaultLatNorth;
    g_dLatSouth = kDefaultLatSouth;
    SetTitle(QStringLiteral("Die Karte"));
    return true;
}

bool CKelvoDoc::OnLoadDocument(QIODevice& file) {
    CPlaceFileReader reader([this](const QString& message, int /*lineNumber*/) {
        m_strMessage = message;
        KelvoMessageBox(m_strMessage);
    });
    if (!reader.Read(file, m_aPlaces)) {
        m_strLoadError = reader.Error();
        return false;
    }
    m_bPlacesLoaded = true;
    // An engine error here shows again when the map is drawn; it is reported there.
    QList<int> withoutRow;
    QString error;
    if (PlacesWithoutRow::Find(g_GeoDatabase, m_aPlaces, &withoutRow, &error) &&
        !withoutRow.isEmpty())
        m_strPlacesNote = PlacesWithoutRow::CountText(int(withoutRow.size()),
                                                      g_GeoDatabase.m_Table.m_strTableName);
    return true;
}
