// What the program makes on a server, and where: only in an empty database, in one an older
// Kelvo made, or when asked (kelvo-cli init); never over a database's own objects.
#include "common/ServerSupport.h"
#include "common/TestSupport.h"
#include "store/GeoDatabase.h"
#include "store/GeoRecordset.h"
#include "store/GeoSqlDialect.h"

#include <QDir>
#include <QFile>
#include <QProcess>

#include <gtest/gtest.h>

namespace {

struct CliResult {
    int exitCode = -1;
    QString output;
};

CliResult cli(const QStringList& args) {
    QProcess p;
    p.setProcessChannelMode(QProcess::MergedChannels);
    p.start(KELVO_CLI_PATH, args);
    if (!p.waitForFinished(120000))
        return {};
    return {p.exitCode(), QString::fromUtf8(p.readAll())};
}

// The whole database as pg_dump writes it: schema and rows (without the random key it
// protects its script with).
QByteArray dump(const QString& address) {
    const QStringList bins = QDir(QStringLiteral("/usr/lib/postgresql"))
                                 .entryList(QDir::Dirs | QDir::NoDotAndDotDot, QDir::Name);
    if (bins.isEmpty())
        return "no pg_dump";
    const QString host = address.section('@', 1).section(':', 0, 0);
    const QString port = address.section(':', -1).section('/', 0, 0);
    const QString user = address.section("//", 1).section('@', 0, 0);
    const QString db = address.section('/', -1);
    QProcess p;
    p.start(QStringLiteral("/usr/lib/postgresql/%1/bin/pg_dump").arg(bins.last()),
            {"-h", host, "-p", port, "-U", user, "--no-owner", db});
    p.waitForFinished(60000);
    EXPECT_EQ(p.exitCode(), 0) << p.readAllStandardError().toStdString();
    QByteArray out;
    for (const QByteArray& line : p.readAllStandardOutput().split('\n')) {
        if (!line.startsWith("\\restrict ") && !line.startsWith("\\unrestrict "))
            out += line + '\n';
    }
    return out;
}

// A payroll database with functions of the same names as the program's.
const char* const kForeignObjects = R"sql(
CREATE TABLE payroll (id integer PRIMARY KEY, name text, salary numeric);
INSERT INTO payroll VALUES (1, 'Wien', 4200), (2, 'Graz', 3900);
CREATE FUNCTION geonumber(value text) RETURNS double precision LANGUAGE sql IMMUTABLE AS
  $$ SELECT 42::double precision $$;
CREATE FUNCTION jetlike(pattern text, value text) RETURNS boolean LANGUAGE sql IMMUTABLE AS
  $$ SELECT true $$;
)sql";

class ServerSchemaTest : public ::testing::Test {
protected:
    void SetUp() override {
        KELVO_REQUIRE_SERVER();
        m_pScratch = std::make_unique<TestServer::CScratchDatabase>();
    }
    QString Address() const { return m_pScratch->Address(); }

    std::unique_ptr<TestServer::CScratchDatabase> m_pScratch;
};

} // namespace

TEST_F(ServerSchemaTest, ReadingAForeignDatabaseChangesNothingThereAndInitKeepsItsObjects) {
    ASSERT_EQ(TestServer::Run(Address(), QString::fromUtf8(kForeignObjects)), "");
    const QByteArray before = dump(Address());
    ASSERT_TRUE(before.contains("CREATE FUNCTION public.jetlike")) << before.toStdString();

    // Read-only and writing commands alike refuse, say how to set it up, and touch nothing.
    const CliResult search = cli({"search", "--db", Address(), "Wien"});
    EXPECT_EQ(search.exitCode, 1);
    EXPECT_TRUE(search.output.contains("kelvo-cli init --db")) << search.output.toStdString();
    EXPECT_EQ(cli({"near", "--db", Address(), "DE 10115"}).exitCode, 1);
    const QString rows = TestSupport::WriteFile(
        QDir::temp().filePath(m_pScratch->Name() + ".txt"),
        TestSupport::GeoNamesLine("AT", "1010", "Wien", "", "", "", "48.2", "16.37"));
    EXPECT_EQ(cli({"import", "--db", Address(), rows}).exitCode, 1);
    CGeoDatabase db;
    EXPECT_FALSE(db.Open(Address()));
    EXPECT_TRUE(db.NeedsSetUp());
    EXPECT_EQ(dump(Address()), before);

    // Asked for, the program adds its table and schema and leaves the rest as it was.
    const CliResult init = cli({"init", "--db", Address()});
    EXPECT_EQ(init.exitCode, 0) << init.output.toStdString();
    const QByteArray after = dump(Address());
    for (const char* own :
         {"CREATE FUNCTION public.geonumber(value text)", "$$ SELECT 42::double precision $$",
          "$$ SELECT true $$", "CREATE TABLE public.payroll", "CREATE SCHEMA kelvo",
          "CREATE FUNCTION kelvo.jetlike(pattern text, value text)"})
        EXPECT_TRUE(after.contains(own)) << own;
    EXPECT_EQ(cli({"import", "--db", Address(), rows}).exitCode, 0);
    const CliResult found = cli({"search", "--db", Address(), "wien"});
    EXPECT_EQ(found.exitCode, 0);
    EXPECT_TRUE(found.output.startsWith("AT, 1010, , , , , Wien")) << found.output.toStdString();
    // A second init changes nothing.
    const QByteArray once = dump(Address());
    EXPECT_EQ(cli({"init", "--db", Address()}).exitCode, 0);
    EXPECT_EQ(dump(Address()), once);
    QFile::remove(rows);
}

