// What becomes of a memo typed into the record dialog while the database changes under it:
// the row deleted or given a new key by another connection or process (a refresh), the place
// there with a memo of its own, several rows at the place, none; and memos that are empty,
// start or end with spaces. Each case runs on a file and on a database of the test server.
#include "RecordDialogSupport.h"
#include "TableCommandsFixture.h"

#include "common/EngineFixture.h"
#include "common/TestSupport.h"

#include <QClipboard>
#include <QPushButton>

#include <sqlite3.h>

using namespace RecordDialogSupport;

class RecordMemoTest : public TableCommandsFixture, public ::testing::WithParamInterface<Engine> {
protected:
    void SetUp() override {
        TableCommandsFixture::SetUp();
        if (OnServer()) {
            KELVO_REQUIRE_SERVER();
            scratch = std::make_unique<TestServer::CScratchDatabase>();
            address = scratch->Address();
            g_GeoDatabase.Close();
            ASSERT_TRUE(g_GeoDatabase.Open(address)) << g_GeoDatabase.OpenError().toStdString();
        } else {
            address = g_GeoDatabase.FilePath();
            ASSERT_EQ(sqlite3_open(qPrintable(address), &other), SQLITE_OK);
        }
        SetQuestionBoxHook([this](const QString& text, const QStringList& answers) {
            questions << text;
            offered << answers;
            EXPECT_FALSE(answersToGive.isEmpty()) << qPrintable(text);
            return answersToGive.isEmpty() ? int(answers.size()) - 1 : answersToGive.takeFirst();
        });
    }
    void TearDown() override {
        SetQuestionBoxHook({});
        sqlite3_close(other);
        TableCommandsFixture::TearDown();
        scratch.reset();
    }

    bool OnServer() const { return GetParam() == Engine::Server; }

    // Another program's statements on the same database, over a connection of its own.
    void OtherRuns(const QString& sql) {
        if (OnServer()) {
            ASSERT_EQ(TestServer::Run(address, sql), "");
            return;
        }
        char* error = nullptr;
        ASSERT_EQ(sqlite3_exec(other, sql.toUtf8().constData(), nullptr, nullptr, &error),
                  SQLITE_OK)
            << (error ? error : "");
    }

    // The engine's function for the character with a code.
    QString Chr() const { return OnServer() ? "chr" : "char"; }

    // The dialog of the view's row, `act` run on it while it is open; it must end closed.
    void EditRow(CListView_Table* view, int row, std::function<void(CDia_Record*)> act) {
        Refocus(view);
        SelectCurrentRow(view, row);
        bool seen;
        WhenModal(onRecordDialog(seen, act));
        Key(Qt::Key_Return);
        EXPECT_TRUE(seen);
    }

    // The keys whose memo is exactly the text.
    static QList<qint64> KeysWithMemo(const QString& memo) {
        CGeoRecordset rs(g_GeoDatabase);
        QList<qint64> keys;
        if (rs.Open("SELECT ID_Geo, Memo FROM GEO ORDER BY ID_Geo")) {
            while (rs.MoveNext()) {
                if (!rs.IsNull(1) && QString::fromUtf8(rs.FieldUtf8(1).toByteArray()) == memo)
                    keys << rs.FieldInt(0);
            }
        }
        return keys;
    }

    std::unique_ptr<TestServer::CScratchDatabase> scratch;
    QString address;
    sqlite3* other = nullptr;
    QStringList questions;
    QList<QStringList> offered;
    QList<int> answersToGive;
};

KELVO_ON_BOTH_ENGINES(RecordMemoTest);

