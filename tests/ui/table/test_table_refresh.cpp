// Table windows and a database that another connection, another process or a replaced file
// changed: the window reads its rows again when it gets the focus, keeping its sort, current
// row and scroll position; it marks its title while the user is busy in it; F5 reads again;
// the record dialog opens on the record as stored now.
#include "RecordDialogSupport.h"
#include "TableCommandsFixture.h"

#include "common/TestSupport.h"
#include "ui/shell/DocTemplate.h"

#include <QLineEdit>
#include <QMdiArea>
#include <QPushButton>
#include <QScrollBar>

#include <sqlite3.h>

using namespace RecordDialogSupport;

namespace {
const QString kMark = QStringLiteral(" (nicht mehr aktuell, F5 liest neu)");
}

class TableRefreshTest : public TableCommandsFixture {
protected:
    void SetUp() override {
        TableCommandsFixture::SetUp();
        ASSERT_EQ(sqlite3_open(qPrintable(g_GeoDatabase.FilePath()), &other), SQLITE_OK);
    }
    void TearDown() override {
        sqlite3_close(other);
        TableCommandsFixture::TearDown();
    }

    void OtherRuns(const QString& sql) {
        char* error = nullptr;
        ASSERT_EQ(sqlite3_exec(other, sql.toUtf8().constData(), nullptr, nullptr, &error),
                  SQLITE_OK)
            << (error ? error : "");
    }

    // 300 places DE 00001 "Ort 300" ... DE 00300 "Ort 001": PLZ and Ort in opposite orders.
    bool InsertMany() {
        QList<TableTestRows::Place> places;
        for (int i = 1; i <= 300; ++i)
            places.append(
                {"DE", QString::asprintf("%05d", i), QString::asprintf("Ort %03d", 301 - i), ""});
        return g_GeoDatabase.Execute("BEGIN") && Insert(places) && g_GeoDatabase.Execute("COMMIT");
    }

    // Makes a window the active one, as the window menu does; the focus goes to its view.
    void Activate(CListView_Table* view) {
        frame->MdiArea()->setActiveSubWindow(view->GetParentFrame());
        Process();
    }

    static qint64 CurrentKey(CListView_Table* view) {
        return view->GetModel().Cell(view->currentIndex().row(), GEO_ID).toLongLong();
    }

    sqlite3* other = nullptr;
};

TEST_F(TableRefreshTest, GettingTheFocusReadsChangedRowsKeepingSortCurrentRowAndScrolling) {
    ASSERT_TRUE(InsertMany());
    CListView_Table* first = OpenTable();
    ASSERT_TRUE(first);
    first->GetParentFrame()->resize(900, 400);
    ClickHeader(first, GEO_ORT); // Ort ascending: "Ort 001" (key 300) first
    ClickHeader(first, GEO_ORT); // descending
    ASSERT_EQ(first->GetModel().Cell(0, GEO_ORT), "Ort 300");
    const QString sortedTitle = Title(first);
    first->setFocus();
    SelectCurrentRow(first, 140);
    for (int i = 0; i < 10; ++i)
        Key(Qt::Key_Down);
    const qint64 key = CurrentKey(first);
    ASSERT_EQ(first->GetModel().Cell(150, GEO_ORT), "Ort 150");
    first->verticalScrollBar()->setValue(120);
    Process();
    const int scrolled = first->verticalScrollBar()->value();
    ASSERT_GT(scrolled, 100);

    CListView_Table* second = OpenTable();
    ASSERT_TRUE(second && second != first);
    // Another program: a new place (first in this order), one deleted further down, and a
    // memo on the current row.
    OtherRuns(QStringLiteral("INSERT INTO GEO (Staat, PLZ, Ort) VALUES ('DE', '99999', 'Ort "
                             "999'); DELETE FROM GEO WHERE Ort = 'Ort 010'; UPDATE GEO SET Memo = "
                             "'von außen' WHERE ID_Geo = %1")
                  .arg(key));
    EXPECT_EQ(first->GetModel().Cell(150, GEO_MEMO), "");

    Activate(first);
    ASSERT_TRUE(first->hasFocus());
    EXPECT_EQ(first->GetModel().RowCount(), 300);
    EXPECT_EQ(first->GetModel().Cell(0, GEO_ORT), "Ort 999"); // still Ort, descending
    EXPECT_EQ(first->GetModel().Cell(1, GEO_ORT), "Ort 300");
    EXPECT_EQ(CurrentKey(first), key); // the same record, one row further down now
    EXPECT_EQ(first->currentIndex().row(), 151);
    EXPECT_EQ(first->GetModel().Cell(151, GEO_MEMO), "von außen");
    EXPECT_EQ(first->verticalScrollBar()->value(), scrolled);
    EXPECT_EQ(Title(first), sortedTitle);
    EXPECT_EQ(frame->GetMessageText(), " Datensatz:    152 /    300");
    // The second window reads the same when it is active again; the first, unchanged since,
    // keeps its rows.
    Activate(second);
    EXPECT_EQ(second->GetModel().Cell(second->GetModel().RowCount() - 1, GEO_ORT), "Ort 999");
    EXPECT_TRUE(messages.isEmpty()) << qPrintable(messages.join('|'));
}

