// The radius search around 10115 Berlin (25 km: finding the centre, the box and exact distance
// in SQL, the rows read, nearest first) against the nearby search's 1 % box around the same
// point on the default map (the rows a map double-click lists), both read as table rows.
#include "BenchRegistry.h"

#include "render/table/GeoTableModel.h"
#include "render/table/TableDistance.h"
#include "render/table/TableFill.h"
#include "store/GeoDatabase.h"
#include "store/GeoFilter.h"
#include "store/GeoRadius.h"

#include <cstdio>

namespace {

CRadiusCentre berlin(CGeoDatabase& db) {
    CRadiusCentre centre;
    QString error;
    if (!GeoRadius::FindCentre(db, QStringLiteral("DE 10115"), &centre, &error))
        std::fprintf(stderr, "%s\n", qPrintable(error));
    return centre;
}

void boxQuery(CGeoDatabase& db) {
    static const CRadiusCentre centre = berlin(db);
    // 1 % of the default extent (15 x 10 degrees) to each side of the point.
    CGeoTableModel model;
    FillTableModel(db, db.m_Table,
                   GeoFilter::Nearby(centre.dLon - 0.15, centre.dLon + 0.15, centre.dLat - 0.1,
                                     centre.dLat + 0.1),
                   model, nullptr);
}

void radiusSearch(CGeoDatabase& db) {
    const CRadiusCentre centre = berlin(db);
    CGeoTableModel model;
    FillTableModel(db, db.m_Table, GeoRadius::Filter(centre, 25), model, nullptr);
    TableDistance::ShowDistances(model, centre.dLon, centre.dLat);
}

const BenchRegistrar boxFigure({"search", "nearby-box", boxQuery});
const BenchRegistrar radiusFigure({"search", "radius", radiusSearch});

} // namespace