TEST_P(RecordMemoTest, ARowGivenANewKeyMeanwhileTakesTheMemoOnlyWhenAsked) {
    // Keys 1 Berlin, 2 Wien (memo "Innere Stadt"), ...; the window's row 0 is Wien.
    ASSERT_TRUE(Insert(TableTestRows::FivePlaces()));
    CListView_Table* view = OpenTable();
    ASSERT_TRUE(view);
    bool openAfterBack = false;
    QString typedAfterBack;
    answersToGive = {1, 0}; // back to the dialog first, then save there
    EditRow(view, 0, [&](CDia_Record* dlg) {
        typeMemo(dlg, "Kunde Meier");
        // Another program refreshes Wien: the old row goes, the same place comes as key 6
        // with the memo carried over.
        OtherRuns("BEGIN; DELETE FROM GEO WHERE ID_Geo = 2; INSERT INTO GEO (ID_Geo, Staat, "
                  "PLZ, Ort, Memo) VALUES (6, 'AT', '1010', 'Wien', 'Innere Stadt'); COMMIT");
        dlg->m_btnOK->click();
        openAfterBack = dlg->isVisible();
        typedAfterBack = dlg->m_editMemo->toPlainText();
        EXPECT_TRUE(KeysWithMemo("Kunde Meier").isEmpty());
        dlg->m_btnOK->click();
    });
    ASSERT_EQ(questions.size(), 2);
    EXPECT_EQ(questions[0], questions[1]);
    EXPECT_EQ(questions[0], "Der Datensatz mit ID_Geo = 2 ist in der Tabelle \"GEO\" nicht mehr "
                            "vorhanden.\n\nDerselbe Ort (AT 1010 Wien) steht jetzt unter ID_Geo = "
                            "6, etwa weil die Postleitzahlen neu eingelesen wurden.\n\nSoll das "
                            "Memo dort gespeichert werden?");
    EXPECT_EQ(offered[0], QStringList({"Dort speichern", "Zurück zum Dialog"}));
    EXPECT_TRUE(openAfterBack);
    EXPECT_EQ(typedAfterBack, "Kunde Meier");
    EXPECT_EQ(KeysWithMemo("Kunde Meier"), QList<qint64>{6});
    EXPECT_TRUE(messages.isEmpty()) << qPrintable(messages.join('|'));

    // The window reads the changed rows when it has the focus again: the row is key 6 now.
    Refocus(view);
    EXPECT_EQ(view->GetModel().Cell(0, GEO_ID), "6");
    EXPECT_EQ(view->GetModel().Cell(0, GEO_MEMO), "Kunde Meier");
}

TEST_P(RecordMemoTest, TheMemoAtTheNewRowIsCheckedLikeTheOneShown) {
    ASSERT_TRUE(Insert(TableTestRows::FivePlaces()));
    CListView_Table* view = OpenTable();
    ASSERT_TRUE(view);
    answersToGive = {0, 0}; // save there; then keep mine over the memo found there
    EditRow(view, 0, [&](CDia_Record* dlg) {
        typeMemo(dlg, "Meins");
        OtherRuns(
            QString("BEGIN; DELETE FROM GEO WHERE ID_Geo = 2; INSERT INTO GEO (ID_Geo, Staat, "
                    "PLZ, Ort, Memo) VALUES (9, 'AT', '1010', 'Wien', 'Innere Stadt' || %1(10) "
                    "|| 'von anderswo'); COMMIT")
                .arg(Chr()));
        dlg->m_btnOK->click();
    });
    ASSERT_EQ(questions.size(), 2);
    EXPECT_TRUE(questions[1].contains("Jetzt gespeichert:\nInnere Stadt\nvon anderswo\n\nIhre "
                                      "Fassung:\nMeins"))
        << qPrintable(questions[1]);
    EXPECT_EQ(KeysWithMemo("Meins"), QList<qint64>{9});
}

TEST_P(RecordMemoTest, WithoutAUniqueRowThereTheTextStaysAndCanBeCopied) {
    ASSERT_TRUE(Insert(TableTestRows::FivePlaces()));
    CListView_Table* view = OpenTable();
    ASSERT_TRUE(view);
    QApplication::clipboard()->clear();
    answersToGive = {0}; // copy the text
    bool open = false;
    QString typed;
    EditRow(view, 0, [&](CDia_Record* dlg) {
        typeMemo(dlg, "Nicht verlieren");
        // Two rows for the place of the deleted one: none is picked.
        OtherRuns("BEGIN; DELETE FROM GEO WHERE ID_Geo = 2; INSERT INTO GEO (Staat, PLZ, Ort) "
                  "VALUES ('AT', '1010', 'Wien'), ('at', '1010', 'WIEN'); COMMIT");
        dlg->m_btnOK->click();
        open = dlg->isVisible();
        typed = dlg->m_editMemo->toPlainText();
        dlg->m_btnCancel->click();
    });
    ASSERT_EQ(questions.size(), 1);
    EXPECT_TRUE(questions[0].contains("2 Datensätze haben denselben Ort (AT 1010 Wien)"))
        << qPrintable(questions[0]);
    EXPECT_EQ(offered[0], QStringList({"Text kopieren", "Zurück zum Dialog"}));
    EXPECT_TRUE(open);
    EXPECT_EQ(typed, "Nicht verlieren");
    EXPECT_EQ(QApplication::clipboard()->text(), "Nicht verlieren");
    EXPECT_TRUE(KeysWithMemo("Nicht verlieren").isEmpty());
}

