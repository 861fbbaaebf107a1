// Downloads against hostile answers from a server on 127.0.0.1: endless, too large, dripping,
// redirecting, filling the disk, unpacking to too much.
#include "DownloadFixture.h"

#include "common/TestSupport.h"

#include <QDir>
#include <QElapsedTimer>
#include <QProcess>
#include <QRandomGenerator>

#include <sys/mount.h>
#include <sys/resource.h>
#include <unistd.h>

namespace {

using Limits = CGeoNamesDownload::Limits;

// Peak resident memory of the largest child process waited for so far, in MB.
double childPeakMb() {
    rusage usage{};
    getrusage(RUSAGE_CHILDREN, &usage);
    return double(usage.ru_maxrss) / 1024.0;
}

QByteArray randomBytes(qsizetype size) {
    QByteArray bytes(size, Qt::Uninitialized);
    QRandomGenerator generator(7);
    generator.fillRange(reinterpret_cast<quint32*>(bytes.data()), size / 4);
    return bytes;
}

} // namespace

using DownloadLimitsTest = DownloadFixture;

TEST_F(DownloadLimitsTest, EndlessAnswerStopsAtTheCapInLittleMemory) {
    m_server.Serve("/DE.zip", randomBytes(64 * 1024), TestHttpServer::Endless);
    QString out, err;
    EXPECT_EQ(Cli({"download", "--url", m_server.BaseUrl(), "DE"}, &out, &err), 1);
    EXPECT_TRUE(err.contains("DE: Die Antwort ist größer als 200 MB und wird nicht verwendet"))
        << err.toStdString();
    EXPECT_TRUE(err.contains("Nichts heruntergeladen")) << err.toStdString();
    std::printf("kelvo-cli over an endless answer: peak RSS %.1f MB, of it its own memory "
                "%.1f MB\n",
                childPeakMb(), m_peakAnonMb);
    // About 10 MB with the libraries' own; an answer kept in memory would be 200 MB.
    EXPECT_GT(m_peakAnonMb, 0.0);
#if !defined(__SANITIZE_ADDRESS__) // the sanitizers' allocator keeps freed blocks for a while
    EXPECT_LT(m_peakAnonMb, 32.0);
#endif
    EXPECT_TRUE(LeftInTemp().isEmpty()) << LeftInTemp().join(' ').toStdString();
}

TEST_F(DownloadLimitsTest, StatedLengthBeyondTheCapOrTheFreeSpaceIsRefusedAtOnce) {
    m_server.Serve("/DE.zip", QByteArray(), TestHttpServer::ClaimLength);
    m_server.SetClaimedLength(qint64(201) << 20);
    QElapsedTimer clock;
    clock.start();
    QList<CGeoNamesDownload::Outcome> outcomes = Download({"DE"});
    ASSERT_EQ(outcomes.size(), 1);
    EXPECT_TRUE(outcomes[0].error.startsWith("DE: Die Antwort ist größer als 200 MB"))
        << outcomes[0].error.toStdString();

    // With no cap to speak of, a petabyte does not fit on any disk here.
    Limits limits;
    limits.maxAnswerBytes = qint64(1) << 60;
    m_server.SetClaimedLength(qint64(1) << 50);
    outcomes = Download({"DE"}, limits);
    ASSERT_EQ(outcomes.size(), 1);
    EXPECT_TRUE(outcomes[0].error.contains("ist nicht genug Platz frei (1.073.741.824,0 MB nötig"))
        << outcomes[0].error.toStdString();
    EXPECT_LT(clock.elapsed(), 10000); // neither waited for a body
    EXPECT_TRUE(QDir(m_dir.filePath("download")).isEmpty());
}

