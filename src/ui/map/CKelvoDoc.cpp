#include "ui/map/CKelvoDoc.h"

#include "render/map/PlacesWithoutRow.h"
#include "render/places/PlaceFile.h"
#include "store/GeoDatabase.h"
#include "ui/shell/Globals.h"
#include "ui/shell/MessageBox.h"

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
    CPlaceList places;
    if (!reader.Read(file, places)) {
        m_strLoadError = reader.Error();
        return false;
    }
    // Lines but no entry: no place file (a PDF or a spreadsheet opened by mistake). An empty
    // file, or one with only a heading, is an empty place list.
    if (places.isEmpty() && reader.LinesRead() > 1) {
        m_strLoadError =
            QStringLiteral("Die Datei ist keine Ortsdatei: Keine ihrer %1 Zeilen ist ein "
                           "Eintrag der Form Staat;PLZ;Datum;Groesse;Blinken;Farbe;Textfarbe;"
                           "Schrift;Text.")
                .arg(reader.LinesRead());
        return false;
    }
    m_aPlaces = std::move(places);
    m_bPlacesLoaded = true;
    // An engine error here shows again when the map is drawn; it is reported there.
    QString error;
    if (PlacesWithoutRow::Find(g_GeoDatabase, m_aPlaces, &m_aPlacesWithoutRow, &error) &&
        !m_aPlacesWithoutRow.isEmpty())
        m_strPlacesNote = PlacesWithoutRow::CountText(int(m_aPlacesWithoutRow.size()),
                                                      g_GeoDatabase.m_Table.m_strTableName);
    return true;
}
