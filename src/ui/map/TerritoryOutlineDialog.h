#pragma once

#include "render/territory/TerritoryOutlineShape.h"

#include <QDialog>

class QDoubleSpinBox;
class QRadioButton;

// "Gebietsumrisse einstellen": the convex hull around a territory's places or a concave one,
// and how tight it is. The choice is remembered for the map windows opened later.
class CTerritoryOutlineDialog : public QDialog {
    Q_OBJECT
public:
    explicit CTerritoryOutlineDialog(const CTerritoryOutlineShape& shape,
                                     QWidget* parent = nullptr);
    CTerritoryOutlineShape Shape() const;

    // The shape last chosen (the convex hull before any choice), and remembering one.
    static CTerritoryOutlineShape Remembered();
    static void Remember(const CTerritoryOutlineShape& shape);

private:
    QRadioButton* m_pConvex = nullptr;
    QRadioButton* m_pConcave = nullptr;
    QDoubleSpinBox* m_pRatio = nullptr;
};
