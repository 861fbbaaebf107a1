#include "table/CDia_Export.h"

#include <QDialogButtonBox>
#include <QGroupBox>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

namespace {

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
    m_radioGeoJson = new QRadioButton(QStringLiteral("&GeoJSON (Punkte mit allen Feldern)"));
    m_radioKml = new QRadioButton(QStringLiteral("&KML (Ortsmarken mit Ort und Memo)"));
    m_radioCsv->setChecked(true);
    m_radioAll = new QRadioButton(QStringLiteral("&Alle Zeilen des Fensters (%1)").arg(rows));
    m_radioSelected =
        new QRadioButton(QStringLiteral("Nur die &gewählten Zeilen (%1)").arg(selectedRows));
    m_radioAll->setChecked(true);
    m_radioSelected->setEnabled(selectedRows > 0);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    buttons->button(QDialogButtonBox::Ok)->setText(QStringLiteral("Weiter..."));
    buttons->button(QDialogButtonBox::Cancel)->setText(QStringLiteral("Abbrechen"));
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(
        group(QStringLiteral("Format"), {m_radioCsv, m_radioGeoJson, m_radioKml}, this));
    layout->addWidget(group(QStringLiteral("Zeilen"), {m_radioAll, m_radioSelected}, this));
    layout->addWidget(buttons);
}

Export::Format CDia_Export::GetFormat() const {
    if (m_radioGeoJson->isChecked())
        return Export::Format::GeoJson;
    if (m_radioKml->isChecked())
        return Export::Format::Kml;
    return Export::Format::Csv;
}

bool CDia_Export::SelectedOnly() const {
    return m_radioSelected->isChecked();
}
