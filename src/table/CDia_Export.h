#pragma once

#include "export/Export.h"

#include <QDialog>

class QRadioButton;

// "Exportieren": the format (CSV, GeoJSON, KML) and which rows go out: all rows of the
// window, or only the selected ones when there are any. The file is asked for afterwards.
class CDia_Export : public QDialog {
    Q_OBJECT
public:
    CDia_Export(int rows, int selectedRows, QWidget* parent = nullptr);

    Export::Format GetFormat() const;
    bool SelectedOnly() const;

    QRadioButton* m_radioCsv;
    QRadioButton* m_radioGeoJson;
    QRadioButton* m_radioKml;
    QRadioButton* m_radioAll;
    QRadioButton* m_radioSelected;
};
