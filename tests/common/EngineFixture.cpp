#include "common/EngineFixture.h"

#include "common/TestSupport.h"
#include "data/GeoImport.h"
#include "store/GeoDatabase.h"

void EngineTest::SetUp() {
    if (OnServer() && TestServer::Address().isEmpty())
        GTEST_SKIP() << "no PostgreSQL test server (KELVO_TEST_PG)";
}

QString EngineTest::EmptyDatabase() {
    if (!OnServer())
        return m_dir.filePath(QStringLiteral("Kelvo.mde"));
    m_pScratch = std::make_unique<TestServer::CScratchDatabase>();
    return m_pScratch->Address();
}

void EngineTest::OpenEmpty(CGeoDatabase& db) {
    m_strAddress = EmptyDatabase();
    ASSERT_TRUE(db.Open(m_strAddress)) << db.OpenError().toStdString();
}

void EngineTest::OpenWithPlaces(CGeoDatabase& db, const QByteArray& lines) {
    OpenEmpty(db);
    if (HasFatalFailure())
        return;
    const CGeoImporter::Result result =
        CGeoImporter(db).Run({TestSupport::WriteFile(m_dir.filePath("0.txt"), lines)});
    ASSERT_TRUE(result.ok) << result.fatal.toStdString();
}

QString EngineTest::SharedDatabase() {
    return OnServer() ? TestServer::SharedDatabase() : SharedFile(m_dir.path());
}

QString SharedFile(const QString& dir) {
    const QStringList files = TestSupport::SharedGeoNamesFiles();
    if (files.isEmpty())
        return QString();
    const QString path = dir + QStringLiteral("/Shared.mde");
    CGeoDatabase db;
    EXPECT_TRUE(db.Open(path)) << db.OpenError().toStdString();
    const CGeoImporter::Result result = CGeoImporter(db).Run(files);
    EXPECT_TRUE(result.ok) << result.fatal.toStdString();
    return path;
}

std::string EngineName(const ::testing::TestParamInfo<Engine>& info) {
    return info.param == Engine::File ? "File" : "Server";
}