TEST_F(ServerSchemaTest, ASchemaKelvoOfSomeoneElseIsNeverUsedOrChanged) {
    ASSERT_EQ(TestServer::Run(Address(), "CREATE SCHEMA kelvo; CREATE FUNCTION kelvo.jetlike("
                                         "p text, v text) RETURNS boolean LANGUAGE sql AS "
                                         "$$ SELECT false $$"),
              "");
    const QByteArray before = dump(Address());
    const CliResult init = cli({"init", "--db", Address()});
    EXPECT_EQ(init.exitCode, 1);
    EXPECT_TRUE(init.output.contains("Schema \"kelvo\", das nicht von Kelvo stammt"))
        << init.output.toStdString();
    EXPECT_EQ(dump(Address()), before);
}

TEST_F(ServerSchemaTest, ADatabaseOfThePreviousVersionOpensWorksAndKeepsItsFunctions) {
    QFile fixture(
        QStringLiteral(KELVO_SOURCE_DIR "/tests/store/data/previous_server_database.sql"));
    ASSERT_TRUE(fixture.open(QIODevice::ReadOnly));
    ASSERT_EQ(TestServer::Run(Address(), QString::fromUtf8(fixture.readAll())), "");
    const QByteArray before = dump(Address());
    const qsizetype publicFunctions = before.count("CREATE FUNCTION public.");
    ASSERT_GE(publicFunctions, 10);

    // Search, radius, memo and the data stamp work as they did.
    const CliResult found = cli({"search", "--db", Address(), "wien"});
    EXPECT_EQ(found.exitCode, 0) << found.output.toStdString();
    EXPECT_TRUE(found.output.contains("Kunde Wien")) << found.output.toStdString();
    const CliResult near = cli({"near", "--db", Address(), "--radius", "200", "AT 1010"});
    EXPECT_EQ(near.exitCode, 0) << near.output.toStdString();
    EXPECT_TRUE(near.output.contains("Graz")) << near.output.toStdString();
    EXPECT_FALSE(near.output.contains("Berlin"));
    CGeoDatabase db;
    ASSERT_TRUE(db.Open(Address())) << db.OpenError().toStdString();
    const CGeoDatabase::CDataStamp stamp = db.DataStamp();
    QVariant stored;
    EXPECT_EQ(db.UpdateMemo(db.m_Table, 1, QString("Kunde Wien"), "Kunde Wien, neu", &stored),
              CGeoDatabase::MemoWrite::Saved);
    EXPECT_FALSE(db.DataStamp() == stamp);
    EXPECT_EQ(db.GetRecordCount("GEO"), 3);

    // The old functions, rows and keys stay; the program's own schema came beside them.
    const QByteArray after = dump(Address());
    EXPECT_EQ(after.count("CREATE FUNCTION public."), publicFunctions);
    EXPECT_TRUE(after.contains("CREATE SCHEMA kelvo"));
    EXPECT_TRUE(after.contains("INSERT INTO public.geo_stamp") ||
                after.contains("COPY public.geo_stamp"));
    // Callers of the old functions still find them.
    EXPECT_EQ(TestServer::Run(Address(), "DO $$ BEGIN IF NOT public.jetlike('*wien*', 'Wien') "
                                         "THEN RAISE EXCEPTION 'old jetlike'; END IF; END $$"),
              "");
}
