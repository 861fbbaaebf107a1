// The connections kept for work on other threads: on a server the next piece of work gets
// the one the last left, and a new one once the server has dropped it; a file is opened anew
// each time, so that work after a file was replaced under its name reads the new one.
#include "common/EngineFixture.h"
#include "common/TestSupport.h"
#include "store/GeoDatabase.h"
#include "store/GeoReaderPool.h"
#include "store/GeoRecordset.h"

#include <QFile>

namespace {

class ReaderPool : public EngineTest {
protected:
    void SetUp() override {
        EngineTest::SetUp();
        if (IsSkipped())
            return;
        GeoReaderPool::Clear();
        OpenEmpty(db);
        Insert(db, 3);
    }
    void TearDown() override { GeoReaderPool::Clear(); }

    static void Insert(CGeoDatabase& into, int rows) {
        QList<QStringList> lines;
        for (int i = 0; i < rows; ++i)
            lines.append({QStringLiteral("DE"), QString::number(10000 + i), QStringLiteral("Ort")});
        ASSERT_EQ(TestSupport::InsertRows(into, {GEO_STAAT, GEO_PLZ, GEO_ORT}, lines), "");
    }
    // The server's number for the session of `on`.
    static qint64 Session(CGeoDatabase& on) {
        CGeoRecordset rs(on);
        if (!rs.Open(QStringLiteral("SELECT pg_backend_pid()")) || !rs.MoveNext())
            return -1;
        return rs.FieldInt(0);
    }

    CGeoDatabase db;
};

KELVO_ON_BOTH_ENGINES(ReaderPool);

} // namespace

TEST_P(ReaderPool, AServerSessionIsKeptForTheNextWorkAndReplacedOnceTheServerDroppedIt) {
    if (!OnServer())
        GTEST_SKIP() << "a server's sessions";
    std::unique_ptr<CGeoDatabase> first = GeoReaderPool::Take(m_strAddress);
    ASSERT_TRUE(first->IsOpen()) << first->OpenError().toStdString();
    const qint64 session = Session(*first);
    ASSERT_GT(session, 0);
    GeoReaderPool::Give(std::move(first));

    std::unique_ptr<CGeoDatabase> again = GeoReaderPool::Take(m_strAddress);
    EXPECT_EQ(Session(*again), session);
    // Taken, it is no longer kept: a second piece of work meanwhile gets a session of its own.
    std::unique_ptr<CGeoDatabase> beside = GeoReaderPool::Take(m_strAddress);
    EXPECT_NE(Session(*beside), session);
    GeoReaderPool::Give(std::move(again));
    GeoReaderPool::Give(std::move(beside)); // one is kept already: this one is closed

    // The server ends the kept session (a restart, an administrator): the next work gets a
    // working connection all the same, not the dead one.
    ASSERT_TRUE(db.Execute(QStringLiteral("SELECT pg_terminate_backend(%1)").arg(session)));
    std::unique_ptr<CGeoDatabase> after = GeoReaderPool::Take(m_strAddress);
    ASSERT_TRUE(after->IsOpen());
    const qint64 replaced = Session(*after);
    EXPECT_GT(replaced, 0);
    EXPECT_NE(replaced, session);
    EXPECT_EQ(after->GetRecordCount(QStringLiteral("GEO")), 3);
}

TEST_P(ReaderPool, AFileIsOpenedAnewSoThatWorkAfterItWasReplacedReadsTheNewOne) {
    if (OnServer())
        GTEST_SKIP() << "a file's connections";
    std::unique_ptr<CGeoDatabase> first = GeoReaderPool::Take(m_strAddress);
    ASSERT_TRUE(first->IsOpen());
    EXPECT_EQ(first->GetRecordCount(QStringLiteral("GEO")), 3);
    GeoReaderPool::Give(std::move(first));
    // Preparing does nothing for a file.
    GeoReaderPool::Prepare(m_strAddress);

    // A restored backup with other rows takes the file's name.
    const QString other = m_dir.filePath(QStringLiteral("other.mde"));
    {
        CGeoDatabase backup;
        ASSERT_TRUE(backup.Open(other));
        Insert(backup, 5);
    }
    db.Close();
    ASSERT_TRUE(QFile::remove(m_strAddress));
    ASSERT_TRUE(QFile::rename(other, m_strAddress));
    std::unique_ptr<CGeoDatabase> after = GeoReaderPool::Take(m_strAddress);
    ASSERT_TRUE(after->IsOpen());
    EXPECT_EQ(after->GetRecordCount(QStringLiteral("GEO")), 5);
}
