// What a canvas needs to be drawn on another thread: a copy draws with rows it is given, and
// the canvas takes the copy's picture and what it drew of the place list.
#include "render/map/MapCanvas.h"

#include "render/draw/DeviceContext.h"

#include <QPainter>

#include <algorithm>
#include <utility>

bool CMapCanvas::WantsTexts() const {
    if (m_bShowNames || m_bShowMemos || UsesTerritories())
        return true;
    // The entries are looked up, and labelled, by the rows' texts.
    return m_bShowFilePlaces && m_pPlaces && !m_pPlaces->isEmpty();
}

void CMapCanvas::DrawFrame(QSize clientSize, QSize outerSize) {
    if (clientSize.isEmpty()) {
        m_imgBackBuffer = QImage();
        return;
    }
    // A buffer of its own: the picture shown before may still be wanted back.
    m_imgBackBuffer = QImage(clientSize, QImage::Format_RGB32);
    m_imgBackBuffer.fill(Qt::white);
    QPainter painter(&m_imgBackBuffer);
    CDeviceContext dc(painter);
    DrawAxes(dc, outerSize);
}

void CMapCanvas::GiveRows(std::shared_ptr<const CGeoPlaceRows> rows, const QString& readError,
                          bool read) {
    m_pGiven = std::make_shared<const CGivenRows>(CGivenRows{std::move(rows), readError, read});
    // A copy draws into a buffer of its own, never into one it shares with the original.
    m_imgBackBuffer = QImage();
}

QString CMapCanvas::TakeRepaint(const CMapCanvas& drawn, const QString& report) {
    m_imgBackBuffer = drawn.m_imgBackBuffer;
    m_rectPlot = drawn.m_rectPlot;
    // The extent as drawn: with true proportions the drawing fits it to the window.
    m_dLonWest = drawn.m_dLonWest;
    m_dLonEast = drawn.m_dLonEast;
    m_dLatSouth = drawn.m_dLatSouth;
    m_dLatNorth = drawn.m_dLatNorth;
    m_strText = drawn.m_strText;
    m_strDrawError = drawn.m_strDrawError;
    m_pRows = drawn.m_pRows;
    m_lookup = drawn.m_lookup;
    m_pTerritories = drawn.m_pTerritories;
    // Where the entries were drawn; their blink phases went on here meanwhile.
    std::vector<CPlaceState> states = drawn.m_aPlaceState;
    for (size_t i = 0; i < states.size() && i < m_aPlaceState.size(); ++i) {
        if (m_aPlaceState[i].bDrawn)
            states[i].bBlinkPhase = m_aPlaceState[i].bBlinkPhase;
    }
    m_aPlaceState = std::move(states);
    if (m_pPlaces) {
        const size_t count = std::min(size_t(m_pPlaces->size()), m_aPlaceState.size());
        for (size_t i = 0; i < count; ++i) {
            const QPoint pt = m_aPlaceState[i].pt;
            const CPlaceEntry& entry = std::as_const(*m_pPlaces)[qsizetype(i)];
            // Written only where it moved: the list may still be shared with a copy.
            if (m_aPlaceState[i].bDrawn && (entry.m_nX != pt.x() || entry.m_nY != pt.y())) {
                CPlaceEntry& stored = (*m_pPlaces)[qsizetype(i)];
                stored.m_nX = pt.x();
                stored.m_nY = pt.y();
            }
        }
    }
    return report;
}

void CMapCanvas::RestoreBackBuffer(const QImage& image, const CRect& plot) {
    m_imgBackBuffer = image;
    m_rectPlot = plot;
}
