// The shell and files: opening place files as maps and the recent-file list, files that
// cannot be opened, saving, help at the topic of a window, the About box, dialog units.
#include "ui/ShellFixture.h"

#include "base/CommandIds.h"
#include "common/ServerSupport.h"
#include "common/TestSupport.h"
#include "ui/shell/AboutDlg.h"
#include "ui/shell/ContextHelp.h"
#include "ui/shell/DialogUnits.h"
#include "ui/shell/DocTemplate.h"
#include "ui/shell/Document.h"
#include "ui/shell/HelpWindow.h"
#include "ui/shell/MessageBox.h"
#include "ui/shell/View.h"
#include "ui/table/CListView_Table.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QMenuBar>
#include <QPushButton>
#include <QStatusBar>
#include <QStatusTipEvent>
#include <QTextBrowser>
#include <QToolBar>

#include <sqlite3.h>
#include <sys/stat.h>

class ShellTest : public ShellFixture {};

TEST_F(ShellTest, FilesOpenAsMapsAndJoinTheRecentFileList) {
    QStringList files;
    for (int i = 0; i < 12; ++i)
        files << TestSupport::WriteFile(dir.filePath(QStringLiteral("orte%1.txt").arg(i)),
                                        "DE;10115;Berlin\n");
    for (const QString& file : files) {
        CDocument* doc = theApp.OpenDocumentFile(file);
        ASSERT_TRUE(doc);
        EXPECT_EQ(doc->GetTitle(), QFileInfo(file).fileName());
    }
    EXPECT_EQ(Frames().size(), 12);
    EXPECT_EQ(frame->GetMenuId(), IDR_MAPTYPE);

    // An open file is not read again: its window comes forward.
    CDocument* first = theApp.m_pMapTemplate->FindOpenDocument(files[0]);
    EXPECT_EQ(theApp.OpenDocumentFile(files[0]), first);
    EXPECT_EQ(Frames().size(), 12);
    EXPECT_EQ(frame->GetActiveDocument(), first);

    // Ten entries, newest first, kept in the settings.
    QStringList expected;
    for (int i = 11; i >= 2; --i)
        expected << files[i];
    EXPECT_EQ(theApp.RecentFiles().Files(), expected);
    QSettings settings(QStringLiteral("Arnvik"), QStringLiteral("Kelvo"));
    EXPECT_EQ(settings.value("Recent File List/File1").toString(), files[11]);
    EXPECT_EQ(settings.value("Recent File List/File10").toString(), files[2]);
    EXPECT_FALSE(settings.contains("Recent File List/File11"));

    // A new start reads the list back and shows it under the placeholder's place.
    theApp.ExitInstance();
    Process();
    ASSERT_TRUE(theApp.InitInstance());
    frame = theApp.GetMainFrame();
    EXPECT_EQ(theApp.RecentFiles().Files(), expected);
    QMenu* fileMenu = frame->GetMenus(IDR_MAINFRAME).first();
    emit fileMenu->aboutToShow();
    const QStringList items = Items(fileMenu);
    EXPECT_FALSE(items.contains("Letzte Datei"));
    EXPECT_TRUE(items.contains("&1 " + files[11]));
    EXPECT_TRUE(items.contains("1&0 " + files[2])); // mnemonic 0

    // An entry whose file has gone: the message, no window, and the entry leaves the list.
    QFile::remove(files[11]);
    EXPECT_TRUE(frame->RouteCommand(ID_FILE_MRU_FILE1));
    EXPECT_TRUE(Frames().isEmpty());
    ASSERT_EQ(messages.size(), 1);
    EXPECT_TRUE(messages[0].contains("Die Datei wurde nicht gefunden."))
        << messages[0].toStdString();
    EXPECT_EQ(theApp.RecentFiles().Files().first(), files[10]);
    // Entries past the list's end are disabled.
    frame->UpdateCommandUI();
    EXPECT_FALSE(Action(ID_FILE_MRU_FILE1 + 9)->isEnabled());
    EXPECT_TRUE(Action(ID_FILE_MRU_FILE1 + 8)->isEnabled());
}

