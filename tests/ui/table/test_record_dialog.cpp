// The record dialog through a table window: its layout, what OK stores (the memo and nothing
// else), Enter and Ctrl+Enter in the memo, cancelling, a record deleted meanwhile, and engine
// errors that keep the dialog open with the memo as typed, also when a server stops answering.
#include "RecordDialogSupport.h"
#include "TableCommandsFixture.h"

#include "common/ServerSupport.h"
#include "common/TcpProxy.h"
#include "ui/map/CKelvoView.h"
#include "ui/shell/DialogUnits.h"
#include "ui/table/CDia_Record.h"

#include <QElapsedTimer>
#include <QLabel>
#include <QLineEdit>
#include <QProgressDialog>
#include <QPushButton>

#include <sqlite3.h>

using namespace RecordDialogSupport;

class RecordDialogTest : public TableCommandsFixture {
protected:
    void SetUp() override {
        TableCommandsFixture::SetUp();
        // Keys 1 Berlin, 2 Wien (memo "Innere Stadt"), 3 Vaduz, 4 Dresden, 5 Zürich; rows in
        // the window: Wien, Zürich, Dresden, Berlin, Vaduz. Fields not named are NULL.
        view = OpenFivePlaces();
        ASSERT_TRUE(view);
        view->setFocus();
    }

    // "Datensatz..." on a row, with `act` run on the dialog while it is open.
    void EditRecord(int row, std::function<void(CDia_Record*)> act) {
        SelectCurrentRow(view, row);
        ASSERT_EQ(view->m_nCurrentRow, row);
        bool seen;
        WhenModal(onRecordDialog(seen, act));
        Command(ID_RECORD_EDIT);
        EXPECT_TRUE(seen);
    }

    CListView_Table* view = nullptr;
};

TEST_F(RecordDialogTest, LayoutFieldsAndFocus) {
    EditRecord(0, [](CDia_Record* dlg) {
        EXPECT_EQ(dlg->windowTitle(), "GEO Datensatz");
        // Labels by id: the field names, field 4 cut to "Regierungsbez", none clipped, each
        // ending where its edit begins.
        const CDialogUnits dlu(dlg->font());
        const QList<QPair<QString, QString>> labels{
            {"1008", "Staat"},         {"1009", "PLZ"},        {"1010", "Bundesland"},
            {"1011", "Regierungsbez"}, {"1012", "Landkreis"},  {"1018", "Verwaltung"},
            {"1020", "Ort"},           {"1022", "Ortsteil"},   {"1024", "KFZ"},
            {"1030", "Langengrad"},    {"1032", "Breitengrad"}};
        for (const auto& [id, text] : labels) {
            auto* label = dlg->findChild<QLabel*>(id);
            ASSERT_TRUE(label) << id.toStdString();
            EXPECT_EQ(label->text(), text);
            EXPECT_GE(label->width(), label->fontMetrics().horizontalAdvance(text));
        }
        EXPECT_EQ(dlg->findChild<QLabel*>("1011")->geometry().right(),
                  dlu.Rect(15, 74, 47, 8).right());
        // The row's values, an empty cell as a single space; read-only, never reached by Tab.
        const QList<QPair<QString, QString>> edits{
            {"1001", "AT"}, {"1002", "1010"}, {"1004", " "}, {"1019", "Wien"}, {"1031", " "}};
        for (const auto& [id, text] : edits) {
            auto* edit = dlg->findChild<QLineEdit*>(id);
            ASSERT_TRUE(edit) << id.toStdString();
            EXPECT_EQ(edit->text(), text);
            EXPECT_TRUE(edit->isReadOnly());
            EXPECT_FALSE(edit->focusPolicy() & Qt::TabFocus);
        }
        EXPECT_EQ(dlg->m_editMemo->toPlainText(), "Innere Stadt");
        EXPECT_FALSE(dlg->m_editMemo->isReadOnly());
        // OK has the focus; Tab goes to Abbrechen, the memo, and back to OK.
        EXPECT_EQ(QApplication::focusWidget(), dlg->m_btnOK);
        for (QWidget* next :
             {static_cast<QWidget*>(dlg->m_btnCancel), static_cast<QWidget*>(dlg->m_editMemo),
              static_cast<QWidget*>(dlg->m_btnOK)}) {
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
            EXPECT_EQ(QApplication::focusWidget(), next);
        }
        QTest::keyClick(dlg, Qt::Key_Escape);
    });
}

