#pragma once

#include <QMap>
#include <QString>
#include <QStringList>

#include <memory>

class QPdfWriter;

class CGeoDatabase;

// Helpers shared by the commands of kelvo-cli.
namespace Cli {

// Writes UTF-8 text to standard output or standard error.
void Out(const QString& text);
void Err(const QString& text);

// Takes "--name VALUE" out of args; returns the value or `fallback` when absent.
// Sets *error when the option is given without a value.
QString TakeOption(QStringList& args, const QString& name, const QString& fallback, QString* error);
// Takes every "--name VALUE" out of args.
QStringList TakeOptions(QStringList& args, const QString& name, QString* error);
// Takes a "--name" switch out of args; true when it was there.
bool TakeSwitch(QStringList& args, const QString& name);

// A PDF writer for an upright A4 page at 600 dots per inch with 5 mm margins.
std::unique_ptr<QPdfWriter> MakePdfWriter(const QString& path);
// The dots per inch of the screen a map or table is laid out for when there is no screen.
inline constexpr int kScreenDpi = 96;

// Opens the database file or server ("postgresql://user@host:port/dbname"). With create =
// false a missing file is an error instead of being created (on a server, a missing table GEO
// is always created). Prints the reason on failure.
bool OpenDatabase(CGeoDatabase& db, const QString& path, bool create);

// What import and download share: the database file, the country map, the switches.
struct ImportOptions {
    QString dbPath;
    QMap<QString, QString> countryMap;
    bool skipInvalid = false;
    bool append = false;
};
// Takes --db, --map-country, --skip-invalid and --append out of args; any other option left
// is an error.
bool TakeImportOptions(QStringList& args, ImportOptions* options, QString* error);
// Imports the files (refreshing their countries unless appending) and prints the report;
// returns the exit status. A database file this call creates is removed again when nothing
// is imported.
int ImportFiles(const ImportOptions& options, const QStringList& files);

} // namespace Cli

// The commands; each gets the arguments after its name and returns the exit status.
int RunImport(QStringList args);
int RunDownload(QStringList args);
int RunSearch(QStringList args);
int RunExport(QStringList args);
int RunNear(QStringList args);
int RunRender(QStringList args); // draws: needs a QGuiApplication
int RunPlaces(QStringList args);
int RunPrintTable(QStringList args); // draws: needs a QGuiApplication
int RunCopy(QStringList args);
int RunMemo(QStringList args);
int RunInit(QStringList args);
int RunTerritory(QStringList args);