TEST_F(ShellTest, AFileThatCannotBeOpenedLeavesNoWindow) {
    // A pipe would keep the program waiting for a writer; a line of 11 MB is over the limit.
    const QString fifo = dir.filePath("pipe.txt");
    ASSERT_EQ(::mkfifo(qPrintable(fifo), 0600), 0);
    const QString huge =
        TestSupport::WriteFile(dir.filePath("lang.txt"), QByteArray(11 << 20, 'x'));
    const QList<QPair<QString, QString>> cases{
        {dir.filePath("fehlt.txt"), "Die Datei wurde nicht gefunden."},
        {dir.path(), "Ordner"},
        {fifo, "keine gewöhnliche Datei"},
        {huge, "Die Zeile 1 der Ortsdatei ist länger als 10 MB. Kelvo liest die Datei nicht."}};
    for (const auto& [path, reason] : cases) {
        messages.clear();
        EXPECT_EQ(theApp.OpenDocumentFile(path), nullptr);
        ASSERT_EQ(messages.size(), 1);
        EXPECT_TRUE(messages[0].startsWith("Fehler beim Öffnen des Dokuments"));
        EXPECT_TRUE(messages[0].contains(path));
        EXPECT_TRUE(messages[0].contains(reason)) << qPrintable(messages[0]);
    }
    Process();
    EXPECT_TRUE(Frames().isEmpty());
    EXPECT_TRUE(theApp.m_pMapTemplate->GetDocuments().isEmpty());
    EXPECT_TRUE(theApp.RecentFiles().Files().isEmpty());
    EXPECT_EQ(frame->GetMenuId(), IDR_MAINFRAME);
}

TEST_F(ShellTest, SaveLeavesTheFileUntouched) {
    const QByteArray bytes = "DE;10115;0;0;0;0;0;0;Berlin\r\nAT;1010;0;0;0;0;0;0;Wien";
    const QString file = TestSupport::WriteFile(dir.filePath("orte.txt"), bytes);
    const QDateTime modified = QFileInfo(file).lastModified();
    ASSERT_TRUE(theApp.OpenDocumentFile(file));
    frame->UpdateCommandUI();
    EXPECT_FALSE(Action(ID_FILE_SAVE)->isEnabled());
    Key(Qt::Key_S, Qt::ControlModifier);
    EXPECT_EQ(TestSupport::ReadFile(file), bytes);
    EXPECT_EQ(QFileInfo(file).lastModified(), modified);
    EXPECT_EQ(Frames().size(), 1);
}

TEST_F(ShellTest, HelpOpensAtTheTopicOfTheWindow) {
    struct Case {
        int id;
        QString fragment;
    };
    Key(Qt::Key_T, Qt::ControlModifier);
    Key(Qt::Key_F1);
    CHelpWindow* help = frame->GetHelpWindow();
    ASSERT_TRUE(help);
    EXPECT_TRUE(help->isVisible());
    EXPECT_EQ(help->Browser()->source().fragment(), "tabelle");
    EXPECT_TRUE(help->Browser()->toPlainText().contains("Tabellenfenster"));
    EXPECT_TRUE(help->Browser()->toPlainText().contains(
        "Die Postleitzahlen und Orte stammen von GeoNames (www.geonames.org)"));
    for (const Case& c : {Case{ID_HELP_FINDER, ""}, Case{ID_DEFAULT_HELP, ""}}) {
        ASSERT_TRUE(frame->RouteCommand(c.id));
        EXPECT_EQ(frame->GetHelpWindow(), help); // one window, reused
        EXPECT_EQ(help->Browser()->source().fragment(), c.fragment) << c.id;
    }
    // Shift+F1 typed in the table window (the help window closed first, since a child
    // window shares its activation with the main frame).
    help->close();
    Process();
    frame->activateWindow();
    ASSERT_TRUE(QTest::qWaitFor([this] { return QApplication::activeWindow() == frame; }, 2000));
    QWidget* view = Frames().first()->GetActiveView()->GetWidget();
    view->setFocus();
    QTest::keyClick(view, Qt::Key_F1, Qt::ShiftModifier);
    EXPECT_TRUE(frame->GetContextHelp()->IsActive()); // the next click chooses the topic
    EXPECT_FALSE(help->isVisible());
    QTest::keyClick(view, Qt::Key_Escape);
    EXPECT_FALSE(frame->GetContextHelp()->IsActive());
}

TEST_F(ShellTest, AboutBoxShowsTheVersion) {
    CAboutDlg dlg(frame);
    EXPECT_EQ(dlg.windowTitle(), "Info ueber Kelvo");
    const QLabel* version = dlg.findChild<QLabel*>("Version");
    ASSERT_TRUE(version);
    EXPECT_EQ(version->text(), "Kelvo Version 1.1");
    const QPushButton* ok = dlg.findChild<QPushButton*>("OK");
    ASSERT_TRUE(ok);
    EXPECT_TRUE(ok->isDefault());
    const CDialogUnits dlu(dlg.font());
    EXPECT_EQ(dlg.size(), dlu.Size(235, 118));
    EXPECT_EQ(ok->geometry(), dlu.Rect(178, 7, 50, 16));
    EXPECT_FALSE(dlg.findChild<QLabel*>("Icon")->pixmap().isNull());
    // Without data no source to credit; with GeoNames rows their attribution.
    EXPECT_FALSE(dlg.findChild<QLabel*>("Attribution"));
    ASSERT_TRUE(g_GeoDatabase.Execute("INSERT INTO GEO (Staat, PLZ) VALUES ('DE', '10115')"));
    CAboutDlg withData(frame);
    const QLabel* credit = withData.findChild<QLabel*>("Attribution");
    ASSERT_TRUE(credit);
    EXPECT_EQ(credit->text(), "Daten: GeoNames\nwww.geonames.org\nLizenz CC BY 4.0");
    for (const QString& line : credit->text().split('\n')) // nothing cut off
        EXPECT_LE(credit->fontMetrics().horizontalAdvance(line), credit->width())
            << qPrintable(line);
    EXPECT_EQ(withData.size(), dlu.Size(235, 118));
}

