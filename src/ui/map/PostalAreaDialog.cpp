#include "ui/map/PostalAreaDialog.h"

#include "store/GeoDatabase.h"
#include "ui/shell/Globals.h"
#include "ui/shell/MessageBox.h"

#include <QApplication>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QFileInfo>
#include <QFormLayout>
#include <QLineEdit>
#include <QVBoxLayout>

CPostalAreaDialog::CPostalAreaDialog(const QString& path, const CPostalAreaColumns& columns,
                                     QWidget* parent)
    : QDialog(parent), m_mapping(columns.mapping) {
    setObjectName(QStringLiteral("PostalAreaDialog"));
    setWindowTitle(QStringLiteral("PLZ-Flächen importieren: %1").arg(QFileInfo(path).fileName()));
    m_pPlz = new QComboBox(this);
    m_pPlz->setObjectName(QStringLiteral("PlzColumn"));
    m_pStaat = new QComboBox(this);
    m_pStaat->setObjectName(QStringLiteral("StaatColumn"));
    m_pStaat->addItem(QStringLiteral("(ein Staat für die ganze Datei)"));
    for (const QString& name : columns.names) {
        m_pPlz->addItem(name);
        m_pStaat->addItem(name);
    }
    m_pPlz->setCurrentIndex(m_mapping.Column(CTableListMapping::Plz));
    m_pStaat->setCurrentIndex(m_mapping.Column(CTableListMapping::Staat) + 1);
    m_pCountry = new QLineEdit(m_mapping.strCountry, this);
    m_pCountry->setObjectName(QStringLiteral("Country"));
    m_pCountry->setMaxLength(2);
    m_pCountry->setEnabled(m_pStaat->currentIndex() == 0);
    connect(m_pStaat, &QComboBox::currentIndexChanged, this,
            [this](int index) { m_pCountry->setEnabled(index == 0); });

    auto* form = new QFormLayout;
    form->addRow(QStringLiteral("&Postleitzahl:"), m_pPlz);
    form->addRow(QStringLiteral("&Staat:"), m_pStaat);
    form->addRow(QStringLiteral("Staat der &ganzen Datei:"), m_pCountry);
    auto* buttons =
        new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, Qt::Horizontal, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &CPostalAreaDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addWidget(buttons);
}

CTableListMapping CPostalAreaDialog::Mapping() const {
    return m_mapping;
}

void CPostalAreaDialog::accept() {
    const QString country = m_pCountry->text().trimmed().toUpper();
    if (m_pPlz->currentIndex() < 0) {
        KelvoMessageBox(QStringLiteral("Die Datei hat keine Spalte für die Postleitzahl."), this);
        return;
    }
    if (m_pStaat->currentIndex() == 0 &&
        (country.size() != 2 || !country[0].isLetter() || !country[1].isLetter())) {
        KelvoMessageBox(QStringLiteral("Bitte den Staat als zwei Buchstaben angeben, etwa DE."),
                        this);
        return;
    }
    m_mapping.aColumn[CTableListMapping::Plz] = m_pPlz->currentIndex();
    m_mapping.aColumn[CTableListMapping::Staat] = m_pStaat->currentIndex() - 1;
    m_mapping.strCountry = country;
    QDialog::accept();
}

bool CPostalAreaDialog::Import(QWidget* parent, QString* report) {
    QString path;
    {
        QFileDialog dialog(parent, QStringLiteral("PLZ-Flächen importieren"), QString(),
                           QStringLiteral("Polygondateien (*.geojson *.json *.shp *.gpkg);;"
                                          "Alle Dateien (*)"));
        dialog.setObjectName(QStringLiteral("PostalAreaFileDialog"));
        dialog.setAcceptMode(QFileDialog::AcceptOpen);
        dialog.setFileMode(QFileDialog::ExistingFile);
        if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
            return false;
        path = dialog.selectedFiles().first();
    }
    CPostalAreaColumns columns;
    QString error;
    if (!PostalAreaFile::Columns(path, &columns, &error)) {
        KelvoMessageBox(error, parent);
        return false;
    }
    CPostalAreaDialog dialog(path, columns, parent);
    if (dialog.exec() != QDialog::Accepted)
        return false;
    QApplication::setOverrideCursor(Qt::WaitCursor);
    const bool imported =
        PostalAreaFile::Import(g_GeoDatabase, path, dialog.Mapping(), report, &error);
    QApplication::restoreOverrideCursor();
    if (!imported)
        KelvoMessageBox(error, parent);
    return imported;
}
