// Temporary files of a kelvo-cli process ended by a signal in the middle of its work: a
// download's archive and folder, the hidden new database of an import or copy. Handled
// signals leave nothing; what a hard kill leaves goes at the next start.
#include "DownloadFixture.h"

#include "common/ServerSupport.h"
#include "common/TcpProxy.h"
#include "common/TestSupport.h"

#include <QDir>
#include <QDirIterator>
#include <QEventLoop>
#include <QFile>
#include <QTest>

#include <csignal>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// kelvo-cli started in a folder, left running until the test sends it a signal.
class RunningCli {
public:
    RunningCli(const QProcessEnvironment& env, const QString& dir, const QStringList& args) {
        m_process.setProcessEnvironment(env);
        m_process.setWorkingDirectory(dir);
        m_process.start(QStringLiteral(KELVO_CLI_PATH), args);
        m_process.waitForStarted();
    }
    // Sends the signal and waits (serving the test server meanwhile) until the process ended.
    bool EndWith(int signal) {
        ::kill(pid_t(m_process.processId()), signal);
        return QTest::qWaitFor([this] { return m_process.state() == QProcess::NotRunning; }, 20000);
    }
    QProcess& Process() { return m_process; }

private:
    QProcess m_process;
};

QStringList hiddenNewFiles(const QString& dir) {
    return QDir(dir).entryList({".neu.mde.neu-*"}, QDir::Files | QDir::Hidden);
}

} // namespace

using LeftoversTest = DownloadFixture;

TEST_F(LeftoversTest, InterruptedDownloadLeavesNoArchiveOnAnySignal) {
    m_server.Serve("/DE.zip", Archive("DE", Rows("DE", 20000)), TestHttpServer::StallHalfway);
    for (int signal : {SIGINT, SIGTERM, SIGHUP}) {
        RunningCli cli(CliEnvironment(), m_dir.path(),
                       {"download", "--url", m_server.BaseUrl(), "DE"});
        // Wait for half the archive in the download folder.
        ASSERT_TRUE(QTest::qWaitFor(
            [&] {
                const QStringList left = LeftInTemp();
                return left.size() == 2 && QFileInfo(TempDir() + "/" + left.last()).size() > 0;
            },
            20000))
            << LeftInTemp().join(' ').toStdString();
        ASSERT_TRUE(cli.EndWith(signal));
        EXPECT_EQ(cli.Process().exitStatus(), QProcess::CrashExit) << signal;
        EXPECT_TRUE(LeftInTemp().isEmpty()) << signal << LeftInTemp().join(' ').toStdString();
        EXPECT_FALSE(QFile::exists(m_dir.filePath("Kelvo.mde")));
    }

    // A hard kill leaves the folder; the next download removes it.
    RunningCli killed(CliEnvironment(), m_dir.path(),
                      {"download", "--url", m_server.BaseUrl(), "DE"});
    ASSERT_TRUE(QTest::qWaitFor([&] { return LeftInTemp().size() == 2; }, 20000));
    ASSERT_TRUE(killed.EndWith(SIGKILL));
    EXPECT_EQ(LeftInTemp().size(), 2);
    QString out, err;
    EXPECT_EQ(Cli({"download", "--url", m_server.BaseUrl(), "NL"}, &out, &err), 1);
    EXPECT_TRUE(LeftInTemp().isEmpty()) << LeftInTemp().join(' ').toStdString();
}

TEST_F(LeftoversTest, InterruptedImportIntoANewFileLeavesNoHiddenFile) {
    const QString fifo = m_dir.filePath("rows.fifo");
    ASSERT_EQ(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
    const QByteArray rows = Rows("DE", 2000);
    for (int signal : {SIGINT, SIGTERM, SIGHUP, SIGKILL}) {
        RunningCli cli(CliEnvironment(), m_dir.path(), {"import", "--db", "neu.mde", fifo});
        // Rows arrive, the pipe stays open: the import waits in the middle.
        const int fd = ::open(QFile::encodeName(fifo).constData(), O_WRONLY);
        ASSERT_GE(fd, 0);
        ASSERT_EQ(::write(fd, rows.constData(), size_t(rows.size())), rows.size());
        EXPECT_TRUE(
            QTest::qWaitFor([&] { return !hiddenNewFiles(m_dir.path()).isEmpty(); }, 20000));
        ASSERT_TRUE(cli.EndWith(signal));
        ::close(fd);
        const QStringList left = hiddenNewFiles(m_dir.path());
        if (signal == SIGKILL)
            EXPECT_FALSE(left.isEmpty());
        else
            EXPECT_TRUE(left.isEmpty()) << signal << left.join(' ').toStdString();
        EXPECT_FALSE(QFile::exists(m_dir.filePath("neu.mde")));
    }

    // The next start on that file removes what the hard kill left, and only that.
    const QString alive = m_dir.filePath(QStringLiteral(".neu.mde.neu-%1-1").arg(::getpid()));
    TestSupport::WriteFile(alive, "in Arbeit");
    const QString text = TestSupport::WriteFile(m_dir.filePath("DE.txt"), Rows("DE", 5));
    QString out, err;
    ASSERT_EQ(Cli({"import", "--db", "neu.mde", text}, &out, &err), 0) << err.toStdString();
    EXPECT_EQ(hiddenNewFiles(m_dir.path()), QStringList{QFileInfo(alive).fileName()});
}

TEST_F(LeftoversTest, InterruptedCopyToANewFileLeavesNoHiddenFile) {
    KELVO_REQUIRE_SERVER();
    TestServer::CScratchDatabase source;
    const QString text = TestSupport::WriteFile(m_dir.filePath("DE.txt"), Rows("DE", 20000));
    QString out, err;
    ASSERT_EQ(Cli({"import", "--db", source.Address(), text}, &out, &err), 0) << err.toStdString();
    // The rows come through a relay that stops passing anything once the new file is there.
    const int port = source.Address().section(':', -1).section('/', 0, 0).toInt();
    for (int signal : {SIGINT, SIGTERM, SIGHUP}) {
        CTcpProxy relay(port);
        const QString through = QString(source.Address())
                                    .replace(QStringLiteral(":%1/").arg(port),
                                             QStringLiteral(":%1/").arg(relay.Port()));
        RunningCli cli(CliEnvironment(), m_dir.path(),
                       {"copy", "--from", through, "--to", "neu.mde"});
        ASSERT_TRUE(
            QTest::qWaitFor([&] { return !hiddenNewFiles(m_dir.path()).isEmpty(); }, 20000));
        relay.Freeze(true);
        ASSERT_TRUE(cli.EndWith(signal));
        EXPECT_EQ(cli.Process().exitStatus(), QProcess::CrashExit) << signal;
        EXPECT_TRUE(hiddenNewFiles(m_dir.path()).isEmpty())
            << signal << hiddenNewFiles(m_dir.path()).join(' ').toStdString();
        EXPECT_FALSE(QFile::exists(m_dir.filePath("neu.mde")));
    }
}
