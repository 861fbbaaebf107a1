// The table window's commands: the record dialog, copy, select all, Enter and Ctrl+A, and
// the double-click that marks a row's place on the map.
#include "ui/table/CListView_Table.h"

#include "base/CommandIds.h"
#include "base/TextNumbers.h"
#include "render/table/TableText.h"
#include "store/GeoDatabase.h"
#include "store/GeoRecordset.h"
#include "store/GeoSqlDialect.h"
#include "ui/map/CKelvoView.h"
#include "ui/shell/DocTemplate.h"
#include "ui/shell/Document.h"
#include "ui/shell/Globals.h"
#include "ui/shell/KelvoApp.h"
#include "ui/shell/MainFrame.h"
#include "ui/shell/MessageBox.h"
#include "ui/table/CDia_Record.h"
#include "ui/territory/TerritoryPanel.h"
#include "ui/territory/TerritoryPlaces.h"

#include <QApplication>
#include <QClipboard>
#include <QKeyEvent>
#include <QMouseEvent>

#include <algorithm>

namespace {

// What a command on the rows needs besides the rows all read and in order.
enum class Needs { Nothing, Rows, Selection };

struct RowCommand {
    int id;
    Needs needs;
    void (*run)(CListView_Table& view); // null: a print command (OnPrintCommand)
};

// The commands on the rows: they wait until the rows are all read and in order, and their
// menu entries are off meanwhile.
const RowCommand kRowCommands[] = {
    // no record in a window without rows
    {ID_RECORD_EDIT, Needs::Rows, [](CListView_Table& view) { view.OnRecordEdit(); }},
    {ID_SELECT_ALL_ROWS, Needs::Nothing, [](CListView_Table& view) { view.OnSelectAllRows(); }},
    {ID_VIEW_REFRESH, Needs::Nothing, [](CListView_Table& view) { view.Refill(); }},
    {ID_EDIT_COPY, Needs::Nothing, [](CListView_Table& view) { view.OnEditCopy(); }},
    {ID_FILE_PRINT, Needs::Nothing, nullptr},
    {ID_FILE_PRINT_DIRECT, Needs::Nothing, nullptr},
    {ID_FILE_PRINT_PREVIEW, Needs::Nothing, nullptr},
    {ID_FILE_EXPORT, Needs::Rows, [](CListView_Table& view) { view.OnFileExport(); }},
    {ID_FILE_SAVE_PLACES, Needs::Selection, [](CListView_Table& view) { view.OnFileSavePlaces(); }},
    {ID_TERRITORY_ASSIGN, Needs::Selection,
     [](CListView_Table& view) {
         CTerritoryPanel::Assign(&view,
                                 TerritoryPlaces::OfRows(view.GetModel(), view.SelectedRows()));
     }},
};

const RowCommand* rowCommand(int id) {
    const auto found = std::find_if(std::begin(kRowCommands), std::end(kRowCommands),
                                    [id](const RowCommand& c) { return c.id == id; });
    return found == std::end(kRowCommands) ? nullptr : found;
}

} // namespace

bool CListView_Table::OnCommand(int id) {
    const RowCommand* command = rowCommand(id);
    if (command && RowsStillComing())
        return true;
    if (!command || !command->run)
        return OnPrintCommand(id);
    command->run(*this);
    return true;
}

bool CListView_Table::OnUpdateCommand(int id, CCmdUI& ui) {
    const RowCommand* command = rowCommand(id);
    if (!command)
        return false;
    bool enable = !m_bFilling && !m_pSortWait;
    if (command->needs == Needs::Rows)
        enable = enable && m_model.RowCount() > 0;
    else if (command->needs == Needs::Selection)
        enable = enable && selectionModel()->hasSelection();
    ui.Enable(enable);
    return true;
}

void CListView_Table::ShowRecordDialog(int row) {
    if (!m_pTableDesc || row < 0 || row >= m_model.RowCount() || RowsStillComing())
        return;
    // Rows another program changed are read again first; the dialog shows the record anew.
    row = CurrentRecordRow(row);
    if (row < 0)
        return;
    const CGeoDatabase::CDataStamp before = m_stamp;
    // The row's cells; an empty cell shows a single space.
    QStringList values;
    for (int i = 0; i < m_pTableDesc->m_nFields; ++i) {
        const QString cell = m_model.Cell(row, i);
        values << (cell.isEmpty() ? QStringLiteral(" ") : cell);
    }
    CDia_Record dlg(theApp.GetMainFrame());
    dlg.m_pValues = &values;
    dlg.m_pTableDesc = m_pTableDesc;
    if (dlg.DoModal() != QDialog::Accepted)
        return;
    // Only the memo was stored: every window that lists the row shows it as stored and
    // keeps the other cells; maps that show memos draw it.
    ShowStoredMemoEverywhere(values.at(m_pTableDesc->m_nKeyField), dlg.m_varStoredMemo.toString());
    TakeOwnWrite(before);
}

void CListView_Table::ShowStoredMemo(QStringView key, const QString& memo) {
    if (!m_pTableDesc)
        return;
    const QByteArray keyUtf8 = key.toUtf8();
    for (int row = 0; row < m_model.RowCount(); ++row) {
        if (m_model.CellUtf8(row, m_pTableDesc->m_nKeyField) != QByteArrayView(keyUtf8) ||
            m_model.Cell(row, GEO_MEMO) == memo)
            continue;
        QStringList cells = m_model.RowCells(row);
        cells[GEO_MEMO] = memo;
        m_model.SetRowCells(row, cells);
    }
}

