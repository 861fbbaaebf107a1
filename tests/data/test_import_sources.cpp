// Where imported lines come from: pipes, zip archives, files that give no lines.
#include "common/TestSupport.h"
#include "data/GeoImport.h"
#include "store/GeoDatabase.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>
#include <QtEndian>

#include <gtest/gtest.h>

using TestSupport::GeoNamesLine;

namespace {

class ImportSourceTest : public ::testing::Test {
protected:
    QString path(const QString& name) const { return m_dir.filePath(name); }
    int cli(const QStringList& args, QString* err = nullptr) {
        return TestSupport::RunCli(args, m_dir.path(), nullptr, err);
    }
    int rows(const QString& db = QStringLiteral("Kelvo.mde")) {
        CGeoDatabase database;
        return database.Open(path(db)) ? database.GetRecordCount("GEO") : -1;
    }
    // Runs kelvo-cli with a real pipe as standard input; the bytes arrive only after a while.
    int cliFromPipe(const QStringList& args, const QByteArray& input, QString* err) {
        QProcess process;
        process.setWorkingDirectory(m_dir.path());
        process.start(QStringLiteral(KELVO_CLI_PATH), args);
        if (!process.waitForStarted())
            return -1;
        QThread::msleep(300);
        process.write(input.left(input.size() / 2));
        process.waitForBytesWritten();
        QThread::msleep(100);
        process.write(input.mid(input.size() / 2));
        process.closeWriteChannel();
        process.waitForFinished(60000);
        *err = QString::fromUtf8(process.readAllStandardError());
        return process.exitCode();
    }

    QTemporaryDir m_dir;
    const QByteArray m_rows = GeoNamesLine("LI", "9490", "Vaduz", "", "", "", "47.14", "9.52") +
                              GeoNamesLine("LI", "9494", "Schaan", "", "", "", "47.16", "9.51");
};

} // namespace

TEST_F(ImportSourceTest, APipeIsReadToItsEndTextOrArchive) {
    QString err;
    EXPECT_EQ(cliFromPipe({"import", "/dev/stdin"}, m_rows, &err), 0) << err.toStdString();
    EXPECT_EQ(rows(), 2);

    const QString zip = TestSupport::WriteZip(path("LI.zip"), {{"LI.txt", m_rows}});
    EXPECT_EQ(cliFromPipe({"import", "--append", "/dev/stdin"}, TestSupport::ReadFile(zip), &err),
              0)
        << err.toStdString();
    EXPECT_EQ(rows(), 4);
}

TEST_F(ImportSourceTest, ASourceWithoutLinesIsAnErrorAndLeavesNoNewDatabase) {
    QString err;
    EXPECT_EQ(cliFromPipe({"import", "--db", "neu.mde", "/dev/stdin"}, "", &err), 1);
    EXPECT_TRUE(err.contains("stdin: Die Datei enthält keine Zeilen.")) << err.toStdString();
    EXPECT_FALSE(QFile::exists(path("neu.mde")));

    TestSupport::WriteFile(path("leer.txt"), "\n\n");
    EXPECT_EQ(cli({"import", "--db", "neu.mde", "leer.txt"}, &err), 1);
    EXPECT_TRUE(err.contains("leer.txt: Die Datei enthält keine Zeilen."));
    EXPECT_FALSE(QFile::exists(path("neu.mde")));

    // An existing database stays, unchanged.
    TestSupport::WriteFile(path("li.txt"), m_rows);
    ASSERT_EQ(cli({"import", "li.txt"}), 0);
    const QByteArray before = TestSupport::ReadFile(path("Kelvo.mde"));
    EXPECT_EQ(cli({"import", "li.txt", "leer.txt"}), 1);
    EXPECT_EQ(TestSupport::ReadFile(path("Kelvo.mde")), before);
}

