#include "ui/table/CListView_Table.h"

#include "base/StepTrace.h"
#include "render/table/TableFill.h"
#include "store/GeoDatabase.h"
#include "store/GeoFilterText.h"
#include "ui/shell/Document.h"
#include "ui/shell/Globals.h"
#include "ui/shell/KelvoApp.h"
#include "ui/shell/MainFrame.h"
#include "ui/shell/MessageBox.h"
#include "ui/shell/StatusBarProgress.h"
#include "ui/shell/StatusProgress.h"
#include "ui/shell/TableMapLink.h"
#include "ui/shell/WindowState.h"
#include "ui/table/TableCellDelegate.h"

#include <QApplication>
#include <QHeaderView>
#include <QStatusBar>

#include <utility>

namespace {
// Width of a column whose field has no size.
constexpr int kDefaultColumnWidth = 500;
// Width of a radius search's distance column.
constexpr int kDistanceColumnWidth = 110;
// The centre the next table window lists its rows by (ListNextByDistance).
std::optional<QPointF> s_nextCentre;
// The tree the next table window reads its rows with, and the text in g_strSearch it stands
// for (ListNextFiltered).
struct CHandedFilter {
    CGeoFilter filter;
    QString text;
};
std::optional<CHandedFilter> s_nextFilter;
} // namespace

CListView_Table::CListView_Table(QWidget* parent)
    : QTableView(parent), m_pDatabase(&g_GeoDatabase) {
    setObjectName(QStringLiteral("ListViewTable"));
    setModel(&m_model);
    setItemDelegate(new CTableCellDelegate(this));
    // A report list: grid lines, whole rows selected, the selection shown without focus,
    // columns in field order (headers cannot be dragged), no row numbers, nothing editable.
    setShowGrid(true);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setSelectionMode(QAbstractItemView::ExtendedSelection);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setTabKeyNavigation(false);
    setWordWrap(false);
    setHorizontalScrollMode(QAbstractItemView::ScrollPerPixel);
    horizontalHeader()->setSectionsMovable(false);
    horizontalHeader()->setHighlightSections(false);
    horizontalHeader()->setMinimumSectionSize(1);
    verticalHeader()->hide();
    verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    verticalHeader()->setDefaultSectionSize(fontMetrics().height() + 4);

    // A header click re-sorts the rows our way; the view's own sorting stays off.
    setSortingEnabled(false);
    horizontalHeader()->setSectionsClickable(true);
    // The sort runs once the header has finished with the click, so that it takes the next
    // click while the rows are sorted.
    connect(horizontalHeader(), &QHeaderView::sectionClicked, this, [this](int column) {
        QMetaObject::invokeMethod(
            this, [this, column] { OnColumnClick(column); }, Qt::QueuedConnection);
    });
    // Widths the user gives the columns are kept for the next table window.
    connect(horizontalHeader(), &QHeaderView::sectionResized, this, [this] { OnColumnResized(); });

    connect(selectionModel(), &QItemSelectionModel::currentRowChanged, this,
            [this](const QModelIndex& current) {
                if (current.isValid())
                    OnItemChanged(current.row());
            });
    connect(selectionModel(), &QItemSelectionModel::selectionChanged, this,
            [this] { OnSelectionChanged(); });
    // Export, "Datensatz..." and "Als Ortsdatei speichern" depend on the rows and the
    // selection.
    const auto commandStateChanged = &CListView_Table::CommandStatesChanged;
    connect(&m_model, &QAbstractItemModel::modelReset, this, commandStateChanged);
    connect(&m_model, &QAbstractItemModel::rowsInserted, this, commandStateChanged);
    connect(&m_model, &QAbstractItemModel::rowsRemoved, this, commandStateChanged);
    connect(&m_model, &QAbstractItemModel::layoutChanged, this, commandStateChanged);
    connect(selectionModel(), &QItemSelectionModel::selectionChanged, this, commandStateChanged);
}

void CListView_Table::CommandStatesChanged() {
    if (CMainFrame* frame = theApp.GetMainFrame())
        frame->CommandStateChanged();
}

CListView_Table::~CListView_Table() {
    TableMapLink::TableClosing(this);
    if (CMainFrame* frame = theApp.GetMainFrame())
        frame->SetMessageText(QString());
}

void CListView_Table::OnInitialUpdate() {
    m_pTableDesc = &m_pDatabase->m_Table; // g_nTableIndex 0: the only description, GEO
    // A handed tree serves this window at most, and only for the text it was handed with.
    const std::optional<CHandedFilter> handed = std::exchange(s_nextFilter, std::nullopt);
    // A further window on the document ("Neues Fenster") lists the rows of the document's
    // window in their order, not what the globals hold for the next new table window.
    if (const CDocument* doc = GetDocument()) {
        for (CView* other : doc->GetViews()) {
            const auto* first = dynamic_cast<const CListView_Table*>(other);
            if (!first || first == this)
                continue;
            SetUpColumns();
            m_model.CopyRows(first->m_model);
            m_filter = first->m_filter;
            m_stamp = first->m_stamp;
            m_bStampTaken = first->m_bStampTaken;
            m_nSortColumn = first->m_nSortColumn;
            m_bSortedDescending = first->m_bSortedDescending;
            if (first->m_model.HasDistanceColumn())
                SetUpDistanceColumn(first->m_model.DistanceCentreLon(),
                                    first->m_model.DistanceCentreLat());
            return;
        }
    }
    // The opener's filter: its own tree, or else its text read once. A text that cannot be
    // read lists no row (the key is never NULL) and says why.
    QString error;
    if (handed && handed->text == g_strSearch) {
        m_filter = handed->filter;
    } else if (!GeoFilterText::Parse(*m_pTableDesc, g_strSearch, &m_filter, &error)) {
        KelvoMessageBox(error);
        m_filter =
            GeoFilter::IsNull(GeoFilter::Field(m_pTableDesc->FieldName(m_pTableDesc->m_nKeyField)));
    }
    if (s_nextCentre) {
        SetUpColumns();
        SetUpDistanceColumn(s_nextCentre->x(), s_nextCentre->y());
        s_nextCentre.reset();
    }
    FillTable();
}

