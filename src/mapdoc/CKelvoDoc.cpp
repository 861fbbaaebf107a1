#include "mapdoc/CKelvoDoc.h"

#include "app/Globals.h"
#include "app/MessageBox.h"
#include "mapdoc/PlaceFile.h"

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
    return true;
}
