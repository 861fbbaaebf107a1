// Imports and memo writes of several programs on one database, on the file and on the
// server: kelvo-cli imports in processes of their own while this process writes memos or
// imports through a connection of its own.
#include "common/EngineFixture.h"
#include "common/TestSupport.h"
#include "data/GeoImport.h"
#include "store/GeoDatabase.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QMap>
#include <QProcess>

#include <gtest/gtest.h>

namespace {

constexpr int kPlaces = 20000;

QByteArray places(int year) {
    return TestSupport::NumberedPlaces(kPlaces, year);
}

class RefreshSharing : public EngineTest {
protected:
    void SetUp() override {
        EngineTest::SetUp();
        if (IsSkipped())
            return;
        OpenWithPlaces(m_db, places(0));
    }

    // kelvo-cli import of a file in a process of its own, started.
    void startImport(QProcess& process, const QString& file) {
        process.setProcessChannelMode(QProcess::SeparateChannels);
        process.start(QStringLiteral(KELVO_CLI_PATH),
                      {QStringLiteral("import"), QStringLiteral("--db"), m_strAddress, file});
        ASSERT_TRUE(process.waitForStarted());
    }

    CGeoDatabase m_db;
};

} // namespace

KELVO_ON_BOTH_ENGINES(RefreshSharing);

TEST_P(RefreshSharing, MemosSavedWhileAnotherProgramRefreshesAreKept) {
    const QString next = TestSupport::WriteFile(m_dir.filePath("1.txt"), places(1));
    QProcess import;
    startImport(import, next);
    // The import has its lock once it reads rows: it says so every 10,000 of them.
    QByteArray said;
    while (!said.contains("Zeilen") && import.state() == QProcess::Running) {
        import.waitForReadyRead(50);
        said += import.readAllStandardError();
    }
    ASSERT_TRUE(said.contains("Zeilen")) << said.toStdString();

    // Memos saved meanwhile, each over the memo stored then, on the rows the import has not
    // come to yet; every save that succeeds must be there after the refresh.
    QMap<int, QString> saved;
    int tries = 0, during = 0;
    for (int key = kPlaces; key > 0 && (import.state() == QProcess::Running || tries < 40);
         key -= 97) {
        const bool running = import.state() == QProcess::Running;
        QVariant stored;
        if (!m_db.ReadMemo(m_db.m_Table, key, &stored))
            continue;
        const QString memo = QStringLiteral("Memo %1").arg(++tries);
        const CGeoDatabase::MemoWrite written =
            m_db.UpdateMemo(m_db.m_Table, key, stored, memo, &stored);
        if (written == CGeoDatabase::MemoWrite::Saved)
            saved[key] = memo;
        else
            EXPECT_NE(written, CGeoDatabase::MemoWrite::Missing) << key;
        during += running;
        QCoreApplication::processEvents();
    }
    ASSERT_TRUE(import.state() == QProcess::NotRunning || import.waitForFinished(120000));
    EXPECT_EQ(import.exitCode(), 0) << import.readAllStandardError().toStdString();
    EXPECT_GT(during, 0);
    EXPECT_FALSE(saved.isEmpty());
    for (auto it = saved.begin(); it != saved.end(); ++it) {
        QVariant memo;
        ASSERT_TRUE(m_db.ReadMemo(m_db.m_Table, it.key(), &memo)) << it.key();
        EXPECT_EQ(memo.toString(), it.value()) << it.key();
    }
    EXPECT_EQ(m_db.GetRecordCount("GEO"), kPlaces);
}

TEST_P(RefreshSharing, TwoImportsAtOnceRefreshOneAfterTheOther) {
    const QString next = TestSupport::WriteFile(m_dir.filePath("1.txt"), places(1));
    QProcess first, second;
    startImport(first, next);
    startImport(second, next);
    for (QProcess* process : {&first, &second}) {
        ASSERT_TRUE(process->state() == QProcess::NotRunning || process->waitForFinished(120000));
        EXPECT_EQ(process->exitCode(), 0) << process->readAllStandardError().toStdString();
        // Each found the country there and refreshed it.
        EXPECT_TRUE(process->readAllStandardOutput().contains("vorher 20000 Zeilen"));
    }
    EXPECT_EQ(m_db.GetRecordCount("GEO"), kPlaces);
}

TEST_P(RefreshSharing, AnImportWaitsForAnotherThenSaysThatOneRuns) {
    CGeoDatabase other;
    ASSERT_TRUE(other.Open(m_strAddress)) << other.OpenError().toStdString();
    ASSERT_EQ(other.TryBeginImport(), CGeoDatabase::ImportLock::Taken);

    const QString file = TestSupport::WriteFile(
        m_dir.filePath("li.txt"),
        TestSupport::GeoNamesLine("LI", "9490", "Vaduz", "", "", "", "47.14", "9.52"));
    CGeoImporter importer(m_db);
    importer.SetWaitForImport(600);
    int asked = 0;
    importer.SetWaiting([&](int) { return ++asked > 0; });
    QElapsedTimer clock;
    clock.start();
    CGeoImporter::Result result = importer.Run({file});
    EXPECT_FALSE(result.ok);
    EXPECT_FALSE(result.cancelled);
    EXPECT_GE(clock.elapsed(), 600);
    EXPECT_GT(asked, 1);
    EXPECT_TRUE(result.fatal.startsWith("Ein anderer Import läuft gerade"))
        << qPrintable(result.fatal);

    // Given up while waiting: cancelled, nothing imported.
    importer.SetWaiting([](int) { return false; });
    result = importer.Run({file});
    EXPECT_TRUE(result.cancelled);
    EXPECT_EQ(result.totalRows, kPlaces);

    // Once the other import is over, this one runs.
    other.RollbackWrite();
    result = importer.Run({file});
    EXPECT_TRUE(result.ok) << result.fatal.toStdString();
    EXPECT_EQ(result.totalRows, kPlaces + 1);
}
