// Re-sorting a table window's rows by a header click.
#include "ui/table/CListView_Table.h"

#include "base/GeoTableDesc.h"
#include "render/table/TableArrange.h"
#include "render/table/TableFillJob.h"
#include "render/table/TableText.h"
#include "ui/shell/Document.h"
#include "ui/shell/Globals.h"
#include "ui/shell/KelvoApp.h"
#include "ui/shell/MainFrame.h"
#include "ui/shell/StatusBarProgress.h"
#include "ui/table/UsableWait.h"

#include <QPointer>

#include <memory>

void CListView_Table::OnColumnClick(int column) {
    // The fields, and a radius search's distance column after them.
    const bool distance = m_model.HasDistanceColumn() && column == CGeoTableModel::kColumns;
    if (!m_pTableDesc || column < 0 || (column >= m_pTableDesc->m_nFields && !distance))
        return;
    // The rows are sorted once they are all there.
    if (m_bFilling)
        return;
    // A sort under way gives way to this one.
    if (m_pSortWait)
        m_pSortWait->Cancel();
    const int generation = ++m_nSortGeneration;
    const bool wasDescending = g_bSortDescending;
    const int wasColumn = g_nSortColumn;
    // Focus changes during the sort leave the status pane alone.
    m_bShowRecordStatus = false;
    g_bSortDescending = !g_bSortDescending;
    g_nSortColumn = column;
    const bool descending = g_bSortDescending;
    const QString& tableName = m_pTableDesc->m_strTableName;
    const QString columnName = m_model.headerData(column, Qt::Horizontal).toString();

    QPointer<CListView_Table> self(this);
    bool sorted = false;
    {
        CStatusBarProgress progress(Qt::BusyCursor);
        m_strText = TableText::SortCaption(tableName, columnName);
        progress.Start(m_strText);
        // The order is made from a snapshot of the rows (deleted on this thread), which
        // fits as long as the rows keep their order.
        std::shared_ptr<CGeoTableModel> snapshot(new CGeoTableModel,
                                                 [](CGeoTableModel* m) { m->deleteLater(); });
        snapshot->CopyRows(m_model);
        if (m_model.HasDistanceColumn())
            snapshot->SetDistanceCentre(m_model.DistanceCentreLon(), m_model.DistanceCentreLat());
        const int rowsGeneration = m_nRowsGeneration;
        auto order = std::make_shared<std::vector<int>>();
        CBackgroundJob job([snapshot, order, column, descending](const std::atomic<bool>&) {
            *order = TableArrange::ColumnOrder(*snapshot, column, descending);
        });
        snapshot.reset();
        CUsableWait wait;
        m_pSortWait = &wait;
        const bool done = wait.Run([&job] { return job.IsDone(); });
        if (!self)
            return;
        if (m_pSortWait == &wait)
            m_pSortWait = nullptr;
        // A later click took over: it sets what is to be set.
        if (generation != m_nSortGeneration)
            return;
        if (done && rowsGeneration == m_nRowsGeneration) {
            // No repaints and no row-state notices while the rows move. The rows' item data
            // is their position, so it is renumbered with the move: the bar at 100 * i / n.
            setUpdatesEnabled(false);
            sorted =
                m_model.ApplyOrder(*order, [&progress](int percent) { progress.SetPos(percent); });
            setUpdatesEnabled(true);
        }
    }
    m_bShowRecordStatus = true;
    if (!sorted) {
        // Stopped: the rows, the direction and the title stay as they were.
        g_bSortDescending = wasDescending;
        g_nSortColumn = wasColumn;
        if (CMainFrame* frame = theApp.GetMainFrame())
            frame->SetMessageText(QString());
        if (hasFocus())
            ShowRecordStatus();
        return;
    }
    // The focused record stays current at its new position.
    if (currentIndex().isValid())
        m_nCurrentRow = currentIndex().row();
    if (hasFocus()) {
        if (CMainFrame* frame = theApp.GetMainFrame())
            frame->SetMessageText(QString());
    }
    m_nSortColumn = column;
    m_bSortedDescending = g_bSortDescending;

    m_strText = TableText::SortTitle(tableName, columnName, g_bSortDescending);
    if (CDocument* doc = GetDocument())
        doc->SetTitle(m_strText);
}
