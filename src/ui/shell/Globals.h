#pragma once

#include "render/map/MapExtent.h"

#include <QString>

class CGeoDatabase;
class CKelvoView;

// Process-wide state through which one window hands its settings to the next. Plain
// variables, used from the user-interface thread only.

// The next table window: its filter (empty: all rows), table, window size, and the number
// of rows it found.
extern QString g_strSearch;
extern int g_nTableIndex;
extern int g_nChildFrameMode;
extern int g_nFoundCount;

// The extent the next map view starts from, in degrees.
extern double g_dLonWest;
extern double g_dLonEast;
extern double g_dLatSouth;
extern double g_dLatNorth;

// Display settings of the next map view.
extern bool g_bNextShowNames;
extern int g_nNextMarkerHalfSize;
// True proportions: the last window's switch, for the rest of the session.
extern bool g_bNextKeepAspect;

// The place last chosen in a table window.
extern double g_dSelectedLon;
extern double g_dSelectedLat;
extern QString g_strSelectedPlace;

// The map view whose window was last made active or that last had the keyboard focus, or
// null.
extern CKelvoView* g_pLastMapView;

// The sort state shared by all table windows.
extern bool g_bSortDescending;
extern int g_nSortColumn;

// The one database object of the program.
extern CGeoDatabase g_GeoDatabase;
