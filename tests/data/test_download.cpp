// Downloading GeoNames archives from a real HTTP server on 127.0.0.1 started here.
#include "common/TestHttpServer.h"
#include "common/TestSupport.h"
#include "data/GeoNamesDownload.h"
#include "store/GeoDatabase.h"
#include "store/GeoRecordset.h"

#include <QDir>
#include <QEventLoop>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTimer>

#include <gtest/gtest.h>

namespace {

class DownloadTest : public ::testing::Test {
protected:
    void SetUp() override {
        // Nothing but this server is ever asked, whatever proxy the machine has.
        qputenv("no_proxy", "127.0.0.1,localhost");
        m_shared = TestSupport::SharedGeoNamesDir();
        if (m_shared.isEmpty())
            GTEST_SKIP() << "shared GeoNames data not present";
    }
    // The GeoNames archive of a country, as the export publishes it.
    QByteArray archive(const QString& country) {
        const QString path = TestSupport::WriteZip(
            m_dir.filePath("zips/" + country + ".zip"),
            {{country + ".txt", TestSupport::ReadFile(m_shared + "/" + country + ".txt")},
             {"readme.txt", "GeoNames postal codes, CC BY 4.0\n"}});
        return TestSupport::ReadFile(path);
    }

    // Runs kelvo-cli while this thread's event loop serves its requests.
    int cli(const QStringList& args, QString* out, QString* err) {
        QProcess process;
        process.setWorkingDirectory(m_dir.path());
        process.start(QStringLiteral(KELVO_CLI_PATH), args);
        QEventLoop loop;
        QObject::connect(&process, &QProcess::finished, &loop, &QEventLoop::quit);
        QTimer::singleShot(120000, &loop, &QEventLoop::quit);
        loop.exec();
        *out = QString::fromUtf8(process.readAllStandardOutput());
        *err = QString::fromUtf8(process.readAllStandardError());
        return process.state() == QProcess::NotRunning ? process.exitCode() : -1;
    }

    QString m_shared;
    QTemporaryDir m_dir;
    TestHttpServer m_server;
};

} // namespace

TEST_F(DownloadTest, EachCountryIsImportedOrGetsItsOwnMessage) {
    m_server.Serve("/LI.zip", archive("LI"));
    m_server.Serve("/CH.zip", archive("CH"));
    m_server.Serve("/AT.zip", archive("AT"), TestHttpServer::DropHalfway);
    m_server.Serve("/BE.zip", "<html>Wartungsarbeiten</html>");
    m_server.Serve("/DE.zip", archive("DE"), TestHttpServer::CloseDelimited);

    QString out, err;
    EXPECT_EQ(cli({"download", "--url", m_server.BaseUrl(), "li", "CH", "AT", "BE", "DE", "NL"},
                  &out, &err),
              1);
    EXPECT_TRUE(err.contains("AT: ")) << err.toStdString();
    EXPECT_TRUE(
        err.contains("BE: Die Antwort von " + m_server.BaseUrl() + "BE.zip ist keine ZIP-Datei."));
    EXPECT_TRUE(err.contains(QRegularExpression(
        "DE: DE.zip/DE.txt: Das ZIP-Archiv ist beschädigt oder unvollständig \\(.+\\)\\.")))
        << err.toStdString();
    EXPECT_TRUE(err.contains("NL: Der Server meldet den HTTP-Fehler 404"));
    EXPECT_TRUE(out.contains("FL: vorher 0 Zeilen, jetzt 13")) << out.toStdString();

    EXPECT_EQ(TestSupport::RowsByCountry(m_dir.filePath("Kelvo.mde")),
              QStringList({"CH=4520", "FL=13"}));

    // Nothing downloaded: no new database either.
    EXPECT_EQ(cli({"download", "--db", "neu.mde", "--url", m_server.BaseUrl(), "NL"}, &out, &err),
              1);
    EXPECT_TRUE(err.contains("Nichts heruntergeladen")) << err.toStdString();
    EXPECT_FALSE(QFile::exists(m_dir.filePath("neu.mde")));
}

TEST_F(DownloadTest, CancellingHalfwayLeavesNoFiles) {
    m_server.Serve("/DE.zip", archive("DE"), TestHttpServer::StallHalfway);
    m_server.Serve("/LI.zip", archive("LI"));
    const QString folder = m_dir.filePath("download");
    QDir().mkpath(folder);
    CGeoNamesDownload download(m_server.BaseUrl(), folder);
    QObject::connect(&download, &CGeoNamesDownload::progress,
                     [&](const QString& country, qint64 received, qint64 total) {
                         EXPECT_EQ(country, "DE");
                         if (received > 0 && received < total)
                             download.Cancel();
                     });
    const QList<CGeoNamesDownload::Outcome> outcomes = download.Run({"DE", "LI"});
    ASSERT_EQ(outcomes.size(), 2);
    for (const CGeoNamesDownload::Outcome& outcome : outcomes) {
        EXPECT_TRUE(outcome.file.isEmpty());
        EXPECT_EQ(outcome.error, outcome.country + ": Das Herunterladen wurde abgebrochen.");
    }
    EXPECT_EQ(m_server.Requests(), 1);
    EXPECT_TRUE(QDir(folder).isEmpty());
}
