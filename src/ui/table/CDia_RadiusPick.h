#pragma once

#include "store/GeoRadius.h"

#include <QDialog>

class QTreeWidget;

// "Mittelpunkt wählen": the places a radius search's centre text names, best first, with
// Staat, PLZ, Ort and Ortsteil; the first is chosen at the start. OK (or a double-click)
// takes the chosen one. At most kShown places are listed.
class CDia_RadiusPick : public QDialog {
    Q_OBJECT
public:
    static constexpr int kShown = 200;

    CDia_RadiusPick(const QString& text, const QList<CRadiusCentre>& places,
                    QWidget* parent = nullptr);

    // The place chosen (the first when none is).
    const CRadiusCentre& Chosen() const;

    QTreeWidget* m_listPlaces;

private:
    QList<CRadiusCentre> m_aPlaces;
};