TEST_F(TableRefreshTest, WhileTheUserIsBusyTheTitleSaysSoAndF5ReadsAgain) {
    ASSERT_TRUE(Insert(TableTestRows::FivePlaces()));
    CListView_Table* first = OpenTable();
    CListView_Table* second = OpenTable();
    ASSERT_TRUE(first && second && first != second);
    const QString title = Title(first);
    OtherRuns("UPDATE GEO SET Memo = 'neu' WHERE ID_Geo = 2"); // Wien, row 0

    // A click into the first window: the button is down when it gets the focus.
    const QPoint point = RowPoint(first, 3);
    QTest::mousePress(first->viewport(), Qt::LeftButton, {}, point);
    Process();
    EXPECT_EQ(Title(first), title + kMark);
    EXPECT_EQ(first->GetModel().Cell(0, GEO_MEMO), "Innere Stadt");
    // Once the button is let go, the window reads its rows after all, on the row clicked.
    QTest::mouseRelease(first->viewport(), Qt::LeftButton, {}, point);
    Process();
    EXPECT_EQ(first->currentIndex().row(), 3);
    EXPECT_TRUE(QTest::qWaitFor([&] { return first->GetModel().Cell(0, GEO_MEMO) == "neu"; }));
    EXPECT_EQ(Title(first), title);
    EXPECT_EQ(first->currentIndex().row(), 3);

    // "Ansicht > Aktualisieren" is there, and F5 reads the rows again.
    OtherRuns("UPDATE GEO SET Memo = 'neuer' WHERE ID_Geo = 2");
    Process();
    EXPECT_EQ(first->GetModel().Cell(0, GEO_MEMO), "neu");
    frame->UpdateCommandUI();
    ASSERT_TRUE(Action(ID_VIEW_REFRESH));
    EXPECT_TRUE(Action(ID_VIEW_REFRESH)->isEnabled());
    Key(Qt::Key_F5);
    EXPECT_EQ(first->GetModel().Cell(0, GEO_MEMO), "neuer");
    EXPECT_EQ(Title(first), title);
    EXPECT_EQ(first->currentIndex().row(), 3);
}

TEST_F(TableRefreshTest, TheRecordDialogOpensOnTheRecordAsStoredNow) {
    ASSERT_TRUE(Insert(TableTestRows::FivePlaces()));
    CListView_Table* view = OpenTable();
    ASSERT_TRUE(view);
    Refocus(view);
    SelectCurrentRow(view, 3); // Berlin, key 1
    // Another program refreshes Berlin (new key 8, a memo) while the window has the focus.
    OtherRuns("BEGIN; DELETE FROM GEO WHERE ID_Geo = 1; INSERT INTO GEO (ID_Geo, Staat, PLZ, "
              "Ort, Memo) VALUES (8, 'DE', '10115', 'Berlin', 'Mitte'); COMMIT");
    QString shown, ort;
    WhenModal([&](QWidget* dialog) {
        if (CDia_Record* dlg = recordDialog(dialog)) {
            shown = dlg->m_editMemo->toPlainText();
            ort = dlg->findChild<QLineEdit*>("1019")->text();
            typeMemo(dlg, "Mitte, Kunde");
            dlg->m_btnOK->click();
        }
    });
    Key(Qt::Key_Return);
    EXPECT_EQ(ort, "Berlin");
    EXPECT_EQ(shown, "Mitte");
    EXPECT_EQ(storedMemo(8), "Mitte, Kunde");
    EXPECT_EQ(view->GetModel().Cell(3, GEO_ID), "8");
    EXPECT_EQ(view->GetModel().Cell(3, GEO_MEMO), "Mitte, Kunde");

    // A record that is gone altogether: a message, no dialog.
    Refocus(view);
    ASSERT_EQ(view->currentIndex().row(), 3);
    OtherRuns("DELETE FROM GEO WHERE ID_Geo = 8");
    bool opened = false;
    WhenModal(
        [&](QWidget* dialog) {
            opened = true;
            dialog->close();
        },
        0, 100);
    Key(Qt::Key_Return);
    EXPECT_FALSE(opened);
    ASSERT_EQ(messages.size(), 1);
    EXPECT_TRUE(messages[0].contains("der Ort DE 10115 Berlin ist nicht mehr in der Tabelle"))
        << qPrintable(messages[0]);
    EXPECT_EQ(view->GetModel().RowCount(), 4);
}