TEST(DialogUnits, RoundToTheNearestPixelAsTheDialogManagerDoes) {
    CDialogUnits dlu(CDialogUnits::DialogFont());
    dlu.m_nBaseX = 6;
    dlu.m_nBaseY = 13;
    EXPECT_EQ(dlu.X(235), 353); // 352.5
    EXPECT_EQ(dlu.X(7), 11);    // 10.5
    EXPECT_EQ(dlu.X(50), 75);
    EXPECT_EQ(dlu.Y(118), 192); // 191.75
    EXPECT_EQ(dlu.Y(7), 11);    // 11.375
    EXPECT_EQ(dlu.Rect(178, 7, 50, 16), QRect(267, 11, 75, 26));
}

TEST_F(ShellTest, MainTitleNamesTheActiveDocumentOnce) {
    Key(Qt::Key_K, Qt::ControlModifier);
    ASSERT_EQ(Frames().size(), 1);
    EXPECT_EQ(frame->windowTitle(), "Kelvo - Die Karte");
    Frames().first()->showMaximized();
    Process();
    EXPECT_EQ(frame->windowTitle(), "Kelvo - [Die Karte]");
    Frames().first()->GetActiveDocument()->SetTitle("Neu");
    Process();
    EXPECT_EQ(frame->windowTitle(), "Kelvo - [Neu]");
    Frames().first()->showNormal();
    Process();
    EXPECT_EQ(frame->windowTitle(), "Kelvo - Neu");
}

// Start-up in a folder whose "Kelvo.mde" is no Kelvo database: a German message, the file
// byte-identical, and table windows without rows.
TEST_F(ShellTest, StartUpLeavesAnUnusableDatabaseFileAlone) {
    const QString home = QDir::currentPath();
    for (const auto& f : TestSupport::UnusableDatabaseFiles()) {
        const QString folder = dir.filePath(QString::fromLatin1(f.name));
        const QString path = TestSupport::WriteFile(folder + "/Kelvo.mde", f.bytes);
        messages.clear();
        QDir::setCurrent(folder);
        g_GeoDatabase.Close();
        EXPECT_FALSE(CKelvoApp::OpenStartupDatabase()) << f.name;
        QDir::setCurrent(home);
        ASSERT_EQ(messages.size(), 1) << f.name;
        EXPECT_TRUE(
            messages[0].startsWith("Die Datenbank \"Kelvo.mde\" kann nicht geöffnet werden."))
            << messages[0].toStdString();

        Key(Qt::Key_T, Qt::ControlModifier);
        auto* table = dynamic_cast<CListView_Table*>(Frames().last()->GetActiveView());
        ASSERT_TRUE(table) << f.name;
        EXPECT_EQ(table->GetModel().RowCount(), 0);
        EXPECT_EQ(table->GetModel().columnCount(), 13);
        EXPECT_EQ(messages.size(), 1) << f.name; // the closed database is not reported again
        EXPECT_EQ(TestSupport::ReadFile(path), f.bytes) << f.name;
        EXPECT_EQ(QDir(folder).entryList(QDir::Files), QStringList{"Kelvo.mde"}) << f.name;
    }
}

TEST_F(ShellTest, StartUpCreatesAMissingDatabase) {
    const QString folder = dir.filePath("neu");
    QDir().mkpath(folder);
    const QString home = QDir::currentPath();
    QDir::setCurrent(folder);
    g_GeoDatabase.Close();
    const bool opened = CKelvoApp::OpenStartupDatabase();
    QDir::setCurrent(home);
    EXPECT_TRUE(opened);
    EXPECT_TRUE(messages.isEmpty());
    EXPECT_TRUE(QFileInfo::exists(folder + "/Kelvo.mde"));
    EXPECT_EQ(g_GeoDatabase.GetRecordCount("GEO"), 0);
}

