#pragma once

#include <QtGlobal>

class QWidget;
struct CTerritoryData;

// A territory clicked in the "Gebiete" panel: its places are ringed on the map that last had
// the focus, and a table window lists them ("Gebiet Nord"; "Orte ohne Gebiet" for the
// places in none). Clicking the territory again while its window is open and shows the same
// places brings that window forward instead of opening another.
namespace TerritoryShow {

void Show(QWidget* panel, const CTerritoryData& data, qint64 territory);

} // namespace TerritoryShow
