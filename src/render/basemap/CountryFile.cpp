#include "render/basemap/CountryFile.h"

#include <hdf5.h>

#include <type_traits>

static_assert(std::is_same_v<hid_t, std::int64_t>);

namespace {

// Each coordinate is an unsigned 16-bit step above the country's minimum; this value in a
// longitude starts a new ring.
constexpr unsigned kRingBreak = 65535;

// An HDF5 object closed when it goes out of scope.
class CHandle {
public:
    CHandle(hid_t id, herr_t (*close)(hid_t)) : m_id(id), m_close(close) {}
    ~CHandle() {
        if (m_id >= 0)
            m_close(m_id);
    }
    CHandle(const CHandle&) = delete;
    CHandle& operator=(const CHandle&) = delete;
    operator hid_t() const { return m_id; }
    bool IsValid() const { return m_id >= 0; }

private:
    hid_t m_id;
    herr_t (*m_close)(hid_t);
};

bool readAttribute(hid_t dataset, const char* name, double* value) {
    if (H5Aexists(dataset, name) <= 0)
        return false;
    const CHandle attribute(H5Aopen(dataset, name, H5P_DEFAULT), H5Aclose);
    return attribute.IsValid() && H5Aread(attribute, H5T_NATIVE_DOUBLE, value) >= 0;
}

// The bounds and the step of one coordinate of a country.
bool readAxis(hid_t file, const QByteArray& name, double* min, double* max, double* scale) {
    const CHandle dataset(H5Dopen2(file, name.constData(), H5P_DEFAULT), H5Dclose);
    return dataset.IsValid() && readAttribute(dataset, "min", min) &&
           readAttribute(dataset, "max", max) && readAttribute(dataset, "scale", scale) &&
           *scale > 0;
}

bool readValues(hid_t file, const QByteArray& name, std::vector<unsigned short>* out) {
    const CHandle dataset(H5Dopen2(file, name.constData(), H5P_DEFAULT), H5Dclose);
    if (!dataset.IsValid())
        return false;
    const CHandle space(H5Dget_space(dataset), H5Sclose);
    hsize_t length = 0;
    if (!space.IsValid() || H5Sget_simple_extent_ndims(space) != 1 ||
        H5Sget_simple_extent_dims(space, &length, nullptr) != 1)
        return false;
    out->resize(size_t(length));
    return length == 0 ||
           H5Dread(dataset, H5T_NATIVE_USHORT, H5S_ALL, H5S_ALL, H5P_DEFAULT, out->data()) >= 0;
}

herr_t collectName(hid_t, const char* name, const H5L_info_t*, void* names) {
    static_cast<std::vector<QByteArray>*>(names)->emplace_back(name);
    return 0;
}

// The file, open for reading, with the library's messages on failures kept quiet.
hid_t openFile(const QString& path) {
    H5Eset_auto2(H5E_DEFAULT, nullptr, nullptr);
    return H5Fopen(path.toLocal8Bit().constData(), H5F_ACC_RDONLY, H5P_DEFAULT);
}

} // namespace

CCountryFile::CCountryFile(QString path) : m_strPath(std::move(path)) {}

CCountryFile::~CCountryFile() = default;

bool CCountryFile::ReadIndex(std::int64_t file) {
    // In the order the variables were written, as libnetcdf gives them: the countries' land
    // is drawn in that order, and where two meet, the smoothed edge drawn last lies on top.
    std::vector<QByteArray> names;
    hsize_t next = 0;
    if (H5Literate(file, H5_INDEX_CRT_ORDER, H5_ITER_INC, &next, collectName, &names) < 0) {
        names.clear();
        next = 0;
        if (H5Literate(file, H5_INDEX_NAME, H5_ITER_INC, &next, collectName, &names) < 0)
            return false;
    }
    for (const QByteArray& name : names) {
        // Countries are named by their two-letter code; states by four letters.
        if (name.size() != 6 || !name.endsWith("_lon"))
            continue;
        Entry entry;
        entry.code = name.left(2);
        double lonMax = 0, latMax = 0;
        if (!readAxis(file, name, &entry.lonMin, &lonMax, &entry.lonScale) ||
            !readAxis(file, entry.code + "_lat", &entry.latMin, &latMax, &entry.latScale))
            continue;
        entry.box = QRectF(QPointF(entry.lonMin, entry.latMin), QPointF(lonMax, latMax));
        m_aEntries.push_back(std::move(entry));
    }
    return true;
}

std::shared_ptr<const CBaseMapCountry> CCountryFile::Load(std::int64_t file,
                                                          const Entry& entry) const {
    auto country = std::make_shared<CBaseMapCountry>();
    country->code = entry.code;
    country->box = entry.box;
    std::vector<unsigned short> lon, lat;
    if (!readValues(file, entry.code + "_lon", &lon) ||
        !readValues(file, entry.code + "_lat", &lat) || lon.size() != lat.size())
        return country;
    CGeoLine ring;
    auto flush = [&] {
        if (ring.size() >= 3)
            country->rings.push_back(std::move(ring));
        ring.clear();
    };
    for (size_t k = 0; k < lon.size(); ++k) {
        if (lon[k] == kRingBreak) {
            flush();
            continue;
        }
        ring.emplace_back(entry.lonMin + lon[k] / entry.lonScale,
                          entry.latMin + lat[k] / entry.latScale);
    }
    flush();
    return country;
}

std::vector<CBaseMapPlaced<CBaseMapCountry>> CCountryFile::Countries(const QRectF& extent) {
    std::vector<CBaseMapPlaced<CBaseMapCountry>> result;
    auto meets = [&](const Entry& entry) { return !BaseMapTurns(entry.box, extent).empty(); };
    bool missing = !m_bIndexRead;
    for (const Entry& entry : m_aEntries)
        missing = missing || (!entry.loaded && meets(entry));
    if (missing) {
        const CHandle file(openFile(m_strPath), H5Fclose);
        if (file.IsValid()) {
            if (!m_bIndexRead)
                ReadIndex(file);
            for (Entry& entry : m_aEntries) {
                if (!entry.loaded && meets(entry))
                    entry.loaded = Load(file, entry);
            }
        }
        m_bIndexRead = true;
    }
    // What the library kept of the objects read goes back to the heap.
    if (missing)
        H5garbage_collect();
    for (const Entry& entry : m_aEntries) {
        if (!entry.loaded)
            continue;
        for (double shift : BaseMapTurns(entry.box, extent))
            result.push_back({entry.loaded, shift});
    }
    return result;
}

void CCountryFile::Release() {
    for (Entry& entry : m_aEntries)
        entry.loaded.reset();
}
