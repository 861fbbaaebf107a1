#pragma once

#include "render/basemap/BaseMapDraw.h"
#include "render/draw/DrawObjects.h"
#include "render/draw/DrawTypes.h"
#include "render/map/MapLegend.h"
#include "render/map/PlaceLookup.h"
#include "render/places/PlaceEntry.h"
#include "render/territory/TerritoryOutlineShape.h"

#include <QImage>
#include <QList>
#include <QPoint>
#include <QRect>
#include <QSize>
#include <QString>

#include <algorithm>
#include <cmath>
#include <memory>
#include <vector>

class CDeviceContext;
class CGeoDatabase;
class CGeoPlaceRows;
class CMapTerritories;
class CProgress;

// The place last chosen in a table window, which every map marks with a cross and its name.
struct CMapSelectedPlace {
    double dLon = 0.0;
    double dLat = 0.0;
    QString strName;
};

// The extent (degrees) and display settings a map view starts from, and the selected place.
// The canvas reads nothing else from outside: the windows fill this from their state, the
// batch tool from its options.
struct CMapSettings {
    double dLonWest = 0.0;
    double dLonEast = 0.0;
    double dLatSouth = 0.0;
    double dLatNorth = 0.0;
    bool bShowNames = false;
    int nMarkerHalfSize = 0;
    CMapSelectedPlace selected = {};
    bool bBaseMap = false;    // borders, shores, lakes and rivers under the places
    bool bKeepAspect = false; // true proportions: the extent grows to fill the window
    bool bLegend = false;     // the legend in the plot's corner, when it has anything to show
};

// The state and drawing of one map view, without a window: the extent, the display
// switches, the plot rectangle, the projection between degrees and device points, and the
// drawing of a whole map onto a device context (frame and axes, every GEO row, the selected
// place, the place list). It keeps a back buffer image that a full repaint re-renders and
// that the blink step paints into. A map window, map printing and kelvo-cli render all
// draw through OnDraw.
//
// Device units are pixels of the view window; on paper one logical unit is one screen
// pixel. Conversions from double to int truncate toward zero.
class CMapCanvas {
public:
    CMapCanvas(CGeoDatabase& database, const CMapSettings& settings);

    // The document's place list, drawn and blinked while m_bShowFilePlaces is on; the
    // canvas writes the entries' positions and blink phases back into it. Not owned; null
    // for none.
    void SetPlaceList(CPlaceList* places);
    CPlaceList* PlaceList() const { return m_pPlaces; }
    // A copy of the document's list, drawn on another thread (CMapDrawJob): the canvas only
    // reads it, so that the copy keeps sharing the document's entries, and keeps the
    // positions it drew for TakeRepaint.
    void SetPlaceListCopy(CPlaceList* copy);

    // Degrees to a device point with the extent and the m_rectPlot of the last repaint:
    // x = trunc((lon - west) * sx + left), y = trunc(bottom - (lat - south) * sy). Not clipped.
    QPoint LonLatToPoint(double lon, double lat) const;
    // A device point to degrees. False (nothing stored) when the plot rectangle of the last
    // repaint has no width or height, so no infinite or undefined degrees come out.
    bool PointToLonLat(int x, int y, double* lon, double* lat) const;

    // The steps of a repaint, in this order (OnDraw runs them all):
    // Recomputes m_rectPlot from the window's outer size; draws the frame, grid and labels.
    void DrawAxes(CDeviceContext& dc, QSize outerSize);
    // Every GEO row in Staat, PLZ order, then the selected place (m_selected).
    // Progress "Mappe wird gezeichnet:" through `progress` (may be null). The rows come from
    // the database's place rows, which all maps share and which are read again only when
    // the stored data has changed; the canvas keeps them while it lives. While the place
    // list is to be shown, the entries' rows are found among them. Returns an empty text,
    // or the German message about an engine error that ended the read.
    QString DrawDatabasePlaces(CDeviceContext& dc, CProgress* progress);
    // The place list's entries whose rows the last DrawDatabasePlaces found: marker, label,
    // centre pixel; their positions are stored into the list.
    void DrawFilePlaces(CDeviceContext& dc);
    // A whole map for a window of the given outer size. Returns what DrawDatabasePlaces
    // returns; after an engine error the place list is not drawn.
    QString OnDraw(CDeviceContext& dc, QSize outerSize, CProgress* progress = nullptr);

