#include "ui/table/CDia_Export.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QPushButton>
#include <QRadioButton>
#include <QSettings>
#include <QVBoxLayout>

namespace {

const char* const kNoFormulasKey = "Export/FormelnNichtAusfuehren";

QSettings settings() {
    return QSettings(QStringLiteral("Arnvik"), QStringLiteral("Kelvo"));
}

QGroupBox* group(const QString& title, const QList<QRadioButton*>& buttons, QWidget* parent) {
    auto* box = new QGroupBox(title, parent);
    auto* layout = new QVBoxLayout(box);
    for (QRadioButton* button : buttons)
        layout->addWidget(button);
    return box;
}

} // namespace

CDia_Export::CDia_Export(int rows, int selectedRows, QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("Dia_Export"));
    setWindowTitle(QStringLiteral("Exportieren"));

    m_radioCsv = new QRadioButton(QStringLiteral("&CSV für Tabellenkalkulationen (;-getrennt)"));
    m_radioCsvIntl =
        new QRadioButton(QStringLiteral("CSV (international, Komma-getrennt, Dezimalpunkt)"));
    m_radioGeoJson = new QRadioButton(QStringLiteral("&GeoJSON (Punkte mit allen Feldern)"));
    m_radioKml = new QRadioButton(QStringLiteral("&KML (Ortsmarken mit Ort und Memo)"));
    m_radioCsv->setChecked(true);
    m_checkNoFormulas = new QCheckBox(QStringLiteral("Formeln nicht ausführen"));
    m_checkNoFormulas->setToolTip(
        QStringLiteral("Zellen, die mit =, +, - oder @ beginnen, bekommen ein ' davor, damit "
                       "die Tabellenkalkulation sie als Text zeigt und nicht ausführt."));
    m_checkNoFormulas->setChecked(settings().value(QLatin1String(kNoFormulasKey), true).toBool());
    connect(m_radioCsv, &QRadioButton::toggled, m_checkNoFormulas, &QCheckBox::setEnabled);
    m_radioAll = new QRadioButton(QStringLiteral("&Alle Zeilen des Fensters (%1)").arg(rows));
    m_radioSelected =
        new QRadioButton(QStringLiteral("Nur die &gewählten Zeilen (%1)").arg(selectedRows));
    m_radioAll->setChecked(true);
    m_radioSelected->setEnabled(selectedRows > 0);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    buttons->button(QDialogButtonBox::Ok)->setText(QStringLiteral("Weiter..."));
    buttons->button(QDialogButtonBox::Cancel)->setText(QStringLiteral("Abbrechen"));
    connect(buttons, &QDialogButtonBox::accepted, this, [this] {
        if (m_checkNoFormulas->isEnabled())
            settings().setValue(QLatin1String(kNoFormulasKey), m_checkNoFormulas->isChecked());
        accept();
    });
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    auto* layout = new QVBoxLayout(this);
    QGroupBox* formats = group(QStringLiteral("Format"),
                               {m_radioCsv, m_radioCsvIntl, m_radioGeoJson, m_radioKml}, this);
    // The check box belongs to the German CSV: right below it, indented.
    auto* guardRow = new QHBoxLayout;
    guardRow->addSpacing(20);
    guardRow->addWidget(m_checkNoFormulas);
    static_cast<QVBoxLayout*>(formats->layout())->insertLayout(1, guardRow);
    layout->addWidget(formats);
    layout->addWidget(group(QStringLiteral("Zeilen"), {m_radioAll, m_radioSelected}, this));
    layout->addWidget(buttons);
}

Export::Format CDia_Export::GetFormat() const {
    if (m_radioCsvIntl->isChecked())
        return Export::Format::CsvInternational;
    if (m_radioGeoJson->isChecked())
        return Export::Format::GeoJson;
    if (m_radioKml->isChecked())
        return Export::Format::Kml;
    return Export::Format::Csv;
}

bool CDia_Export::SelectedOnly() const {
    return m_radioSelected->isChecked();
}

Export::COptions CDia_Export::GetOptions() const {
    Export::COptions options;
    options.bGuardFormulas = m_checkNoFormulas->isChecked();
    return options;
}
