#pragma once

#include "render/table/TableFill.h"

#include <atomic>

class CGeoDatabase;
class CGeoFilter;
class CGeoTableDesc;

// The first screen of a radius search's window, nearest first, without waiting for every row:
// where a map of the same database keeps every row's position in memory (and they still show
// the stored data), the nearest are picked from there and only they are read, by their keys;
// where the engine keeps an index of the positions, the rows within a small radius are read,
// the radius growing until they are enough.
namespace TableNearest {

// The first screen of a window that lists the rows of `filter` by their distance from
// (lon, lat), when `filter` keeps only rows within a distance of that centre: `count` rows,
// picked from the map rows in use where there are such rows for the stored data as it is now;
// otherwise no first screen (count 0).
CFirstScreen Screen(CGeoDatabase& db, const CGeoFilter& filter, double lon, double lat, int count);

// The first rows of that window as the whole read, put by distance, begins: every row up to
// the distance of the last one (rows at the same distance in the standard order). About
// `screen.count` of them, fewer where the rows at the last distance would be too many or the
// map rows hold positions that are no numbers, at least `screen.count` from the engine's
// index; none on an error, when cancelled, without map rows on an engine without that index,
// and where half the window's radius holds too few rows.
CTableRows ReadScreen(CGeoDatabase& db, const CGeoTableDesc& desc, const CGeoFilter& filter,
                      const CFirstScreen& screen, const std::atomic<bool>* cancel = nullptr);

} // namespace TableNearest
