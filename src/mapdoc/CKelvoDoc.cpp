#include "mapdoc/CKelvoDoc.h"

#include "app/Globals.h"

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

bool CKelvoDoc::OnLoadDocument(QIODevice& /*file*/) {
    return true;
}