TEST_F(RecordDialogTest, OkStoresOnlyTheMemo) {
    const QStringList cellsBefore = view->GetModel().RowCells(0);
    QVariantList expected;
    EditRecord(0, [&](CDia_Record* dlg) {
        // Ort changes while the dialog is open: the dialog's copy is stale.
        ASSERT_TRUE(g_GeoDatabase.Execute("UPDATE GEO SET Ort = 'Wien (neu)' WHERE ID_Geo = 2"));
        expected = storedRow(2);
        typeMemo(dlg, "Neuer Text");
        dlg->m_btnOK->click();
    });
    expected[GEO_MEMO] = QByteArray("Neuer Text");
    EXPECT_EQ(storedRow(2), expected); // Ort kept, fields without a value still without
    EXPECT_TRUE(storedRow(2).value(GEO_BUNDESLAND).isNull());
    QStringList cells = cellsBefore;
    cells[GEO_MEMO] = "Neuer Text";
    EXPECT_EQ(view->GetModel().RowCells(0), cells); // the other cells stay as they were
    EXPECT_TRUE(messages.isEmpty());

    // Still there in a new window, and after the database was closed and opened again.
    EXPECT_EQ(OpenTable()->GetModel().Cell(0, GEO_MEMO), "Neuer Text");
    const QString path = g_GeoDatabase.FilePath();
    g_GeoDatabase.Close();
    ASSERT_TRUE(g_GeoDatabase.Open(path));
    EXPECT_EQ(storedMemo(2), "Neuer Text");
}

TEST_F(RecordDialogTest, ClearedMemoIsStoredAsASpace) {
    EditRecord(0, [](CDia_Record* dlg) {
        typeMemo(dlg, "");
        dlg->m_btnOK->click();
    });
    EXPECT_EQ(storedMemo(2), " ");
    EXPECT_EQ(view->GetModel().Cell(0, GEO_MEMO), " ");
}

TEST_F(RecordDialogTest, EnterConfirmsAndCtrlEnterStartsANewLine) {
    EditRecord(2, [](CDia_Record* dlg) { // Dresden
        typeMemo(dlg, "Zeile 1");
        QTest::keyClick(dlg->m_editMemo, Qt::Key_Return, Qt::ControlModifier);
        QTest::keyClicks(dlg->m_editMemo, "Zeile 2");
        QTest::keyClick(dlg->m_editMemo, Qt::Key_Return);
    });
    EXPECT_EQ(storedMemo(4), "Zeile 1\nZeile 2");
    EXPECT_EQ(view->GetModel().Cell(2, GEO_MEMO), "Zeile 1\nZeile 2");

    // Enter at once: OK has the focus; the memo is stored as shown.
    EditRecord(0, [](CDia_Record* dlg) { QTest::keyClick(dlg->m_btnOK, Qt::Key_Return); });
    EXPECT_EQ(storedMemo(2), "Innere Stadt");
}

TEST_F(RecordDialogTest, CancelWritesNothing) {
    const QVariantList before = storedRow(2);
    EditRecord(0, [](CDia_Record* dlg) {
        typeMemo(dlg, "verworfen");
        dlg->m_btnCancel->click();
    });
    EXPECT_EQ(storedRow(2), before);
    EXPECT_EQ(view->GetModel().Cell(0, GEO_MEMO), "Innere Stadt");
}

TEST_F(RecordDialogTest, MissingRecordKeepsTheDialogOpenAndWritesNothing) {
    QStringList questions;
    SetQuestionBoxHook([&](const QString& text, const QStringList& answers) {
        questions << text;
        EXPECT_EQ(answers, QStringList({"Text kopieren", "Zurück zum Dialog"}));
        return 1;
    });
    bool open = false;
    QString typed;
    EditRecord(4, [&](CDia_Record* dlg) { // Vaduz, key 3
        typeMemo(dlg, "ins Leere");
        ASSERT_TRUE(g_GeoDatabase.Execute("DELETE FROM GEO WHERE ID_Geo = 3"));
        dlg->m_btnOK->click();
        open = dlg->isVisible();
        typed = dlg->m_editMemo->toPlainText();
        dlg->m_btnCancel->click();
    });
    SetQuestionBoxHook({});
    ASSERT_EQ(questions.size(), 1);
    EXPECT_TRUE(questions[0].startsWith("Der Datensatz mit ID_Geo = 3 ist in der Tabelle \"GEO\" "
                                        "nicht mehr vorhanden.\n\nKein anderer Datensatz hat "
                                        "denselben Ort (FL 9490 Vaduz)."))
        << qPrintable(questions[0]);
    EXPECT_TRUE(questions[0].contains("Das Memo wurde nicht gespeichert."));
    EXPECT_TRUE(open);
    EXPECT_EQ(typed, "ins Leere");
    EXPECT_EQ(g_GeoDatabase.GetRecordCount("GEO"), 4);
    CGeoRecordset memos(g_GeoDatabase);
    ASSERT_TRUE(memos.Open("SELECT COUNT(*) FROM GEO WHERE Memo IS NOT NULL") && memos.MoveNext());
    EXPECT_EQ(memos.FieldInt(0), 1); // Wien's, nothing else

    // A window without rows has no record to show: the command is disabled.
    ASSERT_TRUE(g_GeoDatabase.Execute("DELETE FROM GEO"));
    view = OpenTable();
    ASSERT_EQ(view->GetModel().RowCount(), 0);
    view->setFocus();
    frame->UpdateCommandUI();
    EXPECT_FALSE(Action(ID_RECORD_EDIT)->isEnabled());
}

