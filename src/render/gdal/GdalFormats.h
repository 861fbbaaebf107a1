#pragma once

#include "render/territory/PostalAreas.h"

#include <QList>
#include <QPointF>
#include <QRectF>
#include <QString>
#include <QStringList>

#include <functional>
#include <memory>
#include <vector>

// Everything Kelvo reads or writes through GDAL/OGR lives in a module of its own,
// libkelvo-gdal.so, loaded on first use: GDAL and what it pulls in (PROJ, GEOS, poppler,
// xerces and a hundred more) are some 36 MB of code that every start of the programs would
// map otherwise, though most never open a spreadsheet or a polygon file. What goes in and
// out here is plain data; the readers and writers in render give it its meaning.

// A spreadsheet or text table opened read-only.
class CGdalTable {
public:
    virtual ~CGdalTable() = default;
    // The sheets in file order.
    virtual QStringList SheetNames() const = 0;
    // Hands each row of the sheet in order to `take` (false stops): the number the driver
    // gives it and its cells as the driver's bytes, null for a cell not set. False when the
    // sheet is not there.
    using RowTaker = std::function<bool(qint64 fid, const std::vector<const char*>& cells)>;
    virtual bool ReadRows(const QString& sheet, const RowTaker& take) = 0;
    // A text table's separator: the one guessed at opening (';', ',' or TAB) until another
    // is set. 0 for a spreadsheet, which ignores SetSeparator.
    virtual char Separator() const = 0;
    virtual void SetSeparator(char separator) = 0;
    // The first failure the driver reported on the file since it was opened, empty when none.
    virtual QString Failure() const = 0;
};

// The union of postal-code areas, in degrees.
class CGdalArea {
public:
    virtual ~CGdalArea() = default;
    // The rings (outer and inner) within `extent`, simplified so that no corner is left that
    // is nearer than `tolerance` degrees to the line without it. Each ring closes on its
    // first corner.
    virtual QList<QList<QPointF>> Rings(const QRectF& extent, double tolerance) const = 0;
    // The area as a GeoJSON geometry object.
    virtual QByteArray Json() const = 0;
};

// Which columns of a polygon file hold what (-1: none), and what a file may hold at most.
struct CGdalAreaRequest {
    int plzField = -1;
    int staatField = -1;
    QString country; // for every feature when there is no Staat column
    qint64 maxAreas = 0;
    qint64 maxPoints = 0;
};

class CGdalFormats {
public:
    // Raised whenever the calls below change, so that a module of another build is refused.
    static constexpr int kVersion = 2;

    virtual ~CGdalFormats() = default;

    // A table of the user's: `text` for CSV and TSV (read without header or types), else
    // XLSX or ODS (every cell as text). `nul`: a text file with NUL bytes, each read as
    // TableListTextFile::kNulStandIn. Null when GDAL does not take it for a table.
    virtual std::unique_ptr<CGdalTable> OpenTable(const QString& path, bool text, bool nul) = 0;
    // Writes one sheet named `sheet` to the XLSX file `path` (created anew). False with
    // GDAL's message, if it gave one.
    virtual bool WriteSheet(const QString& path, const QByteArray& sheet,
                            const QStringList& columns, const QList<QStringList>& rows,
                            QString* message) = 0;

    // The attribute columns of the first layer with areas of a polygon file and the cells of
    // its first `rows` features. False with a German message.
    virtual bool AreaColumns(const QString& path, int rows, QStringList* names,
                             QList<QStringList>* cells, QString* error) = 0;
    // The areas of a polygon file, as PostalAreaFile::Read describes them.
    virtual bool ReadAreas(const QString& path, const CGdalAreaRequest& request,
                           QList<CPostalArea>* areas, int* repaired, int* skipped,
                           QString* error) = 0;

    // The convex hull of the points, or a concave one of that tightness (from 0 to 1): its
    // corners in order, not closed; empty when it is no polygon, line or point.
    virtual QList<QPointF> Hull(const std::vector<QPointF>& points, bool concave, double ratio) = 0;
    // The union of areas given as well-known binary (polygons and multipolygons; others are
    // left out). Null when none is left.
    virtual std::shared_ptr<const CGdalArea> Union(const QList<QByteArray>& wkbs) = 0;
};

// The entry point of the module: the formats when `version` is CGdalFormats::kVersion,
// else null.
extern "C" {
using KelvoGdalEntry = CGdalFormats* (*)(int version);
}

namespace GdalFormats {

// The module's file name.
inline constexpr char kFileName[] = "libkelvo-gdal.so";

// The module, loaded on the first call from the program's folder (the build tree) or the
// installed one, and kept for the rest of the run. Null with a German message in `error`
// when it is missing or broken.
CGdalFormats* Get(QString* error = nullptr);

// Loads the first of `candidates` that exists. Null with a German message when none does,
// or the one found is cut short, cannot be loaded or is of another build.
CGdalFormats* Load(const QStringList& candidates, QString* error);

} // namespace GdalFormats
