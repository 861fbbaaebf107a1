// A map document read from a list of the user's: the mapping dialog, the placing, the
// reference day and the windows that go with the list.
#include "ui/map/CKelvoDoc.h"

#include "base/CommandIds.h"
#include "base/GermanNumbers.h"
#include "render/export/ExportPlaceList.h"
#include "render/places/TableList.h"
#include "render/places/TableListAge.h"
#include "render/places/TableListFile.h"
#include "render/rows/GeoPlaceRows.h"
#include "render/rows/GeoPlaceRowsCache.h"
#include "store/GeoDatabase.h"
#include "ui/map/AsOfBar.h"
#include "ui/map/CKelvoView.h"
#include "ui/map/ListSideWindow.h"
#include "ui/map/TableListDialog.h"
#include "ui/map/TableListIssues.h"
#include "ui/shell/ChildFrame.h"
#include "ui/shell/Globals.h"
#include "ui/shell/KelvoApp.h"
#include "ui/shell/MainFrame.h"
#include "ui/shell/MessageBox.h"

#include <QApplication>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QMdiSubWindow>

#include <utility>

CKelvoDoc::CKelvoDoc() = default;

CKelvoDoc::~CKelvoDoc() {
    delete m_pAsOfWindow.data();
    delete m_pIssuesWindow.data();
}

CAsOfBar* CKelvoDoc::AsOfBar() const {
    return m_pAsOfWindow ? qobject_cast<CAsOfBar*>(m_pAsOfWindow->widget()) : nullptr;
}

CTableListIssues* CKelvoDoc::IssuesWindow() const {
    return m_pIssuesWindow ? qobject_cast<CTableListIssues*>(m_pIssuesWindow->widget()) : nullptr;
}

void CKelvoDoc::OnMapShown() {
    if (!std::exchange(m_bSideWindowsPending, false) || !m_pList)
        return;
    if (!m_pList->aIssues.isEmpty())
        ShowIssues();
    if (m_pList->bDated)
        ShowAsOfBar();
}

CChildFrame* CKelvoDoc::MapFrame() const {
    CView* view = GetFirstView();
    return view ? view->GetParentFrame() : nullptr;
}

bool CKelvoDoc::OnOpenDocument(const QString& path) {
    if (!TableList::IsListFileName(path))
        return CDocument::OnOpenDocument(path);
    return OpenList(path);
}

bool CKelvoDoc::OpenList(const QString& path) {
    auto fail = [&path](const QString& why) {
        KelvoMessageBox(
            QStringLiteral("Fehler beim Öffnen des Dokuments \"%1\".\n\n%2").arg(path, why));
        return false;
    };
    // Opened once for the preview, the dialog and the read: a spreadsheet is parsed once.
    CTableListFile file;
    if (!file.Open(path))
        return fail(file.Error());
    CTableList preview;
    QString error;
    if (!TableList::Preview(file, QString(), &preview, &error))
        return fail(error);
    CTableListDialog dlg(file, preview, theApp.GetMainFrame());
    if (dlg.exec() != QDialog::Accepted)
        return false;
    if (!g_GeoDatabase.IsOpen())
        return fail(QStringLiteral("Die Datenbank ist nicht geöffnet."));
    QApplication::setOverrideCursor(Qt::WaitCursor);
    const std::shared_ptr<const CGeoPlaceRows> rows =
        CGeoPlaceRowsCache::Of(g_GeoDatabase).Rows(true, {}, &error);
    auto list = std::make_unique<CTableList>();
    CTableListOptions options;
    options.strSheet = dlg.Sheet();
    options.mapping = dlg.Mapping();
    const bool ok = error.isEmpty() && TableList::Read(file, options, *rows, list.get(), &error);
    // The map's place list below takes as much again as the sheet GDAL holds.
    file.Close();
    QApplication::restoreOverrideCursor();
    if (!ok)
        return fail(error);
    m_pList = std::move(list);
    m_dtAsOf = QDate::currentDate();
    m_aPlaces = TableList::AsOf(m_pList->aEntries, m_dtAsOf);
    if (m_pList->bDated)
        TableListAge::Colour(m_aPlaces, CAsOfBar::AgeRules(), m_dtAsOf);
    m_bPlacesLoaded = true;
    QStringList note;
    if (const int without = m_pList->nWithoutPlace; without > 0)
        note << (without == 1 ? QStringLiteral("1 Zeile ohne Ort in %1")
                                    .arg(g_GeoDatabase.m_Table.m_strTableName)
                              : QStringLiteral("%1 Zeilen ohne Ort in %2")
                                    .arg(without)
                                    .arg(g_GeoDatabase.m_Table.m_strTableName));
    if (m_pList->nRepaired > 0)
        note << CTableListIssues::RepairedText(m_pList->nRepaired);
    m_strPlacesNote = note.join(QStringLiteral("; "));
    m_bSideWindowsPending = true;
    return true;
}

