// Getting postal data in from the program: the first-start hint, the import with progress and
// cancel, the download dialog against a server on 127.0.0.1.
#include "ui/MapViewFixture.h"

#include "base/CommandIds.h"
#include "common/TestHttpServer.h"
#include "ui/shell/StatusProgress.h"
#include "ui/shell/WriteCheckWait.h"
#include "ui/table/CListView_Table.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QElapsedTimer>
#include <QFileDialog>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QStatusBar>
#include <QTimer>

namespace {

class DataUiTest : public MapViewFixture {
protected:
    // Chooses files in the import's file dialog the way a person does (folder, names, the open
    // button), once the dialog is up; `during` then runs while the import goes on.
    void ChooseFiles(const QString& folder, const QStringList& names,
                     std::function<void()> during = {}) {
        QTimer::singleShot(0, frame, [=, this] {
            auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
            ASSERT_TRUE(dialog);
            EXPECT_EQ(dialog->objectName(), "ImportFileDialog");
            dialog->setDirectory(folder);
            auto* name = dialog->findChild<QLineEdit*>("fileNameEdit");
            ASSERT_TRUE(name);
            QStringList quoted;
            for (const QString& n : names)
                quoted << '"' + n + '"';
            name->setText(quoted.join(' '));
            if (during)
                WhileImporting(during);
            auto* buttons = dialog->findChild<QDialogButtonBox*>("buttonBox");
            ASSERT_TRUE(buttons);
            QPushButton* open = buttons->button(QDialogButtonBox::Open);
            ASSERT_TRUE(open && open->isEnabled());
            QTest::mouseClick(open, Qt::LeftButton);
        });
    }
    // Runs `during` as soon as the import shows its progress.
    void WhileImporting(std::function<void()> during) {
        auto* poll = new QTimer(frame);
        poll->setInterval(1);
        QObject::connect(poll, &QTimer::timeout, frame, [poll, during] {
            if (!g_StatusProgress.m_wndProgress)
                return;
            poll->stop();
            poll->deleteLater();
            during();
        });
        poll->start();
    }
    void ImportFromMenu() { Action(ID_DATA_IMPORT)->trigger(); }
    QByteArray DatabaseBytes() { return TestSupport::ReadFile(g_GeoDatabase.FilePath()); }
};

} // namespace

TEST_F(DataUiTest, FirstStartHintImportsTheSharedFilesAndOpenWindowsShowThem) {
    KELVO_REQUIRE_SHARED_DATA(shared);
    QWidget* hint = frame->GetFirstStartHint();
    ASSERT_TRUE(hint);
    EXPECT_TRUE(hint->isVisible());
    bool attribution = false;
    for (const QLabel* label : hint->findChildren<QLabel*>())
        attribution = attribution || (label->text().contains("GeoNames (www.geonames.org)") &&
                                      label->text().contains("CC BY 4.0"));
    EXPECT_TRUE(attribution);
    auto* import = hint->findChild<QPushButton*>("Import");
    ASSERT_TRUE(import);
    EXPECT_EQ(import->text(), "Postleitzahlen importieren...");
    EXPECT_EQ(hint->findChild<QPushButton*>("Download")->text(), "Postleitzahlen herunterladen...");

    // A table window and a map window are open while the data comes in.
    Key(Qt::Key_T, Qt::ControlModifier);
    auto* table = dynamic_cast<CListView_Table*>(Frames().last()->GetActiveView());
    ASSERT_TRUE(table);
    EXPECT_EQ(table->GetModel().RowCount(), 0);
    CKelvoView* map = OpenMap();
    ASSERT_TRUE(map);
    SizeView(map);
    const QImage emptyMap = Shown(map);

    ChooseFiles(shared, {"DE.txt", "AT.txt", "CH.txt", "BE.txt", "LI.txt"});
    QTest::mouseClick(import, Qt::LeftButton);
    Process();
    ASSERT_FALSE(messages.isEmpty());
    EXPECT_TRUE(messages.last().startsWith("Postleitzahlen importiert."))
        << messages.last().toStdString();
    EXPECT_TRUE(messages.last().contains("FL: vorher 0 Zeilen, jetzt 13"));
    EXPECT_TRUE(messages.last().contains("Zeilen in GEO: 49568"));
    EXPECT_FALSE(frame->GetFirstStartHint());
    EXPECT_EQ(table->GetModel().RowCount(), 49568);
    const QImage fullMap = Shown(map);
    EXPECT_NE(fullMap, emptyMap);
    EXPECT_EQ(Pixel(fullMap, 558, 192), kRed); // Berlin

    // Importing Germany again keeps its rows and the memo written on one of them.
    ASSERT_TRUE(g_GeoDatabase.Execute("UPDATE GEO SET Memo = 'Hier' WHERE ID_Geo = 100"));
    ChooseFiles(shared, {"DE.txt"});
    ImportFromMenu();
    Process();
    EXPECT_TRUE(messages.last().contains(
        "DE: vorher 23297 Zeilen, jetzt 23297; 1 Memo übernommen, 0 Memos auf Zeilen behalten"))
        << messages.last().toStdString();
    EXPECT_EQ(g_GeoDatabase.GetRecordCount("GEO"), 49568);
    EXPECT_EQ(table->GetModel().RowCount(), 49568);
}

