#pragma once

#include "ui/shell/CmdTarget.h"

#include <QList>
#include <QString>

class QIODevice;
class CMultiDocTemplate;
class CView;

// The data behind one or more document windows. Made by a document template, which also
// makes its first frame and view; destroyed when its last view goes. Documents here never
// write anything, so closing never asks to save.
class CDocument : public CCmdTarget {
public:
    CDocument() = default;
    ~CDocument() override;
    CDocument(const CDocument&) = delete;
    CDocument& operator=(const CDocument&) = delete;

    const QString& GetTitle() const { return m_strTitle; }
    // Sets the title and shows it in every frame of the document.
    virtual void SetTitle(const QString& title);
    const QString& GetPathName() const { return m_strPathName; }
    // The file the document was read from; its title becomes the file name.
    void SetPathName(const QString& path);

    CMultiDocTemplate* GetDocTemplate() const { return m_pDocTemplate; }
    const QList<CView*>& GetViews() const { return m_viewList; }
    CView* GetFirstView() const { return m_viewList.isEmpty() ? nullptr : m_viewList.first(); }

    // A new, empty document: true on success.
    virtual bool OnNewDocument();
    // Opens the file for reading and hands it to OnLoadDocument. On failure the framework's
    // message has been shown and false is returned; the caller drops the document.
    virtual bool OnOpenDocument(const QString& path);
    // Closes every window of the document; the document goes with its last view.
    virtual void OnCloseDocument();
    bool IsClosing() const { return m_bClosing; }

    // Puts the document's titles on its frames (":1", ":2" ... with more than one window).
    void UpdateFrameTitles();

    // ID_FILE_CLOSE.
    bool OnCommand(int id) override;
    bool OnUpdateCommand(int id, CCmdUI& ui) override;

protected:
    // Reads the opened file. Returns false when the file cannot be read; the framework then
    // reports that the document could not be opened, with m_strLoadError as the reason when
    // it is set. The base reads nothing.
    virtual bool OnLoadDocument(QIODevice& file);

    QString m_strLoadError; // why OnLoadDocument failed, for the user

private:
    friend class CMultiDocTemplate;
    friend class CView;
    void AddView(CView* view);
    void RemoveView(CView* view);

    QString m_strTitle;
    QString m_strPathName;
    QList<CView*> m_viewList;
    CMultiDocTemplate* m_pDocTemplate = nullptr;
    bool m_bClosing = false;
};
