#include "DownloadFixture.h"

#include "common/TestSupport.h"

#include <QDir>
#include <QDirIterator>
#include <QEventLoop>
#include <QFile>
#include <QTimer>

#include <algorithm>

void DownloadFixture::SetUp() {
    // Nothing but this server is ever asked, whatever proxy the machine has.
    qputenv("no_proxy", "127.0.0.1,localhost");
    QDir().mkpath(TempDir());
}

QByteArray DownloadFixture::Rows(const QString& country, int count, int first) {
    QByteArray rows;
    for (int i = first; i < first + count; ++i)
        rows += TestSupport::GeoNamesLine(country, QStringLiteral("%1").arg(i, 5, 10, QChar('0')),
                                          QStringLiteral("Ort %1").arg(i), "Land", "Bezirk",
                                          "Kreis", "48.1", "11.5");
    return rows;
}

QByteArray DownloadFixture::Archive(const QString& name, const QByteArray& rows) {
    const QString path = TestSupport::WriteZip(
        m_dir.filePath("zips/" + name + ".zip"),
        {{name + ".txt", rows}, {"readme.txt", "GeoNames postal codes, CC BY 4.0\n"}});
    return TestSupport::ReadFile(path);
}

QList<CGeoNamesDownload::Outcome>
DownloadFixture::Download(const QStringList& countries, const CGeoNamesDownload::Limits& limits) {
    const QString folder = m_dir.filePath("download");
    QDir().mkpath(folder);
    CGeoNamesDownload download(m_server.BaseUrl(), folder);
    download.SetLimits(limits);
    return download.Run(countries);
}

QProcessEnvironment DownloadFixture::CliEnvironment() const {
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("XDG_CONFIG_HOME", m_dir.filePath("config"));
    env.insert("TMPDIR", TempDir());
    env.insert("no_proxy", "127.0.0.1,localhost");
    return env;
}

int DownloadFixture::Cli(const QStringList& args, QString* out, QString* err) {
    QProcess process;
    process.setWorkingDirectory(m_dir.path());
    process.setProcessEnvironment(CliEnvironment());
    process.start(QStringLiteral(KELVO_CLI_PATH), args);
    // What the process holds itself, unlike its resident size, which also counts the pages of
    // the shared libraries that the system happens to have mapped for it.
    m_peakAnonMb = 0;
    QTimer sample;
    QObject::connect(&sample, &QTimer::timeout, [this, &process] {
        QFile status(QStringLiteral("/proc/%1/status").arg(process.processId()));
        if (!status.open(QIODevice::ReadOnly))
            return;
        for (const QByteArray& line : status.readAll().split('\n')) {
            if (line.startsWith("RssAnon:"))
                m_peakAnonMb =
                    std::max(m_peakAnonMb, line.mid(8).trimmed().split(' ')[0].toDouble() / 1024.0);
        }
    });
    sample.start(5);
    QEventLoop loop;
    QObject::connect(&process, &QProcess::finished, &loop, &QEventLoop::quit);
    QTimer::singleShot(120000, &loop, &QEventLoop::quit);
    loop.exec();
    sample.stop();
    *out = QString::fromUtf8(process.readAllStandardOutput());
    *err = QString::fromUtf8(process.readAllStandardError());
    return process.state() == QProcess::NotRunning ? process.exitCode() : -1;
}

QStringList DownloadFixture::LeftInTemp() const {
    QStringList left;
    QDirIterator it(TempDir(), QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot,
                    QDirIterator::Subdirectories);
    while (it.hasNext())
        left << QDir(TempDir()).relativeFilePath(it.next());
    return left;
}
