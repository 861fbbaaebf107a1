#include "ui/shell/KelvoApp.h"

#include "base/CommandIds.h"
#include "store/DbLocation.h"
#include "store/GeoDatabase.h"
#include "store/GeoReaderPool.h"
#include "ui/map/CKelvoDoc.h"
#include "ui/map/CKelvoView.h"
#include "ui/shell/DocTemplate.h"
#include "ui/shell/Globals.h"
#include "ui/shell/MainFrame.h"
#include "ui/shell/MessageBox.h"
#include "ui/shell/ServerWaitDialog.h"
#include "ui/shell/WindowState.h"
#include "ui/table/CListView_Table.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QLibraryInfo>
#include <QPrinter>
#include <QSettings>
#include <QTranslator>

// Compiled-in icons and help page (a static library's resources are registered by hand).
static void initResources() {
    static bool done = false;
    if (!done)
        Q_INIT_RESOURCE(kelvo);
    done = true;
}

CKelvoApp::CKelvoApp() : m_recentFiles(kRecentFileCount) {}

CKelvoApp::~CKelvoApp() = default;

bool CKelvoApp::OpenStartupDatabase() {
    InstallDatabaseWaitCursor();
    // A server, when the settings name one; otherwise the file as always.
    const QString connection = QSettings(QStringLiteral("Arnvik"), QStringLiteral("Kelvo"))
                                   .value(QStringLiteral("Datenbank/Verbindung"))
                                   .toString();
    const QString path = CDbLocation::IsServerText(connection) ? connection : QString();
    if (g_GeoDatabase.Open(path))
        return true;
    // A database that holds other things is made a Kelvo database only when the user says so.
    CDbLocation location;
    QString ignored;
    if (g_GeoDatabase.NeedsSetUp() && CDbLocation::Parse(path, &location, &ignored)) {
        const QString question =
            QStringLiteral("Die Datenbank %1 enthält schon Tabellen oder Funktionen, aber keine "
                           "Tabelle \"GEO\" von Kelvo.\n\nSoll Kelvo dort die Tabelle GEO und "
                           "das Schema \"kelvo\" mit seinen Suchfunktionen anlegen? Was die "
                           "Datenbank schon enthält, bleibt, wie es ist.")
                .arg(location.Display());
        if (KelvoQuestionBox(question, {QStringLiteral("&Anlegen"), QStringLiteral("Abbrechen")}) ==
                0 &&
            g_GeoDatabase.SetUp(path))
            return true;
    }
    KelvoMessageBox(g_GeoDatabase.IsBusy() ? DatabaseInUseText() : g_GeoDatabase.OpenError());
    return false;
}

QString CKelvoApp::DatabaseInUseText() {
    return g_GeoDatabase.OpenError() +
           QStringLiteral("\n\nSobald die Datei frei ist, liest Kelvo sie wieder: beim nächsten "
                          "Befehl, der die Daten braucht (ein neues Fenster, ein Neuzeichnen der "
                          "Karte).");
}

void CKelvoApp::InstallDatabaseWaitCursor() {
    g_GeoDatabase.SetWaitHook([](bool waiting) {
        if (waiting) {
            QApplication::setOverrideCursor(Qt::WaitCursor);
        } else {
            ServerWaitDialog::Close();
            QApplication::restoreOverrideCursor();
        }
    });
    g_GeoDatabase.SetGiveUpHook(ServerWaitDialog::GiveUp);
}

void CKelvoApp::ShowDatabaseNotice(QWidget* parent) {
    const QString notice = g_GeoDatabase.TakeNotice();
    if (!notice.isEmpty())
        KelvoMessageBox(notice, parent);
}

bool CKelvoApp::EnsureDatabase(QWidget* parent) {
    const bool wasOpen = g_GeoDatabase.IsOpen();
    const bool open = g_GeoDatabase.EnsureOpen();
    ShowDatabaseNotice(parent);
    // Importing and downloading need an open database.
    if (g_GeoDatabase.IsOpen() != wasOpen)
        if (CMainFrame* frame = theApp.GetMainFrame())
            frame->CommandStateChanged();
    if (open)
        return true;
    if (g_GeoDatabase.IsBusy())
        KelvoMessageBox(DatabaseInUseText(), parent);
    return false;
}

bool CKelvoApp::InitInstance() {
    initResources();
    InstallDatabaseWaitCursor();

    // Qt's own dialogs and texts in German.
    if (!m_pTranslator) {
        m_pTranslator = std::make_unique<QTranslator>();
        if (m_pTranslator->load(QLocale(QLocale::German), QStringLiteral("qtbase"),
                                QStringLiteral("_"),
                                QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
            QCoreApplication::installTranslator(m_pTranslator.get());
    }

    // Settings under "Arnvik", application "Kelvo"; the recent-file list holds 10 files.
    QCoreApplication::setOrganizationName(QStringLiteral("Arnvik"));
    QCoreApplication::setApplicationName(QStringLiteral("Kelvo"));
    m_recentFiles.ReadList();

    // The map template comes first: files are opened through it.
    m_pMapTemplate = new CMultiDocTemplate(
        IDR_MAPTYPE, IDR_MAPTYPE, [] { return new CKelvoDoc; }, [] { return new CKelvoView; });
    m_templates.append(m_pMapTemplate);
    // The table template has no menu of its own: its windows keep the menu that is up.
    m_pTableTemplate = new CMultiDocTemplate(
        IDR_TABLETYPE, 0, [] { return new CKelvoDoc; }, [] { return new CListView_Table; });
    m_templates.append(m_pTableTemplate);

    m_pMainWnd = new CMainFrame;
    for (CMultiDocTemplate* pTemplate : m_templates)
        pTemplate->SetMdiArea(m_pMainWnd->MdiArea());

    // The command line is parsed but not acted upon: no document is opened at start.
    QCommandLineParser parser;
    parser.parse(QCoreApplication::arguments());

    // Size, position and maximised state as the user left them.
    WindowState::RestoreMainWindow(m_pMainWnd);
    m_pMainWnd->show();
    // The first table window on a server finds a connection of its own ready.
    if (g_GeoDatabase.IsServer())
        GeoReaderPool::Prepare(g_GeoDatabase.FilePath());
    return true;
}

void CKelvoApp::ExitInstance() {
    // The main frame takes its windows, their views and with them the documents along.
    delete m_pMainWnd;
    m_pMainWnd = nullptr;
    qDeleteAll(m_templates);
    m_templates.clear();
    m_pMapTemplate = nullptr;
    m_pTableTemplate = nullptr;
    GeoReaderPool::Clear();
    // Printer and translation go while the QApplication still exists.
    m_pPrinter.reset();
    if (m_pTranslator)
        QCoreApplication::removeTranslator(m_pTranslator.get());
    m_pTranslator.reset();
}

QPrinter& CKelvoApp::GetPrinter() {
    if (!m_pPrinter)
        m_pPrinter = std::make_unique<QPrinter>(QPrinter::HighResolution);
    return *m_pPrinter;
}

CDocument* CKelvoApp::OpenDocumentFile(const QString& path) {
    return m_pMapTemplate ? m_pMapTemplate->OpenDocumentFile(path) : nullptr;
}

void CKelvoApp::AddToRecentFileList(const QString& path) {
    m_recentFiles.Add(path);
}
