// The SQLite file as the engine-neutral database object opens, makes and publishes it.
#include "base/SystemErrorText.h"
#include "store/GeoBackend.h"
#include "store/GeoEngines.h"
#include "store/LeftoverFiles.h"
#include "store/sqlite/GeoSqlSqlite.h"
#include "store/sqlite/SqliteBackend.h"
#include "store/sqlite/SqliteFile.h"

#include <cerrno>

namespace {

class CSqliteFileEngine final : public GeoEngines::CFileEngine {
public:
    bool IsRegularOrMissing(const QString& path, QString* reason) const override {
        return SqliteFile::IsRegularOrMissing(path, reason);
    }
    bool IsDatabaseFile(const QString& path, QString* reason) const override {
        return SqliteFile::LooksLikeSqlite(path, reason);
    }
    std::unique_ptr<CGeoBackend> Open(const QString& path, bool create,
                                      QString* error) const override {
        return CSqliteBackend::Open(path, create, error);
    }
    int RemoveStaleNew(const QString& path) const override {
        return LeftoverFiles::RemoveStaleNew(path, SqliteFile::SideFileEndings());
    }
    QString CreateBeside(const QString& path, QString* error) const override {
        return SqliteFile::CreateTemporaryBeside(path, error);
    }
    bool Publish(const QString& from, const QString& to, QString* error) const override {
        if (!SqliteFile::RenameNoReplace(from, to)) {
            *error = SystemErrorText::FromErrno(errno);
            SqliteFile::RemoveWithJournal(from);
            return false;
        }
        LeftoverFiles::Unwatch(from);
        LeftoverFiles::Unwatch(from + QStringLiteral("-journal"));
        SqliteFile::SyncFolder(to);
        return true;
    }
    void Remove(const QString& path) const override { SqliteFile::RemoveWithJournal(path); }
    const CGeoSqlDialect& Sql() const override { return GeoSqlSqlite::Dialect(); }
};

} // namespace

const GeoEngines::CFileEngine& GeoEngines::File() {
    static const CSqliteFileEngine engine;
    return engine;
}
