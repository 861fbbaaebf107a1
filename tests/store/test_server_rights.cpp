// What a server refuses and the program cannot put right itself: a user without the rights
// an action needs is told which right on which table is missing, with the server's words; a
// memo with a NUL, which the server cannot store, is refused naming its row. Nothing is
// written either way.
#include "common/ServerSupport.h"
#include "common/TestSupport.h"
#include "data/GeoImport.h"
#include "store/GeoDatabase.h"
#include "store/GeoRecordset.h"
#include "store/GeoSqlDialect.h"

#include <QCoreApplication>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

class ServerRights : public ::testing::Test {
protected:
    void SetUp() override {
        KELVO_REQUIRE_SERVER();
        m_pScratch = std::make_unique<TestServer::CScratchDatabase>();
        ASSERT_TRUE(m_owner.Open(m_pScratch->Address())) << m_owner.OpenError().toStdString();
        QByteArray lines;
        for (int i = 0; i < 3; ++i)
            lines += TestSupport::GeoNamesLine("AT", QString::number(1000 + i), "Ort", "", "", "",
                                               "47.5", "13.5");
        ASSERT_TRUE(CGeoImporter(m_owner)
                        .Run({TestSupport::WriteFile(m_dir.filePath("at.txt"), lines)})
                        .ok);
        QVariant stored;
        ASSERT_EQ(m_owner.UpdateMemo(m_owner.m_Table, 1, QVariant(), "alt", &stored),
                  CGeoDatabase::MemoWrite::Saved);
    }
    void TearDown() override {
        if (m_strRole.isEmpty())
            return;
        qputenv("PGPASSFILE", m_strPassFile);
        TestServer::Run(m_pScratch->Address(), QStringLiteral("DROP OWNED BY %1").arg(m_strRole));
        TestServer::Run(TestServer::Address(), QStringLiteral("DROP ROLE %1").arg(m_strRole));
    }

    // A role of its own that may log in and use the program's schema, with the rights given
    // on GEO and its stamp; its address.
    QString role(const QString& rights) {
        m_strRole = QStringLiteral("leser_%1").arg(QCoreApplication::applicationPid());
        const QString address = m_pScratch->Address();
        EXPECT_EQ(
            TestServer::Run(address, QStringLiteral("CREATE ROLE %1 LOGIN PASSWORD 'geheim'; GRANT "
                                                    "USAGE ON SCHEMA kelvo TO %1; GRANT SELECT ON "
                                                    "geo_stamp TO %1; GRANT %2 ON geo TO %1")
                                         .arg(m_strRole, rights)),
            "");
        // libpq finds the role's password beside the test user's.
        m_strPassFile = qgetenv("PGPASSFILE");
        const QString both = TestSupport::WriteFile(
            m_dir.filePath("pgpass"), TestSupport::ReadFile(m_strPassFile) +
                                          "127.0.0.1:*:*:" + m_strRole.toUtf8() + ":geheim\n");
        QFile::setPermissions(both, QFile::ReadOwner | QFile::WriteOwner);
        qputenv("PGPASSFILE", both.toUtf8());
        return QString(address).replace(QStringLiteral("kelvo@"), m_strRole + QLatin1Char('@'));
    }

    QString memo(int key) {
        QVariant stored;
        EXPECT_TRUE(m_owner.ReadMemo(m_owner.m_Table, key, &stored));
        return stored.toString();
    }

    QTemporaryDir m_dir;
    std::unique_ptr<TestServer::CScratchDatabase> m_pScratch;
    CGeoDatabase m_owner;
    QString m_strRole;
    QByteArray m_strPassFile;
};

} // namespace

