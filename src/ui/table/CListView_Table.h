#pragma once

#include "render/table/GeoTableModel.h"
#include "render/table/TableArrange.h"
#include "render/table/TableFill.h"
#include "render/table/TablePrint.h"
#include "store/GeoDatabase.h"
#include "store/GeoFilter.h"
#include "ui/shell/PrintCommands.h"
#include "ui/shell/View.h"

#include <QPointF>
#include <QTableView>

#include <functional>
#include <memory>
#include <optional>

class CGeoDatabase;
class CGeoTableDesc;
class QDialog;
class QPrinter;

// The view of a table window: the rows of table GEO, one column per field, filled once when
// the window opens from the filter the opener left in g_strSearch. Shows the current row's
// number in the status bar.
//
// Its commands: a header click re-sorts the rows (CListView_TableSort.cpp); the record
// dialog, copy, select all, Enter, Ctrl+A and the double-click (CListView_TableCommands.cpp);
// printing and the print preview (CListView_TablePrint.cpp).
class CListView_Table : public QTableView, public CView, public CPrintCommands {
    Q_OBJECT
public:
    explicit CListView_Table(QWidget* parent = nullptr);
    ~CListView_Table() override; // clears the status-bar message

    // Takes the GEO description and the filter in g_strSearch, sets up the columns and fills
    // the rows.
    void OnInitialUpdate() override;
    // The rows changed in the database (an import of this program): read them again (Refill).
    void OnUpdate() override;
    // The new window is up: its record status goes into the status bar.
    void OnFrameShown() override;
    // Reads the rows matching the window's filter (empty: all) in Staat, PLZ order, with progress
    // in the status bar, and leaves the number of matching rows in g_nFoundCount. An engine
    // error is reported; the rows read until then stay.
    //
    // The rows are read on a thread of their own while the window is already shown with its
    // first screen of rows and takes input; Esc, or closing the window, stops the reading and
    // closes the window. Returns when the rows are in (or the reading was stopped).
    void FillTable();
    // How long a new window waits for its first screen before it shows without rows (8 ms):
    // one screen takes about a millisecond to read, and waited for, it comes with the first
    // paint instead of a paint of the empty window and another one.
    static int s_nFirstScreenWaitMs;
    // While the rows are being read; the window was closed when the reading was stopped.
    bool IsFilling() const { return m_bFilling; }
    bool FillWasCancelled() const { return m_bFillCancelled; }
    // While the rows are being read or sorted, a command that needs all of them says so and
    // returns true; it then does nothing.
    bool RowsStillComing();
    // " Datensatz: %6d / %6d" (current row + 1, number of rows) in status pane 0.
    void ShowRecordStatus();

    // Reads the rows again from the window's filter (also "Aktualisieren", F5), keeping the
    // window's order (its sort column or distances), the current and selected rows (by key;
    // a current row whose key is gone by its place) and the scroll position. Clears the
    // title's out-of-date mark.
    void Refill();
    // Whether the rows are still what is stored: the data stamp they were read at is the
    // database's now (a replaced file is opened anew first, and said so).
    bool RowsAreCurrent();
    // When the stored data changed since the rows were read: reads them again, or, while the
    // user is busy in the window (a button held, a sort), marks its title as out of date.
    void CheckForChanges();
    bool IsMarkedOutOfDate() const { return m_bOutOfDate; }
    // The row to open the record dialog for: `row`, or after the rows were read again
    // because they were out of date, the same record's row (by key, else by place); -1, with
    // a message, when the record is no longer there.
    int CurrentRecordRow(int row);
    // After this program saved a memo (shown in every window): windows whose rows had the
    // stamp `before` take the new one, when nobody else wrote meanwhile.
    static void TakeOwnWrite(const CGeoDatabase::CDataStamp& before);

    CGeoTableModel& GetModel() { return m_model; }

    // Re-sorts the rows by a column: the shared direction is inverted first (so the first
    // sort of a run is ascending), the column kept in g_nSortColumn, the selection and the
    // current row move with their rows; the document is titled "GEO Tabelle (Ort -> AZ)".
    // The order is made on a thread of its own from a snapshot of the rows, while the window
    // takes input: Esc stops it and leaves the rows, the direction and the title as they
    // were; a further click meanwhile stops it and sorts anew. Nothing while the rows are
    // read: a click then is kept (the last one, marked in the header) and sorts once they are.
    void OnColumnClick(int column);
    bool IsSorting() const { return m_pSortWait != nullptr; }

    // The record dialog for a row; when it stores the memo, every window shows it. Nothing
    // for a row that does not exist.
    void ShowRecordDialog(int row);
    // The memo as stored now in the rows with the key (column 0's text).
    void ShowStoredMemo(QStringView key, const QString& memo);
    // The same in every table window; map windows that show memos repaint.
    static void ShowStoredMemoEverywhere(QStringView key, const QString& memo);
    // "Datensatz...": the record dialog for m_nCurrentRow; disabled in a window without rows.
    void OnRecordEdit();
    // Selects every row; the last row becomes the current one and gets the focus.
    void OnSelectAllRows();
    // The selected rows in screen order as text on the clipboard, one line each.
    void OnEditCopy();
    // Marks the row's place for the map views, repaints the map view that last had the focus,
    // then opens the record dialog. Nothing for a negative row (below the last one).
    void OnDoubleClick(int row);

