#include "render/map/AxisLabels.h"

namespace AxisLabels {

QString Format(double value, int decimals) {
    return QString::asprintf("%5.*f", decimals, value);
}

std::vector<CAxisTick> Ticks(const std::vector<int>& positions, const std::vector<double>& values,
                             const std::function<bool(int, const QString&)>& hasRoom) {
    std::vector<CAxisTick> ticks;
    for (int decimals = kMinDecimals; decimals <= kMaxDecimals; ++decimals) {
        ticks.clear();
        bool alike = false;
        int lastPos = kBeforeFirst;
        QString lastLabel;
        for (size_t i = 0; i < positions.size() && i < values.size(); ++i) {
            CAxisTick tick{positions[i], values[i], Format(values[i], decimals), false};
            tick.bLabelled = hasRoom(tick.nPos - lastPos, tick.strLabel);
            if (tick.bLabelled) {
                alike = alike || tick.strLabel == lastLabel;
                lastPos = tick.nPos;
                lastLabel = tick.strLabel;
            }
            ticks.push_back(tick);
        }
        if (!alike)
            break;
    }
    return ticks;
}

int DecimalsToTellApart(double a, double b) {
    int decimals = kMinDecimals;
    while (decimals < kMaxDecimals && Format(a, decimals) == Format(b, decimals))
        ++decimals;
    return decimals;
}

} // namespace AxisLabels
