// Filling a table window: the rows are read on a thread of their own, with a connection of
// its own, while the window shows its first screen of rows and takes input.
#include "ui/table/CListView_Table.h"

#include "base/StepTrace.h"
#include "render/table/TableFillJob.h"
#include "render/table/TableNearest.h"
#include "store/GeoDatabase.h"
#include "ui/shell/ChildFrame.h"
#include "ui/shell/DocTemplate.h"
#include "ui/shell/Document.h"
#include "ui/shell/Globals.h"
#include "ui/shell/KelvoApp.h"
#include "ui/shell/MainFrame.h"
#include "ui/shell/MessageBox.h"
#include "ui/shell/StatusBarProgress.h"
#include "ui/table/UsableWait.h"

#include <QApplication>
#include <QPointer>
#include <QScrollBar>

#include <optional>

namespace {

// Rows read first, before all of them: more than a screen holds.
constexpr int kFirstRows = 200;

} // namespace

int CListView_Table::s_nFirstScreenWaitMs = 8;

void CListView_Table::FillTable() {
    g_nFoundCount = 0;
    m_bFillCancelled = false;
    // A database another program held is tried again; while it still does, no rows.
    CKelvoApp::EnsureDatabase();
    // Taken before the rows are read: whatever is written meanwhile is read next time.
    m_stamp = m_pDatabase->DataStamp();
    m_bStampTaken = true;
    CTableFillResult result;
    if (!m_pDatabase->IsOpen()) {
        // No rows and no error.
        SetUpColumns();
        CStatusBarProgress progress;
        result = FillTableModel(*m_pDatabase, *m_pTableDesc, m_filter, m_model, &progress);
    } else {
        QPointer<CListView_Table> self(this);
        CStatusBarProgress progress(Qt::BusyCursor);
        progress.Start(TableFillCaption(*m_pTableDesc));
        // The first screen comes in the standard order (from the order's index where the file
        // has one; a filter's only then). The rows are put in the window's order on the same
        // thread; a window sorted by a column gets them all at once. Nearest first needs every
        // distance: a window by distance gets its first screen where a map keeps every row's
        // position in memory (picked from there and read by key) or the engine an index of
        // the positions (TableNearest); a scan of the database for it alone would cost about
        // what the whole read does.
        CTableFillJob::Finish arrange;
        const CTableArrangement how = Arrangement();
        const bool arranged = how.nSortColumn >= 0 || how.bDistance;
        if (arranged)
            arrange = [how](CTableRows& rows, const std::atomic<bool>&) {
                TableArrange::Arrange(rows, how);
            };
        CFirstScreen screen;
        if (!arranged)
            screen.count = kFirstRows;
        else if (how.nSortColumn < 0)
            screen = TableNearest::Screen(*m_pDatabase, m_filter, how.dLon, how.dLat, kFirstRows);
        const bool nearest = screen.places != nullptr;
        // The window asks the job as soon as it has something, not only every poll.
        CTableFillJob job(*m_pDatabase, *m_pTableDesc, m_filter, screen, std::move(arrange),
                          &CUsableWait::Wake);
        // The window is made ready while the job reads.
        SetUpColumns();
        // Shown at once, titled by the table until the command names it; the status pane
        // keeps the caption meanwhile.
        m_bFilling = true;
        m_bRefilling = true;
        CommandStatesChanged();
        CChildFrame* frame = GetParentFrame();
        if (CDocument* doc = GetDocument(); doc && doc->GetDocTemplate()) {
            doc->SetTitle(m_pTableDesc->m_strTableName);
            const StepTrace::Step step("table.RevealFrame");
            doc->GetDocTemplate()->RevealFrame(frame);
        }
        int shown = 0;
        bool firstJustShown = false;
        const auto takeFirst = [&] {
            std::optional<CTableRows> first = job.TakeFirstRows();
            // Nearest rows picked from map rows only while nothing was written since: the
            // rows read by key might miss rows written meanwhile.
            if (!first || first->m_order.empty() ||
                (nearest && m_pDatabase->DataStamp() != m_stamp))
                return false;
            shown = int(first->m_order.size());
            m_model.SetRows(std::move(first->m_pRows), std::move(first->m_order));
            // The first rows are on the screen at least once before the rest.
            firstJustShown = true;
            return true;
        };
        if (screen.count > 0) {
            const StepTrace::Step step("table.WaitForFirstRows");
            if (job.WaitForFirstRows(s_nFirstScreenWaitMs))
                takeFirst();
        }
        std::optional<CTableRows> rows;
        CUsableWait wait;
        const bool done = wait.Run(
            [&] {
                progress.SetPos(job.Percent());
                if (takeFirst())
                    return false;
                if (firstJustShown) {
                    // Polled once the events waiting are handled: the first paint is done.
                    firstJustShown = false;
                    job.FirstScreenShown();
                    return false;
                }
                if (!job.IsDone())
                    return false;
                rows = job.TakeResult();
                return true;
            },
            frame);
        if (!self)
            return;
        m_bFilling = false;
        m_bRefilling = false;
        CommandStatesChanged();
        if (!done || !rows || rows->m_result.m_bCancelled) {
            // Stopped: the window goes, as if it had never been opened.
            job.Cancel();
            m_bFillCancelled = true;
            m_model.Clear();
            FillEnded(false);
            progress.Finish();
            if (CMainFrame* main = theApp.GetMainFrame())
                main->SetMessageText(QString());
            if (frame) {
                // The window the user is back in shows its status as before, once this one
                // (which clears the pane as it goes) has gone.
                const auto showBefore = [] {
                    auto* table = dynamic_cast<CListView_Table*>(QApplication::focusWidget());
                    if (!CStatusBarProgress::ShowRunning() && table && table->m_bShowRecordStatus)
                        table->ShowRecordStatus();
                };
                connect(this, &QObject::destroyed, qApp, showBefore, Qt::QueuedConnection);
                QMetaObject::invokeMethod(frame, &QWidget::close, Qt::QueuedConnection);
            }
            return;
        }
        result = rows->m_result;
        TakeRows(std::move(*rows), shown);
    }
    g_nFoundCount = result.m_nFound;
    // The caption goes with the bar; a view with the focus shows where it stands.
    if (CMainFrame* frame = theApp.GetMainFrame())
        frame->SetMessageText(QString());
    if (hasFocus())
        ShowRecordStatus();
    if (!result.m_strError.isEmpty()) {
        KelvoMessageBox(QStringLiteral("Die Tabelle \"%1\" konnte nicht vollständig gelesen "
                                       "werden.\n\nFehler der Datenbank: %2")
                            .arg(m_pTableDesc->m_strTableName, result.m_strError));
    }
    FillEnded(true);
}

