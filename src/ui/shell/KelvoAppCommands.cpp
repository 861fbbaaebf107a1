#include "base/CommandIds.h"
#include "ui/shell/AboutDlg.h"
#include "ui/shell/DocTemplate.h"
#include "ui/shell/KelvoApp.h"
#include "ui/shell/MainFrame.h"

#include <QFileDialog>
#include <QPageSetupDialog>

bool CKelvoApp::OnCommand(int id) {
    switch (id) {
    case ID_APP_ABOUT:
        OnAppAbout();
        return true;
    case ID_FILE_NEW:
        OnFileNew();
        return true;
    case ID_FILE_OPEN:
        OnFileOpen();
        return true;
    case ID_FILE_OPEN_LIST:
        OnFileOpenList();
        return true;
    case ID_FILE_PRINT_SETUP:
        OnFilePrintSetup();
        return true;
    case ID_APP_EXIT:
        if (m_pMainWnd)
            m_pMainWnd->close();
        return true;
    default:
        break;
    }
    const int index = id - ID_FILE_MRU_FILE1;
    if (index >= 0 && index < m_recentFiles.Files().size()) {
        OnOpenRecentFile(index);
        return true;
    }
    return false;
}

bool CKelvoApp::OnUpdateCommand(int id, CCmdUI& /*ui*/) {
    switch (id) {
    case ID_APP_ABOUT:
    case ID_FILE_NEW:
    case ID_FILE_OPEN:
    case ID_FILE_OPEN_LIST:
    case ID_FILE_PRINT_SETUP:
    case ID_APP_EXIT:
        return true;
    default:
        break;
    }
    const int index = id - ID_FILE_MRU_FILE1;
    return index >= 0 && index < m_recentFiles.Files().size();
}

void CKelvoApp::OnAppAbout() {
    CAboutDlg dlg(m_pMainWnd);
    dlg.exec();
}

void CKelvoApp::OnFileNew() {
    // Only the map template has a document type name, so a map is made without asking.
    if (m_pMapTemplate)
        m_pMapTemplate->OpenDocumentFile();
}

void CKelvoApp::OnFileOpen() {
    const QString path = QFileDialog::getOpenFileName(
        m_pMainWnd, QStringLiteral("Öffnen"), QString(), QStringLiteral("Alle Dateien (*)"));
    if (!path.isEmpty())
        OpenDocumentFile(path);
}

void CKelvoApp::OnFileOpenList() {
    const QString path = QFileDialog::getOpenFileName(
        m_pMainWnd, QStringLiteral("Liste öffnen"), QString(),
        QStringLiteral("Listen (*.xlsx *.ods *.csv *.tsv);;Alle Dateien (*)"));
    if (!path.isEmpty())
        OpenDocumentFile(path);
}

void CKelvoApp::OnFilePrintSetup() {
    QPageSetupDialog dlg(&GetPrinter(), m_pMainWnd);
    dlg.exec();
}

void CKelvoApp::OnOpenRecentFile(int index) {
    const QString path = m_recentFiles.Files().value(index);
    // A file that can no longer be opened leaves the list (the message has been shown).
    if (!OpenDocumentFile(path))
        m_recentFiles.Remove(m_recentFiles.Files().indexOf(path));
}
