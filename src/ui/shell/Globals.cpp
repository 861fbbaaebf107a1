#include "ui/shell/Globals.h"

#include "store/GeoDatabase.h"

// Definition order is construction order: the database object, then the shared strings.
CGeoDatabase g_GeoDatabase;

QString g_strSearch;
int g_nTableIndex = 0;
int g_nChildFrameMode = 0;
int g_nFoundCount = 0;

double g_dLonWest = kDefaultLonWest;
double g_dLonEast = kDefaultLonEast;
double g_dLatSouth = kDefaultLatSouth;
double g_dLatNorth = kDefaultLatNorth;

bool g_bNextShowNames = false;
int g_nNextMarkerHalfSize = 0;
bool g_bNextKeepAspect = false;

double g_dSelectedLon = 0.0;
double g_dSelectedLat = 0.0;
QString g_strSelectedPlace;

CKelvoView* g_pLastMapView = nullptr;

bool g_bSortDescending = true;
int g_nSortColumn = 0;