TEST_F(RecordDialogTest, EngineErrorKeepsTheDialogOpenWithTheMemo) {
    struct Case {
        const char* name;
        std::function<void()> block, unblock;
        QString engineText;
    };
    sqlite3* other = nullptr;
    const QList<Case> cases{
        {"trigger",
         [] {
             ASSERT_TRUE(g_GeoDatabase.Execute("CREATE TRIGGER kein_memo BEFORE UPDATE OF Memo "
                                               "ON GEO BEGIN SELECT RAISE(ABORT, 'Memo "
                                               "gesperrt'); END"));
         },
         [] { ASSERT_TRUE(g_GeoDatabase.Execute("DROP TRIGGER kein_memo")); }, "Memo gesperrt"},
        {"lock",
         [&] {
             // Another connection holds the file; this one waits only briefly.
             ASSERT_EQ(sqlite3_open(qPrintable(g_GeoDatabase.FilePath()), &other), SQLITE_OK);
             ASSERT_EQ(sqlite3_exec(other, "BEGIN EXCLUSIVE", nullptr, nullptr, nullptr),
                       SQLITE_OK);
             g_GeoDatabase.SetBusyTimeout(50);
         },
         [&] {
             sqlite3_exec(other, "ROLLBACK", nullptr, nullptr, nullptr);
             sqlite3_close(other);
             other = nullptr;
         },
         "database is locked"},
    };
    for (const Case& c : cases) {
        messages.clear();
        QString memoAfterError;
        bool openAfterError = false;
        EditRecord(0, [&](CDia_Record* dlg) {
            typeMemo(dlg, QStringLiteral("Bleibt erhalten (%1)").arg(c.name));
            c.block();
            dlg->m_btnOK->click();
            openAfterError = dlg->isVisible();
            memoAfterError = dlg->m_editMemo->toPlainText();
            // Once the cause is gone, OK stores the same memo.
            c.unblock();
            dlg->m_btnOK->click();
        });
        const QString memo = QStringLiteral("Bleibt erhalten (%1)").arg(c.name);
        EXPECT_TRUE(openAfterError) << c.name;
        EXPECT_EQ(memoAfterError, memo);
        ASSERT_EQ(messages.size(), 1) << c.name;
        EXPECT_TRUE(messages[0].startsWith("Das Memo konnte nicht gespeichert werden."));
        EXPECT_TRUE(messages[0].contains(c.engineText)) << messages[0].toStdString();
        EXPECT_EQ(storedMemo(2), memo);
        EXPECT_EQ(view->GetModel().Cell(0, GEO_MEMO), memo);
    }
    g_GeoDatabase.SetBusyTimeout(CGeoDatabase::kBusyTimeoutMs);
}

// Two table windows, a map that shows memos, and another program writing the same file.
class MemoConflictTest : public RecordDialogTest {
protected:
    void SetUp() override {
        RecordDialogTest::SetUp();
        ASSERT_EQ(sqlite3_open(qPrintable(g_GeoDatabase.FilePath()), &other), SQLITE_OK);
        SetQuestionBoxHook([this](const QString& text, const QStringList& answers) {
            questions << text;
            EXPECT_EQ(answers.size(), 3);
            return answer;
        });
    }
    void TearDown() override {
        SetQuestionBoxHook({});
        sqlite3_close(other);
        RecordDialogTest::TearDown();
    }
    // The other program changes the memo of Wien (key 2).
    void OtherWrites(const char* memo) {
        const QByteArray sql = QByteArray("UPDATE GEO SET Memo = '") + memo + "' WHERE ID_Geo = 2";
        ASSERT_EQ(sqlite3_exec(other, sql.constData(), nullptr, nullptr, nullptr), SQLITE_OK);
    }
    QString MemoTypeOf(int id) {
        CGeoRecordset rs(g_GeoDatabase);
        return rs.Open("SELECT typeof(Memo) FROM GEO WHERE ID_Geo = ?", {id}) && rs.MoveNext()
                   ? rs.FieldText(0)
                   : QString();
    }

