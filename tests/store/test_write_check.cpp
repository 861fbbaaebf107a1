// The check of the file before the first write, made ahead by a connection of its own on
// another thread: the write takes its finding while the file is as that check saw it, and
// checks anew once anybody has changed the file since.
#include "common/TestSupport.h"
#include "store/GeoDatabase.h"

#include <QFileInfo>
#include <QList>
#include <QTemporaryDir>

#include <sqlite3.h>

#include <functional>
#include <thread>

#include <gtest/gtest.h>

namespace {

void fill(CGeoDatabase& db, int n) {
    ASSERT_TRUE(db.Execute("BEGIN"));
    for (int i = 1; i <= n; ++i)
        ASSERT_TRUE(db.Execute(QStringLiteral("INSERT INTO GEO (Staat, PLZ, Ort) VALUES ('DE', "
                                              "'%1', 'Ort %1')")
                                   .arg(i)));
    ASSERT_TRUE(db.Execute("COMMIT"));
}

CGeoBackend::WriteCheck checkOnAnotherThread(const QString& path, QList<int>* percents = nullptr) {
    CGeoBackend::WriteCheck check;
    std::function<void(int)> progress;
    if (percents)
        progress = [percents](int percent) { percents->append(percent); };
    std::thread([&] { check = CGeoDatabase::CheckAhead(path, 1000, progress); }).join();
    return check;
}

// The percents a check told before its end (which is always 100) rise one by one.
void expectRisingThrough(const QList<int>& percents) {
    ASSERT_GE(percents.size(), 2);
    EXPECT_EQ(percents.last(), 100);
    const QList<int> before = percents.mid(0, percents.size() - 1);
    EXPECT_LE(before.first(), 5);
    for (int i = 1; i < before.size(); ++i)
        EXPECT_GT(before[i], before[i - 1]);
    // The file is some hundred pages: nearly every percent is seen on the way, and the pages
    // read before the end are nearly all of them.
    EXPECT_GE(before.size(), 80);
    EXPECT_GE(before.last(), 90);
}

// Counts the checks a connection makes of the file itself.
class CCheckCounter {
public:
    explicit CCheckCounter(CGeoDatabase& db) : m_handle(TestSupport::SqliteHandle(db)) {
        sqlite3_trace_v2(
            m_handle, SQLITE_TRACE_STMT,
            [](unsigned, void* counter, void* stmt, void*) {
                if (QByteArray(sqlite3_sql(static_cast<sqlite3_stmt*>(stmt)))
                        .contains("quick_check"))
                    ++*static_cast<int*>(counter);
                return 0;
            },
            &m_nChecks);
    }
    ~CCheckCounter() { sqlite3_trace_v2(m_handle, 0, nullptr, nullptr); }
    int Checks() const { return m_nChecks; }

private:
    sqlite3* m_handle;
    int m_nChecks = 0;
};

class WriteCheckTest : public ::testing::Test {
protected:
    void SetUp() override {
        path = dir.filePath("Kelvo.mde");
        ASSERT_TRUE(db.Open(path));
        fill(db, 3000);
    }
    QTemporaryDir dir;
    QString path;
    CGeoDatabase db;
};

} // namespace

TEST_F(WriteCheckTest, ASoundFileCheckedAheadIsWrittenWithoutReadingItAgain) {
    EXPECT_TRUE(db.WriteCheckDue());
    const CGeoBackend::WriteCheck check = checkOnAnotherThread(path);
    EXPECT_FALSE(check.state.isEmpty());
    EXPECT_TRUE(check.error.isEmpty()) << qPrintable(check.error);
    db.TakeWriteCheck(check);
    EXPECT_FALSE(db.WriteCheckDue());
    QVariant stored;
    {
        const CCheckCounter counter(db);
        EXPECT_EQ(db.UpdateMemo(db.m_Table, 1, QVariant(), "geprüft", &stored),
                  CGeoDatabase::MemoWrite::Saved);
        EXPECT_EQ(counter.Checks(), 0);
    }
    // Its own write leaves the file checked.
    EXPECT_FALSE(db.WriteCheckDue());

    // Damaged by something else after the check: the finding ahead no longer stands for the
    // file, and the next write reads it again.
    TestSupport::DamageMiddlePage(path);
    EXPECT_TRUE(db.WriteCheckDue());
    db.TakeWriteCheck(check);
    EXPECT_TRUE(db.WriteCheckDue());
    const QByteArray before = TestSupport::ReadFile(path);
    EXPECT_EQ(db.UpdateMemo(db.m_Table, 2, QVariant(), "neu", &stored),
              CGeoDatabase::MemoWrite::Failed);
    EXPECT_TRUE(db.LastError().startsWith("Die Datenbankdatei ist beschädigt"))
        << qPrintable(db.LastError());
    db.Close();
    EXPECT_EQ(TestSupport::ReadFile(path), before);
}

