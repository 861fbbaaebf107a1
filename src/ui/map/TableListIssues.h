#pragma once

#include "render/places/TableList.h"

#include <QWidget>

class QTableWidget;

// The rows of a list that found no place, and those taken with a remark: row number, reason
// and cells, shown beside the map. "Exportieren..." writes them as CSV (UTF-8 with byte-order
// mark, ";", formulas guarded, as the export of a table window); "Schließen" closes the window
// it sits in.
class CTableListIssues : public QWidget {
    Q_OBJECT
public:
    // `listPath`: the list's file, which the export never writes.
    CTableListIssues(const QString& listPath, const CTableList& list, QWidget* parent = nullptr);

    QTableWidget* Table() const { return m_pTable; }
    QSize sizeHint() const override { return {640, 320}; }
    // "14 Postleitzahlen um führende Nullen ergänzt": what the status bar and the window say
    // of the postal codes a spreadsheet had stored as numbers.
    static QString RepairedText(int repaired);
    // Writes the rows to the file; false with the message shown (also for the list's own
    // file).
    bool ExportTo(const QString& path);

private:
    void OnExport();

    QString m_strListPath;
    QTableWidget* m_pTable = nullptr;
};
