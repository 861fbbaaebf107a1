// The system's reasons in German sentences: a database that may only be read (a write-protected
// file, a folder in which no file may be created, a server that lets the user only read), and
// files that are missing or may not be written. The engine's or system's text follows only in
// parentheses.
#include "base/SystemErrorText.h"
#include "common/EngineFixture.h"
#include "common/TestSupport.h"
#include "store/GeoDatabase.h"

#include <QDir>
#include <QFile>
#include <QProcess>

#include <unistd.h>

namespace {

// Makes a file or folder unwritable for this process while it lives: for root (whom the
// permission bits do not stop) with the immutable attribute, else by the permission bits.
class CWriteProtection {
public:
    explicit CWriteProtection(const QString& path) : m_strPath(path) {
        if (::geteuid() == 0) {
            m_bImmutable = true;
            m_bDone = QProcess::execute(QStringLiteral("chattr"), {"+i", path}) == 0;
        } else {
            m_permissions = QFile::permissions(path);
            m_bDone = QFile::setPermissions(path, m_permissions &
                                                      ~(QFile::WriteOwner | QFile::WriteUser |
                                                        QFile::WriteGroup | QFile::WriteOther));
        }
    }
    ~CWriteProtection() {
        if (!m_bDone)
            return;
        if (m_bImmutable)
            QProcess::execute(QStringLiteral("chattr"), {"-i", m_strPath});
        else
            QFile::setPermissions(m_strPath, m_permissions);
    }
    bool Done() const { return m_bDone; }

private:
    QString m_strPath;
    bool m_bImmutable = false;
    bool m_bDone = false;
    QFile::Permissions m_permissions;
};

#define REQUIRE_PROTECTION(guard)                                                                  \
    if (!(guard).Done())                                                                           \
    GTEST_SKIP() << "the file system cannot protect " << qPrintable(path)

// A database with one row (ID_Geo 1), closed again.
void oneRow(const QString& address) {
    CGeoDatabase db;
    ASSERT_TRUE(db.Open(address)) << db.OpenError().toStdString();
    ASSERT_TRUE(db.Execute("INSERT INTO GEO (Staat, PLZ, Ort) VALUES ('DE', '10115', 'Berlin')"))
        << db.LastError().toStdString();
}

CGeoDatabase::MemoWrite writeMemo(CGeoDatabase& db) {
    QVariant stored;
    return db.UpdateMemo(db.m_Table, 1, QVariant(), QStringLiteral("Kunde"), &stored);
}

} // namespace

class ReadOnlyDatabase : public EngineTest {};

TEST_P(ReadOnlyDatabase, AWriteSaysInGermanThatTheDatabaseMayOnlyBeReadAndChangesNothing) {
    const QString address = EmptyDatabase();
    ASSERT_NO_FATAL_FAILURE(oneRow(address));
    std::unique_ptr<CWriteProtection> protection;
    if (OnServer()) {
        ASSERT_EQ(TestServer::Run(address, QStringLiteral("ALTER DATABASE %1 SET "
                                                          "default_transaction_read_only = on")
                                               .arg(m_pScratch->Name())),
                  "");
    } else {
        const QString path = address;
        protection = std::make_unique<CWriteProtection>(path);
        REQUIRE_PROTECTION(*protection);
    }
    CGeoDatabase db;
    ASSERT_TRUE(db.Open(address)) << db.OpenError().toStdString();
    EXPECT_EQ(writeMemo(db), CGeoDatabase::MemoWrite::Failed);
    const QString error = db.LastError();
    if (OnServer()) {
        EXPECT_TRUE(error.startsWith("Die Datenbank auf dem Server ist schreibgeschützt (nur "
                                     "Lesen ist erlaubt); Kelvo kann nichts in ihr speichern."))
            << error.toStdString();
        EXPECT_TRUE(error.contains("(Meldung des Servers: cannot execute")) << error.toStdString();
    } else {
        EXPECT_TRUE(error.startsWith("Die Datenbank ist schreibgeschützt; Kelvo kann nichts in "
                                     "ihr speichern. Für die Datei fehlt das Schreibrecht. "
                                     "(Meldung der Datenbank: attempt to write a readonly"))
            << error.toStdString();
    }
    QVariant memo;
    ASSERT_TRUE(db.ReadMemo(db.m_Table, 1, &memo));
    EXPECT_TRUE(memo.isNull());
}

KELVO_ON_BOTH_ENGINES(ReadOnlyDatabase);

