// A table window and a database that changed under it: another program wrote (a refresh of
// the postal codes, a memo), or the file was replaced. The window compares the data stamp
// with the one its rows were read at when it gets the focus and before it opens the record
// dialog, and reads its rows again, keeping its order, the current and selected rows (by
// key) and where it was scrolled to. While the user is busy in it, its title says that it
// is out of date instead, until the user lets go of the mouse while the window still has
// the focus; "Aktualisieren" (F5) reads the rows again at any time.
#include "ui/table/CListView_Table.h"

#include "render/table/TableFill.h"
#include "render/table/TableFillJob.h"
#include "store/GeoPlaceKey.h"
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
#include <QTimer>

#include <algorithm>
#include <memory>
#include <optional>
#include <utility>
#include <vector>

namespace {

// What the window's title gets while its rows are older than the stored data.
const QString kOutOfDate = QStringLiteral(" (nicht mehr aktuell, F5 liest neu)");
// How often a window marked out of date looks whether the user has let go of the mouse.
constexpr int kIdleCheckMs = 100;

qint64 keyOf(const CGeoTableModel& model, int row) {
    return model.Cell(row, GEO_ID).toLongLong();
}

} // namespace

bool CListView_Table::RowsAreCurrent() {
    // A database that cannot be read now (in use, closed) has nothing newer to show: the
    // rows stay. A replaced file is opened anew here, and its rows differ.
    if (!m_pDatabase->EnsureOpen())
        return true;
    return m_bStampTaken && m_stamp == m_pDatabase->DataStamp();
}

bool CListView_Table::UserIsBusy() const {
    // A button held down (a click, a drag over rows) or a sort going on: rows must not move
    // under the user's hands.
    return QApplication::mouseButtons() != Qt::NoButton || !m_bShowRecordStatus ||
           QApplication::activePopupWidget() != nullptr;
}

void CListView_Table::CheckForChanges() {
    if (!m_pTableDesc || m_bRefilling || RowsAreCurrent())
        return;
    if (UserIsBusy()) {
        MarkOutOfDate(true);
        RefillWhenIdle();
    } else {
        Refill();
    }
}

void CListView_Table::RefillWhenIdle() {
    // A click that brought the window to the front (on its title or into its rows) has the
    // button down when the focus comes: once it is let go, the rows are read after all.
    QTimer::singleShot(kIdleCheckMs, this, [this] {
        if (!m_bOutOfDate || !hasFocus())
            return;
        if (UserIsBusy())
            RefillWhenIdle();
        else
            CheckForChanges();
    });
}

void CListView_Table::MarkOutOfDate(bool outOfDate) {
    m_bOutOfDate = outOfDate;
    CChildFrame* frame = GetParentFrame();
    CDocument* doc = GetDocument();
    if (!frame || !doc)
        return;
    doc->UpdateFrameTitles();
    if (outOfDate)
        frame->setWindowTitle(frame->windowTitle() + kOutOfDate);
}

CTableArrangement CListView_Table::Arrangement() const {
    CTableArrangement how;
    how.nSortColumn = m_nSortColumn;
    how.bDescending = m_bSortedDescending;
    how.bDistance = m_model.HasDistanceColumn();
    how.dLon = m_model.DistanceCentreLon();
    how.dLat = m_model.DistanceCentreLat();
    return how;
}

namespace {

// Every row's key with its position, by key: rows are found again by key without a search.
using KeyPositions = std::vector<std::pair<qint64, int>>;

KeyPositions keyPositions(const CTableRows& rows) {
    KeyPositions keys(rows.m_order.size());
    for (size_t i = 0; i < rows.m_order.size(); ++i)
        keys[i] = {rows.m_pRows->Cell(rows.m_order[i], GEO_ID).bytes.toLongLong(), int(i)};
    std::sort(keys.begin(), keys.end());
    return keys;
}

// The first position of a row with the key; -1 when there is none.
int positionOf(const KeyPositions& keys, qint64 key) {
    const auto it = std::lower_bound(keys.begin(), keys.end(), std::pair<qint64, int>(key, -1));
    return it != keys.end() && it->first == key ? it->second : -1;
}

} // namespace

