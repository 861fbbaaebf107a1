// The batch tool with database files that are pipes, locked, damaged, or made while the
// process is killed; and the same output from the shared data on a file and on a server.
#include "common/EngineFixture.h"
#include "common/TestSupport.h"
#include "store/GeoDatabase.h"

#include <QDir>
#include <QFileInfo>
#include <QImage>
#include <QProcess>

#include <sqlite3.h>
#include <sys/resource.h>
#include <sys/stat.h>

#include <gtest/gtest.h>

namespace {

QString writeGeoNames(const QString& path, int lines) {
    return TestSupport::WriteFile(
        path, TestSupport::GeoNamesLine("LI", "9490", "Vaduz", "", "", "", "47.14", "9.52")
                  .repeated(lines));
}

// Runs kelvo-cli with a limit on the size of the files it writes: the kernel kills it with
// SIGXFSZ at the first write past the limit, at the same point each time.
bool runWithFileSizeLimit(const QStringList& args, const QString& workDir, rlim_t limit) {
    QProcess process;
    process.setWorkingDirectory(workDir);
    process.setChildProcessModifier([limit] {
        const rlimit rl{limit, limit};
        ::setrlimit(RLIMIT_FSIZE, &rl);
    });
    process.start(QStringLiteral(KELVO_CLI_PATH), args);
    process.waitForFinished(60000);
    return process.exitStatus() == QProcess::CrashExit;
}

} // namespace

TEST(DatabaseCli, EveryCommandRefusesAPipe) {
    QTemporaryDir dir;
    const QString fifo = dir.filePath("Kelvo.mde");
    ASSERT_EQ(::mkfifo(qPrintable(fifo), 0600), 0);
    const QString data = writeGeoNames(dir.filePath("LI.txt"), 1);
    const QList<QStringList> commands{{"search", "--db", fifo, "Vaduz"},
                                      {"import", "--db", fifo, data},
                                      {"render", "--db", fifo, dir.filePath("k.png")},
                                      {"print-table", "--db", fifo, dir.filePath("t.pdf")}};
    for (const QStringList& args : commands) {
        QString err;
        EXPECT_EQ(TestSupport::RunCli(args, dir.path(), nullptr, &err), 1) << qPrintable(args[0]);
        EXPECT_TRUE(err.contains("benannte Pipe")) << qPrintable(err);
    }
}

TEST(DatabaseCli, AKilledCreationLeavesNoFileThatIsRefused) {
    QTemporaryDir dir;
    const QString data = writeGeoNames(dir.filePath("LI.txt"), 200);
    int killed = 0;
    for (rlim_t limit : {0, 1, 512, 4096, 6000, 8192, 12288, 16384, 20000, 40000, 100000}) {
        SCOPED_TRACE(limit);
        const QString sub = dir.filePath(QString::number(limit));
        QDir().mkpath(sub);
        const QString path = sub + "/Kelvo.mde";
        killed += runWithFileSizeLimit({"import", "--db", path, data}, sub, limit);
        // Either no database, or a whole one.
        if (QFileInfo::exists(path)) {
            CGeoDatabase db;
            EXPECT_TRUE(db.Open(path)) << qPrintable(db.OpenError());
        }
        EXPECT_EQ(TestSupport::RunCli({"import", "--db", path, data}, sub), 0);
    }
    EXPECT_GE(killed, 5);
}

TEST(DatabaseCli, ImportIntoADamagedFileChangesNothing) {
    QTemporaryDir dir;
    const QString path = dir.filePath("Kelvo.mde");
    ASSERT_EQ(TestSupport::RunCli(
                  {"import", "--db", path, writeGeoNames(dir.filePath("a.txt"), 3000)}, dir.path()),
              0);
    TestSupport::DamageMiddlePage(path);
    const QByteArray before = TestSupport::ReadFile(path);
    QString err;
    EXPECT_EQ(TestSupport::RunCli({"import", "--db", path, writeGeoNames(dir.filePath("b.txt"), 1)},
                                  dir.path(), nullptr, &err),
              1);
    EXPECT_TRUE(err.contains("Die Datenbankdatei ist beschädigt")) << qPrintable(err);
    EXPECT_EQ(TestSupport::ReadFile(path), before);
}

