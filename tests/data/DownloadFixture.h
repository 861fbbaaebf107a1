#pragma once

// What the download tests share: a server on 127.0.0.1, a folder, archives of generated
// GeoNames rows, kelvo-cli run while the server answers.
#include "common/TestHttpServer.h"
#include "data/GeoNamesDownload.h"

#include <QProcess>
#include <QTemporaryDir>

#include <gtest/gtest.h>

class DownloadFixture : public ::testing::Test {
protected:
    void SetUp() override;

    // `count` different valid lines of a country.
    static QByteArray Rows(const QString& country, int count, int first = 0);
    // A GeoNames archive holding XX.txt with the bytes and the readme; its bytes.
    QByteArray Archive(const QString& name, const QByteArray& rows);
    // Downloads in this process with the given caps.
    QList<CGeoNamesDownload::Outcome> Download(const QStringList& countries,
                                               const CGeoNamesDownload::Limits& limits = {});
    // The environment kelvo-cli runs in: its own settings, TMPDIR in this folder.
    QProcessEnvironment CliEnvironment() const;
    // Runs kelvo-cli to its end while this thread's event loop serves the requests; notes the
    // most anonymous memory (heap, stacks, buffers) it was seen holding in m_peakAnonMb.
    int Cli(const QStringList& args, QString* out, QString* err);
    // The temporary folder kelvo-cli is given; files left there by it.
    QString TempDir() const { return m_dir.filePath(QStringLiteral("tmp")); }
    QStringList LeftInTemp() const;

    QTemporaryDir m_dir;
    TestHttpServer m_server;
    double m_peakAnonMb = 0;
};
