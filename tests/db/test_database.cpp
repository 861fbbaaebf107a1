// Opening, creating, counting and writing back; files that are no usable database are
// never touched.
#include "common/TestSupport.h"
#include "db/GeoDatabase.h"
#include "db/GeoRecordset.h"

#include <QDir>
#include <QFile>

#include <sqlite3.h>
#include <unistd.h>

#include <chrono>
#include <thread>

#include <gtest/gtest.h>

namespace {

// Fills rows 1..n with Staat "DE", PLZ "n", coordinates and a NULL Ortsteil.
void fill(CGeoDatabase& db, int n) {
    ASSERT_TRUE(db.Execute("BEGIN"));
    for (int i = 1; i <= n; ++i)
        ASSERT_TRUE(db.Execute(QStringLiteral("INSERT INTO GEO (Staat, PLZ, Ort, Langengrad, "
                                              "Breitengrad) VALUES ('DE', '%1', 'Ort %1', '9.5', "
                                              "'50.25')")
                                   .arg(i)));
    ASSERT_TRUE(db.Execute("COMMIT"));
}

QStringList row(CGeoDatabase& db, int key) {
    CGeoRecordset rs(db);
    EXPECT_TRUE(
        rs.Open(QStringLiteral("SELECT *, typeof(Ortsteil) FROM GEO WHERE ID_Geo = %1").arg(key)));
    QStringList cells;
    if (rs.MoveNext())
        for (int i = 0; i < rs.FieldCount(); ++i)
            cells << rs.FieldText(i);
    return cells;
}

} // namespace

TEST(GeoDatabase, CreatesMissingFileAndCountsRows) {
    QTemporaryDir dir;
    const QString path = dir.filePath("Kelvo.mde");
    CGeoDatabase db;
    ASSERT_TRUE(db.Open(path));
    EXPECT_TRUE(QFile::exists(path));
    EXPECT_TRUE(db.OpenError().isEmpty());
    EXPECT_EQ(db.GetRecordCount("GEO"), 0);
    fill(db, 25);
    EXPECT_EQ(db.GetRecordCount("GEO"), 25);
    EXPECT_EQ(db.GetRecordCount("NOSUCHTABLE"), 0);
    db.Close();
    // Reopening finds the rows again.
    CGeoDatabase again;
    ASSERT_TRUE(again.Open(path));
    EXPECT_EQ(again.GetRecordCount("GEO"), 25);
}

TEST(GeoDatabase, OpensKelvoMdeInTheCurrentDirectoryByDefault) {
    QTemporaryDir dir;
    const QString old = QDir::currentPath();
    QDir::setCurrent(dir.path());
    CGeoDatabase db;
    const bool opened = db.Open();
    QDir::setCurrent(old);
    EXPECT_TRUE(opened);
    EXPECT_TRUE(QFile::exists(dir.filePath("Kelvo.mde")));
}

TEST(GeoDatabase, UpdateRecordWritesTextFieldsByKeyOnly) {
    QTemporaryDir dir;
    CGeoDatabase db;
    ASSERT_TRUE(db.Open(dir.filePath("Kelvo.mde")));
    fill(db, 20);
    QStringList values{"17",
                       "AT",
                       "1010",
                       " ",
                       " ",
                       " ",
                       " ",
                       "Wien",
                       " ",
                       "W",
                       "16.3725",
                       "48.208500",
                       "Notiz\nzweite Zeile"};
    EXPECT_TRUE(db.UpdateRecord(db.m_Table, values));
    const QStringList r17 = row(db, 17);
    EXPECT_EQ(r17[0], "17");
    EXPECT_EQ(r17[GEO_STAAT], "AT");
    EXPECT_EQ(r17[GEO_ORT], "Wien");
    EXPECT_EQ(r17[GEO_LANGENGRAD], "16.3725"); // as given, no numeric conversion
    EXPECT_EQ(r17[GEO_BREITENGRAD], "48.208500");
    EXPECT_EQ(r17[GEO_MEMO], "Notiz\nzweite Zeile");
    EXPECT_EQ(row(db, 16)[GEO_ORT], "Ort 16");
    EXPECT_EQ(db.GetRecordCount("GEO"), 20);

    // The key is never written, whatever the value list holds for it.
    values[0] = "17abc";
    EXPECT_TRUE(db.UpdateRecord(db.m_Table, values));
    EXPECT_EQ(row(db, 17)[0], "17");

    // Only the memo: every other field keeps what it holds, NULL included.
    QStringList memoOnly = row(db, 3).mid(0, 13);
    memoOnly[GEO_MEMO] = "nur Memo";
    memoOnly[GEO_ORT] = "veraltet";
    EXPECT_TRUE(db.UpdateFields(db.m_Table, memoOnly, {GEO_MEMO}));
    const QStringList r3 = row(db, 3);
    EXPECT_EQ(r3[GEO_MEMO], "nur Memo");
    EXPECT_EQ(r3[GEO_ORT], "Ort 3");
    EXPECT_EQ(r3[13], "null"); // typeof(Ortsteil)
}

TEST(GeoDatabase, UpdateRecordForUnknownKeyChangesNothing) {
    QTemporaryDir dir;
    const QString path = dir.filePath("Kelvo.mde");
    CGeoDatabase db;
    ASSERT_TRUE(db.Open(path));
    fill(db, 3);
    db.Close();
    const QByteArray before = TestSupport::ReadFile(path);
    ASSERT_TRUE(db.Open(path));
    QStringList values(13, " ");
    values[0] = "99";
    EXPECT_FALSE(db.UpdateRecord(db.m_Table, values));
    EXPECT_TRUE(db.LastError().isEmpty());
    values[0] = "no number"; // reads as key 0, which is never stored
    EXPECT_FALSE(db.UpdateRecord(db.m_Table, values));
    db.Close();
    EXPECT_EQ(TestSupport::ReadFile(path), before);
}