void CListView_Table::OnUpdate() {
    Refill();
}

void CListView_Table::SetUpColumns() {
    // The header's size (every title measured) is taken once, with the columns all set.
    m_bSettingColumns = true;
    if (!m_model.HasColumns())
        m_model.SetColumns(*m_pTableDesc);
    // The widths the user last gave a table window, else the fields' sizes.
    const QList<int> kept = WindowState::ColumnWidths(m_pTableDesc->m_nFields);
    for (int i = 0; i < m_pTableDesc->m_nFields; ++i) {
        const int width = m_pTableDesc->FieldSize(i);
        setColumnWidth(i, !kept.isEmpty() ? kept[i] : width ? width : kDefaultColumnWidth);
    }
    m_bSettingColumns = false;
    if (std::exchange(m_bGeometriesPending, false))
        updateGeometries();
}

void CListView_Table::updateGeometries() {
    if (m_bSettingColumns) {
        m_bGeometriesPending = true;
        return;
    }
    QTableView::updateGeometries();
}

void CListView_Table::OnColumnResized() {
    // Only what the user does with the mouse on the header is kept.
    if (m_bSettingColumns || !m_pTableDesc || QApplication::mouseButtons() == Qt::NoButton)
        return;
    QList<int> widths;
    for (int i = 0; i < m_pTableDesc->m_nFields; ++i)
        widths << columnWidth(i);
    WindowState::SaveColumnWidths(widths);
}

void CListView_Table::SetUpDistanceColumn(double lon, double lat) {
    m_model.SetDistanceCentre(lon, lat);
    setColumnWidth(CGeoTableModel::kColumns, kDistanceColumnWidth);
}

void CListView_Table::ListNextByDistance(std::optional<QPointF> centre) {
    s_nextCentre = centre;
}

void CListView_Table::ListNextFiltered(std::optional<CGeoFilter> filter) {
    if (filter)
        s_nextFilter = CHandedFilter{*filter, filter->Text()};
    else
        s_nextFilter.reset();
}

void CListView_Table::ShowRecordStatus() {
    // While the rows are read or written the pane keeps the progress caption.
    if (m_bFilling || m_nExports > 0)
        return;
    m_strText = QString::asprintf(" Datensatz: %6d / %6d", m_nCurrentRow + 1, m_model.RowCount());
    CMainFrame* frame = theApp.GetMainFrame();
    if (!frame)
        return;
    frame->SetMessageText(m_strText);
    if (!IsPaintingWidget())
        frame->statusBar()->repaint();
}

void CListView_Table::OnItemChanged(int row) {
    // Nothing while the rows are filled (hidden) or sorted (updates suspended).
    if (!isVisible() || !updatesEnabled())
        return;
    m_nCurrentRow = row;
    ShowRecordStatus();
}

void CListView_Table::OnSelectionChanged() {
    // The row the user acted on last is the one with the focus (the current index): the
    // clicked row, also when a click only deselects other rows, and the row that Shift+Up
    // or Shift+Down moved to, whichever end of the selection that is.
    const QModelIndex current = currentIndex();
    if (current.isValid())
        OnItemChanged(current.row());
    // The selected places are marked on the map that last had the focus, once the action
    // that changed the selection is over (after its record status, and once for a range).
    if (isVisible() && updatesEnabled() && !m_bMarkQueued) {
        m_bMarkQueued = true;
        QMetaObject::invokeMethod(
            this,
            [this] {
                m_bMarkQueued = false;
                TableMapLink::MarkSelection(this);
            },
            Qt::QueuedConnection);
    }
}

void CListView_Table::OnFrameShown() {
    if (m_bShowRecordStatus)
        ShowRecordStatus();
}

void CListView_Table::focusInEvent(QFocusEvent* event) {
    QTableView::focusInEvent(event);
    // Rows another program changed meanwhile are read again (not during a fill).
    if (m_bStampTaken && !m_bRefilling && isVisible())
        CheckForChanges();
    if (m_bShowRecordStatus)
        ShowRecordStatus();
}

std::shared_ptr<const CGeoTableModel> CListView_Table::RowsSnapshot() const {
    // A sort, refill or close replaces the window's store and order and never changes the
    // store in place, so sharing it is safe. The copy is deleted on this thread.
    std::shared_ptr<CGeoTableModel> snapshot(new CGeoTableModel,
                                             [](CGeoTableModel* m) { m->deleteLater(); });
    if (m_pTableDesc)
        snapshot->SetColumns(*m_pTableDesc);
    {
        const StepTrace::Step step("table.Snapshot");
        snapshot->CopyRows(m_model);
    }
    if (m_model.HasDistanceColumn())
        snapshot->SetDistanceCentre(m_model.DistanceCentreLon(), m_model.DistanceCentreLat());
    return snapshot;
}
