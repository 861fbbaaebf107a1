#include "render/basemap/BaseMapData.h"

#include "render/basemap/CountryFile.h"

#include <QFileInfo>

#include <hdf5.h>
#include <malloc.h>
#include <netcdf.h>

#include <algorithm>
#include <cmath>
#include <map>
#include <mutex>

namespace {

const char* const kDefaultDcwFile = "/usr/share/gmt-dcw/dcw-gmt.nc";
const char* const kDefaultGshhgDir = "/usr/share/gmt-gshhg";
constexpr size_t kChunkCacheBytes = 256 * 1024;
constexpr size_t kChunkCacheSlots = 61;
constexpr float kChunkCachePreemption = 0.75f;

// An extent wider than the earth shows it at most this many turns east and west.
constexpr double kMaxTurns = 3;

// The binned files store each point as an unsigned 16-bit step within its bin, the bin's
// side divided into 65535 steps.
constexpr double kBinSteps = 65535.0;

enum class Kind { Shore, River, Border };

char detailLetter(BaseMapDetail detail) {
    switch (detail) {
    case BaseMapDetail::Low:
        return 'l';
    case BaseMapDetail::Intermediate:
        return 'i';
    case BaseMapDetail::High:
        return 'h';
    }
    return 'l';
}

QString binnedFile(const QString& dir, Kind kind, BaseMapDetail detail) {
    const char* name = kind == Kind::Shore ? "GSHHS" : kind == Kind::River ? "river" : "border";
    return QStringLiteral("%1/binned_%2_%3.nc")
        .arg(dir, QLatin1String(name), QChar(QLatin1Char(detailLetter(detail))));
}

bool readable(const QString& path) {
    const QFileInfo info(path);
    return info.isFile() && info.isReadable();
}

template <typename T> bool readWhole(int nc, const char* name, std::vector<T>* out) {
    int var = 0, ndims = 0, dim = 0;
    size_t length = 0;
    if (nc_inq_varid(nc, name, &var) != NC_NOERR || nc_inq_varndims(nc, var, &ndims) != NC_NOERR ||
        ndims != 1 || nc_inq_vardimid(nc, var, &dim) != NC_NOERR ||
        nc_inq_dimlen(nc, dim, &length) != NC_NOERR)
        return false;
    out->resize(length);
    if (length == 0)
        return true;
    if constexpr (sizeof(T) == 2)
        return nc_get_var_short(nc, var, reinterpret_cast<short*>(out->data())) == NC_NOERR;
    else
        return nc_get_var_int(nc, var, reinterpret_cast<int*>(out->data())) == NC_NOERR;
}

bool readScalar(int nc, const char* name, int* value) {
    int var = 0;
    return nc_inq_varid(nc, name, &var) == NC_NOERR && nc_get_var_int(nc, var, value) == NC_NOERR;
}

// Reads `count` values of a variable of segments from `start`.
template <typename T>
bool readSlice(int nc, int var, size_t start, size_t count, std::vector<T>* out) {
    out->resize(count);
    if (count == 0)
        return true;
    if constexpr (sizeof(T) == 2)
        return nc_get_vara_short(nc, var, &start, &count, reinterpret_cast<short*>(out->data())) ==
               NC_NOERR;
    else
        return nc_get_vara_int(nc, var, &start, &count, reinterpret_cast<int*>(out->data())) ==
               NC_NOERR;
}

// Reads `count` values from `start` as the unsigned 16-bit steps they are; the binned files
// declare them signed, the country file unsigned.
bool readRange(int nc, int var, size_t start, size_t count, std::vector<unsigned short>* out) {
    out->resize(count);
    if (count == 0)
        return true;
    nc_type type = NC_NAT;
    if (nc_inq_vartype(nc, var, &type) != NC_NOERR)
        return false;
    if (type == NC_USHORT)
        return nc_get_vara_ushort(nc, var, &start, &count, out->data()) == NC_NOERR;
    return type == NC_SHORT && nc_get_vara_short(nc, var, &start, &count,
                                                 reinterpret_cast<short*>(out->data())) == NC_NOERR;
}

// One binned file: its bins' index and the lines of the bins read so far.
struct BinFile {
    int nc = -1;
    bool bOpened = false;
    int nBinsX = 0;
    double dBinSize = 0.0; // degrees
    // The bins' index is read whole; of the segments' index and the points only the parts
    // of the bins asked for.
    std::vector<int> firstSegment;
    std::vector<short> segmentsInBin;
    int infoVar = -1;                  // shorelines: points, level and bin sides in one number
    int pointsVar = -1, levelVar = -1; // rivers and borders
    int firstPointVar = -1, lonVar = -1, latVar = -1;
    std::map<int, std::shared_ptr<const CBaseMapLines>> bins;

