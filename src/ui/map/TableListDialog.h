#pragma once

#include "render/places/TableList.h"

#include <QDialog>

#include <array>
#include <optional>

class CTableListFile;
class QComboBox;
class QLineEdit;
class QSpinBox;
class QTableWidget;

// "Liste öffnen": the first rows of a list and the columns guessed for Staat, PLZ, Ort,
// label, date, group, marker size and blinking, for the user to correct before the list is
// placed. The mapping chosen is remembered for files named alike (digits aside:
// "kunden_2026.xlsx" and "Kunden_2027.xlsx" share one), with its sheet: a workbook that has
// a sheet of that name opens on it.
class CTableListDialog : public QDialog {
    Q_OBJECT
public:
    // `preview` is the first rows of the open `file` with the guess (TableList::Preview);
    // other sheets are shown from the same file, which must outlive the dialog.
    CTableListDialog(CTableListFile& file, const CTableList& preview, QWidget* parent = nullptr);

    // The sheet and the mapping as the dialog shows them.
    QString Sheet() const;
    CTableListMapping Mapping() const;

    // The pattern under which a file's mapping is remembered, and the remembered mapping
    // (false when there is none for this pattern and sheet).
    static QString NamePattern(const QString& path);
    static bool Remembered(const QString& path, CTableListMapping* mapping, QString* sheet);
    static void Remember(const QString& path, const CTableListMapping& mapping,
                         const QString& sheet);

    void accept() override;

private:
    void LoadSheet(const QString& sheet);
    void ShowPreview();
    void ShowMapping(const CTableListMapping& mapping);
    void FillColumnNames();

    CTableListFile& m_file;
    QString m_strPath;
    CTableList m_preview;
    std::optional<CTableListMapping> m_remembered; // for files named alike
    QString m_strRememberedSheet;                  // the sheet it was chosen for
    QComboBox* m_pSheet = nullptr;
    QTableWidget* m_pTable = nullptr;
    QSpinBox* m_pHeader = nullptr;
    QLineEdit* m_pCountry = nullptr;
    std::array<QComboBox*, CTableListMapping::RoleCount> m_aRole{};
};
