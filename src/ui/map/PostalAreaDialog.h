#pragma once

#include "render/territory/PostalAreaFile.h"

#include <QDialog>

class QComboBox;
class QLineEdit;

// "PLZ-Flächen importieren": which column of a polygon file holds the postal code and which
// the country (or one country for the whole file), as guessed, for the user to correct.
class CPostalAreaDialog : public QDialog {
    Q_OBJECT
public:
    CPostalAreaDialog(const QString& path, const CPostalAreaColumns& columns,
                      QWidget* parent = nullptr);
    CTableListMapping Mapping() const;

    void accept() override;

    // Asks for a file and its columns and imports its areas into the open database; false
    // when the user cancelled or the import failed (the user was told why).
    static bool Import(QWidget* parent, QString* report);

private:
    CTableListMapping m_mapping;
    QComboBox* m_pPlz = nullptr;
    QComboBox* m_pStaat = nullptr;
    QLineEdit* m_pCountry = nullptr;
};