TEST_F(ImportSourceTest, ArchivesGiveTheirTextFilesAndDamageIsAnError) {
    TestSupport::WriteZip(
        path("LI.zip"),
        {{"readme.txt", "GeoNames readme\n"},
         {"LI.txt", m_rows},
         {"extra/CH.txt", GeoNamesLine("CH", "8001", "Zürich", "", "", "", "47.37", "8.54")}});
    CGeoDatabase db;
    ASSERT_TRUE(db.Open(path("Kelvo.mde")));
    CGeoImporter importer(db);
    CGeoImporter::Result result = importer.Run({path("LI.zip")});
    ASSERT_TRUE(result.ok) << result.fatal.toStdString();
    ASSERT_EQ(result.files.size(), 1);
    EXPECT_EQ(result.files[0].imported, 3);
    EXPECT_EQ(result.totalRows, 3);

    const QByteArray before = TestSupport::ReadFile(path("Kelvo.mde"));
    // A zip whose compressed data is damaged: the checksum tells.
    QByteArray big;
    for (int i = 0; i < 2000; ++i)
        big += GeoNamesLine("DE", QString::number(10000 + i),
                            QStringLiteral("Ort %1").arg(i * 7919), "", "", "", "50", "10");
    QByteArray damaged =
        TestSupport::ReadFile(TestSupport::WriteZip(path("d.zip"), {{"DE.txt", big}}));
    damaged[damaged.size() / 2] = char(damaged[damaged.size() / 2] ^ 0x55);
    TestSupport::WriteFile(path("DE.zip"), damaged);
    TestSupport::WriteFile(path("kaputt.zip"), "Das ist kein Archiv\n");
    TestSupport::WriteZip(path("ohne.zip"), {{"readme.txt", "nur ein Readme\n"}});
    TestSupport::WriteFile(path("halb.zip"), damaged.left(damaged.size() / 2));

    const QList<QPair<QString, QString>> cases{
        {"DE.zip", "Das ZIP-Archiv ist beschädigt oder unvollständig"},
        {"kaputt.zip", "ist keine ZIP-Datei."},
        {"ohne.zip", "Das ZIP-Archiv enthält keine Postleitzahldatei (.txt)."},
        {"halb.zip", "Das ZIP-Archiv ist beschädigt oder unvollständig"},
    };
    for (const auto& [file, message] : cases) {
        result = importer.Run({path("LI.zip"), path(file)});
        EXPECT_FALSE(result.ok) << file.toStdString();
        EXPECT_TRUE(result.fatal.startsWith(file) && result.fatal.contains(message))
            << result.fatal.toStdString();
    }
    db.Close();
    EXPECT_EQ(TestSupport::ReadFile(path("Kelvo.mde")), before);
}

TEST_F(ImportSourceTest, AnArchiveFileIsReadThroughItsDirectory) {
    // The local entry of a file the archive's directory does not list, as an update leaves it
    // behind, goes between the last listed file and the directory. Read from a file, the
    // directory tells what the archive holds; only a pipe has to be read front to back.
    const QByteArray zip =
        TestSupport::ReadFile(TestSupport::WriteZip(path("li.zip"), {{"LI.txt", m_rows}}));
    const QByteArray other = TestSupport::ReadFile(TestSupport::WriteZip(
        path("ch.zip"), {{"CH.txt", GeoNamesLine("CH", "8001", "Zürich", "", "", "", "47", "8")}}));
    const QByteArray leftOver = other.left(other.indexOf(QByteArrayView("PK\x01\x02", 4)));
    const qsizetype directory = zip.indexOf(QByteArrayView("PK\x01\x02", 4));
    const qsizetype end = zip.lastIndexOf(QByteArrayView("PK\x05\x06", 4));
    ASSERT_GT(directory, 0);
    ASSERT_GT(end, directory);
    QByteArray updated = zip.left(directory) + leftOver + zip.mid(directory);
    const qsizetype offsetField = end + leftOver.size() + 16; // the directory's offset
    qToLittleEndian<quint32>(quint32(directory + leftOver.size()), updated.data() + offsetField);
    TestSupport::WriteFile(path("LI.zip"), updated);

    ASSERT_EQ(cli({"import", "LI.zip"}), 0);
    EXPECT_EQ(rows(), 2);
}