    // A full repaint into the back buffer: clientSize is the image size (the window's
    // inside), outerSize the window's outer size that sets the plot rectangle. Returns an
    // engine error message when it is to be shown now: once when it first occurs, not again
    // while every repaint fails the same way.
    QString Repaint(QSize clientSize, QSize outerSize, CProgress* progress = nullptr);
    const QImage& BackBuffer() const { return m_imgBackBuffer; }

    // Whether the rows of the last repaint still show the stored data but lack the texts
    // for names, memos and place lists (worth reading ahead, so that switching them on later
    // reads nothing).
    bool LacksTexts();
    // Takes the database's rows with texts in place of such rows when they have been read
    // meanwhile (through any connection); true when it did.
    bool TakeRowsWithTexts();

    // Drawing on another thread (CMapDrawJob), on a copy of the canvas. Whether a repaint
    // needs the rows with their texts (names, memos, a place list to find).
    bool WantsTexts() const;
    // The frame and axes alone in a fresh back buffer: the first picture while the rest is
    // drawn elsewhere.
    void DrawFrame(QSize clientSize, QSize outerSize);
    // The repaints of this canvas draw `rows` (read elsewhere; null: none, the database being
    // closed) instead of the database's, ended by the engine error `readError`; `read` says
    // that the rows were read for this repaint, so that the bar followed the reading. Such a
    // canvas touches neither the database nor the place list it was copied with (give it one
    // of its own).
    void GiveRows(std::shared_ptr<const CGeoPlaceRows> rows, const QString& readError, bool read);
    // Takes what a copy of this canvas drew with its Repaint, which returned `report`: the
    // back buffer, the rows and what it found and drew of the place list (whose positions
    // are written into this canvas's list). Returns what Repaint would have returned.
    QString TakeRepaint(const CMapCanvas& drawn, const QString& report);
    // Puts back a back buffer and plot rectangle kept from before (a repaint was cancelled).
    void RestoreBackBuffer(const QImage& image, const CRect& plot);

    // The blink step: every blinking entry of the place list that this canvas has drawn
    // flips its phase and its marker is painted into the back buffer, at the position of the
    // canvas's last repaint, in its colour (phase was true) or white. Does nothing while
    // m_bShowFilePlaces is off. Returns the rectangles painted, for the window to update;
    // the database is never read.
    QList<QRect> OnTimer();

    // The view's state; the view's commands switch the flags and repaint.
    QString m_strText; // work text: the last SQL text
    bool m_bShowNames = false;
    bool m_bShowFilePlaces = true;
    bool m_bShowMemos = false;
    // Names only where their label covers no name drawn before, larger places first, and
    // place-list labels only where they cover no place-list label drawn before (earlier
    // entries first). Everything but the frame and axes then stays inside the frame.
    bool m_bDeclutterNames = false;
    // Each place in its territory's colour, the others grey, with a legend of the territories.
    bool m_bTerritoryColors = false;
    // The outline of each territory in its colour: the union of its postal codes' areas
    // where areas are imported, else the hull of its places, as m_outlineShape says.
    bool m_bTerritoryOutlines = false;
    CTerritoryOutlineShape m_outlineShape;
    // Whether a repaint places the rows in their territories.
    bool UsesTerritories() const { return m_bTerritoryColors || m_bTerritoryOutlines; }
    // Reads the territories on the database's own thread before a repaint elsewhere draws
    // them (a repaint here reads them itself).
    void LoadTerritories();
    // Coloured by territory, and the territories changed since they were read.
    bool TerritoriesStale();
    // The territories of the last repaint that coloured them; null before.
    const CMapTerritories* Territories() const { return m_pTerritories.get(); }
    int m_nTimerInterval = 500; // blink interval, milliseconds
    int m_nMarkerHalfSize = 0;  // half side of a database place's square; 0: one pixel
    double m_dClickLon = 0.0;   // degrees of the last double-clicked point
    double m_dClickLat = 0.0;
    CMapSelectedPlace m_selected; // marked by every repaint; the window keeps it current
    CFont m_fontNames{12};
    int m_nMarginX = 50;
    int m_nMarginY = 30;
    int m_nLonSteps = 20;
    int m_nLatSteps = 20;
    double m_dLonEast = 0.0;
    double m_dLonWest = 0.0;
    double m_dLatNorth = 0.0;
    double m_dLatSouth = 0.0;
    CRect m_rectPlot;
    CFont m_fontSelected{22};
    CFont m_fontAxis{14};
    CPen m_penBlack{RGB(0, 0, 0)};
    CPen m_penGrid{RGB(200, 200, 200)};

