#pragma once

#include "render/map/MapPoster.h"

#include <QDialog>

class QCheckBox;
class QComboBox;
class QDoubleSpinBox;
class QLabel;
class QLineEdit;
class QRadioButton;
class QSpinBox;

// "Karte als Poster drucken": the paper (A4 to A0 or a size of one's own), orientation,
// margins, title, date, legend, the point sizes of names and markers, whether to print on A4
// pages, and where to (a printer or a PDF file). What the user chose last is offered again
// (in the settings under "Poster/"); the title starts empty each time.
class CPosterDialog : public QDialog {
    Q_OBJECT
public:
    // `baseMap`: the map shows the base map, whose credit the poster then names too; `legend`
    // and `markerPoints` are the window's.
    CPosterDialog(bool baseMap, bool legend, int markerPoints, QWidget* parent = nullptr);

    // The poster as chosen; the date is today's or none.
    CPosterOptions Options() const;
    bool Legend() const;
    // A PDF file, and which; otherwise a printer.
    bool ToPdf() const;
    QString PdfPath() const;

    void accept() override;

private:
    void ShowCustomSize();
    void ChoosePdf();

    QComboBox* m_pPaper = nullptr;
    QSpinBox* m_pWidth = nullptr;
    QSpinBox* m_pHeight = nullptr;
    QComboBox* m_pOrientation = nullptr;
    QDoubleSpinBox* m_pMargin = nullptr;
    QLineEdit* m_pTitle = nullptr;
    QCheckBox* m_pDate = nullptr;
    QCheckBox* m_pLegend = nullptr;
    QSpinBox* m_pNamePoints = nullptr;
    QSpinBox* m_pMarkerPoints = nullptr;
    QCheckBox* m_pTiles = nullptr;
    QRadioButton* m_pPrinter = nullptr;
    QRadioButton* m_pPdf = nullptr;
    QLineEdit* m_pPdfPath = nullptr;
};
