#pragma once

#include <QByteArray>
#include <QPointF>
#include <QRectF>
#include <QString>

#include <memory>
#include <vector>

// A line or ring of the base map in degrees (x = longitude, y = latitude).
using CGeoLine = std::vector<QPointF>;

// One country of the country file: its code, its bounding box and its rings (the outline of
// the mainland and of every island; each ring closed).
struct CBaseMapCountry {
    QByteArray code;
    QRectF box; // x: west..east, y: south..north
    std::vector<CGeoLine> rings;
};

// What of the shorelines, rivers and borders lies in an extent, at one detail level.
struct CBaseMapLines {
    std::vector<CGeoLine> coasts; // shores of land against the sea
    std::vector<CGeoLine> lakes;  // shores of lakes (closed rings are filled)
    std::vector<CGeoLine> rivers;
    std::vector<CGeoLine> borders; // national borders
};

// A part of the base map where it meets an extent: its points lie `lonShift` degrees east of
// where its file keeps them, a whole number of turns. The country file keeps each country in
// one unbroken run of longitudes: west of 0° some as -180..0, others as 180..360, and those
// that reach across 180° beyond it. A part is placed at every turn where it meets the extent.
template <typename T> struct CBaseMapPlaced {
    std::shared_ptr<const T> part;
    double lonShift = 0;
};

// The shifts by whole turns of 360° (west to east) that carry `box` (degrees) into `extent`;
// none for an extent that is no area. An extent wider than the earth repeats it a few times
// at most.
std::vector<double> BaseMapTurns(const QRectF& box, const QRectF& extent);

// Detail levels of the shorelines, coarse to fine.
enum class BaseMapDetail { Low, Intermediate, High };

// The base map's data as Debian installs it: the country outlines of the Digital Chart of the
// World (gmt-dcw, one netCDF file) and the binned shorelines, rivers and borders of GSHHG
// (gmt-gshhg-low: the low and intermediate levels; gmt-gshhg-high: the high level). A file
// is opened when first needed; a bin or a country is read when first asked for, then kept
// until Release. Safe to use from several threads at once.
class CBaseMapData {
public:
    // The files under /usr/share, or where the environment variables KELVO_DCW_FILE and
    // KELVO_GSHHG_DIR point.
    static CBaseMapData& Shared();
    CBaseMapData(QString dcwFile, QString gshhgDir);
    ~CBaseMapData();

    // Both the country file and the low shorelines are there and readable.
    bool IsAvailable() const;
    // The Debian package whose files are missing ("gmt-dcw", "gmt-gshhg-low"); empty when
    // nothing is missing.
    QString MissingPackage() const;
    // The finest detail installed, not finer than `wanted`.
    BaseMapDetail AvailableDetail(BaseMapDetail wanted) const;

    // The countries whose box meets `extent` (degrees), with their rings, at each turn where
    // they meet it.
    std::vector<CBaseMapPlaced<CBaseMapCountry>> Countries(const QRectF& extent);
    // The lines of every bin that meets `extent`, at `detail`, one part per bin and kind.
    std::vector<CBaseMapPlaced<CBaseMapLines>> Lines(const QRectF& extent, BaseMapDetail detail);
    // Closes the files and forgets what was read of them (what callers hold stays theirs);
    // the next drawing reads again what it needs.
    void Release();

private:
    struct State;
    std::unique_ptr<State> m_pState;
};