    // A radius search's window: the next table window opened gets the distance from the
    // centre (x the longitude, y the latitude) as a last column "Entfernung (km)" and lists
    // its rows nearest first (equal distances keep their Staat, PLZ order), put in that order
    // as they are read. No centre: the next window lists its rows as usual.
    static void ListNextByDistance(std::optional<QPointF> centre);
    // An opener's filter as the tree it built, beside its text in g_strSearch: the next
    // table window, opened while g_strSearch holds exactly the tree's text, reads its rows
    // with the tree and does not read the text back. That window takes it; one opened from
    // any other text reads the text. std::nullopt drops a tree that no window took.
    static void ListNextFiltered(std::optional<CGeoFilter> filter);
    // The selected rows in screen order.
    QList<int> SelectedRows() const;
    // A place chosen elsewhere (on a map): the row with that key becomes the current and only
    // selected row and scrolls into view. False when the window does not list it.
    bool ShowPlace(qint64 key);
    // "Exportieren...": the window's rows, or only the selected ones, as CSV, GeoJSON or KML.
    void OnFileExport();
    // "Als Ortsdatei speichern...": the selected rows as a place file.
    void OnFileSavePlaces();

    // Prints the rows in their current order on the application's printer, after the print
    // dialog when asked for; the preview shows the same pages.
    void OnFilePrint(bool withDialog) override;
    void OnFilePrintPreview() override;

    bool OnCommand(int id) override;
    bool OnUpdateCommand(int id, CCmdUI& ui) override;

    bool m_bShowRecordStatus = true; // false while a sort runs
    int m_nCurrentRow = 0;           // the focused row (current index) the user acted on last
    QString m_strText;               // work text: status texts, titles
    CGeoFilter m_filter;             // the filter the rows were read with (empty: all)
    CGeoDatabase* m_pDatabase;       // g_GeoDatabase
    int m_nSortColumn = -1;          // the column the rows were last sorted by (-1: none)
    bool m_bSortedDescending = false;
    const CGeoTableDesc* m_pTableDesc = nullptr;

protected:
    void focusInEvent(QFocusEvent* event) override;
    // Enter opens the record dialog of m_nCurrentRow, Ctrl+A selects all rows; every key then
    // goes on to the list's own handling.
    void keyPressEvent(QKeyEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    // Once for all the columns while they are set up, not once per change.
    void updateGeometries() override;

private:
    // The order the window keeps its rows in, for rows read anew.
    CTableArrangement Arrangement() const;
    // The rows as they are now, with their columns, for work on another thread: the cells are
    // shared, not copied, and stay as they are when the window's rows change meanwhile.
    std::shared_ptr<const CGeoTableModel> RowsSnapshot() const;
    bool UserIsBusy() const;
    void MarkOutOfDate(bool outOfDate);
    void RefillWhenIdle();
    CGeoDatabase::CDataStamp m_stamp; // of the stored data when the rows were read
    bool m_bStampTaken = false;
    bool m_bOutOfDate = false;
    bool m_bRefilling = false;
    void SetUpColumns();
    void OnColumnResized();
    bool m_bSettingColumns = false;
    bool m_bGeometriesPending = false; // asked for while the columns were set up
    void SetUpDistanceColumn(double lon, double lat);
    bool m_bMarkQueued = false; // the selection is to be marked on the map
    void OnItemChanged(int row);
    void OnSelectionChanged();
    // Prints the rows in their current order, with progress.
    // Prints with a window that shows the pages done and cancels (a preview is then closed).
    // False when the user cancelled.
    bool PrintTo(QPrinter& printer, QDialog* preview = nullptr);

    // Puts rows that were read into the model; when `keepFrom` rows already shown are the
    // same first rows, the current row, the selection and the scrolling stay.
    void TakeRows(CTableRows rows, int keepFrom);
    bool m_bFilling = false;
    bool m_bFillCancelled = false;
    // The rows, the selection, the reading or a sort changed (m_bFilling, m_pSortWait): the
    // states of the commands on the rows follow.
    void CommandStatesChanged();
    // The reading has ended: a header click kept meanwhile sorts now, unless `sort` is false
    // (the window goes).
    void FillEnded(bool sort);
    int m_nSortAfterFill = -1;                // the column of a header click during the reading
    int m_nExports = 0;                       // exports of the rows under way
    class CUsableWait* m_pSortWait = nullptr; // the sort under way
    int m_nSortGeneration = 0;                // counts the sorts begun
    std::function<void()> m_undoSortTop;      // puts back the order a sort's first rows left

    CGeoTableModel m_model;
};
