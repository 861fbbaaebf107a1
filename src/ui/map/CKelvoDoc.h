#pragma once

#include "render/places/PlaceEntry.h"
#include "ui/shell/Document.h"

#include <QDate>
#include <QPointer>
#include <QString>

#include <memory>

struct CTableList;
class CAsOfBar;
class CChildFrame;
class CTableListIssues;
class QMdiSubWindow;

// The document of every map and table window. A new document resets the extent the next
// map view starts from and is titled "Die Karte"; a document opened from a file is a place
// file read into the document's place list. It never writes anything: there is no save.
class CKelvoDoc : public CDocument {
public:
    CKelvoDoc();
    ~CKelvoDoc() override; // closes the list's windows

    bool OnNewDocument() override;
    // A list of the user's (.xlsx, .ods, .csv, .tsv) is read as a place list after the
    // mapping dialog; any other file as a place file.
    bool OnOpenDocument(const QString& path) override;

    // The list's commands: "Als Ortsdatei speichern...", "Stichtag...", "Zeilen ohne Ort...".
    bool OnCommand(int id) override;
    bool OnUpdateCommand(int id, CCmdUI& ui) override;

    // Read from a list, not a place file.
    bool IsList() const { return m_pList != nullptr; }
    const CTableList* List() const { return m_pList.get(); }
    // The day the list is shown as it stands on (today at first): m_aPlaces holds the
    // entries without a date or dated that day or earlier. Every map of the document is
    // drawn again.
    QDate AsOf() const { return m_dtAsOf; }
    void SetAsOf(const QDate& day);
    // The list's "Stichtag" window and its window of rows without place, when open: each
    // in a sub-window of the main window beside the map, closed with the document.
    CAsOfBar* AsOfBar() const;
    CTableListIssues* IssuesWindow() const;
    // The first map window of a list has been shown: the list's windows come up beside it.
    void OnMapShown();

    QString m_strMessage;         // the last message about a line of the place file
    bool m_bPlacesLoaded = false; // a place file has been read (even one without places)
    CPlaceList m_aPlaces;         // its accepted entries in file order; map views draw them
    // How many entries name no place of GEO ("3 Einträge ohne Ort in GEO"), for the status
    // bar once the file's first window has drawn it; empty when every entry has its place.
    QString m_strPlacesNote;
    // Those entries: their indexes in m_aPlaces, in list order.
    QList<int> m_aPlacesWithoutRow;

protected:
    // Reads the opened file as a place file. Each invalid date is shown in a message box and
    // kept in m_strMessage; such lines are taken without a date. Entries whose place GEO does
    // not have are counted in m_strPlacesNote. False when the file cannot be read or is over a
    // limit of the reader, or when none of its lines (beyond a heading) is an entry, as in a
    // file that is no place file at all; the list is then unchanged.
    bool OnLoadDocument(QIODevice& file) override;

private:
    bool OpenList(const QString& path);
    void ShowAsOfBar();
    void ShowIssues();
    void SaveListAsPlaceFile();
    CChildFrame* MapFrame() const; // the frame of the first view

    std::unique_ptr<CTableList> m_pList; // every entry of a list, whatever its date
    QDate m_dtAsOf;
    QPointer<QMdiSubWindow> m_pAsOfWindow;
    QPointer<QMdiSubWindow> m_pIssuesWindow;
    bool m_bSideWindowsPending = false; // OnMapShown shows them
};