    ~BinFile() {
        if (nc >= 0)
            nc_close(nc);
    }

    bool Open(const QString& path, Kind kind) {
        bOpened = true;
        if (nc_open(path.toLocal8Bit().constData(), NC_NOWRITE, &nc) != NC_NOERR) {
            nc = -1;
            return false;
        }
        int minutes = 0;
        bool ok =
            readScalar(nc, "Bin_size_in_minutes", &minutes) &&
            readScalar(nc, "N_bins_in_360_longitude_range", &nBinsX) && minutes > 0 && nBinsX > 0 &&
            readWhole(nc, "Id_of_first_segment_in_a_bin", &firstSegment) &&
            readWhole(nc, "N_segments_in_a_bin", &segmentsInBin) &&
            nc_inq_varid(nc, "Id_of_first_point_in_a_segment", &firstPointVar) == NC_NOERR &&
            nc_inq_varid(nc, "Relative_longitude_from_SW_corner_of_bin", &lonVar) == NC_NOERR &&
            nc_inq_varid(nc, "Relative_latitude_from_SW_corner_of_bin", &latVar) == NC_NOERR;
        if (kind == Kind::Shore)
            ok = ok && nc_inq_varid(nc, "Embedded_npts_levels_exit_entry_for_a_segment",
                                    &infoVar) == NC_NOERR;
        else
            ok = ok && nc_inq_varid(nc, "N_points_for_a_segment", &pointsVar) == NC_NOERR &&
                 nc_inq_varid(nc, "Hierarchial_level_of_a_segment", &levelVar) == NC_NOERR;
        dBinSize = minutes / 60.0;
        if (!ok || firstSegment.size() != segmentsInBin.size()) {
            nc_close(nc);
            nc = -1;
            return false;
        }
        return true;
    }

    // Bin b's south-west corner, longitudes east of 180 turned west.
    QPointF Corner(int b) const {
        double lon = (b % nBinsX) * dBinSize;
        if (lon >= 180.0)
            lon -= 360.0;
        return QPointF(lon, 90.0 - (b / nBinsX + 1) * dBinSize);
    }

    std::shared_ptr<const CBaseMapLines> Bin(int b, Kind kind, BaseMapDetail detail) {
        auto it = bins.find(b);
        if (it != bins.end())
            return it->second;
        auto lines = std::make_shared<CBaseMapLines>();
        const int first = firstSegment[size_t(b)], count = segmentsInBin[size_t(b)];
        // The bin's segments: where their points start, how many and of which level.
        std::vector<int> firstPoint, info;
        std::vector<short> segmentPoints, segmentLevel;
        const bool indexOk =
            count > 0 && first >= 0 &&
            readSlice(nc, firstPointVar, size_t(first), size_t(count), &firstPoint) &&
            (kind == Kind::Shore
                 ? readSlice(nc, infoVar, size_t(first), size_t(count), &info)
                 : readSlice(nc, pointsVar, size_t(first), size_t(count), &segmentPoints) &&
                       readSlice(nc, levelVar, size_t(first), size_t(count), &segmentLevel));
        auto points = [&](int i) {
            if (kind == Kind::Shore)
                return int(unsigned(info[size_t(i)]) >> 9);
            return int(static_cast<unsigned short>(segmentPoints[size_t(i)]));
        };
        std::vector<unsigned short> lon, lat;
        size_t start = 0, end = 0;
        if (indexOk) {
            start = size_t(firstPoint.front());
            end = size_t(firstPoint.back()) + size_t(points(count - 1));
        }
        if (indexOk && end >= start && readRange(nc, lonVar, start, end - start, &lon) &&
            readRange(nc, latVar, start, end - start, &lat)) {
            const QPointF sw = Corner(b);
            const double step = dBinSize / kBinSteps;
            const int maxRiver = detail == BaseMapDetail::High ? 4 : 3;
            for (int i = 0; i < count; ++i) {
                const size_t from = size_t(firstPoint[size_t(i)]);
                const size_t n = size_t(points(i));
                if (from < start || from + n > end || n < 2)
                    continue;
                std::vector<CGeoLine>* target = nullptr;
                if (kind == Kind::Shore) {
                    const int level = (info[size_t(i)] >> 6) & 7;
                    target = level == 1 || level == 3   ? &lines->coasts
                             : level == 2 || level == 4 ? &lines->lakes
                                                        : nullptr;
                } else if (kind == Kind::River) {
                    const int level = segmentLevel[size_t(i)];
                    target = level >= 1 && level <= maxRiver ? &lines->rivers : nullptr;
                } else if (segmentLevel[size_t(i)] == 1) {
                    target = &lines->borders;
                }
                if (!target)
                    continue;
                CGeoLine line;
                line.reserve(n);
                for (size_t k = from - start; k < from - start + n; ++k)
                    line.emplace_back(sw.x() + lon[k] * step, sw.y() + lat[k] * step);
                target->push_back(std::move(line));
            }
        }
        bins.emplace(b, lines);
        return lines;
    }
};

} // namespace

