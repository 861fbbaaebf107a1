// kelvo-cli installed without, with and with a broken module for tables and areas: the
// program starts and works on its database either way, and a list it cannot read gets a
// German message instead of a crash.
#include "common/TestSupport.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

class GdalModuleCli : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(m_root.isValid());
        // The installed layout: bin/kelvo-cli, the module in lib/<multiarch>/kelvo.
        ASSERT_TRUE(QDir(m_root.path()).mkpath(QStringLiteral("bin")));
        ASSERT_TRUE(QDir(m_root.path()).mkpath(QStringLiteral(KELVO_MODULE_DIR)));
        ASSERT_TRUE(QFile::copy(QStringLiteral(KELVO_CLI_PATH), Cli()));
        TestSupport::WriteFile(Path("plz.txt"),
                               TestSupport::GeoNamesLine("DE", "10115", "Berlin", "Berlin", "", "",
                                                         "52.5323", "13.3846"));
        TestSupport::WriteFile(Path("liste.csv"), "PLZ;Name\n10115;Kundin\n");
    }
    QString Path(const QString& name) const { return m_root.filePath(name); }
    QString Cli() const { return Path(QStringLiteral("bin/kelvo-cli")); }
    QString Module() const { return Path(QStringLiteral(KELVO_MODULE_DIR "/libkelvo-gdal.so")); }
    int Run(const QStringList& args, QString* out, QString* err,
            const QProcessEnvironment& environment = QProcessEnvironment::systemEnvironment()) {
        QProcess process;
        process.setProcessEnvironment(environment);
        process.setWorkingDirectory(m_root.path());
        process.start(Cli(), args);
        if (!process.waitForFinished(60000))
            return -2;
        *out = QString::fromUtf8(process.readAllStandardOutput());
        *err = QString::fromUtf8(process.readAllStandardError());
        return process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
    }
    int
    ReadList(QString* out, QString* err,
             const QProcessEnvironment& environment = QProcessEnvironment::systemEnvironment()) {
        return Run({"places", "--table", Path("liste.csv"), "--db", Path("Kelvo.mde")}, out, err,
                   environment);
    }
    QTemporaryDir m_root;
};

TEST_F(GdalModuleCli, WithoutTheModuleTheDatabaseWorksAndAListIsRefusedInGerman) {
    QString out, err;
    ASSERT_EQ(Run({"import", "--db", Path("Kelvo.mde"), Path("plz.txt")}, &out, &err), 0)
        << err.toStdString();
    ASSERT_EQ(Run({"search", "--db", Path("Kelvo.mde"), "101"}, &out, &err), 0);
    EXPECT_TRUE(out.contains("Berlin")) << out.toStdString();

    ASSERT_EQ(ReadList(&out, &err), 1) << err.toStdString();
    EXPECT_TRUE(err.contains("Das Modul libkelvo-gdal.so, mit dem Kelvo Tabellen (XLSX, ODS, "
                             "CSV), Gebietsdateien und PLZ-Flächen liest, ist nicht installiert"))
        << err.toStdString();
    EXPECT_TRUE(err.contains(QDir::cleanPath(Module()))) << err.toStdString();
    EXPECT_EQ(err.count("Das Modul"), 1) << "said once: " << err.toStdString();
    EXPECT_FALSE(out.contains("Kundin"));
}

TEST_F(GdalModuleCli, TheInstalledModuleIsFoundBesideTheProgramsFolderAndLoadedOnlyForAList) {
    QString out, err;
    ASSERT_EQ(Run({"import", "--db", Path("Kelvo.mde"), Path("plz.txt")}, &out, &err), 0);
    ASSERT_TRUE(QFile::copy(QStringLiteral(KELVO_GDAL_MODULE), Module()));
    // The dynamic loader names every library it loads.
    QProcessEnvironment traced = QProcessEnvironment::systemEnvironment();
    traced.insert(QStringLiteral("LD_DEBUG"), QStringLiteral("files"));
    ASSERT_EQ(Run({"search", "--db", Path("Kelvo.mde"), "101"}, &out, &err, traced), 0);
    EXPECT_TRUE(err.contains("file=libQt6Core.so")) << err.left(2000).toStdString();
    EXPECT_FALSE(err.contains("libgdal")) << "a search loads GDAL";
    EXPECT_FALSE(err.contains("libkelvo-gdal")) << "a search loads the module";
    ASSERT_EQ(ReadList(&out, &err, traced), 0) << err.right(2000).toStdString();
    EXPECT_TRUE(err.contains("libgdal.so")) << err.right(2000).toStdString();
    ASSERT_EQ(ReadList(&out, &err), 0) << err.toStdString();
    EXPECT_TRUE(out.contains("DE\t10115\t")) << out.toStdString();
    EXPECT_TRUE(out.contains("\tKundin\t")) << out.toStdString();
    EXPECT_TRUE(out.contains("Orte übernommen: 1,")) << out.toStdString();
}

TEST_F(GdalModuleCli, ABrokenOrForeignModuleIsRefusedInGerman) {
    QString out, err;
    ASSERT_EQ(Run({"import", "--db", Path("Kelvo.mde"), Path("plz.txt")}, &out, &err), 0);
    // A file cut short, as a copy that broke off leaves it: the loader would map it and the
    // program die of SIGBUS on its first call.
    const QByteArray module = TestSupport::ReadFile(QStringLiteral(KELVO_GDAL_MODULE));
    for (const qsizetype length : {qsizetype(4096), module.size() - 1}) {
        TestSupport::WriteFile(Module(), module.left(length));
        ASSERT_EQ(ReadList(&out, &err), 1) << length << err.toStdString();
        EXPECT_TRUE(err.contains("ist unvollständig. Bitte Kelvo neu installieren."))
            << err.toStdString();
    }
    // No library at all.
    TestSupport::WriteFile(Module(), "Kein Modul\n");
    ASSERT_EQ(ReadList(&out, &err), 1) << err.toStdString();
    EXPECT_TRUE(err.contains("lässt sich nicht laden")) << err.toStdString();

    // A library that loads but is no module of Kelvo's.
    ASSERT_TRUE(QFile::remove(Module()));
    ASSERT_TRUE(QFile::copy(QStringLiteral(KELVO_FOREIGN_LIBRARY), Module()));
    ASSERT_EQ(ReadList(&out, &err), 1) << err.toStdString();
    EXPECT_TRUE(err.contains("gehört zu einer anderen Version von Kelvo")) << err.toStdString();
}

} // namespace
