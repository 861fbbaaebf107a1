#pragma once

#include <QString>

#include <functional>
#include <vector>

// The grid lines of one map axis and the labels written at them.
struct CAxisTick {
    int nPos = 0;      // device position of the grid line
    double dValue = 0; // degrees at the line
    QString strLabel;  // the value as written
    bool bLabelled = false;
};

namespace AxisLabels {

inline constexpr int kMinDecimals = 2;
inline constexpr int kMaxDecimals = 6;

// A value as an axis label: "%5.2f", or with more decimals.
QString Format(double value, int decimals = kMinDecimals);

// Where the last label written stands before the first one: far before the axis.
inline constexpr int kBeforeFirst = -100;

// The labels of an axis whose grid lines lie at `positions` with the degrees `values`, in
// drawing order. A label is written where `hasRoom(distance, label)` says there is room
// for it after the last one written (kBeforeFirst for the first). Labels have two decimals
// ("%5.2f"), unless two neighbouring labels would then read alike: then as many decimals,
// up to six, as make all of them differ.
std::vector<CAxisTick> Ticks(const std::vector<int>& positions, const std::vector<double>& values,
                             const std::function<bool(int, const QString&)>& hasRoom);

// The fewest decimals (two to six) with which two values print differently; six when even
// they print alike.
int DecimalsToTellApart(double a, double b);

} // namespace AxisLabels
