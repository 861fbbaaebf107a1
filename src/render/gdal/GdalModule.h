#pragma once

#include "render/gdal/GdalFormats.h"

#include <QString>

// The parts of libkelvo-gdal.so, each in its own file; GdalModule.cpp puts them behind
// CGdalFormats.
namespace GdalModule {

// Registers GDAL's drivers once, with the options Kelvo reads spreadsheets with.
void RegisterDrivers();

// GDAL's messages stay inside while one of these lives; the first failure is kept in
// `failure` (when it is empty so far). A driver that meets damage half-way through a sheet
// says so only this way and hands out the rows it got so far.
class QuietErrors {
public:
    explicit QuietErrors(QString* failure);
    ~QuietErrors();
    QuietErrors(const QuietErrors&) = delete;
    QuietErrors& operator=(const QuietErrors&) = delete;
};

// The name GDAL's file functions read a text table with NUL bytes by: through a read-only
// file system of Kelvo's own in which every NUL reads as TableListTextFile::kNulStandIn.
QByteArray NulFreeFile(const QString& path);

// The separator of a text table: of ";", "," and TAB the one by which the most of the first
// records have two cells or more, then the one giving the most of them the same number of
// cells, then the one giving more cells. GDAL's CSV driver looks at the first line alone and
// takes "," when it holds two kinds (a title "Kunden, Stand 11/2026" above a ";" table).
char TextSeparator(const QByteArray& fileName);

// Whether a file with the ending of a text table starts as text does: no zip archive, no
// compound document, no NUL byte in its first 4 KB.
bool LooksLikeText(const QString& path);

// Reads the records of a text table through GDAL's CSV line reader (quoted fields with
// separators and line breaks in them, a UTF-8 byte-order mark skipped) and hands the cells
// of each to `take` (a null-terminated list), every cell of the line, however many cells
// other lines have; blank lines are skipped. `take` returns false to stop. False when the
// file cannot be opened; GDAL reports a line too long for it as a failure of its own.
bool ReadTextRecords(const QByteArray& fileName, char separator,
                     const std::function<bool(const char* const* cells)>& take);

std::unique_ptr<CGdalTable> OpenTable(const QString& path, bool text, bool nul);
bool WriteSheet(const QString& path, const QByteArray& sheet, const QStringList& columns,
                const QList<QStringList>& rows, QString* message);

bool AreaColumns(const QString& path, int rows, QStringList* names, QList<QStringList>* cells,
                 QString* error);
bool ReadAreas(const QString& path, const CGdalAreaRequest& request, QList<CPostalArea>* areas,
               int* repaired, int* skipped, QString* error);

QList<QPointF> Hull(const std::vector<QPointF>& points, bool concave, double ratio);
std::shared_ptr<const CGdalArea> Union(const QList<QByteArray>& wkbs);

} // namespace GdalModule