TEST_F(WriteCheckTest, TheCheckAheadTellsHowMuchOfTheFileItHasRead) {
    fill(db, 40000);
    QList<int> percents;
    CGeoBackend::WriteCheck check = checkOnAnotherThread(path, &percents);
    EXPECT_FALSE(check.state.isEmpty());
    EXPECT_TRUE(check.error.isEmpty()) << qPrintable(check.error);
    expectRisingThrough(percents);

    // Free pages are not read: what counts is the part of the file that holds data.
    ASSERT_TRUE(db.Execute("DELETE FROM GEO WHERE rowid > 15000")) << qPrintable(db.LastError());
    percents.clear();
    check = checkOnAnotherThread(path, &percents);
    EXPECT_FALSE(check.state.isEmpty());
    expectRisingThrough(percents);
}

TEST_F(WriteCheckTest, ADamagedFileFoundAheadIsRefusedWithTheMessageOfTheWriteCheck) {
    TestSupport::DamageMiddlePage(path);
    const QByteArray before = TestSupport::ReadFile(path);
    // What the write says when it checks the file itself.
    CGeoDatabase itself;
    ASSERT_TRUE(itself.Open(path));
    EXPECT_FALSE(itself.BeginWrite());
    const QString refusal = itself.LastError();
    ASSERT_TRUE(refusal.startsWith("Die Datenbankdatei ist beschädigt")) << qPrintable(refusal);

    const CGeoBackend::WriteCheck check = checkOnAnotherThread(path);
    EXPECT_EQ(check.error, refusal);
    // The same finding while the check tells its progress.
    QList<int> percents;
    EXPECT_EQ(checkOnAnotherThread(path, &percents).error, refusal);
    EXPECT_FALSE(percents.isEmpty());
    db.TakeWriteCheck(check);
    EXPECT_FALSE(db.WriteCheckDue());
    QVariant stored;
    for (int attempt = 0; attempt < 2; ++attempt) {
        const CCheckCounter counter(db);
        EXPECT_EQ(db.UpdateMemo(db.m_Table, 1, QVariant(), "neu", &stored),
                  CGeoDatabase::MemoWrite::Failed);
        EXPECT_EQ(db.LastError(), refusal);
        EXPECT_EQ(counter.Checks(), 0);
    }
    db.Close();
    itself.Close();
    EXPECT_EQ(TestSupport::ReadFile(path), before);
}

TEST_F(WriteCheckTest, AFileInUseOrGoneTellsNothingAhead) {
    // Another program writes into the file for longer than the check waits.
    sqlite3* other = nullptr;
    ASSERT_EQ(sqlite3_open(qPrintable(path), &other), SQLITE_OK);
    ASSERT_EQ(sqlite3_exec(other, "BEGIN EXCLUSIVE", nullptr, nullptr, nullptr), SQLITE_OK);
    CGeoBackend::WriteCheck check;
    std::thread([&] { check = CGeoDatabase::CheckAhead(path, 50); }).join();
    EXPECT_TRUE(check.state.isEmpty());
    EXPECT_TRUE(check.error.isEmpty()) << qPrintable(check.error);
    db.TakeWriteCheck(check);
    EXPECT_TRUE(db.WriteCheckDue());
    sqlite3_exec(other, "ROLLBACK", nullptr, nullptr, nullptr);
    sqlite3_close(other);

    // A file that is not there is not made.
    const QString gone = dir.filePath("Fehlt.mde");
    EXPECT_TRUE(checkOnAnotherThread(gone).state.isEmpty());
    EXPECT_FALSE(QFileInfo::exists(gone));
}
