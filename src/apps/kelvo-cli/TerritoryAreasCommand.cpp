// kelvo-cli territory areas import: the postal-code areas of a polygon file into a database,
// as "Datei > PLZ-Flächen importieren..." stores them.
#include "apps/kelvo-cli/CliCommon.h"

#include "render/territory/PostalAreaFile.h"
#include "store/GeoDatabase.h"

namespace {

const char* const kUsage =
    "Aufruf: kelvo-cli territory areas import [--db DATEI] [--map Staat=SPALTE,PLZ=SPALTE] "
    "[--country XX] FLAECHEN.geojson|FLAECHEN.shp|FLAECHEN.gpkg\n";

} // namespace

int RunTerritoryAreas(QStringList args) {
    QString error;
    const QString dbPath =
        Cli::TakeOption(args, QStringLiteral("--db"), QStringLiteral("Kelvo.mde"), &error);
    const QStringList map = Cli::TakeOptions(args, QStringLiteral("--map"), &error);
    const QString country = Cli::TakeOption(args, QStringLiteral("--country"), {}, &error);
    if (error.isEmpty() && (args.size() != 2 || args[0] != u"import"))
        error = QStringLiteral("territory areas erwartet \"import\" und eine Datei.");
    if (!error.isEmpty()) {
        Cli::Err(error + QLatin1Char('\n') + QString::fromUtf8(kUsage));
        return 2;
    }
    CPostalAreaColumns columns;
    if (!PostalAreaFile::Columns(args[1], &columns, &error)) {
        Cli::Err(error + QLatin1Char('\n'));
        return 1;
    }
    if (!country.isEmpty() &&
        !TableListMapping::ApplyOption(QStringLiteral("Staat=") + country, columns.names,
                                       &columns.mapping, &error)) {
        Cli::Err(error + QLatin1Char('\n'));
        return 2;
    }
    for (const QString& option : map) {
        if (!TableListMapping::ApplyOption(option, columns.names, &columns.mapping, &error)) {
            Cli::Err(error + QLatin1Char('\n'));
            return 2;
        }
    }
    CGeoDatabase db;
    if (!Cli::OpenDatabase(db, dbPath, false))
        return 1;
    QString report;
    if (!PostalAreaFile::Import(db, args[1], columns.mapping, &report, &error)) {
        Cli::Err(error + QLatin1Char('\n'));
        return 1;
    }
    Cli::Out(report + QLatin1Char('\n'));
    return 0;
}