TEST(SystemErrorText, AFolderWithoutTheRightToCreateFilesIsNamedAsTheCause) {
    // Writing needs a file beside the database for a moment: a folder that takes no new files
    // stops every save although the database file itself may be written.
    QTemporaryDir dir;
    const QString folder = dir.filePath("Daten");
    ASSERT_TRUE(QDir().mkpath(folder));
    const QString address = folder + "/Kelvo.mde";
    ASSERT_NO_FATAL_FAILURE(oneRow(address));
    const QString path = folder;
    CWriteProtection protection(path);
    REQUIRE_PROTECTION(protection);
    CGeoDatabase db;
    ASSERT_TRUE(db.Open(address)) << db.OpenError().toStdString();
    EXPECT_EQ(writeMemo(db), CGeoDatabase::MemoWrite::Failed);
    EXPECT_TRUE(db.LastError().startsWith(
        QStringLiteral("Kelvo kann nicht in die Datenbank schreiben, denn es braucht dafür kurz "
                       "eine Datei neben ihr. Im Ordner \"%1\" dürfen keine Dateien angelegt "
                       "werden (es fehlt das Schreibrecht). (Meldung der Datenbank: ")
            .arg(folder)))
        << db.LastError().toStdString();

    // A new database cannot be made there either, and the message says why.
    CGeoDatabase made;
    EXPECT_FALSE(made.OpenNew(folder + "/Neu.mde"));
    EXPECT_TRUE(made.OpenError().contains(
        QStringLiteral("Die Datei kann nicht angelegt werden: Im Ordner \"%1\" dürfen keine "
                       "Dateien angelegt werden")
            .arg(folder)))
        << made.OpenError().toStdString();
}

TEST(SystemErrorText, MissingFilesAndFoldersAndUnwritableFilesInGermanWithTheSystemsText) {
    QTemporaryDir dir;
    using SystemErrorText::Access;
    const QString file = TestSupport::WriteFile(dir.filePath("Orte.txt"), "DE;10115;0;0;0;0;0;0;0");
    EXPECT_EQ(SystemErrorText::Reason(file, Access::Read), "");
    EXPECT_EQ(SystemErrorText::Reason(file, Access::Write), "");
    EXPECT_EQ(SystemErrorText::OfFile(dir.filePath("fehlt.txt"), Access::Read,
                                      "No such file or directory"),
              "Die Datei gibt es nicht. (Meldung des Systems: No such file or directory)");
    // Writing a new file in an existing folder is no fault; a missing folder is named.
    EXPECT_EQ(SystemErrorText::Reason(dir.filePath("neu.csv"), Access::Write), "");
    EXPECT_EQ(SystemErrorText::Reason(dir.filePath("fehlt/neu.csv"), Access::Write),
              QStringLiteral("Den Ordner \"%1\" gibt es nicht.").arg(dir.filePath("fehlt")));
    EXPECT_EQ(SystemErrorText::Reason(dir.path(), Access::Read),
              "Der Name bezeichnet einen Ordner, keine Datei.");
    EXPECT_EQ(SystemErrorText::OfFile(file, Access::Read, "Lesefehler"), "Lesefehler");
    EXPECT_EQ(SystemErrorText::FromErrno(ENOENT),
              "Die Datei oder der Ordner ist nicht vorhanden. (Meldung des Systems: No such "
              "file or directory)");
    {
        const QString path = file;
        CWriteProtection protection(path);
        REQUIRE_PROTECTION(protection);
        EXPECT_EQ(SystemErrorText::Reason(file, Access::Write),
                  "Für die Datei fehlt das Schreibrecht.");
        EXPECT_EQ(SystemErrorText::Reason(file, Access::Read), "");
    }

    // What kelvo-cli says on its error output.
    QString out, err;
    EXPECT_EQ(TestSupport::RunCli({"places", "fehlt.txt"}, dir.path(), &out, &err), 1);
    EXPECT_EQ(err.trimmed(), "Die Ortsdatei \"fehlt.txt\" kann nicht geöffnet werden: Die Datei "
                             "gibt es nicht. (Meldung des Systems: No such file or directory)");
    EXPECT_EQ(
        TestSupport::RunCli({"import", "--db", "Kelvo.mde", "fehlt.txt"}, dir.path(), &out, &err),
        1);
    EXPECT_TRUE(err.contains("fehlt.txt: Datei kann nicht geöffnet werden: Die Datei gibt es "
                             "nicht. (Meldung des Systems: "))
        << err.toStdString();
}
