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

// The name to hand GDAL for a text table with NUL bytes: through a read-only file system of
// Kelvo's own in which every NUL reads as TableListTextFile::kNulStandIn.
QByteArray NulFreeName(const QString& path);

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
