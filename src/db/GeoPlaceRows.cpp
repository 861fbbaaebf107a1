#include "db/GeoPlaceRows.h"

#include "db/GeoRecordset.h"
#include "db/GeoTableDesc.h"
#include "db/TextNumbers.h"

#include <algorithm>
#include <string>
#include <unordered_map>

using GeoStandardOrder::Compare;
using GeoStandardOrder::Value;

namespace {

// Staat, PLZ, Ort, Ortsteil, Langengrad, Breitengrad, Memo: the columns read.
enum Read { R_STAAT, R_PLZ, R_ORT, R_ORTSTEIL, R_LON, R_LAT, R_MEMO };
constexpr int kReadFields[] = {GEO_STAAT,      GEO_PLZ,         GEO_ORT, GEO_ORTSTEIL,
                               GEO_LANGENGRAD, GEO_BREITENGRAD, GEO_MEMO};

template <typename T>
std::vector<T> permuted(const std::vector<T>& values, const std::vector<quint32>& order) {
    std::vector<T> out(order.size());
    for (size_t i = 0; i < order.size(); ++i)
        out[i] = values[order[i]];
    return out;
}

} // namespace

Value CGeoPlaceRows::CountryValue(quint32 row) const {
    const quint32 c = m_aCountry[row];
    return {m_aCountryKind[c], m_aCountryText[c]};
}

Value CGeoPlaceRows::PlzValue(quint32 row) const {
    return m_texts.Cell(m_aTextRow[row], Plz);
}

std::shared_ptr<CGeoPlaceRows> CGeoPlaceRows::Read(CGeoDatabase& database, int count,
                                                   const std::function<void(int)>& progress,
                                                   QString* error) {
    std::shared_ptr<CGeoPlaceRows> rows(new CGeoPlaceRows);
    rows->m_stamp = database.DataStamp();
    const CGeoOrderedRead ordered(database);
    rows->m_bSorted = ordered.SortsInMemory();
    rows->m_collations = ordered.Collations();
    QStringList columns;
    for (int field : kReadFields)
        columns << database.m_Table.FieldName(field);

    CGeoRecordset rs(database);
    std::vector<Point> points;
    std::vector<quint32> countries;
    if (count > 0) {
        points.reserve(size_t(count));
        countries.reserve(size_t(count));
        rows->m_texts.Reserve(quint32(count));
    }
    // Countries are few: a row mostly has the previous row's.
    std::unordered_map<std::string, quint32> countryIds;
    std::string key;
    quint32 previous = 0;
    static constexpr int kTextFields[] = {R_PLZ, R_ORT, R_ORTSTEIL, R_MEMO};
    if (rs.Open(ordered.Query(columns))) {
        for (qint64 k = 0; rs.MoveNext(); ++k) {
            const Value::Kind kind = rs.FieldKind(R_STAAT);
            const QByteArrayView staat = rs.FieldUtf8(R_STAAT);
            if (k == 0 || kind != rows->m_aCountryKind[previous] ||
                staat != QByteArrayView(rows->m_aCountryText[previous])) {
                key.assign(1, char(kind));
                key.append(staat.data(), size_t(staat.size()));
                const auto found = countryIds.emplace(key, quint32(rows->m_aCountryText.size()));
                if (found.second) {
                    rows->m_aCountryText.push_back(staat.toByteArray());
                    rows->m_aCountryKind.push_back(kind);
                }
                previous = found.first->second;
            }
            countries.push_back(previous);
            rows->m_texts.Append(rs, kTextFields);
            points.push_back(
                {TextNumbers::Atof(rs.FieldUtf8(R_LON)), TextNumbers::Atof(rs.FieldUtf8(R_LAT))});
            if (progress)
                progress(count > 0 ? int(std::min<qint64>(100, 100 * k / count)) : 100);
        }
    }
    if (rs.HasError())
        *error = rs.Error();

    const CGeoPlaceRows& read = *rows;
    rows->m_aTextRow = ordered.Order(quint32(points.size()), [&](quint32 r, Value& s, Value& p) {
        s = {read.m_aCountryKind[countries[r]], read.m_aCountryText[countries[r]]};
        p = read.m_texts.Cell(r, Plz);
    });
    rows->m_aPoint = permuted(points, rows->m_aTextRow);
    points = {};
    rows->m_aCountry = permuted(countries, rows->m_aTextRow);
    return rows;
}

qint64 CGeoPlaceRows::Find(QByteArrayView staat, QByteArrayView plz) const {
    const Value wantedStaat{Value::Text, staat}, wantedPlz{Value::Text, plz};
    auto matches = [&](quint32 row) {
        const Value s = CountryValue(row), p = PlzValue(row);
        return s.kind == Value::Text && p.kind == Value::Text &&
               Compare(s, wantedStaat, m_collations.staat) == 0 &&
               Compare(p, wantedPlz, m_collations.plz) == 0;
    };
    if (!m_bSorted) {
        for (quint32 row = 0; row < Size(); ++row) {
            if (matches(row))
                return row;
        }
        return -1;
    }
    // The first row whose key is not below the wanted one.
    quint32 low = 0, high = Size();
    while (low < high) {
        const quint32 mid = low + (high - low) / 2;
        int c = Compare(CountryValue(mid), wantedStaat, m_collations.staat);
        if (c == 0)
            c = Compare(PlzValue(mid), wantedPlz, m_collations.plz);
        if (c < 0)
            low = mid + 1;
        else
            high = mid;
    }
    return low < Size() && matches(low) ? qint64(low) : -1;
}

size_t CGeoPlaceRows::MemoryBytes() const {
    size_t bytes = m_aPoint.capacity() * sizeof(Point) + m_aCountry.capacity() * sizeof(quint32) +
                   m_aTextRow.capacity() * sizeof(quint32) + m_texts.MemoryBytes();
    for (const QByteArray& text : m_aCountryText)
        bytes += size_t(text.capacity());
    return bytes;
}