TEST_F(DataUiTest, EscapeOrTheCancelButtonStopsTheImportAndChangesNothing) {
    QByteArray many;
    for (int i = 0; i < 60000; ++i)
        many += TestSupport::GeoNamesLine("DE", QString::number(10000 + i % 90000), "Ort", "", "",
                                          "", "50.5", "10.5");
    TestSupport::WriteFile(dir.filePath("viele.txt"), many);
    const QByteArray before = DatabaseBytes();
    // The check of the file before the first write is behind it (its own test is below).
    WaitForWriteCheck();

    for (bool byButton : {false, true}) {
        bool barShown = false, buttonShown = false;
        ChooseFiles(dir.path(), {"viele.txt"}, [&] {
            barShown =
                g_StatusProgress.m_wndProgress && g_StatusProgress.m_wndProgress->isVisible();
            EXPECT_EQ(frame->GetMessageText(), "Postleitzahlen werden importiert:");
            auto* cancel = frame->statusBar()->findChild<QPushButton*>("ImportCancel");
            buttonShown = cancel && cancel->isVisible();
            // Other input waits: a shortcut does not open a window now.
            QTest::keyClick(frame, Qt::Key_T, Qt::ControlModifier);
            if (byButton && cancel)
                QTest::mouseClick(cancel, Qt::LeftButton);
            else
                QTest::keyClick(frame, Qt::Key_Escape);
        });
        ImportFromMenu();
        Process();
        EXPECT_TRUE(barShown);
        EXPECT_TRUE(buttonShown);
        EXPECT_TRUE(Frames().isEmpty());
        ASSERT_FALSE(messages.isEmpty());
        EXPECT_TRUE(messages.last().startsWith("Der Import wurde abgebrochen."))
            << messages.last().toStdString();
        EXPECT_FALSE(g_StatusProgress.m_wndProgress);
        EXPECT_EQ(DatabaseBytes(), before);
        EXPECT_TRUE(frame->GetFirstStartHint());
    }
}

