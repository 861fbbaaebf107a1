#pragma once

#include "render/basemap/BaseMapData.h"

#include <QByteArray>
#include <QRectF>
#include <QString>

#include <cstdint>
#include <memory>
#include <vector>

// The country file of the base map (gmt-dcw's netCDF-4 file, which is an HDF5 file with one
// pair of variables XX_lon, XX_lat per country). Read through libhdf5 rather than libnetcdf:
// opening the file through libnetcdf (or GDAL's netCDF driver, which opens it the same way)
// reads the description of all of its thousand variables, 55 MB of heap with the smallest
// chunk cache and 89 MB with the default, where a map needs a handful; the index of the
// countries read here takes 3.5 MB while the file is open. The file is open only while
// something is read from it. Not safe for use from several threads; the caller locks.
class CCountryFile {
public:
    explicit CCountryFile(QString path);
    ~CCountryFile();

    // The countries whose box meets `extent` (degrees) at each turn where they meet it,
    // their rings read when first asked for and then kept.
    std::vector<CBaseMapPlaced<CBaseMapCountry>> Countries(const QRectF& extent);
    // Forgets the rings read; the boxes stay.
    void Release();

private:
    struct Entry {
        QByteArray code;
        QRectF box;
        double lonMin = 0, lonScale = 1, latMin = 0, latScale = 1;
        std::shared_ptr<const CBaseMapCountry> loaded;
    };

    bool ReadIndex(std::int64_t file); // an HDF5 file id
    std::shared_ptr<const CBaseMapCountry> Load(std::int64_t file, const Entry& entry) const;

    QString m_strPath;
    bool m_bIndexRead = false;
    std::vector<Entry> m_aEntries;
};
