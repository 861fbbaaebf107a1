#pragma once

#include "render/table/TableFill.h"

#include <atomic>

class CGeoDatabase;
class CGeoFilter;
class CGeoTableDesc;

// The first screen of a radius search's window, nearest first, without waiting for every row:
// where a map of the same database keeps every row's position in memory (and they still show
// the stored data), the nearest are picked from there and only they are read, by their keys.
namespace TableNearest {

// The first screen of a window that lists the rows of `filter` by their distance from
// (lon, lat): `count` rows picked from the map rows in use, when there are such rows for the
// stored data as it is now and `filter` keeps only rows within a distance of that centre;
// otherwise no first screen (count 0).
CFirstScreen Screen(CGeoDatabase& db, const CGeoFilter& filter, double lon, double lat, int count);

// The first rows of that window as the whole read, put by distance, begins: every row up to
// the distance of the last one (rows at the same distance in the standard order). About
// `screen.count` of them, fewer where the rows at the last distance would be too many or the
// map rows hold positions that are no numbers; none on an error or when cancelled.
CTableRows ReadScreen(CGeoDatabase& db, const CGeoTableDesc& desc, const CGeoFilter& filter,
                      const CFirstScreen& screen, const std::atomic<bool>* cancel = nullptr);

} // namespace TableNearest