    sqlite3* other = nullptr;
    QStringList questions;
    int answer = 2;
};

TEST_F(MemoConflictTest, EveryWindowShowsTheStoredMemo) {
    CListView_Table* first = view;
    CListView_Table* second = OpenTable();
    ASSERT_TRUE(second && second != first);
    // A map with memo marks: Wien inside its frame.
    ASSERT_TRUE(g_GeoDatabase.Execute("UPDATE GEO SET Langengrad = '16.37', Breitengrad = '48.2' "
                                      "WHERE ID_Geo = 2"));
    Refocus(frame);
    Key(Qt::Key_K, Qt::ControlModifier);
    auto* map = dynamic_cast<CKelvoView*>(Frames().last()->GetActiveView());
    ASSERT_TRUE(map);
    map->OnShowMemos();
    ASSERT_TRUE(map->Canvas().m_bShowMemos);
    const QImage before = map->Canvas().BackBuffer().copy();

    // Saved in the second window: the first shows it too, the map draws it.
    view = second;
    Refocus(second);
    EditRecord(0, [](CDia_Record* dlg) {
        typeMemo(dlg, "Aus Fenster 2");
        dlg->m_btnOK->click();
    });
    EXPECT_EQ(storedMemo(2), "Aus Fenster 2");
    EXPECT_EQ(first->GetModel().Cell(0, GEO_MEMO), "Aus Fenster 2");
    EXPECT_EQ(second->GetModel().Cell(0, GEO_MEMO), "Aus Fenster 2");
    EXPECT_NE(map->Canvas().BackBuffer(), before);

    // Another program wrote: the first window's dialog shows the stored memo, not its copy,
    // and Enter twice without a change writes nothing, also over a memo written meanwhile.
    OtherWrites("Von außen");
    view = first;
    Refocus(first);
    QString shown;
    EditRecord(0, [&](CDia_Record* dlg) {
        shown = dlg->m_editMemo->toPlainText();
        OtherWrites("Während der Dialog offen ist");
        QTest::keyClick(dlg->m_btnOK, Qt::Key_Return);
    });
    EXPECT_EQ(shown, "Von außen");
    EXPECT_EQ(storedMemo(2), "Während der Dialog offen ist");
    EXPECT_EQ(first->GetModel().Cell(0, GEO_MEMO), "Während der Dialog offen ist");

    // A row without a memo keeps none when the dialog is confirmed untouched.
    EditRecord(3, [](CDia_Record* dlg) { dlg->m_btnOK->click(); }); // Berlin
    EXPECT_EQ(MemoTypeOf(1), "null");
    EXPECT_TRUE(messages.isEmpty()) << qPrintable(messages.join('|'));
}

TEST_F(MemoConflictTest, AChangedMemoIsNeverOverwrittenUnasked) {
    // Back to the dialog: the typed memo stays, nothing is written; OK then stores it.
    answer = 2;
    bool openAfterQuestion = false;
    QString typedAfterQuestion;
    EditRecord(0, [&](CDia_Record* dlg) {
        typeMemo(dlg, "Meins");
        OtherWrites("Deins");
        dlg->m_btnOK->click();
        openAfterQuestion = dlg->isVisible();
        typedAfterQuestion = dlg->m_editMemo->toPlainText();
        EXPECT_EQ(storedMemo(2), "Deins");
        dlg->m_btnOK->click();
    });
    ASSERT_EQ(questions.size(), 1);
    EXPECT_TRUE(questions[0].contains("Jetzt gespeichert:\nDeins\n\nIhre Fassung:\nMeins"))
        << qPrintable(questions[0]);
    EXPECT_TRUE(openAfterQuestion);
    EXPECT_EQ(typedAfterQuestion, "Meins");
    EXPECT_EQ(storedMemo(2), "Meins");

    // Take the stored one: nothing written, the window shows it.
    answer = 1;
    EditRecord(0, [&](CDia_Record* dlg) {
        typeMemo(dlg, "Meins 2");
        OtherWrites("Deins 2");
        dlg->m_btnOK->click();
    });
    EXPECT_EQ(storedMemo(2), "Deins 2");
    EXPECT_EQ(view->GetModel().Cell(0, GEO_MEMO), "Deins 2");

    // Keep mine: written over the version the question showed.
    answer = 0;
    EditRecord(0, [&](CDia_Record* dlg) {
        typeMemo(dlg, "Meins 3");
        OtherWrites("Deins 3");
        dlg->m_btnOK->click();
    });
    EXPECT_EQ(storedMemo(2), "Meins 3");
    EXPECT_EQ(view->GetModel().Cell(0, GEO_MEMO), "Meins 3");
    EXPECT_EQ(questions.size(), 3);
    EXPECT_TRUE(messages.isEmpty()) << qPrintable(messages.join('|'));
}

