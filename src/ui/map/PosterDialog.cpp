#include "ui/map/PosterDialog.h"

#include "ui/shell/MessageBox.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QDoubleSpinBox>
#include <QFileDialog>
#include <QFileInfo>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSettings>
#include <QSpinBox>
#include <QVBoxLayout>

namespace {

QSettings settings() {
    return QSettings(QStringLiteral("Arnvik"), QStringLiteral("Kelvo"));
}

const QString kCustom = QStringLiteral("Eigenes Format");

QSpinBox* spin(int low, int high, int value, const QString& suffix) {
    auto* box = new QSpinBox;
    box->setRange(low, high);
    box->setValue(value);
    box->setSuffix(suffix);
    return box;
}

} // namespace

CPosterDialog::CPosterDialog(bool baseMap, bool legend, int markerPoints, QWidget* parent)
    : QDialog(parent) {
    setObjectName(QStringLiteral("PosterDialog"));
    setWindowTitle(QStringLiteral("Karte als Poster drucken"));
    QSettings s = settings();

    m_pPaper = new QComboBox;
    m_pPaper->setObjectName(QStringLiteral("paper"));
    m_pPaper->addItems({QStringLiteral("A0"), QStringLiteral("A1"), QStringLiteral("A2"),
                        QStringLiteral("A3"), QStringLiteral("A4"), kCustom});
    m_pPaper->setCurrentText(
        s.value(QStringLiteral("Poster/Papier"), QStringLiteral("A1")).toString());
    m_pWidth = spin(50, 5000, s.value(QStringLiteral("Poster/Breite"), 1000).toInt(), " mm");
    m_pHeight = spin(50, 5000, s.value(QStringLiteral("Poster/Hoehe"), 700).toInt(), " mm");
    m_pWidth->setObjectName(QStringLiteral("width"));
    m_pHeight->setObjectName(QStringLiteral("height"));
    auto* custom = new QHBoxLayout;
    custom->addWidget(m_pWidth);
    custom->addWidget(new QLabel(QStringLiteral("×")));
    custom->addWidget(m_pHeight);
    custom->addStretch();
    connect(m_pPaper, &QComboBox::currentTextChanged, this, &CPosterDialog::ShowCustomSize);

    m_pOrientation = new QComboBox;
    m_pOrientation->setObjectName(QStringLiteral("orientation"));
    m_pOrientation->addItems({QStringLiteral("Querformat"), QStringLiteral("Hochformat")});
    m_pOrientation->setCurrentIndex(s.value(QStringLiteral("Poster/Hochformat"), false).toBool());
    m_pMargin = new QDoubleSpinBox;
    m_pMargin->setObjectName(QStringLiteral("margin"));
    m_pMargin->setLocale(QLocale(QLocale::German, QLocale::Germany));
    m_pMargin->setRange(0, 100);
    m_pMargin->setDecimals(1);
    m_pMargin->setSuffix(QStringLiteral(" mm"));
    m_pMargin->setValue(s.value(QStringLiteral("Poster/Rand"), 15.0).toDouble());

    m_pTitle = new QLineEdit;
    m_pTitle->setObjectName(QStringLiteral("title"));
    m_pDate = new QCheckBox(QStringLiteral("Datum drucken"));
    m_pDate->setChecked(s.value(QStringLiteral("Poster/Datum"), true).toBool());
    m_pLegend = new QCheckBox(QStringLiteral("Legende"));
    m_pLegend->setChecked(legend);
    m_pNamePoints = spin(4, 72, s.value(QStringLiteral("Poster/Namen"), 12).toInt(), " pt");
    m_pNamePoints->setObjectName(QStringLiteral("namePoints"));
    m_pMarkerPoints = spin(1, 36, std::max(1, markerPoints), " pt");
    m_pMarkerPoints->setObjectName(QStringLiteral("markerPoints"));
    m_pMarkerPoints->setToolTip(QStringLiteral("Seitenlänge des Quadrats eines Orts"));
    m_pTiles = new QCheckBox(QStringLiteral("Auf A4-Seiten aufteilen"));
    m_pTiles->setObjectName(QStringLiteral("tiles"));
    m_pTiles->setToolTip(QStringLiteral("Druckt das Poster in Teilen auf A4-Seiten, die sich um "
                                        "1 cm überlappen, mit Schnittmarken und Seitenzahlen. "
                                        "Ein Drucker ohne so großes Papier tut das von selbst."));
    m_pTiles->setChecked(s.value(QStringLiteral("Poster/A4Seiten"), false).toBool());

    m_pPrinter = new QRadioButton(QStringLiteral("Drucker"));
    m_pPdf = new QRadioButton(QStringLiteral("PDF-Datei:"));
    m_pPdf->setObjectName(QStringLiteral("toPdf"));
    (s.value(QStringLiteral("Poster/PDF"), true).toBool() ? m_pPdf : m_pPrinter)->setChecked(true);
    m_pPdfPath = new QLineEdit(s.value(QStringLiteral("Poster/Datei")).toString());
    m_pPdfPath->setObjectName(QStringLiteral("pdfPath"));
    auto* browse = new QPushButton(QStringLiteral("Durchsuchen..."));
    connect(browse, &QPushButton::clicked, this, &CPosterDialog::ChoosePdf);
    auto* pdfRow = new QHBoxLayout;
    pdfRow->addWidget(m_pPdf);
    pdfRow->addWidget(m_pPdfPath, 1);
    pdfRow->addWidget(browse);

    QString credit = QStringLiteral("Postleitzahlen: GeoNames, CC BY 4.0");
    if (baseMap)
        credit += QStringLiteral("\nGrundkarte: DCW-GMT und GSHHG, GNU LGPL");

    auto* form = new QFormLayout;
    form->addRow(QStringLiteral("&Papierformat:"), m_pPaper);
    form->addRow(QStringLiteral("Eigene Größe:"), custom);
    form->addRow(QStringLiteral("&Ausrichtung:"), m_pOrientation);
    form->addRow(QStringLiteral("&Ränder:"), m_pMargin);
    form->addRow(QStringLiteral("&Titel:"), m_pTitle);
    form->addRow(QString(), m_pDate);
    form->addRow(QString(), m_pLegend);
    form->addRow(QStringLiteral("Schriftgröße der &Namen:"), m_pNamePoints);
    form->addRow(QStringLiteral("Größe der &Marker:"), m_pMarkerPoints);
    form->addRow(QStringLiteral("Quellenangabe:"), new QLabel(credit));
    form->addRow(QString(), m_pTiles);
    form->addRow(QStringLiteral("Ausgabe:"), m_pPrinter);
    form->addRow(QString(), pdfRow);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    buttons->button(QDialogButtonBox::Ok)->setText(QStringLiteral("Drucken"));
    buttons->button(QDialogButtonBox::Cancel)->setText(QStringLiteral("Abbrechen"));
    connect(buttons, &QDialogButtonBox::accepted, this, &CPosterDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addWidget(buttons);
    ShowCustomSize();
}

void CPosterDialog::ShowCustomSize() {
    const bool custom = m_pPaper->currentText() == kCustom;
    m_pWidth->setEnabled(custom);
    m_pHeight->setEnabled(custom);
}

void CPosterDialog::ChoosePdf() {
    const QString path =
        QFileDialog::getSaveFileName(this, QStringLiteral("Poster als PDF-Datei speichern"),
                                     m_pPdfPath->text(), QStringLiteral("PDF-Dateien (*.pdf)"));
    if (!path.isEmpty()) {
        m_pPdfPath->setText(path);
        m_pPdf->setChecked(true);
    }
}

CPosterOptions CPosterDialog::Options() const {
    CPosterOptions options;
    if (m_pPaper->currentText() == kCustom)
        MapPoster::PageSizeFromName(
            QStringLiteral("%1x%2").arg(m_pWidth->value()).arg(m_pHeight->value()),
            &options.pageSize);
    else
        MapPoster::PageSizeFromName(m_pPaper->currentText(), &options.pageSize);
    options.orientation =
        m_pOrientation->currentIndex() == 1 ? QPageLayout::Portrait : QPageLayout::Landscape;
    options.dMarginMm = m_pMargin->value();
    options.strTitle = m_pTitle->text();
    if (m_pDate->isChecked())
        options.date = QDate::currentDate();
    options.nNamePoints = m_pNamePoints->value();
    options.nMarkerPoints = m_pMarkerPoints->value();
    if (m_pTiles->isChecked())
        options.tilePageSize = QPageSize(QPageSize::A4);
    return options;
}

bool CPosterDialog::Legend() const {
    return m_pLegend->isChecked();
}

bool CPosterDialog::ToPdf() const {
    return m_pPdf->isChecked();
}

QString CPosterDialog::PdfPath() const {
    QString path = m_pPdfPath->text().trimmed();
    if (!path.isEmpty() && QFileInfo(path).suffix().isEmpty())
        path += QStringLiteral(".pdf");
    return path;
}

void CPosterDialog::accept() {
    if (ToPdf() && PdfPath().isEmpty()) {
        KelvoMessageBox(QStringLiteral("Bitte den Namen der PDF-Datei angeben."), this);
        m_pPdfPath->setFocus();
        return;
    }
    // The poster's own margins must leave room for the map.
    const QSizeF area = MapPoster::Layout(Options()).paintRect(QPageLayout::Point).size();
    if (area.width() < 200 || area.height() < 200) {
        KelvoMessageBox(QStringLiteral("Die Ränder sind zu breit für das Papier."), this);
        m_pMargin->setFocus();
        return;
    }
    QSettings s = settings();
    s.setValue(QStringLiteral("Poster/Papier"), m_pPaper->currentText());
    s.setValue(QStringLiteral("Poster/Breite"), m_pWidth->value());
    s.setValue(QStringLiteral("Poster/Hoehe"), m_pHeight->value());
    s.setValue(QStringLiteral("Poster/Hochformat"), m_pOrientation->currentIndex() == 1);
    s.setValue(QStringLiteral("Poster/Rand"), m_pMargin->value());
    s.setValue(QStringLiteral("Poster/Datum"), m_pDate->isChecked());
    s.setValue(QStringLiteral("Poster/Namen"), m_pNamePoints->value());
    s.setValue(QStringLiteral("Poster/A4Seiten"), m_pTiles->isChecked());
    s.setValue(QStringLiteral("Poster/PDF"), m_pPdf->isChecked());
    s.setValue(QStringLiteral("Poster/Datei"), m_pPdfPath->text());
    QDialog::accept();
}
