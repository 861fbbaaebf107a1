// Re-sorting a table window's rows by a header click.
#include "ui/table/CListView_Table.h"

#include "base/GeoTableDesc.h"
#include "render/table/TableDistance.h"
#include "render/table/TableSort.h"
#include "render/table/TableText.h"
#include "ui/shell/Document.h"
#include "ui/shell/Globals.h"
#include "ui/shell/KelvoApp.h"
#include "ui/shell/MainFrame.h"
#include "ui/shell/StatusBarProgress.h"

void CListView_Table::OnColumnClick(int column) {
    // The fields, and a radius search's distance column after them.
    const bool distance = m_model.HasDistanceColumn() && column == CGeoTableModel::kColumns;
    if (!m_pTableDesc || column < 0 || (column >= m_pTableDesc->m_nFields && !distance))
        return;
    // Focus changes during the sort leave the status pane alone.
    m_bShowRecordStatus = false;
    g_bSortDescending = !g_bSortDescending;
    g_nSortColumn = column;
    const QString& tableName = m_pTableDesc->m_strTableName;
    const QString columnName = m_model.headerData(column, Qt::Horizontal).toString();

    // No repaints and no row-state notices while the rows move. The rows' item data is their
    // position, so it is renumbered with the move.
    setUpdatesEnabled(false);
    {
        CStatusBarProgress progress;
        m_strText = TableText::SortCaption(tableName, columnName);
        progress.Start(m_strText);
        const std::vector<int> order = ColumnOrder(column, g_bSortDescending);
        // The rows are numbered in their new order, the bar at 100 * i / n.
        m_model.ApplyOrder(order, [&progress](int percent) { progress.SetPos(percent); });
    }
    setUpdatesEnabled(true);
    // The focused record stays current at its new position.
    if (currentIndex().isValid())
        m_nCurrentRow = currentIndex().row();
    if (hasFocus()) {
        if (CMainFrame* frame = theApp.GetMainFrame())
            frame->SetMessageText(QString());
    }
    m_bShowRecordStatus = true;
    m_nSortColumn = column;
    m_bSortedDescending = g_bSortDescending;

    m_strText = TableText::SortTitle(tableName, columnName, g_bSortDescending);
    if (CDocument* doc = GetDocument())
        doc->SetTitle(m_strText);
}

std::vector<int> CListView_Table::ColumnOrder(int column, bool descending) {
    if (m_model.HasDistanceColumn() && column == CGeoTableModel::kColumns)
        return TableDistance::DistanceOrder(m_model, descending);
    return TableSort::SortOrder(
        m_model.RowCount(),
        [this, column](const TableSort::CellVisitor& visit) { m_model.VisitColumn(column, visit); },
        column, descending);
}