TEST(GeoDatabase, UpdateRecordReportsEngineErrors) {
    QTemporaryDir dir;
    CGeoDatabase db;
    ASSERT_TRUE(db.Open(dir.filePath("Kelvo.mde")));
    fill(db, 1);
    QStringList values = row(db, 1).mid(0, 13);
    values[GEO_MEMO] = ""; // the empty text is refused
    EXPECT_FALSE(db.UpdateFields(db.m_Table, values, {GEO_MEMO}));
    EXPECT_FALSE(db.LastError().isEmpty());
    EXPECT_THROW(db.UpdateRecord(db.m_Table, QStringList()), std::out_of_range);
}

TEST(GeoDatabase, WaitsForAnotherProcessThatHoldsTheFileBriefly) {
    QTemporaryDir dir;
    const QString path = dir.filePath("Kelvo.mde");
    CGeoDatabase db;
    ASSERT_TRUE(db.Open(path));
    fill(db, 1);

    sqlite3* other = nullptr;
    ASSERT_EQ(sqlite3_open(path.toUtf8().constData(), &other), SQLITE_OK);
    ASSERT_EQ(sqlite3_exec(other, "BEGIN EXCLUSIVE", nullptr, nullptr, nullptr), SQLITE_OK);
    std::thread release([other] {
        std::this_thread::sleep_for(std::chrono::milliseconds(300));
        sqlite3_exec(other, "COMMIT", nullptr, nullptr, nullptr);
    });
    QStringList values = row(db, 1).mid(0, 13);
    values[GEO_MEMO] = "gewartet";
    const bool updated = db.UpdateFields(db.m_Table, values, {GEO_MEMO});
    release.join();
    sqlite3_close(other);
    EXPECT_TRUE(updated) << db.LastError().toStdString();
}

TEST(GeoDatabase, FilesThatAreNoKelvoDatabaseStayByteIdentical) {
    QTemporaryDir dir;
    for (const auto& f : TestSupport::UnusableDatabaseFiles()) {
        const QString path = TestSupport::WriteFile(
            dir.filePath(QString::fromLatin1(f.name) + "/Kelvo.mde"), f.bytes);
        CGeoDatabase db;
        EXPECT_FALSE(db.Open(path)) << f.name;
        EXPECT_FALSE(db.IsOpen());
        EXPECT_TRUE(db.OpenError().contains("\"Kelvo.mde\" kann nicht geöffnet werden")) << f.name;
        EXPECT_EQ(db.GetRecordCount("GEO"), 0);
        EXPECT_EQ(TestSupport::ReadFile(path), f.bytes) << f.name;
        EXPECT_EQ(QDir(QFileInfo(path).path()).entryList(QDir::Files).size(), 1) << f.name;
    }
}

TEST(GeoDatabase, SqliteFileWithoutGeoTableIsNotAltered) {
    QTemporaryDir dir;
    const QString path = dir.filePath("Kelvo.mde");
    sqlite3* raw = nullptr;
    ASSERT_EQ(sqlite3_open(path.toUtf8().constData(), &raw), SQLITE_OK);
    sqlite3_exec(raw, "CREATE TABLE other (x)", nullptr, nullptr, nullptr);
    sqlite3_close(raw);
    const QByteArray before = TestSupport::ReadFile(path);
    CGeoDatabase db;
    EXPECT_FALSE(db.Open(path));
    EXPECT_TRUE(db.OpenError().contains("keine Tabelle \"GEO\""));
    EXPECT_EQ(TestSupport::ReadFile(path), before);
}

TEST(GeoDatabase, UnreadableFileIsReportedAndKept) {
    if (::geteuid() == 0)
        GTEST_SKIP() << "root reads every file";
    QTemporaryDir dir;
    CGeoDatabase made;
    const QString path = dir.filePath("Kelvo.mde");
    ASSERT_TRUE(made.Open(path));
    made.Close();
    QFile::setPermissions(path, QFileDevice::Permissions());
    CGeoDatabase db;
    EXPECT_FALSE(db.Open(path));
    EXPECT_TRUE(db.OpenError().contains("nicht gelesen"));
    QFile::setPermissions(path, QFileDevice::ReadOwner | QFileDevice::WriteOwner);
}

TEST(GeoDatabase, FolderNamedLikeTheFileIsReportedAndKept) {
    QTemporaryDir dir;
    const QString path = dir.filePath("Kelvo.mde");
    ASSERT_TRUE(QDir().mkpath(path));
    CGeoDatabase db;
    EXPECT_FALSE(db.Open(path));
    EXPECT_FALSE(db.OpenError().isEmpty());
    EXPECT_TRUE(QFileInfo(path).isDir());
    EXPECT_TRUE(QDir(path).isEmpty());
}

TEST(GeoDatabase, CreationFailureLeavesNothingBehind) {
    QTemporaryDir dir;
    // The folder of the file is a plain file: nothing can be created there.
    TestSupport::WriteFile(dir.filePath("plain"), "x");
    CGeoDatabase db;
    EXPECT_FALSE(db.Open(dir.filePath("plain/Kelvo.mde")));
    EXPECT_TRUE(db.OpenError().contains("angelegt"));
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::NoDotAndDotDot), QStringList{"plain"});
}