TEST_F(ServerRights, AMissingRightIsNamedAndNothingIsWritten) {
    const QString reader = role("SELECT");
    CGeoDatabase db;
    ASSERT_TRUE(db.Open(reader)) << db.OpenError().toStdString();
    const QString lacksUpdate =
        QStringLiteral("fehlt dem Benutzer %1 das Recht UPDATE auf die Tabelle GEO").arg(m_strRole);

    QVariant stored;
    EXPECT_EQ(db.UpdateMemo(db.m_Table, 1, "alt", "neu", &stored), CGeoDatabase::MemoWrite::Failed);
    EXPECT_TRUE(db.LastError().contains(lacksUpdate)) << db.LastError().toStdString();
    EXPECT_TRUE(db.LastError().endsWith("(permission denied for table geo)."))
        << db.LastError().toStdString();
    EXPECT_EQ(memo(1), "alt");

    // An import locks GEO against other writers first, which takes a right to write.
    const QString li = TestSupport::WriteFile(
        m_dir.filePath("li.txt"),
        TestSupport::GeoNamesLine("LI", "9490", "Vaduz", "", "", "", "47.14", "9.52"));
    CGeoImporter::Result result = CGeoImporter(db).Run({li});
    EXPECT_FALSE(result.ok);
    EXPECT_TRUE(result.fatal.contains(lacksUpdate)) << result.fatal.toStdString();

    // With UPDATE, the new country's rows need INSERT.
    ASSERT_EQ(TestServer::Run(m_pScratch->Address(),
                              QStringLiteral("GRANT UPDATE ON geo TO %1").arg(m_strRole)),
              "");
    result = CGeoImporter(db).Run({li});
    EXPECT_FALSE(result.ok);
    EXPECT_TRUE(result.fatal.contains("das Recht INSERT auf die Tabelle GEO; ohne es kann Kelvo "
                                      "dort keine Zeilen hinzufügen"))
        << result.fatal.toStdString();
    EXPECT_EQ(m_owner.GetRecordCount("GEO"), 3);

    // Without reading, the database cannot be opened at all.
    db.Close();
    ASSERT_EQ(TestServer::Run(m_pScratch->Address(),
                              QStringLiteral("REVOKE SELECT ON geo FROM %1").arg(m_strRole)),
              "");
    EXPECT_FALSE(db.Open(reader));
    EXPECT_TRUE(db.OpenError().contains("das Recht SELECT auf die Tabelle GEO"))
        << db.OpenError().toStdString();
}

TEST_F(ServerRights, AMemoWithANulIsRefusedNamingItsRow) {
    const QString withNul = QStringLiteral("vorher") + QChar(u'\0') + QStringLiteral("nachher");
    QVariant stored;
    EXPECT_EQ(m_owner.UpdateMemo(m_owner.m_Table, 2, QVariant(), withNul, &stored),
              CGeoDatabase::MemoWrite::Failed);
    const QString error = m_owner.LastError();
    EXPECT_TRUE(error.contains("Datensatzes mit ID_Geo = 2 (1001 Ort)")) << error.toStdString();
    EXPECT_TRUE(error.contains("U+0000")) << error.toStdString();
    EXPECT_EQ(memo(2), "");
    EXPECT_EQ(memo(1), "alt");

    // Nor is such a memo cut off on its way from a file.
    const QString file = m_dir.filePath("Kelvo.mde");
    {
        CGeoDatabase db;
        ASSERT_TRUE(db.Open(file));
        ASSERT_EQ(TestSupport::InsertRows(db, {GEO_STAAT, GEO_PLZ, GEO_ORT, GEO_MEMO},
                                          {{"DE", "80331", "München", withNul}}),
                  "");
    }
    TestServer::CScratchDatabase empty;
    QString out, err;
    EXPECT_EQ(TestSupport::RunCli({"copy", "--from", file, "--to", empty.Address()}, m_dir.path(),
                                  &out, &err),
              1);
    EXPECT_TRUE(err.contains("U+0000") && err.contains("Nichts wurde kopiert."))
        << err.toStdString();
    CGeoDatabase target;
    ASSERT_TRUE(target.Open(empty.Address()));
    EXPECT_EQ(target.GetRecordCount("GEO"), 0);
}
