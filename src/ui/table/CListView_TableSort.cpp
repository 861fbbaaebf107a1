// Re-sorting a table window's rows by a header click.
#include "ui/table/CListView_Table.h"

#include "base/GeoTableDesc.h"
#include "base/StepTrace.h"
#include "render/table/TableArrange.h"
#include "render/table/TableFillJob.h"
#include "render/table/TableText.h"
#include "ui/shell/Document.h"
#include "ui/shell/Globals.h"
#include "ui/shell/KelvoApp.h"
#include "ui/shell/MainFrame.h"
#include "ui/shell/StatusBarProgress.h"
#include "ui/table/UsableWait.h"

#include <QHeaderView>
#include <QPointer>

#include <algorithm>
#include <memory>
#include <mutex>
#include <optional>
#include <utility>

namespace {

// Rows of a sort shown before the rest are sorted: more than a screen holds.
constexpr int kFirstSortedRows = 200;

} // namespace

void CListView_Table::OnColumnClick(int column) {
    // The fields, and a radius search's distance column after them.
    const bool distance = m_model.HasDistanceColumn() && column == CGeoTableModel::kColumns;
    if (!m_pTableDesc || column < 0 || (column >= m_pTableDesc->m_nFields && !distance))
        return;
    // The rows are sorted once they are all there; the header shows the click meanwhile, with
    // the direction the sort will take.
    if (m_bFilling) {
        m_nSortAfterFill = column;
        QHeaderView* header = horizontalHeader();
        header->setSortIndicator(column,
                                 g_bSortDescending ? Qt::AscendingOrder : Qt::DescendingOrder);
        header->setSortIndicatorShown(true);
        return;
    }
    // A sort under way gives way to this one, its first rows leaving the top again (this sort
    // starts from the order before).
    if (m_pSortWait) {
        m_pSortWait->Cancel();
        if (m_undoSortTop)
            std::exchange(m_undoSortTop, {})();
    }
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
        // The order is made from a snapshot of the rows, which fits as long as the rows are
        // not replaced: first the rows that come first, shown on top of the others, then the
        // whole order. Each is swapped in at once.
        std::shared_ptr<const CGeoTableModel> snapshot = RowsSnapshot();
        const size_t rewrites = m_model.Rewrites();
        struct Orders {
            std::mutex mutex;
            std::optional<CTableOrder> top;
            CTableOrder whole;
            std::atomic<int> sorted{0}; // percent of the order made
            std::atomic<quint32> renumbered{0};
        };
        auto orders = std::make_shared<Orders>();
        CBackgroundJob job([snapshot, orders, column, descending](const std::atomic<bool>& cancel) {
            const TableSort::FirstRows first{
                kFirstSortedRows, [&](const std::vector<int>& positions) {
                    if (positions.empty() || cancel)
                        return;
                    CTableOrder top = TableArrange::FirstOnTop(*snapshot, positions);
                    {
                        std::lock_guard lock(orders->mutex);
                        orders->top = std::move(top);
                    }
                    CUsableWait::Wake();
                }};
            const std::vector<int> order =
                TableArrange::ColumnOrder(*snapshot, column, descending, &first, [&](int percent) {
                    orders->sorted.store(percent, std::memory_order_relaxed);
                });
            if (!cancel)
                orders->whole = TableArrange::Reordered(*snapshot, order, &orders->renumbered);
        });
        snapshot.reset();
        // The order before the first rows went on top, as the model hands it back (made into
        // an order to take only when the rows go back to it).
        struct Before {
            std::vector<quint32> rows;
            quint32 rowIds = 0;
            quint64 version = 0;
            size_t rewrites = 0;
        };
        std::optional<Before> before;
        auto putBack = [&] {
            CTableOrder back =
                TableArrange::OrderOfRows(std::move(before->rows), before->rowIds, before->version);
            m_model.TakeOrder(back.rows, back.positionOf, back.version, before->rewrites);
            before.reset();
        };
        // The bar follows the work: making the order takes its first nine tenths, giving the
        // rows their new positions the last tenth. It goes from 0 to 99, each value once and
        // in turn, as for one row after another.
        const qint64 n = m_model.RowCount();
        int shown = -1;
        auto showDone = [&](int sortedPercent, qint64 renumbered) {
            if (n <= 0)
                return;
            const qint64 made = qint64(std::clamp(sortedPercent, 0, 100)) * 9 * n / 1000;
            const qint64 placed = std::clamp<qint64>(renumbered, 0, n) / 10;
            const int percent = int(std::min<qint64>(99, 100 * (made + placed) / n));
            while (shown < percent)
                progress.SetPos(++shown);
        };
        auto showNow = [&] {
            showDone(orders->sorted.load(std::memory_order_relaxed),
                     qint64(orders->renumbered.load(std::memory_order_relaxed)));
        };
        CUsableWait wait;
        m_pSortWait = &wait;
        CommandStatesChanged();
        bool topJustShown = false;
        const bool done = wait.Run([&] {
            // The first rows are on the screen at least once before the rest.
            if (std::exchange(topJustShown, false))
                return false;
            if (!before) {
                std::unique_lock lock(orders->mutex);
                if (orders->top) {
                    CTableOrder top = std::move(*orders->top);
                    orders->top.reset();
                    lock.unlock();
                    const StepTrace::Step step("sort.TakeTop");
                    if (m_model.TakeOrder(top.rows, top.positionOf, top.version, rewrites)) {
                        // The rows rewritten so far are in the order handed back already.
                        before = Before{std::move(top.rows), m_model.RowIds(),
                                        m_model.RowsVersion(), m_model.Rewrites()};
                        m_undoSortTop = [&putBack] { putBack(); };
                        topJustShown = true;
                        return false;
                    }
                }
            }
            showNow();
            return job.IsDone();
        });
        if (!self)
            return;
        if (m_pSortWait == &wait) {
            m_pSortWait = nullptr;
            CommandStatesChanged();
        }
        // A later click took over: it sets what is to be set.
        if (generation != m_nSortGeneration)
            return;
        m_undoSortTop = {};
        const StepTrace::Step step("sort.TakeWhole");
        if (done) {
            CTableOrder& whole = orders->whole;
            sorted = m_model.TakeOrder(whole.rows, whole.positionOf, whole.version, rewrites);
            if (sorted)
                showDone(100, n);
        }
        // Stopped: the rows go back to their order before.
        if (!sorted && before)
            putBack();
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

void CListView_Table::FillEnded(bool sort) {
    const int column = std::exchange(m_nSortAfterFill, -1);
    if (column < 0)
        return;
    horizontalHeader()->setSortIndicatorShown(false);
    // As the click itself would: once the events waiting are handled.
    if (sort)
        QMetaObject::invokeMethod(
            this, [this, column] { OnColumnClick(column); }, Qt::QueuedConnection);
}
