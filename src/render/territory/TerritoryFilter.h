#pragma once

#include "render/territory/TerritoryAssigner.h"
#include "store/GeoFilter.h"

#include <vector>

class CGeoPlaceRows;

// A filter of GEO that finds the places of one territory, so that a table window can list
// them: a run of postal codes whose places are all in it is one range of PLZ, the places of
// a code it shares with others are found one by one. The filter holds the assignment as it
// was when it was made.
namespace TerritoryFilter {

// The places that `placements` (PlaceRows over `rows`, which need their texts) put into
// `territory` (0: into none). The empty filter when there are none: it would keep every row,
// so the caller must not use it then.
CGeoFilter PlacesIn(const CGeoPlaceRows& rows,
                    const std::vector<CTerritoryAssigner::Placement>& placements, qint64 territory);

} // namespace TerritoryFilter