TEST_F(DataUiTest, DownloadDialogFetchesTheChosenCountriesFromTheSetAddress) {
    qputenv("no_proxy", "127.0.0.1,localhost");
    TestHttpServer server;
    const QByteArray li =
        TestSupport::GeoNamesLine("LI", "9490", "Vaduz", "", "", "", "47.14", "9.52");
    server.Serve("/LI.zip", TestSupport::ReadFile(
                                TestSupport::WriteZip(dir.filePath("LI.zip"), {{"LI.txt", li}})));
    QSettings().setValue("Daten/GeoNamesUrl", server.BaseUrl());

    QStringList ticked;
    QTimer::singleShot(0, frame, [&] {
        QWidget* dialog = QApplication::activeModalWidget();
        ASSERT_TRUE(dialog);
        EXPECT_EQ(dialog->objectName(), "DownloadDialog");
        for (QCheckBox* box : dialog->findChildren<QCheckBox*>()) {
            if (box->isChecked())
                ticked << box->objectName();
            // LI and AT only; AT is not on the server.
            if (box->isChecked() != (box->objectName() == "LI" || box->objectName() == "AT"))
                QTest::mouseClick(box, Qt::LeftButton);
        }
        QTest::mouseClick(dialog->findChild<QPushButton*>("Start"), Qt::LeftButton);
    });
    Action(ID_DATA_DOWNLOAD)->trigger();
    Process();
    EXPECT_EQ(ticked, QStringList({"DE", "AT", "CH", "BE", "LI"}));
    ASSERT_FALSE(messages.isEmpty());
    EXPECT_TRUE(messages.last().startsWith("AT: Der Server meldet den HTTP-Fehler 404"))
        << messages.last().toStdString();
    EXPECT_TRUE(messages.last().contains("FL: vorher 0 Zeilen, jetzt 1"));
    EXPECT_EQ(g_GeoDatabase.GetRecordCount("GEO"), 1);
    EXPECT_FALSE(frame->GetFirstStartHint());
}

TEST_F(DataUiTest, AnImportWaitsForAnotherOneAndAbbrechenEndsTheWait) {
    TestSupport::WriteFile(
        dir.filePath("LI.txt"),
        TestSupport::GeoNamesLine("LI", "9490", "Vaduz", "", "", "", "47.14", "9.52"));
    const QByteArray before = DatabaseBytes();
    // Another program's import holds the database.
    CGeoDatabase other;
    ASSERT_TRUE(other.Open(g_GeoDatabase.FilePath()));
    ASSERT_EQ(other.TryBeginImport(), CGeoDatabase::ImportLock::Taken);

    QString caption;
    ChooseFiles(dir.path(), {"LI.txt"}, [&] {
        auto* poll = new QTimer(frame);
        poll->setInterval(10);
        QObject::connect(poll, &QTimer::timeout, frame, [&, poll] {
            if (!frame->GetMessageText().startsWith("Ein anderer Import"))
                return;
            poll->stop();
            poll->deleteLater();
            caption = frame->GetMessageText();
            auto* cancel = frame->statusBar()->findChild<QPushButton*>("ImportCancel");
            ASSERT_TRUE(cancel && cancel->isVisible());
            QTest::mouseClick(cancel, Qt::LeftButton);
        });
        poll->start();
    });
    ImportFromMenu();
    Process();
    EXPECT_EQ(caption, "Ein anderer Import läuft gerade; Kelvo wartet:");
    ASSERT_FALSE(messages.isEmpty());
    EXPECT_TRUE(messages.last().startsWith("Der Import wurde abgebrochen."))
        << messages.last().toStdString();
    other.RollbackWrite();
    EXPECT_EQ(DatabaseBytes(), before);
}