TEST_F(TableRefreshTest, AReplacedFileIsSaidAndReadAndTheTypedMemoGoesIntoIt) {
    ASSERT_TRUE(Insert(TableTestRows::FivePlaces()));
    // A colleague's copy: the same places under other keys, made by another process.
    const QString colleague = dir.filePath("Kollege/Kelvo.mde");
    QDir().mkpath(dir.filePath("Kollege"));
    const QString file = TestSupport::WriteFile(
        dir.filePath("AT.txt"),
        TestSupport::GeoNamesLine("AT", "1010", "Wien", "Wien", "", "", "48.2", "16.37") +
            TestSupport::GeoNamesLine("AT", "8010", "Graz", "Steiermark", "", "", "47.07",
                                      "15.44"));
    QString err;
    ASSERT_EQ(TestSupport::RunCli({"import", "--db", colleague, file}, dir.path(), nullptr, &err),
              0)
        << qPrintable(err);
    CListView_Table* view = OpenTable();
    ASSERT_TRUE(view);
    ASSERT_EQ(view->GetModel().Cell(0, GEO_ORT), "Wien");

    SetQuestionBoxHook([](const QString&, const QStringList&) { return 0; }); // save there
    bool seen;
    WhenModal(onRecordDialog(seen, [&](CDia_Record* dlg) {
        typeMemo(dlg, "Kunde Meier");
        // The copy is moved over the open file, as a restore does.
        EXPECT_EQ(::rename(qPrintable(colleague), qPrintable(g_GeoDatabase.FilePath())), 0);
        dlg->m_btnOK->click();
    }));
    Refocus(view);
    SelectCurrentRow(view, 0);
    Key(Qt::Key_Return);
    EXPECT_TRUE(seen);
    SetQuestionBoxHook({});
    ASSERT_EQ(messages.size(), 1);
    EXPECT_TRUE(messages[0].startsWith("Die Datenbank \"Kelvo.mde\" wurde durch eine andere Datei "
                                       "ersetzt"))
        << qPrintable(messages[0]);
    // Stored in the file that is there now, seen by another connection.
    sqlite3* reader = nullptr;
    ASSERT_EQ(sqlite3_open(qPrintable(g_GeoDatabase.FilePath()), &reader), SQLITE_OK);
    sqlite3_stmt* st = nullptr;
    ASSERT_EQ(sqlite3_prepare_v2(reader, "SELECT Ort, Memo FROM GEO WHERE Memo IS NOT NULL", -1,
                                 &st, nullptr),
              SQLITE_OK);
    ASSERT_EQ(sqlite3_step(st), SQLITE_ROW);
    EXPECT_STREQ(reinterpret_cast<const char*>(sqlite3_column_text(st, 0)), "Wien");
    EXPECT_STREQ(reinterpret_cast<const char*>(sqlite3_column_text(st, 1)), "Kunde Meier");
    EXPECT_EQ(sqlite3_step(st), SQLITE_DONE);
    sqlite3_finalize(st);
    sqlite3_close(reader);
    // The window lists the new file's rows once it has the focus again.
    Refocus(view);
    EXPECT_EQ(view->GetModel().RowCount(), 2);
    EXPECT_EQ(view->GetModel().Cell(0, GEO_MEMO), "Kunde Meier");
}

TEST_F(TableRefreshTest, CommandsOnTheRowsAreGreyWhileTheyAreReadAgainAndBackWhenEscStopsIt) {
    KELVO_REQUIRE_SHARED_DATA(data);
    ASSERT_TRUE(ImportSharedData(data));
    CListView_Table* view = OpenTable();
    ASSERT_TRUE(view);
    const qint64 rows = view->GetModel().RowCount();
    view->setFocus();
    Process();
    ASSERT_TRUE(Action(ID_FILE_EXPORT) && Action(ID_FILE_PRINT));
    ASSERT_TRUE(Action(ID_FILE_EXPORT)->isEnabled());

    // The states as the menus and the tool bar show them, nothing asking for them meanwhile:
    // a look a tick after the reading began, then Esc.
    bool looked = false, exportEnabled = true, printEnabled = true;
    int ticks = 0;
    QTimer look;
    look.setInterval(1);
    QObject::connect(&look, &QTimer::timeout, [&] {
        if (!view->IsFilling() || ++ticks < 2)
            return;
        look.stop();
        looked = true;
        exportEnabled = Action(ID_FILE_EXPORT)->isEnabled();
        printEnabled = Action(ID_FILE_PRINT)->isEnabled();
        QTest::keyClick(view, Qt::Key_Escape);
    });
    look.start();
    Key(Qt::Key_F5);
    look.stop();
    ASSERT_TRUE(looked);
    EXPECT_FALSE(exportEnabled);
    EXPECT_FALSE(printEnabled);
    // Stopped: the rows stay, and the commands on them are there again.
    Process();
    EXPECT_FALSE(view->IsFilling());
    EXPECT_EQ(view->GetModel().RowCount(), rows);
    EXPECT_TRUE(Action(ID_FILE_EXPORT)->isEnabled());
    EXPECT_TRUE(Action(ID_FILE_PRINT)->isEnabled());
    EXPECT_TRUE(messages.isEmpty()) << qPrintable(messages.join('|'));
}
