#pragma once

#include "store/GeoRadius.h"

#include <QDialog>

class QLineEdit;

// The radius search dialog ("Umkreissuche"): a centre (postal code, "DE 80331", a place
// name or "lon;lat") and a radius in km, 25 at first. OK finds the centre; when several
// places fit, the user picks one from a list. When the radius is no number or nothing fits
// the centre, a German message says so and the dialog stays open with what was typed. The
// centre is looked for while the program answers; cancelling the dialog meanwhile stops it.
class CDia_Radius : public QDialog {
    Q_OBJECT
public:
    explicit CDia_Radius(QWidget* parent = nullptr);

    void OnOK();

    QLineEdit* m_editCentre;
    QLineEdit* m_editRadius;
    CRadiusCentre m_centre;   // after OK: the centre found
    double m_dRadiusKm = 0.0; // after OK: the radius

private:
    bool m_bLookingUp = false; // the centre is being looked for
};