    // The base map under the places; with it, the plot's frame holds land and water
    // instead of white.
    bool m_bShowBaseMap = false;
    // The legend in the plot's top-right corner: the countries with their rows in the
    // extent (with the base map) and the sections the window adds (a list's groups).
    bool m_bShowLegend = false;
    QList<CLegendSection> m_aLegendSections;

    // True proportions: a degree of longitude is drawn cos(mid-latitude) as wide as one of
    // latitude, the extent asked for growing in one direction to fill the plot. The extent
    // members then hold the grown extent of the last repaint; off, they are the extent asked
    // for again.
    void SetKeepAspect(bool on);
    bool KeepAspect() const { return m_bKeepAspect; }

private:
    // Degrees to device points with the extent and plot rectangle as they are now.
    struct CProjection {
        double west, south, sx, sy;
        int left, bottom;
        QPoint operator()(double lon, double lat) const {
            return QPoint(Trunc((lon - west) * sx + left), Trunc(bottom - (lat - south) * sy));
        }
        // Device coordinates are kept within this range, so sums with offsets and marker
        // sizes never overflow; such points lie far outside any window or page.
        static int Trunc(double v) {
            constexpr double kLimit = double(1 << 28);
            return std::isnan(v) ? -int(kLimit) : int(std::clamp(v, -kLimit, kLimit));
        }
    };
    CProjection Projection() const;
    // The plot rectangle without its frame line.
    CRect InsideFrame() const;
    void DrawRows(CDeviceContext& dc, const CGeoPlaceRows& rows, CProgress* progress);
    // Draws the markers from rows read for this drawing alone (CGeoPlotCells), where the
    // map's rows would serve nothing else: a page whose markers go to a layer of their own,
    // with no names, memos, place list or territories, and no rows kept or given. False
    // when that does not apply or the rows cannot be read so; `readError` gets the engine's
    // message.
    bool DrawPlotCells(CDeviceContext& dc, CProgress* progress, QString* readError);
    void DrawCross(CDeviceContext& dc, int x, int y);
    void DrawSelectedPlace(CDeviceContext& dc);
    // The place-list entries whose labels later labels hide (DrawFilePlaces).
    std::vector<bool> HiddenFileLabels(CDeviceContext& dc);
    void DrawBaseMap(CDeviceContext& dc);
    void DrawLegend(CDeviceContext& dc);
    // The territories' outlines, inside the frame.
    void DrawTerritoryOutlines(CDeviceContext& dc);
    void FitAspect(QSize outerSize);

    // The base map of the last repaint onto an image, as drawn there, and where: a repaint
    // of the same extent and plot copies it instead of drawing it again.
    QImage m_imgBaseMap;
    CBaseMapView m_baseMapDrawn;
    bool m_bKeepAspect = false;
    double m_aAsked[4] = {}; // west, east, south, north asked for while m_bKeepAspect is on

    CGeoDatabase& m_database;
    std::shared_ptr<const CGeoPlaceRows> m_pRows; // the rows of the last repaint
    // The legend's countries as DrawPlotCells counted them, when it drew the markers.
    CLegendSection m_countriesDrawn;
    bool m_bCountriesDrawn = false;
    CPlaceList* m_pPlaces = nullptr;
    bool m_bPlaceListCopy = false; // SetPlaceListCopy: the entries are not written
    CPlaceLookup m_lookup;         // rows of the place list found by the last pass
    // What this canvas drew of each place-list entry: whether its row was found (only such
    // entries blink), where, and its blink phase. Kept per canvas, so that two windows on one
    // document blink at their own positions and each in its own rhythm; the position and
    // phase are also written into the list's entries.
    struct CPlaceState {
        bool bDrawn = false;
        bool bBlinkPhase = true;
        QPoint pt;
    };
    std::vector<CPlaceState> m_aPlaceState;
    QImage m_imgBackBuffer;
    QString m_strDrawError; // engine error of the last repaint
    // Rows given to draw instead of the database's (GiveRows).
    struct CGivenRows {
        std::shared_ptr<const CGeoPlaceRows> pRows;
        QString strReadError;
        bool bRead = false;
    };
    std::shared_ptr<const CGivenRows> m_pGiven;
    std::shared_ptr<CMapTerritories> m_pTerritories;
    // Places the rows in their territories (DrawDatabasePlaces); the engine's message when
    // the territories cannot be read.
    QString PlaceTerritories();
    // The territories to change: a copy of its own while a drawing elsewhere still holds
    // them, so that what another thread reads is never written.
    CMapTerritories& OwnTerritories();
};