void CListView_Table::TakeRows(CTableRows rows, int keepFrom) {
    const StepTrace::Step step("table.TakeRows");
    // The first rows shown are the first of all when their keys agree.
    bool same = keepFrom > 0 && int(rows.m_order.size()) >= keepFrom;
    for (int i = 0; same && i < keepFrom; ++i)
        same = rows.m_pRows->Cell(rows.m_order[size_t(i)], GEO_ID).bytes ==
               m_model.CellUtf8(i, GEO_ID);
    const int currentRow = currentIndex().isValid() ? currentIndex().row() : -1;
    const int currentColumn = std::max(currentIndex().column(), 0);
    const QModelIndexList selected = selectionModel()->selectedRows();
    QList<int> selectedRows;
    for (const QModelIndex& index : selected)
        selectedRows << index.row();
    const int vertical = verticalScrollBar()->value();
    const int horizontal = horizontalScrollBar()->value();

    setUpdatesEnabled(false);
    m_model.SetRows(std::move(rows.m_pRows), std::move(rows.m_order));
    if (same) {
        QItemSelection selection;
        for (int row : selectedRows)
            selection.select(m_model.index(row, 0),
                             m_model.index(row, CGeoTableModel::kColumns - 1));
        selectionModel()->select(selection, QItemSelectionModel::ClearAndSelect);
        if (currentRow >= 0) {
            const bool scroll = hasAutoScroll();
            setAutoScroll(false);
            selectionModel()->setCurrentIndex(m_model.index(currentRow, currentColumn),
                                              QItemSelectionModel::NoUpdate);
            setAutoScroll(scroll);
            m_nCurrentRow = currentRow;
        }
        updateGeometries();
        verticalScrollBar()->setValue(vertical);
        horizontalScrollBar()->setValue(horizontal);
    } else {
        m_nCurrentRow = 0;
    }
    setUpdatesEnabled(true);
}

bool CListView_Table::RowsStillComing() {
    if (!m_bFilling && !m_pSortWait)
        return false;
    KelvoMessageBox(m_bFilling ? QStringLiteral("Die Zeilen der Tabelle werden noch gelesen. Der "
                                                "Befehl geht, sobald alle da sind; Esc bricht "
                                                "das Lesen ab.")
                               : QStringLiteral("Die Zeilen der Tabelle werden noch sortiert. Der "
                                                "Befehl geht, sobald sie sortiert sind; Esc "
                                                "bricht das Sortieren ab."),
                    this);
    return true;
}
