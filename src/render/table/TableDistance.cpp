#include "render/table/TableDistance.h"

#include "base/GeoDistance.h"
#include "base/TextNumbers.h"
#include "render/table/GeoTableModel.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <utility>

namespace TableDistance {

double DistanceKm(QByteArrayView lonText, QByteArrayView latText, double lon0, double lat0) {
    double lon = 0, lat = 0;
    if (!TextNumbers::ParseNumber(lonText, &lon) || !TextNumbers::ParseNumber(latText, &lat))
        return std::nan("");
    return GeoDistance::HaversineKm(lon0, lat0, lon, lat);
}

std::vector<int> DistanceOrder(const CGeoTableModel& model, bool descending) {
    std::vector<std::pair<double, int>> keys(size_t(model.RowCount()));
    for (int i = 0; i < model.RowCount(); ++i) {
        const double km = model.Distance(i);
        keys[size_t(i)] = {std::isnan(km) ? std::numeric_limits<double>::infinity() : km, i};
    }
    using Key = std::pair<double, int>;
    std::stable_sort(keys.begin(), keys.end(), [descending](const Key& a, const Key& b) {
        return descending ? b.first < a.first : a.first < b.first;
    });
    std::vector<int> order(keys.size());
    for (size_t i = 0; i < keys.size(); ++i)
        order[i] = keys[i].second;
    return order;
}

void ShowDistances(CGeoTableModel& model, double lon, double lat) {
    model.SetDistanceCentre(lon, lat);
    const std::vector<int> order = DistanceOrder(model, false);
    model.ApplyOrder(order);
}

} // namespace TableDistance