TEST_P(RecordMemoTest, AnImportByAnotherProcessWhileTheDialogIsOpenLosesNothing) {
    const QString file = TestSupport::WriteFile(
        dir.filePath("AT.txt"),
        TestSupport::GeoNamesLine("AT", "1010", "Wien", "Wien", "", "", "48.2", "16.37") +
            TestSupport::GeoNamesLine("AT", "1020", "Wien", "Wien", "", "", "48.21", "16.39") +
            TestSupport::GeoNamesLine("AT", "8010", "Graz", "Steiermark", "", "", "47.07",
                                      "15.44"));
    const QStringList import{"import", "--db", address, file};
    QString err;
    ASSERT_EQ(TestSupport::RunCli(import, dir.path(), nullptr, &err), 0) << qPrintable(err);
    CListView_Table* view = OpenTable();
    ASSERT_TRUE(view);
    ASSERT_EQ(view->GetModel().Cell(0, GEO_PLZ), "1010");
    // Whether the refresh keeps the row's key or gives it a new one, the memo ends up on the
    // row of AT 1010 Wien, asked for when the key changed.
    answersToGive = {0};
    EditRow(view, 0, [&](CDia_Record* dlg) {
        typeMemo(dlg, "Kunde Meier");
        QString importErr;
        EXPECT_EQ(TestSupport::RunCli(import, dir.path(), nullptr, &importErr), 0)
            << qPrintable(importErr);
        dlg->m_btnOK->click();
    });
    const QList<qint64> keys = KeysWithMemo("Kunde Meier");
    ASSERT_EQ(keys.size(), 1);
    const QVariantList row = storedRow(int(keys.first()));
    EXPECT_EQ(row.value(GEO_PLZ).toByteArray(), "1010");
    EXPECT_EQ(row.value(GEO_ORT).toByteArray(), "Wien");
    for (const QString& question : questions)
        EXPECT_TRUE(question.contains("Soll das Memo dort gespeichert werden?"));
    EXPECT_TRUE(messages.isEmpty()) << qPrintable(messages.join('|'));
}

TEST_P(RecordMemoTest, EmptyMemosShowEmptyAndTypedMemosAreStoredAsTyped) {
    // Berlin without a memo, Wien with spaces around it, Vaduz cleared (a single space).
    ASSERT_TRUE(Insert({{"DE", "10115", "Berlin", ""},
                        {"AT", "1010", "Wien", "  Innere Stadt \n"},
                        {"FL", "9490", "Vaduz", " "}}));
    CListView_Table* view = OpenTable(); // rows: Wien, Berlin, Vaduz
    ASSERT_TRUE(view);
    QString shown;
    // Typing into an empty memo, as a user does: a click into the box, then the text.
    EditRow(view, 1, [&](CDia_Record* dlg) {
        shown = dlg->m_editMemo->toPlainText();
        QTest::mouseClick(dlg->m_editMemo->viewport(), Qt::LeftButton, {}, QPoint(20, 10));
        QTest::keyClicks(dlg->m_editMemo, "Kunde Meier");
        dlg->m_btnOK->click();
    });
    EXPECT_EQ(shown, "");
    EXPECT_EQ(storedMemo(1), "Kunde Meier");

    // A cleared memo shows empty too and, left so, is not written again.
    answersToGive.clear();
    EditRow(view, 2, [&](CDia_Record* dlg) {
        shown = dlg->m_editMemo->toPlainText();
        dlg->m_btnOK->click();
    });
    EXPECT_EQ(shown, "");
    EXPECT_EQ(storedRow(3).value(GEO_MEMO).toByteArray(), " ");

    // Spaces and line breaks of a stored memo stay, shown and stored.
    EditRow(view, 0, [&](CDia_Record* dlg) {
        shown = dlg->m_editMemo->toPlainText();
        dlg->m_btnOK->click();
    });
    EXPECT_EQ(shown, "  Innere Stadt \n");
    EXPECT_EQ(storedMemo(2), "  Innere Stadt \n");
    EditRow(view, 0, [&](CDia_Record* dlg) {
        dlg->m_editMemo->moveCursor(QTextCursor::End);
        QTest::keyClicks(dlg->m_editMemo, " x ");
        dlg->m_btnOK->click();
    });
    EXPECT_EQ(storedMemo(2), "  Innere Stadt \n x ");
    EXPECT_EQ(view->GetModel().Cell(0, GEO_MEMO), "  Innere Stadt \n x ");
    EXPECT_TRUE(questions.isEmpty()) << qPrintable(questions.join('|'));
}
