#include "cli/CliCommon.h"

#include "db/GeoDatabase.h"
#include "db/GeoImport.h"

#include <QFileInfo>

// kelvo-cli import [--db FILE] [--map-country LI=FL ...] [--skip-invalid] FILE...
int RunImport(QStringList args) {
    QString error;
    const QString dbPath =
        Cli::TakeOption(args, QStringLiteral("--db"), QStringLiteral("Kelvo.mde"), &error);
    const QStringList maps = Cli::TakeOptions(args, QStringLiteral("--map-country"), &error);
    const bool skipInvalid = Cli::TakeSwitch(args, QStringLiteral("--skip-invalid"));
    QMap<QString, QString> countryMap{{QStringLiteral("LI"), QStringLiteral("FL")}};
    for (const QString& map : maps) {
        const QStringList pair = map.split(QLatin1Char('='));
        if (pair.size() != 2 || pair[0].isEmpty()) {
            error = QStringLiteral("--map-country erwartet ALT=NEU, nicht \"%1\".").arg(map);
            break;
        }
        countryMap[pair[0]] = pair[1];
    }
    for (const QString& arg : args) {
        if (arg.startsWith(QStringLiteral("--")))
            error = QStringLiteral("Unbekannte Option %1.").arg(arg);
    }
    if (error.isEmpty() && args.isEmpty())
        error = QStringLiteral("Keine Datei angegeben.");
    if (!error.isEmpty()) {
        Cli::Err(error + QStringLiteral("\nAufruf: kelvo-cli import [--db DATEI] [--map-country "
                                        "LI=FL ...] [--skip-invalid] DATEI...\n"));
        return 2;
    }

    CGeoDatabase db;
    if (!Cli::OpenDatabase(db, dbPath, true))
        return 1;
    CGeoImporter importer(db);
    importer.SetCountryMap(countryMap);
    importer.SetSkipInvalid(skipInvalid);
    importer.SetProgress([](const QString& line) { Cli::Err(line + QLatin1Char('\n')); });
    const CGeoImporter::Result result = importer.Run(args);

    for (const QString& line : result.invalidLines)
        Cli::Err(QStringLiteral("Ungültige Zeile %1\n").arg(line));
    if (result.invalidCount > result.invalidLines.size())
        Cli::Err(QStringLiteral("… und %1 weitere ungültige Zeilen\n")
                     .arg(result.invalidCount - result.invalidLines.size()));
    if (!result.ok) {
        Cli::Err(QStringLiteral("Import abgebrochen: %1\nDie Datenbank ist unverändert.\n")
                     .arg(result.fatal));
        return 1;
    }
    for (const CGeoImporter::FileResult& file : result.files)
        Cli::Out(QStringLiteral("%1: %2 Zeilen importiert, %3 übersprungen\n")
                     .arg(QFileInfo(file.file).fileName())
                     .arg(file.imported)
                     .arg(file.skipped));
    Cli::Out(QStringLiteral("Übersprungen: %1\nZeilen in %2: %3\n")
                 .arg(result.invalidCount)
                 .arg(db.m_Table.m_strTableName)
                 .arg(result.totalRows));
    return 0;
}