void CListView_Table::ShowStoredMemoEverywhere(QStringView key, const QString& memo) {
    for (CMultiDocTemplate* docTemplate : {theApp.m_pTableTemplate, theApp.m_pMapTemplate}) {
        if (!docTemplate)
            continue;
        for (CDocument* doc : docTemplate->GetDocuments()) {
            for (CView* view : doc->GetViews()) {
                if (auto* table = dynamic_cast<CListView_Table*>(view))
                    table->ShowStoredMemo(key, memo);
                else if (auto* map = dynamic_cast<CKelvoView*>(view);
                         map && map->Canvas().m_bShowMemos)
                    map->RepaintNow();
            }
        }
    }
}

void CListView_Table::OnRecordEdit() {
    ShowRecordDialog(m_nCurrentRow);
}

void CListView_Table::OnSelectAllRows() {
    selectAll();
    // The last row becomes the current one and shows in the status pane; the focus goes
    // there too, so that Enter opens the row the pane names. The list does not scroll.
    const int last = m_model.RowCount() - 1;
    if (last < 0)
        return;
    const bool scroll = hasAutoScroll();
    setAutoScroll(false);
    selectionModel()->setCurrentIndex(m_model.index(last, std::max(currentIndex().column(), 0)),
                                      QItemSelectionModel::NoUpdate);
    setAutoScroll(scroll);
}

QList<int> CListView_Table::SelectedRows() const {
    QList<int> rows;
    const QItemSelection selection = selectionModel()->selection();
    for (const QItemSelectionRange& range : selection) {
        for (int row = range.top(); row <= range.bottom(); ++row)
            rows << row;
    }
    // Screen order, not the order the rows were selected in.
    std::sort(rows.begin(), rows.end());
    rows.erase(std::unique(rows.begin(), rows.end()), rows.end());
    return rows;
}

void CListView_Table::OnEditCopy() {
    m_strText.clear();
    for (int row : SelectedRows()) {
        m_strText += TableText::CopyLine(m_model.RowCells(row));
        // A radius search's window adds the distance, as kelvo-cli near prints it.
        if (m_model.HasDistanceColumn()) {
            m_strText.chop(1);
            m_strText += QStringLiteral(", ") + m_model.DistanceText(row) + QLatin1Char('\n');
        }
    }
    QApplication::clipboard()->setText(m_strText);
}

bool CListView_Table::ShowPlace(qint64 key) {
    const int row = m_model.FindRowByKey(key);
    if (row < 0)
        return false;
    const QModelIndex index = m_model.index(row, GEO_ORT);
    selectionModel()->setCurrentIndex(index, QItemSelectionModel::ClearAndSelect |
                                                 QItemSelectionModel::Rows);
    scrollTo(index);
    return true;
}

void CListView_Table::OnDoubleClick(int row) {
    if (row < 0 || row >= m_model.RowCount() || !m_pTableDesc)
        return;
    // While another program holds the database, the message says so and nothing opens.
    if (!CKelvoApp::EnsureDatabase() && m_pDatabase->IsBusy())
        return;
    row = CurrentRecordRow(row);
    if (row < 0)
        return;
    m_strText =
        m_pDatabase->Sql().RowByKey(*m_pTableDesc, m_model.Cell(row, m_pTableDesc->m_nKeyField));
    {
        CGeoRecordset rs(*m_pDatabase);
        if (rs.Open(m_strText) && rs.MoveNext()) {
            g_dSelectedLon = TextNumbers::Atof(rs.FieldUtf8(GEO_LANGENGRAD));
            g_dSelectedLat = TextNumbers::Atof(rs.FieldUtf8(GEO_BREITENGRAD));
            g_strSelectedPlace = rs.FieldText(GEO_ORT);
            // The map that last had the focus shows the place before the dialog opens.
            if (g_pLastMapView)
                g_pLastMapView->RepaintAtOnce();
        } else if (rs.HasError()) {
            KelvoMessageBox(QStringLiteral("Der Ort des Datensatzes kann nicht gelesen werden; die "
                                           "Karte wird nicht aktualisiert.\n\nFehler der "
                                           "Datenbank: %1")
                                .arg(rs.Error()));
        }
        // A record deleted meanwhile marks nothing; the dialog says so when it is confirmed.
    }
    ShowRecordDialog(row);
}

void CListView_Table::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter)
        ShowRecordDialog(m_nCurrentRow);
    else if (event->key() == Qt::Key_A && (event->modifiers() & Qt::ControlModifier) &&
             !RowsStillComing())
        OnSelectAllRows();
    // Ctrl+C reaches the list only while the copy command is off (the rows still coming):
    // the note says so, where the list itself would copy the cell at the cursor.
    if (event->matches(QKeySequence::Copy)) {
        OnCommand(ID_EDIT_COPY);
        return;
    }
    // Arrow keys, paging and the rest keep working as in any list.
    QTableView::keyPressEvent(event);
}

void CListView_Table::mouseDoubleClickEvent(QMouseEvent* event) {
    QTableView::mouseDoubleClickEvent(event);
    if (event->button() == Qt::LeftButton)
        OnDoubleClick(rowAt(event->position().toPoint().y()));
}
