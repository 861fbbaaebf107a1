#pragma once

#include "db/GeoBackend.h"

struct sqlite3;

// Table GEO in the SQLite file: statements on the connection the database object opened
// (through Qt's QSQLITE driver, whose native handle this borrows).
class CSqliteBackend : public CGeoBackend {
public:
    explicit CSqliteBackend(sqlite3* handle) : m_pHandle(handle) {}

    std::unique_ptr<CGeoStatement> Prepare(const QString& sql) override;
    const CGeoSqlDialect& Sql() const override;
    bool InTransaction() const override;

private:
    sqlite3* m_pHandle;
};