TEST_F(DownloadLimitsTest, FullDiskWhileDownloadingIsNamedAndLeavesNothing) {
    const QString small = m_dir.filePath("small");
    QDir().mkpath(small);
    if (::geteuid() != 0 ||
        ::mount("tmpfs", QFile::encodeName(small).constData(), "tmpfs", 0, "size=1m") != 0)
        GTEST_SKIP() << "a small file system needs root and mount";
    m_server.Serve("/DE.zip", randomBytes(3 << 20), TestHttpServer::CloseDelimited);
    CGeoNamesDownload download(m_server.BaseUrl(), small);
    const QList<CGeoNamesDownload::Outcome> outcomes = download.Run({"DE"});
    const QStringList left = QDir(small).entryList(QDir::Files);
    ::umount(QFile::encodeName(small).constData());
    ASSERT_EQ(outcomes.size(), 1);
    EXPECT_EQ(outcomes[0].error, "DE: Im Ordner " + small +
                                     " ist kein Platz mehr frei; das Herunterladen wurde "
                                     "abgebrochen.");
    EXPECT_TRUE(left.isEmpty()) << left.join(' ').toStdString();
}

TEST_F(DownloadLimitsTest, ServerDrippingBytesIsGivenUpWithAGermanMessage) {
    m_server.Serve("/DE.zip", Archive("DE", Rows("DE", 50)), TestHttpServer::Drip);
    Limits limits;
    limits.slowWindowMs = 2000;
    limits.minBytes = 1024; // the server sends 5 bytes a second
    QElapsedTimer clock;
    clock.start();
    const QList<CGeoNamesDownload::Outcome> outcomes = Download({"DE"}, limits);
    ASSERT_EQ(outcomes.size(), 1);
    EXPECT_EQ(outcomes[0].error, "DE: Der Server antwortet zu langsam (weniger als 1 KB in 2 "
                                 "Sekunden); das Herunterladen wurde aufgegeben.");
    EXPECT_GE(clock.elapsed(), 1900);
    EXPECT_LT(clock.elapsed(), 8000);
}

TEST_F(DownloadLimitsTest, RedirectLoopsAndRefusedRedirectsAreNamed) {
    m_server.Redirect("/DE.zip", "/AT.zip");
    m_server.Redirect("/AT.zip", "/DE.zip");
    m_server.Redirect("/CH.zip", "file:///etc/passwd");
    m_server.Redirect("/LI.zip", "/files/LI.zip");
    m_server.Serve("/files/LI.zip", Archive("LI", Rows("LI", 13)));
    const QList<CGeoNamesDownload::Outcome> outcomes = Download({"DE", "CH", "LI"});
    ASSERT_EQ(outcomes.size(), 3);
    EXPECT_EQ(outcomes[0].error, "DE: Der Server leitet " + m_server.BaseUrl() +
                                     "DE.zip immer weiter um (mehr als 10 Weiterleitungen); "
                                     "nichts wurde heruntergeladen.");
    EXPECT_TRUE(outcomes[1].error.startsWith("CH: Der Server leitet " + m_server.BaseUrl() +
                                             "CH.zip nach file:///etc/passwd weiter; dieser "
                                             "Weiterleitung folgt Kelvo nicht"))
        << outcomes[1].error.toStdString();
    EXPECT_TRUE(outcomes[2].error.isEmpty()) << outcomes[2].error.toStdString();
}

TEST_F(DownloadLimitsTest, ArchiveMemberBeyondTheUnpackedCapIsRefused) {
    // About 2.4 MB of rows that pack into far less.
    m_server.Serve("/DE.zip", Archive("DE", Rows("DE", 40000)));
    Limits limits;
    limits.maxMemberBytes = 1 << 20;
    const QList<CGeoNamesDownload::Outcome> outcomes = Download({"DE"}, limits);
    ASSERT_EQ(outcomes.size(), 1);
    EXPECT_EQ(outcomes[0].error,
              "DE: DE.zip/DE.txt: Die Datei ist entpackt größer als 1 MB und wird nicht gelesen.");
    EXPECT_TRUE(Download({"DE"}).value(0).error.isEmpty()); // the default cap takes it
}
