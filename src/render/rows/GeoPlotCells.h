#pragma once

#include "render/draw/DrawTypes.h"
#include "store/GeoDatabase.h"

#include <QByteArray>
#include <QPoint>
#include <QString>

#include <functional>
#include <vector>

// The rows of a database as a map's markers need them and nothing more: the point of each row
// that falls inside a plot, with its country, in the order a map without texts draws them
// (CGeoPlaceRows: by Staat, each country's rows in the table's order), and the rows of each
// country inside a box of longitude and latitude. 4 bytes a row inside the plot instead of the
// map rows' 24, read in one pass and kept by no cache: for a poster drawn once, where holding a
// million map rows would cost more than everything else on its page.
class CGeoPlotCells {
public:
    using Project = std::function<QPoint(double lon, double lat)>;
    struct Box {
        double west, east, south, north;
    };
    enum class Read { Done, Declined };

    // Reads the rows of `database`, projected with `project`, keeping those inside `plot`
    // (PtInRect) and counting each country's rows inside `box` (bounds included). Declined,
    // with nothing kept, where the order above needs more than the rows' Staat and the
    // table's order: an engine that orders the rows itself, Staat values equal but for the
    // case of letters, a plot of more than 2^32 cells. An engine
    // error stops the reading: `error` gets its message and the rows read so far stay.
    // `progress` is told 100 * k / n after row k of n when that changes.
    Read ReadFrom(CGeoDatabase& database, const Project& project, const CRect& plot, const Box& box,
                  const std::function<void(int)>& progress, QString* error);

    quint32 Size() const { return quint32(m_aCell.size()); }
    // The distinct Staat values, exactly as stored, and the rows of each inside the box.
    const std::vector<QByteArray>& Countries() const { return m_aCountryText; }
    const std::vector<qint64>& CountsInBox() const { return m_aInBox; }

    // Calls f(x, y, country) for each row kept, in the map's order or against it.
    template <typename F> void ForEach(F f) const { Walk(f, false); }
    template <typename F> void ForEachBackwards(F f) const { Walk(f, true); }

private:
    // Rows kept one after another with the same country, in the order read.
    struct Run {
        quint32 begin, end, rank, country;
    };
    template <typename F> void Walk(F& f, bool backwards) const {
        const size_t runs = m_aRun.size();
        for (size_t i = 0; i < runs; ++i) {
            const Run& run = m_aRun[backwards ? runs - 1 - i : i];
            for (quint32 j = 0; j < run.end - run.begin; ++j) {
                const quint32 row = backwards ? run.end - 1 - j : run.begin + j;
                const quint32 cell = m_aCell[row];
                f(m_nLeft + int(cell % m_nWidth), m_nTop + int(cell / m_nWidth), run.country);
            }
        }
    }

    std::vector<quint32> m_aCell; // in the order read: (y - top) * width + (x - left)
    std::vector<Run> m_aRun;      // in the map's order
    std::vector<QByteArray> m_aCountryText;
    std::vector<qint64> m_aInBox;
    int m_nLeft = 0, m_nTop = 0;
    quint32 m_nWidth = 1;
};
