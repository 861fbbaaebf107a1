#pragma once

#include <QString>

#include <gtest/gtest.h>

// The PostgreSQL server of the test run: scripts/test starts a throwaway cluster and names
// it in KELVO_TEST_PG. Tests that need it skip themselves when it is absent.
namespace TestServer {

// postgresql://user@host:port/dbname of the test run's database, or empty.
QString Address();

// The address of another database on the same server.
QString AddressOf(const QString& database);

// Runs SQL text on a database of the test server (no GEO made there); returns the server's
// error text, empty on success.
QString Run(const QString& address, const QString& sql);

// A new, empty database on the test server; dropped when the object goes.
class CScratchDatabase {
public:
    CScratchDatabase();
    ~CScratchDatabase();
    CScratchDatabase(const CScratchDatabase&) = delete;
    CScratchDatabase& operator=(const CScratchDatabase&) = delete;

    const QString& Address() const { return m_strAddress; }
    const QString& Name() const { return m_strName; }

private:
    QString m_strName;
    QString m_strAddress;
};

// A database with the shared GeoNames data (imported as kelvo-cli import does), made once
// for the server and then only read; empty when there is no server or no data.
QString SharedDatabase();

} // namespace TestServer

#define KELVO_REQUIRE_SERVER()                                                                     \
    if (TestServer::Address().isEmpty())                                                           \
    GTEST_SKIP() << "no PostgreSQL test server (KELVO_TEST_PG)"
