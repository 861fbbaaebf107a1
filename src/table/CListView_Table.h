#pragma once

#include "app/View.h"
#include "table/GeoTableModel.h"

#include <QTableView>

class CGeoDatabase;
class CGeoTableDesc;

// The view of a table window: the rows of table GEO, one column per field, filled once when
// the window opens from the filter the opener left in g_strSearch. Shows the current row's
// number in the status bar.
class CListView_Table : public QTableView, public CView {
    Q_OBJECT
public:
    explicit CListView_Table(QWidget* parent = nullptr);
    ~CListView_Table() override; // clears the status-bar message

    // Takes the GEO description, sets up the columns and fills the rows.
    void OnInitialUpdate() override;
    // Reads the rows matching g_strSearch (empty: all) in Staat, PLZ order, with progress
    // in the status bar, and leaves the number of matching rows in g_nFoundCount. An engine
    // error is reported; the rows read until then stay.
    void FillTable();
    // " Datensatz: %6d / %6d" (current row + 1, number of rows) in status pane 0.
    void ShowRecordStatus();

    CGeoTableModel& GetModel() { return m_model; }

    bool m_bShowRecordStatus = true; // false while a sort runs
    int m_nCurrentRow = 0;           // row of the last row-state change
    QString m_strText;               // work text: status texts, titles
    CGeoDatabase* m_pDatabase;       // g_GeoDatabase
    const CGeoTableDesc* m_pTableDesc = nullptr;

protected:
    void focusInEvent(QFocusEvent* event) override;

private:
    void SetUpColumns();
    void OnItemChanged(int row);
    void OnSelectionChanged(const QItemSelection& selected, const QItemSelection& deselected);

    CGeoTableModel m_model;
};