TEST_F(DataUiTest, EscStopsTheCheckOfALargeArchiveWhileTheWindowAnswers) {
    qputenv("no_proxy", "127.0.0.1,localhost");
    TestHttpServer server;
    QByteArray rows;
    for (int i = 0; i < 400000; ++i)
        rows += TestSupport::GeoNamesLine("DE", QString::number(10000 + i), "Ort", "", "", "",
                                          "52.5", "13.4");
    server.Serve("/DE.zip", TestSupport::ReadFile(
                                TestSupport::WriteZip(dir.filePath("DE.zip"), {{"DE.txt", rows}})));
    QSettings().setValue("Daten/GeoNamesUrl", server.BaseUrl());

    bool sawCheck = false;
    QElapsedTimer sinceEsc;
    QTimer::singleShot(0, frame, [&] {
        QWidget* dialog = QApplication::activeModalWidget();
        ASSERT_TRUE(dialog);
        for (QCheckBox* box : dialog->findChildren<QCheckBox*>()) {
            if (box->isChecked() != (box->objectName() == "DE"))
                QTest::mouseClick(box, Qt::LeftButton);
        }
        QTest::mouseClick(dialog->findChild<QPushButton*>("Start"), Qt::LeftButton);
        // The window keeps answering while the archive is checked: this timer runs.
        auto* poll = new QTimer(dialog);
        QObject::connect(poll, &QTimer::timeout, dialog, [&sawCheck, &sinceEsc, dialog, poll] {
            for (QLabel* label : dialog->findChildren<QLabel*>()) {
                if (label->text() == "wird geprüft …") {
                    poll->stop();
                    sawCheck = true;
                    sinceEsc.start();
                    QTest::keyClick(dialog, Qt::Key_Escape);
                    return;
                }
            }
        });
        poll->start(5);
    });
    Action(ID_DATA_DOWNLOAD)->trigger();
    const qint64 closedAfter = sinceEsc.isValid() ? sinceEsc.elapsed() : -1;
    Process();
    EXPECT_TRUE(sawCheck);
    EXPECT_GE(closedAfter, 0);
    EXPECT_LT(closedAfter, 2000);
    EXPECT_TRUE(messages.isEmpty()) << messages.join('\n').toStdString();
    EXPECT_EQ(g_GeoDatabase.GetRecordCount("GEO"), 0);
}

TEST_F(DataUiTest, TheFirstImportChecksTheFileOnAThreadAndEscThenStopsIt) {
    TestSupport::WriteFile(
        dir.filePath("LI.txt"),
        TestSupport::GeoNamesLine("LI", "9490", "Vaduz", "", "", "", "47.14", "9.52"));
    // Written by something else since the program opened the file: the next write checks it.
    ASSERT_TRUE(g_GeoDatabase.Execute("INSERT INTO GEO (Staat, PLZ, Ort) VALUES ('DE', '1', 'A')"));
    const QByteArray before = DatabaseBytes();
    // Another program holds the file, so that the check cannot end before the keys are sent.
    CGeoDatabase other;
    ASSERT_TRUE(other.Open(g_GeoDatabase.FilePath()));
    ASSERT_TRUE(other.Execute("BEGIN EXCLUSIVE"));

    QString caption;
    bool atStart = false;
    ChooseFiles(dir.path(), {"LI.txt"}, [&] {
        caption = frame->GetMessageText();
        // The check waits for the other program: its bar stands at the start.
        QProgressBar* bar = g_StatusProgress.m_wndProgress;
        atStart = bar && bar->isVisible() && bar->maximum() == 100 && bar->value() == 0;
        auto* cancel = frame->statusBar()->findChild<QPushButton*>("ImportCancel");
        EXPECT_TRUE(cancel && cancel->isVisible());
        QTest::keyClick(frame, Qt::Key_T, Qt::ControlModifier); // waits, as during the import
        QTest::keyClick(frame, Qt::Key_Escape);
        other.Execute("ROLLBACK");
    });
    ImportFromMenu();
    Process();
    EXPECT_EQ(caption, "Datenbank wird geprüft:");
    EXPECT_TRUE(atStart);
    EXPECT_TRUE(Frames().isEmpty());
    ASSERT_FALSE(messages.isEmpty());
    EXPECT_TRUE(messages.last().startsWith("Der Import wurde abgebrochen."))
        << messages.last().toStdString();
    EXPECT_EQ(DatabaseBytes(), before);
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);

    // The check found the file sound and stands: the next import goes straight to the rows.
    ChooseFiles(dir.path(), {"LI.txt"}, [&] { caption = frame->GetMessageText(); });
    ImportFromMenu();
    Process();
    EXPECT_EQ(caption, "Postleitzahlen werden importiert:");
    EXPECT_TRUE(messages.last().startsWith("Postleitzahlen importiert."))
        << messages.last().toStdString();
}