TEST_F(ShellTest, ADatabaseInUseIsTriedAgainByTheNextCommand) {
    const QString folder = dir.filePath("gesperrt");
    const QString path = folder + "/Kelvo.mde";
    QDir().mkpath(folder);
    {
        CGeoDatabase made;
        ASSERT_TRUE(made.Open(path));
        ASSERT_TRUE(TableTestRows::Insert(made, TableTestRows::FivePlaces()));
    }
    // Another program writes into the file, as a long import does.
    sqlite3* other = nullptr;
    ASSERT_EQ(sqlite3_open(qPrintable(path), &other), SQLITE_OK);
    ASSERT_EQ(sqlite3_exec(other, "BEGIN EXCLUSIVE", nullptr, nullptr, nullptr), SQLITE_OK);
    g_GeoDatabase.Close();
    g_GeoDatabase.SetBusyTimeout(100);
    const QString home = QDir::currentPath();
    QDir::setCurrent(folder);
    EXPECT_FALSE(CKelvoApp::OpenStartupDatabase());
    QDir::setCurrent(home);
    const QString inUse = "Die Datenbank \"Kelvo.mde\" wird gerade von einem anderen Programm";
    ASSERT_EQ(messages.size(), 1);
    EXPECT_TRUE(messages[0].startsWith(inUse)) << qPrintable(messages[0]);
    EXPECT_FALSE(messages[0].contains("beschädigt"));

    // Opening a window and a repaint try again, and say so while the file is in use.
    Key(Qt::Key_T, Qt::ControlModifier);
    auto* table = dynamic_cast<CListView_Table*>(Frames().last()->GetActiveView());
    ASSERT_TRUE(table);
    EXPECT_EQ(table->GetModel().RowCount(), 0);
    Key(Qt::Key_K, Qt::ControlModifier);
    QTest::qWait(50);
    Process();
    ASSERT_EQ(messages.size(), 3) << qPrintable(messages.join('|'));
    EXPECT_TRUE(messages[1].startsWith(inUse));
    EXPECT_TRUE(messages[2].startsWith(inUse));
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);

    // Free again: the next window has the rows, without a message.
    sqlite3_exec(other, "COMMIT", nullptr, nullptr, nullptr);
    sqlite3_close(other);
    frame->activateWindow();
    Key(Qt::Key_T, Qt::ControlModifier);
    table = dynamic_cast<CListView_Table*>(Frames().last()->GetActiveView());
    ASSERT_TRUE(table);
    EXPECT_EQ(table->GetModel().RowCount(), 5);
    EXPECT_EQ(messages.size(), 3);
    g_GeoDatabase.SetBusyTimeout(CGeoDatabase::kBusyTimeoutMs);
}

// A server database that holds other things: Kelvo asks before it makes GEO there, and does
// nothing there when the answer is no.
TEST_F(ShellTest, StartUpAsksBeforeItMakesGeoInADatabaseWithOtherTables) {
    KELVO_REQUIRE_SERVER();
    TestServer::CScratchDatabase scratch;
    ASSERT_EQ(TestServer::Run(scratch.Address(), "CREATE TABLE payroll (id integer)"), "");
    QSettings(QStringLiteral("Arnvik"), QStringLiteral("Kelvo"))
        .setValue(QStringLiteral("Datenbank/Verbindung"), scratch.Address());
    QStringList questions;
    int answer = 1;
    SetQuestionBoxHook([&](const QString& text, const QStringList& answers) {
        questions << text + " | " + answers.join(", ");
        return answer;
    });
    g_GeoDatabase.Close();
    EXPECT_FALSE(CKelvoApp::OpenStartupDatabase());
    ASSERT_EQ(questions.size(), 1);
    EXPECT_TRUE(questions[0].contains("keine Tabelle \"GEO\" von Kelvo"))
        << qPrintable(questions[0]);
    EXPECT_TRUE(questions[0].endsWith("| &Anlegen, Abbrechen")) << qPrintable(questions[0]);
    ASSERT_EQ(messages.size(), 1);
    EXPECT_TRUE(messages[0].contains("kelvo-cli init")) << qPrintable(messages[0]);
    CGeoDatabase other;
    EXPECT_FALSE(other.Open(scratch.Address()));

    answer = 0;
    EXPECT_TRUE(CKelvoApp::OpenStartupDatabase());
    SetQuestionBoxHook({});
    EXPECT_EQ(questions.size(), 2);
    EXPECT_EQ(messages.size(), 1);
    EXPECT_EQ(g_GeoDatabase.GetRecordCount("GEO"), 0);
    EXPECT_TRUE(other.Open(scratch.Address())) << qPrintable(other.OpenError());
    g_GeoDatabase.Close();
}