// The dialog on a server whose network stops answering: after a moment a window offers to
// give up, with the wait cursor; giving up keeps the dialog open with the memo as typed.
class ServerRecordDialogTest : public RecordDialogTest {
protected:
    void SetUp() override {
        RecordDialogTest::SetUp();
        KELVO_REQUIRE_SERVER();
        scratch = std::make_unique<TestServer::CScratchDatabase>();
        const QString address = scratch->Address();
        const int port = address.section(':', -1).section('/', 0, 0).toInt();
        relay = std::make_unique<CTcpProxy>(port);
        g_GeoDatabase.Close();
        ASSERT_TRUE(g_GeoDatabase.Open(QString(address).replace(
            QStringLiteral(":%1/").arg(port), QStringLiteral(":%1/").arg(relay->Port()))))
            << g_GeoDatabase.OpenError().toStdString();
        CKelvoApp::InstallDatabaseWaitCursor();
        ASSERT_TRUE(Insert(TableTestRows::FivePlaces()));
        view = OpenTable();
        ASSERT_TRUE(view);
    }
    void TearDown() override {
        RecordDialogTest::TearDown();
        relay.reset();
        scratch.reset();
    }

    std::unique_ptr<TestServer::CScratchDatabase> scratch;
    std::unique_ptr<CTcpProxy> relay;
};

TEST_F(ServerRecordDialogTest, AStalledServerCanBeGivenUpAndTheMemoStaysTyped) {
    bool offered = false, openAfter = false;
    Qt::CursorShape cursorWhileWaiting = Qt::ArrowCursor;
    QString memoAfter;
    qint64 waited = 0;
    EditRecord(0, [&](CDia_Record* dlg) {
        typeMemo(dlg, "Geht nicht verloren");
        relay->Freeze(true);
        QTimer poll;
        QObject::connect(&poll, &QTimer::timeout, [&] {
            auto* wait = frame->findChild<QProgressDialog*>("ServerWait");
            if (!wait || !wait->isVisible())
                return;
            poll.stop();
            offered = true;
            if (QApplication::overrideCursor())
                cursorWhileWaiting = QApplication::overrideCursor()->shape();
            auto* button = wait->findChild<QPushButton*>();
            ASSERT_TRUE(button);
            EXPECT_EQ(button->text(), "Abbrechen");
            QTest::mouseClick(button, Qt::LeftButton);
        });
        poll.start(50);
        QElapsedTimer timer;
        timer.start();
        dlg->m_btnOK->click();
        waited = timer.elapsed();
        openAfter = dlg->isVisible();
        memoAfter = dlg->m_editMemo->toPlainText();
        // The network back: OK stores the same memo over a new connection.
        relay->Freeze(false);
        dlg->m_btnOK->click();
    });
    EXPECT_TRUE(offered);
    EXPECT_EQ(cursorWhileWaiting, Qt::BusyCursor);
    EXPECT_LT(waited, 8000);
    EXPECT_FALSE(QApplication::overrideCursor());
    EXPECT_TRUE(openAfter);
    EXPECT_EQ(memoAfter, "Geht nicht verloren");
    ASSERT_EQ(messages.size(), 1);
    EXPECT_TRUE(messages[0].startsWith("Das Memo konnte nicht gespeichert werden."));
    EXPECT_TRUE(messages[0].contains("abgebrochen")) << messages[0].toStdString();
    QVariant stored;
    EXPECT_TRUE(g_GeoDatabase.ReadMemo(g_GeoDatabase.m_Table, 2, &stored));
    EXPECT_EQ(stored.toString(), "Geht nicht verloren");
    EXPECT_EQ(view->GetModel().Cell(0, GEO_MEMO), "Geht nicht verloren");
}
