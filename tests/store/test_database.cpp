// Opening, creating, counting and writing back; files that are no usable database are
// never touched.
#include "common/TestSupport.h"
#include "store/GeoDatabase.h"
#include "store/GeoRecordset.h"

#include <QDir>
#include <QFile>

#include <sqlite3.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <csignal>

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

// Each case in a folder of its own, the database file named as the program names it.
class GeoDatabase : public ::testing::Test {
protected:
    // Opens (creating) the file with rows 1..n as fill() makes them.
    void OpenFilled(CGeoDatabase& db, int n) {
        ASSERT_TRUE(db.Open(path));
        fill(db, n);
    }

    QTemporaryDir dir;
    const QString path = dir.filePath("Kelvo.mde");
};

} // namespace

TEST_F(GeoDatabase, CreatesMissingFileAndCountsRows) {
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

TEST_F(GeoDatabase, OpensKelvoMdeInTheCurrentDirectoryByDefault) {
    const QString old = QDir::currentPath();
    QDir::setCurrent(dir.path());
    CGeoDatabase db;
    const bool opened = db.Open();
    QDir::setCurrent(old);
    EXPECT_TRUE(opened);
    EXPECT_TRUE(QFile::exists(path));
}

TEST_F(GeoDatabase, UpdateRecordWritesTextFieldsByKeyOnly) {
    CGeoDatabase db;
    OpenFilled(db, 20);
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

TEST_F(GeoDatabase, UpdateRecordForUnknownKeyChangesNothing) {
    CGeoDatabase db;
    OpenFilled(db, 3);
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

TEST_F(GeoDatabase, UpdateRecordReportsEngineErrors) {
    CGeoDatabase db;
    OpenFilled(db, 1);
    QStringList values = row(db, 1).mid(0, 13);
    values[GEO_MEMO] = ""; // the empty text is refused
    EXPECT_FALSE(db.UpdateFields(db.m_Table, values, {GEO_MEMO}));
    EXPECT_FALSE(db.LastError().isEmpty());
    EXPECT_THROW(db.UpdateRecord(db.m_Table, QStringList()), std::out_of_range);
}

TEST_F(GeoDatabase, WaitsForAnotherProcessThatHoldsTheFileBriefly) {
    CGeoDatabase db;
    OpenFilled(db, 1);

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

TEST_F(GeoDatabase, FilesThatAreNoKelvoDatabaseStayByteIdentical) {
    for (const auto& f : TestSupport::UnusableDatabaseFiles()) {
        const QString file = TestSupport::WriteFile(
            dir.filePath(QString::fromLatin1(f.name) + "/Kelvo.mde"), f.bytes);
        CGeoDatabase db;
        EXPECT_FALSE(db.Open(file)) << f.name;
        EXPECT_FALSE(db.IsOpen());
        EXPECT_TRUE(db.OpenError().contains("\"Kelvo.mde\" kann nicht geöffnet werden")) << f.name;
        EXPECT_EQ(db.GetRecordCount("GEO"), 0);
        EXPECT_EQ(TestSupport::ReadFile(file), f.bytes) << f.name;
        EXPECT_EQ(QDir(QFileInfo(file).path()).entryList(QDir::Files).size(), 1) << f.name;
    }
}

TEST_F(GeoDatabase, SqliteFileWithoutGeoTableIsNotAltered) {
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

TEST_F(GeoDatabase, UnreadableFileIsReportedAndKept) {
    if (::geteuid() == 0)
        GTEST_SKIP() << "root reads every file";
    CGeoDatabase made;
    ASSERT_TRUE(made.Open(path));
    made.Close();
    QFile::setPermissions(path, QFileDevice::Permissions());
    CGeoDatabase db;
    EXPECT_FALSE(db.Open(path));
    EXPECT_TRUE(db.OpenError().contains("nicht gelesen"));
    QFile::setPermissions(path, QFileDevice::ReadOwner | QFileDevice::WriteOwner);
}

TEST_F(GeoDatabase, FolderNamedLikeTheFileIsReportedAndKept) {
    ASSERT_TRUE(QDir().mkpath(path));
    CGeoDatabase db;
    EXPECT_FALSE(db.Open(path));
    EXPECT_FALSE(db.OpenError().isEmpty());
    EXPECT_TRUE(QFileInfo(path).isDir());
    EXPECT_TRUE(QDir(path).isEmpty());
}

TEST_F(GeoDatabase, CreationFailureLeavesNothingBehind) {
    // The folder of the file is a plain file: nothing can be created there.
    TestSupport::WriteFile(dir.filePath("plain"), "x");
    CGeoDatabase db;
    EXPECT_FALSE(db.Open(dir.filePath("plain/Kelvo.mde")));
    EXPECT_TRUE(db.OpenError().contains("angelegt"));
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::NoDotAndDotDot), QStringList{"plain"});
}

TEST_F(GeoDatabase, PipesAndDevicesAreRefusedBeforeAnythingIsOpened) {
    const QString fifo = path;
    ASSERT_EQ(::mkfifo(qPrintable(fifo), 0600), 0);
    const QList<QPair<QString, QString>> cases{{fifo, "eine benannte Pipe (FIFO)"},
                                               {"/dev/null", "ein Gerät"}};
    for (const auto& [path, what] : cases) {
        CGeoDatabase db;
        EXPECT_FALSE(db.Open(path));
        EXPECT_FALSE(db.IsBusy());
        EXPECT_TRUE(db.OpenError().contains("keine gewöhnliche Datei, sondern " + what))
            << qPrintable(db.OpenError());
    }
    EXPECT_TRUE(QFileInfo(fifo).exists() && !QFileInfo(fifo).isFile());
}

namespace {
// Another program holding the file: an exclusive transaction on a second connection.
class OtherProgram {
public:
    explicit OtherProgram(const QString& path) {
        EXPECT_EQ(sqlite3_open(path.toUtf8().constData(), &m_db), SQLITE_OK);
    }
    ~OtherProgram() { sqlite3_close(m_db); }
    void Lock(const char* how = "BEGIN EXCLUSIVE") {
        EXPECT_EQ(sqlite3_exec(m_db, how, nullptr, nullptr, nullptr), SQLITE_OK);
    }
    void Unlock() { EXPECT_EQ(sqlite3_exec(m_db, "COMMIT", nullptr, nullptr, nullptr), 0); }

private:
    sqlite3* m_db = nullptr;
};
} // namespace

TEST_F(GeoDatabase, ALockedFileIsInUseNotDamagedAndIsTriedAgain) {
    {
        CGeoDatabase made;
        OpenFilled(made, 3);
    }
    OtherProgram other(path);
    other.Lock();
    CGeoDatabase db;
    db.SetBusyTimeout(100);
    QList<bool> waits;
    db.SetWaitHook([&waits](bool waiting) { waits << waiting; });
    EXPECT_FALSE(db.Open(path));
    EXPECT_TRUE(db.IsBusy());
    EXPECT_TRUE(db.OpenError().contains("wird gerade von einem anderen Programm benutzt"));
    EXPECT_TRUE(db.OpenError().contains("database is locked"));
    EXPECT_FALSE(db.OpenError().contains("beschädigt"));
    EXPECT_EQ(waits, (QList<bool>{true, false}));
    EXPECT_FALSE(db.EnsureOpen());

    // Free again: the next command opens it.
    other.Unlock();
    EXPECT_TRUE(db.EnsureOpen());
    EXPECT_FALSE(db.IsBusy());
    EXPECT_EQ(db.GetRecordCount("GEO"), 3);

    // Locked while open: closed until it is free, then open again.
    other.Lock();
    EXPECT_FALSE(db.EnsureOpen());
    EXPECT_TRUE(db.IsBusy());
    EXPECT_FALSE(db.IsOpen());
    other.Unlock();
    EXPECT_TRUE(db.EnsureOpen());
    EXPECT_EQ(db.GetRecordCount("GEO"), 3);

    // Another program writing (reading still works): a write waits, then says so in German.
    other.Lock("BEGIN IMMEDIATE");
    EXPECT_TRUE(db.EnsureOpen());
    EXPECT_FALSE(db.BeginWrite());
    EXPECT_TRUE(db.LastError().startsWith("Die Datenbank wird gerade von einem anderen Programm "
                                          "benutzt, das in sie schreibt"))
        << qPrintable(db.LastError());
    other.Unlock();
    EXPECT_TRUE(db.BeginWrite());
    EXPECT_TRUE(db.CommitWrite());
}

TEST_F(GeoDatabase, ANewFileAppearsOnlyWhenComplete) {
    auto filesInDir = [&] { return QDir(dir.path()).entryList(QDir::Files | QDir::Hidden); };
    CGeoDatabase db;
    ASSERT_TRUE(db.OpenNew(path));
    EXPECT_TRUE(db.IsNew());
    EXPECT_FALSE(QFileInfo::exists(path));
    fill(db, 2);
    db.DiscardNew();
    EXPECT_TRUE(filesInDir().isEmpty());

    ASSERT_TRUE(db.OpenNew(path));
    fill(db, 2);
    ASSERT_TRUE(db.PublishNew());
    EXPECT_EQ(db.GetRecordCount("GEO"), 2);
    EXPECT_EQ(filesInDir(), QStringList{"Kelvo.mde"});
    EXPECT_FALSE(db.OpenNew(path)); // never over an existing file

    // A file that appears meanwhile is not replaced.
    const QString other = dir.filePath("Neu.mde");
    ASSERT_TRUE(db.OpenNew(other));
    TestSupport::WriteFile(other, "anderes Programm");
    EXPECT_FALSE(db.PublishNew());
    EXPECT_EQ(TestSupport::ReadFile(other), "anderes Programm");
    EXPECT_EQ(filesInDir(), (QStringList{"Kelvo.mde", "Neu.mde"}));
}

TEST_F(GeoDatabase, OpeningRemovesWhatEndedProcessesLeftOfNewFilesAndNothingElse) {
    // No process has this id (above the kernel's largest); this one runs.
    const QString gone = QStringLiteral(".Kelvo.mde.neu-2147483000-7");
    const QString mine = QStringLiteral(".Kelvo.mde.neu-%1-7").arg(::getpid());
    const QStringList stale{gone, gone + "-journal", gone + "-wal", gone + "-shm"};
    const QStringList kept{mine, mine + "-journal", gone + "-anders",
                           ".Neu.mde.neu-2147483000-7-journal", "Kelvo.mde.neu-2147483000-7"};
    for (const QString& name : stale + kept)
        TestSupport::WriteFile(dir.filePath(name), "Rest");
    CGeoDatabase db;
    ASSERT_TRUE(db.Open(path));
    QStringList left = QDir(dir.path()).entryList(QDir::Files | QDir::Hidden);
    left.removeOne("Kelvo.mde");
    left.sort();
    QStringList expected = kept;
    expected.sort();
    EXPECT_EQ(left.join(' ').toStdString(), expected.join(' ').toStdString());
}

TEST_F(GeoDatabase, ANewFileOfAnyNameIsMadeUnderTheHiddenNameTheCleanUpKnows) {
    const QString odd = dir.filePath("50%2 Rabatt.mde");
    CGeoDatabase db;
    ASSERT_TRUE(db.OpenNew(odd));
    const QStringList hidden = QDir(dir.path()).entryList(QDir::Files | QDir::Hidden);
    ASSERT_FALSE(hidden.isEmpty());
    EXPECT_TRUE(
        hidden.first().startsWith(QStringLiteral(".50%2 Rabatt.mde.neu-%1-").arg(::getpid())))
        << qPrintable(hidden.first());
    db.DiscardNew();
    EXPECT_TRUE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden).isEmpty());
}

TEST_F(GeoDatabase, CreationFailingHalfWayLeavesNothing) {
    // The disk takes the first bytes and no more: the schema cannot be committed.
    const auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
    rlimit old{};
    ::getrlimit(RLIMIT_FSIZE, &old);
    const rlimit small{4096, old.rlim_max};
    ::setrlimit(RLIMIT_FSIZE, &small);
    CGeoDatabase db;
    const bool opened = db.Open(path);
    ::setrlimit(RLIMIT_FSIZE, &old);
    std::signal(SIGXFSZ, oldHandler);
    EXPECT_FALSE(opened);
    EXPECT_TRUE(db.OpenError().contains("kann nicht angelegt werden"))
        << qPrintable(db.OpenError());
    EXPECT_TRUE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden).isEmpty());
}

