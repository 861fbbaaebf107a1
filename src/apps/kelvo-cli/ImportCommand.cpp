#include "apps/kelvo-cli/CliCommon.h"

#include "data/GeoImport.h"
#include "data/ImportReport.h"
#include "store/DbLocation.h"
#include "store/GeoDatabase.h"

#include <QFileInfo>

#include <utility>

namespace Cli {

bool TakeImportOptions(QStringList& args, ImportOptions* options, QString* error) {
    options->dbPath = TakeOption(args, QStringLiteral("--db"), QStringLiteral("Kelvo.mde"), error);
    const QStringList maps = TakeOptions(args, QStringLiteral("--map-country"), error);
    options->skipInvalid = TakeSwitch(args, QStringLiteral("--skip-invalid"));
    options->append = TakeSwitch(args, QStringLiteral("--append"));
    options->countryMap = {{QStringLiteral("LI"), QStringLiteral("FL")}};
    for (const QString& map : maps) {
        const QStringList pair = map.split(QLatin1Char('='));
        if (pair.size() != 2 || pair[0].isEmpty() || pair[1].isEmpty()) {
            *error = QStringLiteral("--map-country erwartet ALT=NEU, nicht \"%1\".").arg(map);
            break;
        }
        options->countryMap[pair[0]] = pair[1];
    }
    for (const QString& arg : args) {
        if (arg.startsWith(QStringLiteral("--")))
            *error = QStringLiteral("Unbekannte Option %1.").arg(arg);
    }
    return error->isEmpty();
}

int ImportFiles(const ImportOptions& options, const QStringList& files) {
    // A database made for this run appears under its name only when the run has imported.
    // (A server's database is there already.)
    const QFileInfo dbInfo(options.dbPath);
    const bool existed =
        CDbLocation::IsServerText(options.dbPath) || dbInfo.exists() || dbInfo.isSymLink();
    CGeoDatabase db;
    if (existed && !OpenDatabase(db, options.dbPath, true))
        return 1;
    if (!existed && !db.OpenNew(options.dbPath)) {
        Err(db.OpenError() + QLatin1Char('\n'));
        return 1;
    }
    CGeoImporter importer(db);
    importer.SetCountryMap(options.countryMap);
    importer.SetSkipInvalid(options.skipInvalid);
    importer.SetAppend(options.append);
    importer.SetProgress([](const QString& line) { Err(line + QLatin1Char('\n')); });
    importer.SetWaiting([told = false](int) mutable {
        if (!std::exchange(told, true))
            Err(QStringLiteral("Ein anderer Import läuft gerade; kelvo-cli wartet bis zu %1 "
                               "Sekunden …\n")
                    .arg(CGeoImporter::kWaitForImportMs / 1000));
        return true;
    });
    const CGeoImporter::Result result = importer.Run(files);

    for (const QString& line : ImportReport::InvalidLines(result))
        Err(line + QLatin1Char('\n'));
    if (!result.ok) {
        if (!existed)
            db.DiscardNew();
        Err(QStringLiteral("Import abgebrochen: %1\nDie Datenbank ist unverändert.\n")
                .arg(result.fatal));
        return 1;
    }
    if (!existed && !db.PublishNew()) {
        Err(db.OpenError() + QStringLiteral("\nDie Datenbank wurde nicht angelegt.\n"));
        return 1;
    }
    for (const CGeoImporter::FileResult& file : result.files)
        Out(ImportReport::FileLine(file) + QLatin1Char('\n'));
    for (const CountryRefreshResult& country : result.countries)
        Out(ImportReport::CountryLine(country) + QLatin1Char('\n'));
    Out(QStringLiteral("Übersprungen: %1\nZeilen in %2: %3\n")
            .arg(result.invalidCount)
            .arg(db.m_Table.m_strTableName)
            .arg(result.totalRows));
    return 0;
}

} // namespace Cli

// kelvo-cli import [--db FILE] [--map-country LI=FL ...] [--skip-invalid] [--append] FILE...
int RunImport(QStringList args) {
    QString error;
    Cli::ImportOptions options;
    if (Cli::TakeImportOptions(args, &options, &error) && args.isEmpty())
        error = QStringLiteral("Keine Datei angegeben.");
    if (!error.isEmpty()) {
        Cli::Err(error + QStringLiteral("\nAufruf: kelvo-cli import [--db DATEI] [--map-country "
                                        "LI=FL ...] [--skip-invalid] [--append] DATEI...\n"));
        return 2;
    }
    return Cli::ImportFiles(options, args);
}
