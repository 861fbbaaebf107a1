#pragma once

#include <QString>
#include <QStringList>
#include <QTemporaryDir>

#include <functional>

class CGeoDatabase;

// Helpers shared by the test programs.
struct sqlite3;

namespace TestSupport {

// The SQLite connection of a database open on a file (null on a server), for tests that
// watch its statements.
sqlite3* SqliteHandle(CGeoDatabase& db);

// The folder of the shared GeoNames files, or an empty text when it is absent
// (tests that need it skip themselves then).
QString SharedGeoNamesDir();
// Its five files in the order they are imported: DE, AT, CH, BE, LI.
QStringList SharedGeoNamesFiles();

// Rows written with the engine's own insert: `fields` names the column of each value; an
// empty text is stored as no value. Empty on success, else the engine's message.
QString InsertRows(CGeoDatabase& db, const QList<int>& fields, const QList<QStringList>& rows);

// Writes bytes to a file, creating folders; returns the path.
QString WriteFile(const QString& path, const QByteArray& bytes);
QByteArray ReadFile(const QString& path);

// Runs kelvo-cli with the arguments in the given folder; returns its exit status and
// fills the captured output.
int RunCli(const QStringList& args, const QString& workDir, QString* out = nullptr,
           QString* err = nullptr);
// Runs a tool of the system (pdfinfo, pdftotext, ...) and returns what it wrote to its output.
QString RunOutput(const QString& program, const QStringList& args);

// A GeoNames line with the given fields (country, postal code, place, state, region,
// county, latitude, longitude).
QByteArray GeoNamesLine(const QString& country, const QString& plz, const QString& place,
                        const QString& state, const QString& region, const QString& county,
                        const QString& lat, const QString& lon);
// GeoNames lines of `count` places of DE ("Ort 0", ... at postal codes 100000, ...) whose
// latitude `year` moves a little, so that a refresh with another year writes every row.
QByteArray NumberedPlaces(int count, int year);

// "XX=n" for each country of table GEO in a database file, in order of the country.
QStringList RowsByCountry(const QString& dbPath);

// Writes a zip archive holding the given files (name, bytes) in order, deflated; returns the
// path, or an empty text when it cannot be written.
QString WriteZip(const QString& path, const QList<QPair<QString, QByteArray>>& files);

// Files named "Kelvo.mde" that are no usable Kelvo database: a text file, an empty file, the
// start of a database file of another program, an SQLite file damaged after its header.
struct UnusableFile {
    const char* name;
    QByteArray bytes;
};
QList<UnusableFile> UnusableDatabaseFiles();

// Garbles one page in the middle of a database file of more than ten pages: the schema and
// the first and last rows stay readable, PRAGMA quick_check finds the damage.
void DamageMiddlePage(const QString& path);

} // namespace TestSupport

// Skips the current test when the shared data is absent.
#define KELVO_REQUIRE_SHARED_DATA(dirVar)                                                          \
    const QString dirVar = TestSupport::SharedGeoNamesDir();                                       \
    if (dirVar.isEmpty())                                                                          \
    GTEST_SKIP() << "shared GeoNames data not present"
