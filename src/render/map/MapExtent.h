#pragma once

// The extent a new map starts from, in degrees: the map of the whole data.
inline constexpr double kDefaultLonWest = 2.5;
inline constexpr double kDefaultLonEast = 17.5;
inline constexpr double kDefaultLatSouth = 45.5;
inline constexpr double kDefaultLatNorth = 55.5;