TEST_F(GeoDatabase, ADamagedFileIsNeverWrittenTo) {
    CGeoDatabase db;
    OpenFilled(db, 3000);
    QVariant stored;
    ASSERT_EQ(db.UpdateMemo(db.m_Table, 2, QVariant(), "geprüft", &stored),
              CGeoDatabase::MemoWrite::Saved);
    // Damaged after that check by something else than this connection.
    TestSupport::DamageMiddlePage(path);
    const QByteArray before = TestSupport::ReadFile(path);
    EXPECT_EQ(db.UpdateMemo(db.m_Table, 1, QVariant(), "neu", &stored),
              CGeoDatabase::MemoWrite::Failed);
    EXPECT_TRUE(db.LastError().startsWith("Die Datenbankdatei ist beschädigt"))
        << qPrintable(db.LastError());
    db.Close();
    EXPECT_EQ(TestSupport::ReadFile(path), before);
}

TEST_F(GeoDatabase, AFileReplacedOrDeletedMeanwhileIsNoticedAndOpenedAnew) {
    CGeoDatabase db;
    OpenFilled(db, 3);
    // A copy from somewhere else, with other rows, is moved over the open file.
    {
        CGeoDatabase colleague;
        ASSERT_TRUE(colleague.Open(dir.filePath("Kopie.mde")));
        fill(colleague, 7);
    }
    ASSERT_EQ(::rename(qPrintable(dir.filePath("Kopie.mde")), qPrintable(path)), 0);

    // Nothing is written into the file that is gone; the next command reads the new one.
    EXPECT_FALSE(db.BeginWrite());
    EXPECT_EQ(db.LastError(), "Die Datenbank \"Kelvo.mde\" wurde gelöscht oder durch eine andere "
                              "Datei ersetzt, seit Kelvo sie geöffnet hat; es wurde nichts "
                              "gespeichert.");
    EXPECT_TRUE(db.TakeNotice().isEmpty());
    ASSERT_TRUE(db.EnsureOpen());
    EXPECT_TRUE(db.TakeNotice().startsWith("Die Datenbank \"Kelvo.mde\" wurde durch eine andere "
                                           "Datei ersetzt, während Kelvo lief"));
    EXPECT_TRUE(db.TakeNotice().isEmpty()); // said once
    EXPECT_EQ(db.GetRecordCount("GEO"), 7);
    ASSERT_TRUE(db.BeginWrite());
    db.RollbackWrite();

    // Deleted: a new empty file, as at a start without one.
    ASSERT_TRUE(QFile::remove(path));
    ASSERT_TRUE(db.EnsureOpen());
    EXPECT_TRUE(db.TakeNotice().contains("wurde gelöscht, während Kelvo lief"));
    EXPECT_TRUE(QFile::exists(path));
    EXPECT_EQ(db.GetRecordCount("GEO"), 0);
    ASSERT_TRUE(db.EnsureOpen());
    EXPECT_TRUE(db.TakeNotice().isEmpty());
}