void CListView_Table::Refill() {
    if (!m_pTableDesc || m_bFilling)
        return;
    // While the database cannot be read the rows stay (a message says why, when it is in
    // use).
    if (!CKelvoApp::EnsureDatabase(this))
        return;
    const CGeoDatabase::CDataStamp stampBefore = m_stamp;
    const bool stampTakenBefore = m_bStampTaken;
    m_stamp = m_pDatabase->DataStamp();
    m_bStampTaken = true;

    // The rows are read, put in the window's order and their keys looked up on a thread of
    // their own; the window keeps showing its rows meanwhile and takes input, and Esc stops
    // the reading (the rows stay as they were).
    QPointer<CListView_Table> self(this);
    CChildFrame* frame = GetParentFrame();
    m_bRefilling = true;
    m_bFilling = true;
    CommandStatesChanged();
    m_bShowRecordStatus = false;
    std::optional<CTableRows> rows;
    auto keys = std::make_shared<KeyPositions>();
    bool done = false;
    bool closed = false;
    {
        CStatusBarProgress progress(Qt::BusyCursor);
        progress.Start(TableFillCaption(*m_pTableDesc));
        CTableFillJob job(
            *m_pDatabase, *m_pTableDesc, m_filter, {},
            [how = Arrangement(), keys](CTableRows& read, const std::atomic<bool>&) {
                TableArrange::Arrange(read, how);
                *keys = keyPositions(read);
            },
            &CUsableWait::Wake);
        CUsableWait wait;
        done = wait.Run(
            [&] {
                progress.SetPos(job.Percent());
                if (!job.IsDone())
                    return false;
                rows = job.TakeResult();
                return true;
            },
            frame);
        closed = wait.CloseRefused();
    }
    if (!self)
        return;
    m_bFilling = false;
    m_bRefilling = false;
    CommandStatesChanged();
    m_bShowRecordStatus = true;
    if (!done || !rows || rows->m_result.m_bCancelled) {
        // Stopped: the rows stay, and so does what is known of their age.
        m_stamp = stampBefore;
        m_bStampTaken = stampTakenBefore;
        if (CMainFrame* main = theApp.GetMainFrame())
            main->SetMessageText(QString());
        if (closed && frame)
            QMetaObject::invokeMethod(frame, &QWidget::close, Qt::QueuedConnection);
        else
            MarkOutOfDate(!RowsAreCurrent());
        if (hasFocus())
            ShowRecordStatus();
        // The rows that stay are sorted as clicked, unless the window goes.
        FillEnded(!closed);
        return;
    }
    const CTableFillResult result = rows->m_result;

    // Where the user stands now: the current row and column, the selected rows, the
    // scrolling.
    const int currentRow = currentIndex().isValid() ? currentIndex().row() : -1;
    const int currentColumn = std::max(currentIndex().column(), 0);
    const qint64 currentKey = currentRow >= 0 ? keyOf(m_model, currentRow) : -1;
    const CGeoPlaceKey currentPlace =
        CGeoPlaceKey::FromCells(currentRow >= 0 ? m_model.RowCells(currentRow) : QStringList());
    QList<qint64> selectedKeys;
    for (int row : SelectedRows())
        selectedKeys << keyOf(m_model, row);
    const int vertical = verticalScrollBar()->value();
    const int horizontal = horizontalScrollBar()->value();

    setUpdatesEnabled(false);
    m_model.SetRows(std::move(rows->m_pRows), std::move(rows->m_order));
    QList<int> selected;
    for (qint64 key : selectedKeys) {
        if (const int row = positionOf(*keys, key); row >= 0)
            selected << row;
    }
    std::sort(selected.begin(), selected.end());
    QItemSelection selection;
    for (qsizetype i = 0; i < selected.size();) {
        qsizetype j = i;
        while (j + 1 < selected.size() && selected[j + 1] == selected[j] + 1)
            ++j;
        selection.select(m_model.index(selected[i], 0),
                         m_model.index(selected[j], CGeoTableModel::kColumns - 1));
        i = j + 1;
    }
    selectionModel()->select(selection,
                             QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
    // The current row by its key; a row that got a new key keeps its place.
    int row = currentKey >= 0 ? positionOf(*keys, currentKey) : -1;
    for (int r = 0; row < 0 && currentRow >= 0 && r < m_model.RowCount(); ++r) {
        if (CGeoPlaceKey::FromCells(m_model.RowCells(r)).Matches(currentPlace))
            row = r;
    }
    if (row < 0 && currentRow >= 0)
        row = std::min(currentRow, m_model.RowCount() - 1);
    if (row >= 0) {
        const bool scroll = hasAutoScroll();
        setAutoScroll(false);
        selectionModel()->setCurrentIndex(m_model.index(row, currentColumn),
                                          QItemSelectionModel::NoUpdate);
        setAutoScroll(scroll);
        m_nCurrentRow = row;
    }
    updateGeometries();
    verticalScrollBar()->setValue(vertical);
    horizontalScrollBar()->setValue(horizontal);
    setUpdatesEnabled(true);
    MarkOutOfDate(false);
    if (CMainFrame* main = theApp.GetMainFrame())
        main->SetMessageText(QString());
    if (hasFocus())
        ShowRecordStatus();
    CKelvoApp::ShowDatabaseNotice(this);
    if (!result.m_strError.isEmpty())
        KelvoMessageBox(QStringLiteral("Die Tabelle \"%1\" konnte nicht vollständig gelesen "
                                       "werden.\n\nFehler der Datenbank: %2")
                            .arg(m_pTableDesc->m_strTableName, result.m_strError));
    FillEnded(true);
}

int CListView_Table::CurrentRecordRow(int row) {
    if (RowsAreCurrent() || row < 0 || row >= m_model.RowCount())
        return row;
    // The row the user asked for, found again after the rows were read anew.
    const qint64 key = keyOf(m_model, row);
    const CGeoPlaceKey place = CGeoPlaceKey::FromCells(m_model.RowCells(row));
    Refill();
    int found = m_model.FindRowByKey(key);
    for (int r = 0; found < 0 && r < m_model.RowCount(); ++r) {
        if (CGeoPlaceKey::FromCells(m_model.RowCells(r)).Matches(place))
            found = r;
    }
    if (found < 0) {
        KelvoMessageBox(QStringLiteral("Die Daten wurden inzwischen geändert, und der Ort %1 "
                                       "ist nicht mehr in der Tabelle \"%2\". Die Tabelle "
                                       "zeigt jetzt die gespeicherten Zeilen.")
                            .arg(place.Display(), m_pTableDesc->m_strTableName));
        return -1;
    }
    selectionModel()->setCurrentIndex(m_model.index(found, GEO_ORT),
                                      QItemSelectionModel::ClearAndSelect |
                                          QItemSelectionModel::Rows);
    m_nCurrentRow = found;
    return found;
}

void CListView_Table::TakeOwnWrite(const CGeoDatabase::CDataStamp& before) {
    // A memo this program saved is shown by every window already: windows whose rows were
    // current before need not read them again, unless somebody else wrote meanwhile.
    const CGeoDatabase::CDataStamp after = g_GeoDatabase.DataStamp();
    const bool onlyOwn = after.nOpen == before.nOpen && after.nSchema == before.nSchema &&
                         (g_GeoDatabase.IsServer() ? after.nVersion == before.nVersion + 1 &&
                                                         after.nOwnChanges == before.nOwnChanges
                                                   : after.nVersion == before.nVersion);
    if (!onlyOwn || !theApp.m_pTableTemplate)
        return;
    for (CDocument* doc : theApp.m_pTableTemplate->GetDocuments()) {
        for (CView* view : doc->GetViews()) {
            auto* table = dynamic_cast<CListView_Table*>(view);
            // A window still reading may have read the row before the write: it reads anew.
            if (table && table->m_bStampTaken && !table->m_bFilling && table->m_stamp == before)
                table->m_stamp = after;
        }
    }
}
