#pragma once

#include "ui/shell/CmdTarget.h"
#include "ui/shell/RecentFileList.h"

#include <QList>
#include <QString>

#include <memory>

class CDocument;
class CMainFrame;
class CMultiDocTemplate;
class QPrinter;
class QTranslator;
class QWidget;

// The application: registers the two kinds of document window, creates the main frame and
// handles the application's commands (About, new map, open file, printer set-up, recent
// files, exit). One instance, theApp. A QApplication must exist before InitInstance.
class CKelvoApp : public CCmdTarget {
public:
    CKelvoApp();
    ~CKelvoApp() override;

    // Opens "Kelvo.mde" in the current directory, or creates it, before any window exists;
    // or the server the setting "Datenbank/Verbindung" names (postgresql://...). A database
    // that cannot be used is left as it is and reported in a message box; the program then
    // goes on without data. False in that case.
    static bool OpenStartupDatabase();
    // The wait cursor shows while a statement waits for another program holding the file,
    // or for the server (which after a moment offers to give up: ServerWaitDialog).
    static void InstallDatabaseWaitCursor();
    // For a command that needs the database: true when it can be read now (another try
    // after it was in use). When another program still holds it, the message says so and
    // the result is false; a database that could not be opened at all gives false silently
    // (the start said why).
    static bool EnsureDatabase(QWidget* parent = nullptr);
    // Says what the database did on its own since the last command (a deleted or replaced
    // file opened anew); nothing when it did nothing.
    static void ShowDatabaseNotice(QWidget* parent = nullptr);
    // The message for a database in use, with when Kelvo tries again.
    static QString DatabaseInUseText();

    // Start-up: German translation of Qt's dialogs, settings key "Arnvik", recent-file list
    // of 10, the map template (129) and the table template (130), the main frame; the
    // command line is parsed and ignored, no document is opened. False when the main frame
    // cannot be made.
    bool InitInstance();
    // Closes every window and destroys the main frame, the templates, the printer and the
    // translation.
    void ExitInstance();

    CMainFrame* GetMainFrame() const { return m_pMainWnd; }
    // The printer the views print with; the printer set-up changes it.
    QPrinter& GetPrinter();

    // Opens a file as a map window (the open command and the recent-file list).
    CDocument* OpenDocumentFile(const QString& path);
    void AddToRecentFileList(const QString& path);
    const CRecentFileList& RecentFiles() const { return m_recentFiles; }

    bool OnCommand(int id) override;
    bool OnUpdateCommand(int id, CCmdUI& ui) override;

    void OnAppAbout();
    void OnFileNew();
    void OnFileOpen();
    void OnFileOpenList(); // a list of the user's (.xlsx, .ods, .csv, .tsv) as a map
    void OnFilePrintSetup();
    void OnOpenRecentFile(int index);

    CMultiDocTemplate* m_pMapTemplate = nullptr;   // 129: map windows
    CMultiDocTemplate* m_pTableTemplate = nullptr; // 130: table windows

private:
    CMainFrame* m_pMainWnd = nullptr;
    QList<CMultiDocTemplate*> m_templates;
    CRecentFileList m_recentFiles;
    std::unique_ptr<QTranslator> m_pTranslator;
    std::unique_ptr<QPrinter> m_pPrinter;
};

extern CKelvoApp theApp;
