#pragma once

#include "render/export/Export.h"

#include <QDialog>

class QCheckBox;
class QRadioButton;

// "Exportieren": the format (CSV for German spreadsheets, international CSV, GeoJSON, KML)
// and which rows go out: all rows of the window, or only the selected ones when there are
// any. The file is asked for afterwards. For the German CSV, "Formeln nicht ausführen"
// (on at first; OK keeps its state in the settings) puts a ' before formula-like cells.
class CDia_Export : public QDialog {
    Q_OBJECT
public:
    CDia_Export(int rows, int selectedRows, QWidget* parent = nullptr);

    Export::Format GetFormat() const;
    bool SelectedOnly() const;
    Export::COptions GetOptions() const;

    QRadioButton* m_radioCsv;
    QRadioButton* m_radioCsvIntl;
    QRadioButton* m_radioGeoJson;
    QRadioButton* m_radioKml;
    QRadioButton* m_radioAll;
    QRadioButton* m_radioSelected;
    QCheckBox* m_checkNoFormulas;
};