void CKelvoDoc::SetAsOf(const QDate& day) {
    if (!m_pList || !day.isValid())
        return;
    m_dtAsOf = day;
    // The entries of the day before go first: a list of a million takes hundreds of MB.
    m_aPlaces = CPlaceList();
    m_aPlaces = TableList::AsOf(m_pList->aEntries, day);
    TableListAge::Colour(m_aPlaces, CAsOfBar::AgeRules(), day);
    if (CAsOfBar* bar = AsOfBar(); bar && bar->Day() != day)
        bar->SetDay(day);
    for (CView* view : GetViews()) {
        if (auto* map = dynamic_cast<CKelvoView*>(view)) {
            map->Canvas().SetPlaceList(&m_aPlaces);
            map->RepaintNow();
        }
    }
}

void CKelvoDoc::ShowAsOfBar() {
    if (m_pAsOfWindow) {
        ListSideWindow::Raise(m_pAsOfWindow, MapFrame(), ListSideWindow::Side::Below);
        return;
    }
    auto* bar = new CAsOfBar(QFileInfo(GetPathName()).fileName(), m_pList->aEntries.Dates(),
                             [this](const QDate& day) { SetAsOf(day); });
    bar->SetDay(m_dtAsOf);
    m_pAsOfWindow = ListSideWindow::Show(bar, MapFrame(), ListSideWindow::Side::Below);
}

void CKelvoDoc::ShowIssues() {
    if (m_pIssuesWindow) {
        ListSideWindow::Raise(m_pIssuesWindow, MapFrame(), ListSideWindow::Side::Right);
        return;
    }
    m_pIssuesWindow = ListSideWindow::Show(new CTableListIssues(GetPathName(), *m_pList),
                                           MapFrame(), ListSideWindow::Side::Right);
}

void CKelvoDoc::SaveListAsPlaceFile() {
    const QFileInfo info(GetPathName());
    const QString path = QFileDialog::getSaveFileName(
        theApp.GetMainFrame(), QStringLiteral("Als Ortsdatei speichern"),
        info.dir().filePath(info.completeBaseName() + QStringLiteral(".txt")),
        QStringLiteral("Ortsdateien (*.txt)"));
    if (path.isEmpty())
        return;
    if (TableList::IsListItself(info.filePath(), path)) {
        KelvoMessageBox(TableList::ListItselfText());
        return;
    }
    const Export::CResult result = Export::WritePlaceList(path, m_pList->aEntries);
    if (!result.strError.isEmpty()) {
        KelvoMessageBox(result.strError);
        return;
    }
    if (CMainFrame* frame = theApp.GetMainFrame())
        frame->SetMessageText(QStringLiteral("%1 nach \"%2\" geschrieben.")
                                  .arg(GermanNumbers::Count(result.nWritten, QStringLiteral("Ort"),
                                                            QStringLiteral("Orte")))
                                  .arg(QDir::toNativeSeparators(path)));
}

bool CKelvoDoc::OnCommand(int id) {
    if (m_pList) {
        switch (id) {
        case ID_FILE_SAVE_PLACES:
            SaveListAsPlaceFile();
            return true;
        case ID_VIEW_AS_OF:
            ShowAsOfBar();
            return true;
        case ID_VIEW_LIST_ISSUES:
            ShowIssues();
            return true;
        default:
            break;
        }
    }
    return CDocument::OnCommand(id);
}

bool CKelvoDoc::OnUpdateCommand(int id, CCmdUI& ui) {
    switch (id) {
    case ID_FILE_SAVE_PLACES:
    case ID_VIEW_LIST_ISSUES:
        ui.Enable(m_pList != nullptr);
        return true;
    case ID_VIEW_AS_OF:
        ui.Enable(m_pList && m_pList->bDated);
        return true;
    default:
        return CDocument::OnUpdateCommand(id, ui);
    }
}
