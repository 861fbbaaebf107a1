// The first memo of a session waits for the check of the whole file, and the dialog answers
// keys meanwhile; a damaged file is refused as before, with nothing written.
#include "RecordDialogSupport.h"
#include "TableCommandsFixture.h"

#include "common/TestSupport.h"
#include "ui/shell/StatusProgress.h"

#include <QProgressBar>
#include <QPushButton>
#include <QTimer>

#include <sqlite3.h>

using namespace RecordDialogSupport;

class RecordWriteCheckTest : public TableCommandsFixture {
protected:
    // The status bar shows a bar at 0 % (nothing of the file read yet).
    static bool barAtStart() {
        return g_StatusProgress.m_wndProgress && g_StatusProgress.m_wndProgress->isVisible() &&
               g_StatusProgress.m_wndProgress->minimum() == 0 &&
               g_StatusProgress.m_wndProgress->maximum() == 100 &&
               g_StatusProgress.m_wndProgress->value() == 0;
    }
};

TEST_F(RecordWriteCheckTest, TheDialogAnswersWhileTheFileIsCheckedAndADamagedOneIsRefused) {
    // Enough rows that the file has pages in the middle to damage, away from the five.
    ASSERT_TRUE(Insert(TableTestRows::FivePlaces()));
    QList<TableTestRows::Place> more;
    for (int i = 0; i < 3000; ++i)
        more.append({"DE", QString::number(20000 + i), QStringLiteral("Ort %1").arg(i), ""});
    ASSERT_TRUE(g_GeoDatabase.Execute("BEGIN"));
    ASSERT_TRUE(Insert(more));
    ASSERT_TRUE(g_GeoDatabase.Execute("COMMIT"));
    CListView_Table* view = OpenTable();
    ASSERT_TRUE(view);
    const QString path = g_GeoDatabase.FilePath();
    view->selectionModel()->setCurrentIndex(view->model()->index(0, GEO_ORT),
                                            QItemSelectionModel::ClearAndSelect |
                                                QItemSelectionModel::Rows);

    QByteArray damaged;
    bool typedWhileChecking = false;
    QString captionWhileChecking;
    bool barWhileChecking = false;
    bool openAfterRefusal = false;
    QString memoAfterRefusal;
    sqlite3* other = nullptr;
    WhenModal([&](QWidget* dialog) {
        CDia_Record* dlg = recordDialog(dialog);
        if (!dlg)
            return;
        typeMemo(dlg, "Gesehen");
        // Damaged by something else, and held by another program while the check begins:
        // the check cannot end before the dialog has taken a key.
        TestSupport::DamageMiddlePage(path);
        damaged = TestSupport::ReadFile(path);
        ASSERT_EQ(sqlite3_open(qPrintable(path), &other), SQLITE_OK);
        ASSERT_EQ(sqlite3_exec(other, "BEGIN EXCLUSIVE", nullptr, nullptr, nullptr), SQLITE_OK);
        QTimer::singleShot(0, dlg, [&, dlg] {
            QTest::keyClicks(dlg->m_editMemo, "!");
            typedWhileChecking = dlg->m_editMemo->toPlainText() == "Gesehen!";
            captionWhileChecking = frame->GetMessageText();
            // The check waits for the other program and has read nothing.
            barWhileChecking = barAtStart();
            sqlite3_exec(other, "ROLLBACK", nullptr, nullptr, nullptr);
        });
        dlg->m_btnOK->click();
        openAfterRefusal = dlg->isVisible();
        memoAfterRefusal = dlg->m_editMemo->toPlainText();
        // Refused again at once: the finding stands while the file is unchanged.
        dlg->m_btnOK->click();
        dlg->reject();
    });
    Command(ID_RECORD_EDIT);
    sqlite3_close(other);

    EXPECT_TRUE(typedWhileChecking);
    EXPECT_EQ(captionWhileChecking, "Datenbank wird geprüft:");
    EXPECT_TRUE(barWhileChecking);
    EXPECT_TRUE(openAfterRefusal);
    EXPECT_EQ(memoAfterRefusal, "Gesehen!");
    // The refusal of a write that checks the file itself.
    CGeoDatabase itself;
    ASSERT_TRUE(itself.Open(path));
    EXPECT_FALSE(itself.BeginWrite());
    ASSERT_TRUE(itself.LastError().startsWith("Die Datenbankdatei ist beschädigt"));
    const QString refusal =
        "Das Memo konnte nicht gespeichert werden.\n\nFehler der Datenbank: " + itself.LastError() +
        "\n\nDer Dialog bleibt offen, Ihre Eingabe geht nicht verloren.";
    itself.Close();
    EXPECT_EQ(messages, QStringList({refusal, refusal}));
    EXPECT_EQ(TestSupport::ReadFile(path), damaged);
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
}
