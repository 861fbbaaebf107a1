#include "ui/shell/Document.h"

#include "base/CommandIds.h"
#include "ui/shell/ChildFrame.h"
#include "ui/shell/DocTemplate.h"
#include "ui/shell/MessageBox.h"
#include "ui/shell/View.h"

#include <QFile>
#include <QFileInfo>

namespace {

// Why a file cannot be opened for reading, in words a user understands.
QString openFailureReason(const QString& path) {
    const QFileInfo info(path);
    if (!info.exists())
        return QStringLiteral("Die Datei wurde nicht gefunden.");
    if (info.isDir())
        return QStringLiteral("Der Name bezeichnet einen Ordner, keine Datei.");
    if (!info.isFile())
        return QStringLiteral("Der Name bezeichnet keine gewöhnliche Datei, sondern etwa eine "
                              "Pipe oder ein Gerät.");
    if (!info.isReadable())
        return QStringLiteral("Der Zugriff auf die Datei wurde verweigert.");
    return QStringLiteral("Die Datei kann nicht gelesen werden.");
}

} // namespace

CDocument::~CDocument() {
    // Views left (only when the template goes first at exit) forget their document.
    for (CView* view : m_viewList)
        view->m_pDocument = nullptr;
}

void CDocument::SetTitle(const QString& title) {
    m_strTitle = title;
    UpdateFrameTitles();
}

void CDocument::SetPathName(const QString& path) {
    m_strPathName = path;
    SetTitle(QFileInfo(path).fileName());
}

bool CDocument::OnNewDocument() {
    m_strPathName.clear();
    return true;
}

bool CDocument::OnOpenDocument(const QString& path) {
    QFile file(path);
    // Only regular files: a pipe or a device would keep the program waiting.
    const QFileInfo info(path);
    if (!info.isFile() || !file.open(QIODevice::ReadOnly)) {
        KelvoMessageBox(QStringLiteral("Fehler beim Öffnen des Dokuments \"%1\".\n\n%2")
                            .arg(path, openFailureReason(path)));
        return false;
    }
    m_strLoadError.clear();
    if (!OnLoadDocument(file)) {
        KelvoMessageBox(QStringLiteral("Fehler beim Öffnen des Dokuments \"%1\".\n\n%2")
                            .arg(path, m_strLoadError.isEmpty()
                                           ? QStringLiteral("Die Datei kann nicht gelesen werden.")
                                           : m_strLoadError));
        return false;
    }
    return true;
}

bool CDocument::OnLoadDocument(QIODevice& /*file*/) {
    return true;
}

void CDocument::OnCloseDocument() {
    // The frames close one after another; the document is destroyed when its last view has
    // gone. Meanwhile it no longer counts as open.
    m_bClosing = true;
    const QList<CView*> views = m_viewList;
    for (CView* view : views) {
        if (CChildFrame* frame = view->GetParentFrame())
            frame->close();
    }
}

void CDocument::UpdateFrameTitles() {
    const int count = int(m_viewList.size());
    for (int i = 0; i < count; ++i) {
        CChildFrame* frame = m_viewList.at(i)->GetParentFrame();
        if (!frame)
            continue;
        frame->setWindowTitle(count > 1 ? QStringLiteral("%1:%2").arg(m_strTitle).arg(i + 1)
                                        : m_strTitle);
    }
}

bool CDocument::OnCommand(int id) {
    if (id != ID_FILE_CLOSE)
        return false;
    OnCloseDocument();
    return true;
}

bool CDocument::OnUpdateCommand(int id, CCmdUI& /*ui*/) {
    return id == ID_FILE_CLOSE;
}

void CDocument::AddView(CView* view) {
    m_viewList.append(view);
    view->m_pDocument = this;
    UpdateFrameTitles();
}

void CDocument::RemoveView(CView* view) {
    m_viewList.removeAll(view);
    view->m_pDocument = nullptr;
    if (m_viewList.isEmpty()) {
        // The last window has gone: so does the document.
        if (m_pDocTemplate)
            m_pDocTemplate->RemoveDocument(this);
        delete this;
        return;
    }
    UpdateFrameTitles();
}
