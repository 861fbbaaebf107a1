// A full disk under the database file: an import, a refresh and a memo save are refused with
// a German sentence and leave the file as it was; an export leaves no file. On a small file
// system of its own (tmpfs, which needs root); where none can be mounted, the file is kept
// from growing by SQLite's page limit instead, which the engine reports the same way, and
// the export is left out.
#include "common/TestSupport.h"
#include "data/GeoImport.h"
#include "store/GeoDatabase.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

class DiskFull : public ::testing::Test {
protected:
    void SetUp() override {
        m_strDir = m_dir.filePath("klein");
        QDir().mkpath(m_strDir);
        m_bMounted =
            QProcess::execute("mount", {"-t", "tmpfs", "-o", "size=4m", "tmpfs", m_strDir}) == 0;
        m_strDb = m_strDir + "/Kelvo.mde";
    }
    void TearDown() override {
        m_db.Close();
        if (m_bMounted)
            QProcess::execute("umount", {m_strDir});
    }

    // Leaves the database no room to grow.
    void fill() {
        if (!m_bMounted) {
            ASSERT_TRUE(m_db.Execute("PRAGMA max_page_count = 1"))
                << m_db.LastError().toStdString();
            return;
        }
        QFile filler(m_strDir + "/fuellung");
        ASSERT_TRUE(filler.open(QIODevice::WriteOnly | QIODevice::Unbuffered));
        const QByteArray block(4096, 'x');
        while (filler.write(block) == block.size()) {
        }
    }

    QTemporaryDir m_dir;
    QString m_strDir, m_strDb;
    bool m_bMounted = false;
    CGeoDatabase m_db;
};

} // namespace

TEST_F(DiskFull, ImportRefreshAndMemoSaySoAndChangeNothing) {
    ASSERT_TRUE(m_db.Open(m_strDb)) << m_db.OpenError().toStdString();
    const QString first =
        TestSupport::WriteFile(m_dir.filePath("0.txt"), TestSupport::NumberedPlaces(2000, 0));
    ASSERT_TRUE(CGeoImporter(m_db).Run({first}).ok);
    QVariant before;
    ASSERT_EQ(m_db.UpdateMemo(m_db.m_Table, 7, QVariant(), "Kunde", &before),
              CGeoDatabase::MemoWrite::Saved);
    const QByteArray saved = TestSupport::ReadFile(m_strDb);
    fill();

    const QString full = QStringLiteral("Der Datenträger ist voll.");
    // A refresh of the country with more rows, and another country beside it.
    const QString next =
        TestSupport::WriteFile(m_dir.filePath("1.txt"), TestSupport::NumberedPlaces(3000, 1));
    QByteArray li;
    for (int i = 0; i < 500; ++i)
        li += TestSupport::GeoNamesLine("LI", QString::number(9000 + i), "Vaduz", "", "", "",
                                        "47.14", "9.52");
    const QString other = TestSupport::WriteFile(m_dir.filePath("li.txt"), li);
    for (const QString& file : {next, other}) {
        const CGeoImporter::Result result = CGeoImporter(m_db).Run({file});
        EXPECT_FALSE(result.ok) << file.toStdString();
        EXPECT_TRUE(result.fatal.contains(full)) << result.fatal.toStdString();
        EXPECT_EQ(result.totalRows, 2000);
    }

    // A memo that needs more room than there is.
    QVariant stored;
    EXPECT_EQ(m_db.UpdateMemo(m_db.m_Table, 7, "Kunde", QString(200000, u'm'), &stored),
              CGeoDatabase::MemoWrite::Failed);
    EXPECT_TRUE(m_db.LastError().startsWith(full)) << m_db.LastError().toStdString();
    ASSERT_TRUE(m_db.ReadMemo(m_db.m_Table, 7, &stored));
    EXPECT_EQ(stored.toString(), "Kunde");
    EXPECT_EQ(m_db.GetRecordCount("GEO"), 2000);
    m_db.Close();
    if (m_bMounted) {
        EXPECT_EQ(TestSupport::ReadFile(m_strDb), saved);
    }
}

TEST_F(DiskFull, AnExportSaysSoAndLeavesNoFile) {
    if (!m_bMounted)
        GTEST_SKIP() << "no small file system can be mounted here";
    ASSERT_TRUE(m_db.Open(m_strDb)) << m_db.OpenError().toStdString();
    ASSERT_TRUE(CGeoImporter(m_db)
                    .Run({TestSupport::WriteFile(m_dir.filePath("0.txt"),
                                                 TestSupport::NumberedPlaces(2000, 0))})
                    .ok);
    m_db.Close();
    fill();
    // A large export fails while it writes, a small one only when its last bytes go out.
    for (const char* format : {"csv", "geojson", "kml"}) {
        QString out, err;
        EXPECT_EQ(TestSupport::RunCli({"export", "--db", m_strDb, "--format", format, "aus.txt"},
                                      m_strDir, &out, &err),
                  1)
            << format << out.toStdString();
        EXPECT_TRUE(err.contains("kann nicht geschrieben werden: Der Datenträger ist voll."))
            << err.toStdString();
        EXPECT_FALSE(QFileInfo::exists(m_strDir + "/aus.txt"));
    }
    // One row only: it stays in the buffer until the file is closed.
    QString out, err;
    EXPECT_EQ(TestSupport::RunCli({"export", "--db", m_strDb, "--search", "Ort 1999", "--format",
                                   "csv", "klein.csv"},
                                  m_strDir, &out, &err),
              1)
        << out.toStdString();
    EXPECT_TRUE(err.contains("Der Datenträger ist voll.")) << err.toStdString();
    EXPECT_FALSE(QFileInfo::exists(m_strDir + "/klein.csv"));
}