std::vector<double> BaseMapTurns(const QRectF& box, const QRectF& extent) {
    std::vector<double> turns;
    const QRectF area = extent.normalized();
    if (!std::isfinite(area.left()) || !std::isfinite(area.right()) || area.isEmpty())
        return turns;
    const double first = std::max(-kMaxTurns, std::floor((area.left() - box.right()) / 360.0));
    const double last = std::min(kMaxTurns, std::ceil((area.right() - box.left()) / 360.0));
    for (double k = first; k <= last; ++k) {
        if (box.translated(k * 360.0, 0).intersects(area))
            turns.push_back(k * 360.0);
    }
    return turns;
}

struct CBaseMapData::State {
    QString dcwFile, gshhgDir;
    std::mutex mutex; // libnetcdf and libhdf5 are not safe for use from several threads
    std::unique_ptr<CCountryFile> countries;
    std::map<std::pair<int, int>, BinFile> binFiles;
};

CBaseMapData& CBaseMapData::Shared() {
    static CBaseMapData data(
        qEnvironmentVariable("KELVO_DCW_FILE", QLatin1String(kDefaultDcwFile)),
        qEnvironmentVariable("KELVO_GSHHG_DIR", QLatin1String(kDefaultGshhgDir)));
    return data;
}

CBaseMapData::CBaseMapData(QString dcwFile, QString gshhgDir)
    : m_pState(std::make_unique<State>()) {
    // The library shuts itself down at exit; started before the shared data exists, it does
    // so after the data has closed its files.
    H5open();
    m_pState->countries = std::make_unique<CCountryFile>(dcwFile);
    m_pState->dcwFile = std::move(dcwFile);
    m_pState->gshhgDir = std::move(gshhgDir);
    // The parts of a variable are read in the order they lie: a small cache of chunks serves
    // that as well as the library's default.
    nc_set_chunk_cache(kChunkCacheBytes, kChunkCacheSlots, kChunkCachePreemption);
}

CBaseMapData::~CBaseMapData() = default;

QString CBaseMapData::MissingPackage() const {
    if (!readable(m_pState->dcwFile))
        return QStringLiteral("gmt-dcw");
    if (!readable(binnedFile(m_pState->gshhgDir, Kind::Shore, BaseMapDetail::Low)))
        return QStringLiteral("gmt-gshhg-low");
    return QString();
}

bool CBaseMapData::IsAvailable() const {
    return MissingPackage().isEmpty();
}

BaseMapDetail CBaseMapData::AvailableDetail(BaseMapDetail wanted) const {
    if (wanted == BaseMapDetail::High &&
        !readable(binnedFile(m_pState->gshhgDir, Kind::Shore, BaseMapDetail::High)))
        return BaseMapDetail::Intermediate;
    return wanted;
}

std::vector<CBaseMapPlaced<CBaseMapCountry>> CBaseMapData::Countries(const QRectF& extent) {
    std::lock_guard lock(m_pState->mutex);
    return m_pState->countries->Countries(extent);
}

std::vector<CBaseMapPlaced<CBaseMapLines>> CBaseMapData::Lines(const QRectF& extent,
                                                               BaseMapDetail detail) {
    std::lock_guard lock(m_pState->mutex);
    std::vector<CBaseMapPlaced<CBaseMapLines>> result;
    for (Kind kind : {Kind::Shore, Kind::River, Kind::Border}) {
        BinFile& file = m_pState->binFiles[{int(kind), int(detail)}];
        if (!file.bOpened)
            file.Open(binnedFile(m_pState->gshhgDir, kind, detail), kind);
        if (file.nc < 0)
            continue;
        const int bins = int(file.firstSegment.size());
        for (int b = 0; b < bins; ++b) {
            const std::vector<double> turns =
                BaseMapTurns(QRectF(file.Corner(b), QSizeF(file.dBinSize, file.dBinSize)), extent);
            if (turns.empty())
                continue;
            const auto lines = file.Bin(b, kind, detail);
            for (double shift : turns)
                result.push_back({lines, shift});
        }
    }
    return result;
}

void CBaseMapData::Release() {
    std::lock_guard lock(m_pState->mutex);
    m_pState->countries->Release();
    m_pState->binFiles.clear();
    // The libraries keep freed blocks for reuse, and the heap keeps what is freed in its
    // middle: both go back to the system, as the places drawn next take their memory in
    // blocks of their own.
    H5garbage_collect();
    malloc_trim(0);
}