TEST(DatabaseCli, ALockedFileIsInUseNotDamaged) {
    QTemporaryDir dir;
    const QString path = dir.filePath("Kelvo.mde");
    {
        CGeoDatabase made;
        ASSERT_TRUE(made.Open(path));
    }
    sqlite3* other = nullptr;
    ASSERT_EQ(sqlite3_open(qPrintable(path), &other), SQLITE_OK);
    ASSERT_EQ(sqlite3_exec(other, "BEGIN EXCLUSIVE", nullptr, nullptr, nullptr), SQLITE_OK);
    QString err;
    EXPECT_EQ(TestSupport::RunCli({"search", "--db", path, "Vaduz"}, dir.path(), nullptr, &err), 1);
    sqlite3_close(other);
    EXPECT_TRUE(err.contains("kelvo-cli wartet bis zu 5 Sekunden")) << qPrintable(err);
    EXPECT_TRUE(err.contains("wird gerade von einem anderen Programm benutzt")) << qPrintable(err);
    EXPECT_FALSE(err.contains("beschädigt"));
}

// What the batch tool prints, exports and draws from the shared data is the same, byte for
// byte and pixel for pixel, whether the data is in a file or on a server.
TEST(DatabaseCli, SharedDataGivesTheSameOutputOnFileAndServer) {
    KELVO_REQUIRE_SERVER();
    KELVO_REQUIRE_SHARED_DATA(data);
    QTemporaryDir dir;
    const QString file = SharedFile(dir.path());
    const QString server = TestServer::SharedDatabase();
    ASSERT_FALSE(server.isEmpty());
    const QList<QStringList> printing{
        {"search", "101"},
        {"search", "m*nchen"},
        {"search", "--fold", "strasse"},
        {"near", "--radius", "30", "DE 10115"},
        {"near", "--radius", "15", "BE 4730"},
    };
    for (const QStringList& command : printing) {
        QString onFile, onServer, err;
        ASSERT_EQ(
            TestSupport::RunCli(QStringList(command) << "--db" << file, dir.path(), &onFile, &err),
            0)
            << err.toStdString();
        ASSERT_EQ(TestSupport::RunCli(QStringList(command) << "--db" << server, dir.path(),
                                      &onServer, &err),
                  0)
            << err.toStdString();
        EXPECT_GT(onFile.count('\n'), 1) << command.join(' ').toStdString();
        EXPECT_EQ(onServer, onFile) << command.join(' ').toStdString();
    }
    const QList<QStringList> writing{
        {"export", "--format", "csv", "out.csv"},
        {"export", "--format", "kml", "--search", "berlin", "out.kml"},
        {"render", "--names", "out.png"},
        {"render", "--size", "900x700", "--extent", "5.9,7.1,50.3,51.0", "--names", "--declutter",
         "out.png"},
    };
    for (const QStringList& command : writing) {
        QByteArray bytes[2];
        QImage pictures[2];
        for (int i = 0; i < 2; ++i) {
            QString err;
            const QString out = dir.filePath(QString::number(i) + command.last());
            ASSERT_EQ(TestSupport::RunCli(QStringList(command.mid(0, command.size() - 1))
                                              << "--db" << (i ? server : file) << out,
                                          dir.path(), nullptr, &err),
                      0)
                << err.toStdString();
            bytes[i] = TestSupport::ReadFile(out);
            pictures[i] = QImage(out);
        }
        EXPECT_GT(bytes[0].size(), 1000) << command.join(' ').toStdString();
        if (command.first() == "render")
            EXPECT_TRUE(pictures[0] == pictures[1]) << command.join(' ').toStdString();
        else
            EXPECT_TRUE(bytes[0] == bytes[1]) << command.join(' ').toStdString();
    }
}
