#include "render/rows/GeoPlotCells.h"

#include "base/GeoTableDesc.h"
#include "base/TextNumbers.h"
#include "render/rows/GeoPlaceRows.h"
#include "store/GeoFilter.h"
#include "store/GeoRecordset.h"
#include "store/GeoSqlDialect.h"
#include "store/GeoStandardOrder.h"

#include <algorithm>
#include <string>
#include <unordered_map>

using GeoStandardOrder::Value;

CGeoPlotCells::Read CGeoPlotCells::ReadFrom(CGeoDatabase& database, const Project& project,
                                            const CRect& plot, const Box& box,
                                            const std::function<void(int)>& progress,
                                            QString* error) {
    *this = CGeoPlotCells();
    const CGeoOrderedRead ordered(database);
    const qint64 width = plot.Width(), height = plot.Height();
    if (!ordered.SortsInMemory() || width * height > (qint64(1) << 32))
        return Read::Declined;
    m_nLeft = plot.left;
    m_nTop = plot.top;
    m_nWidth = quint32(std::max<qint64>(width, 1));
    const qint64 count = database.GetRecordCount(database.m_Table.m_strTableName);
    if (count > 0)
        m_aCell.reserve(size_t(count));

    const CGeoTableDesc& desc = database.m_Table;
    const QStringList columns = {desc.FieldName(GEO_STAAT), desc.FieldName(GEO_LANGENGRAD),
                                 desc.FieldName(GEO_BREITENGRAD)};
    constexpr int kColumns[] = {0, 1, 2};
    CGeoRecordset rs(database);
    if (!rs.Open(database.Sql().StorageOrderQuery(desc, columns, CGeoFilter()))) {
        *error = rs.Error();
        return Read::Done;
    }
    std::vector<Value::Kind> kinds;
    std::unordered_map<std::string, quint32> byValue;
    std::string key;
    quint32 country = 0;
    int shown = -1;
    for (qint64 k = 0; rs.MoveNext(); ++k) {
        Value dots[3]; // Staat, Langengrad, Breitengrad
        rs.FieldValues(kColumns, 3, dots, 1u << 0);
        const Value& staat = dots[0];
        if (kinds.empty() || staat.kind != kinds[country] ||
            staat.bytes != QByteArrayView(m_aCountryText[country])) {
            key.assign(1, char(staat.kind));
            key.append(staat.bytes.data(), size_t(staat.bytes.size()));
            const auto found = byValue.emplace(key, quint32(kinds.size()));
            if (found.second) {
                m_aCountryText.push_back(staat.bytes.toByteArray());
                kinds.push_back(staat.kind);
                m_aInBox.push_back(0);
            }
            country = found.first->second;
        }
        const double lon = TextNumbers::Atof(dots[1].bytes);
        const double lat = TextNumbers::Atof(dots[2].bytes);
        if (lon >= box.west && lon <= box.east && lat >= box.south && lat <= box.north)
            ++m_aInBox[country];
        const QPoint pt = project(lon, lat);
        if (plot.PtInRect(pt.x(), pt.y())) {
            if (m_aRun.empty() || m_aRun.back().country != country)
                m_aRun.push_back({Size(), Size(), 0, country});
            m_aCell.push_back(quint32(qint64(pt.y() - plot.top) * width + (pt.x() - plot.left)));
            ++m_aRun.back().end;
        }
        if (progress && count > 0) {
            const int percent = int(std::min<qint64>(100, 100 * k / count));
            if (percent != shown)
                progress(shown = percent);
        }
    }
    if (rs.HasError())
        *error = rs.Error();
    rs.Close();
    // The pages read are read once; the markers drawn next take their memory.
    database.ReleaseCache();
    // By Staat alone, each country's runs in the order read.
    bool equalValues = false;
    const std::vector<quint32> rank =
        GeoCountryOrder::Ranks(kinds, m_aCountryText, ordered.Collations().staat, &equalValues);
    if (equalValues) {
        *this = CGeoPlotCells();
        error->clear();
        return Read::Declined;
    }
    for (Run& run : m_aRun)
        run.rank = rank[run.country];
    std::stable_sort(m_aRun.begin(), m_aRun.end(),
                     [](const Run& a, const Run& b) { return a.rank < b.rank; });
    return Read::Done;
}
