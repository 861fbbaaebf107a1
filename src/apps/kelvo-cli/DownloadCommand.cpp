#include "apps/kelvo-cli/CliCommon.h"

#include "data/GeoNamesDownload.h"
#include "store/LeftoverFiles.h"

#include <QCoreApplication>
#include <QRegularExpression>

// kelvo-cli download [--db FILE] [--url BASE] [--map-country LI=FL ...] [--skip-invalid]
//                    [--append] XX...
int RunDownload(QStringList args) {
    // The base address is one of the program's settings.
    QCoreApplication::setOrganizationName(QStringLiteral("Arnvik"));
    QCoreApplication::setApplicationName(QStringLiteral("Kelvo"));
    QString error;
    const QString url =
        Cli::TakeOption(args, QStringLiteral("--url"), CGeoNamesDownload::BaseUrlSetting(), &error);
    Cli::ImportOptions options;
    if (Cli::TakeImportOptions(args, &options, &error) && args.isEmpty())
        error = QStringLiteral("Kein Staat angegeben.");
    static const QRegularExpression code(QStringLiteral("^[A-Za-z]{2}$"));
    for (const QString& arg : args) {
        if (error.isEmpty() && !code.match(arg).hasMatch())
            error = QStringLiteral("\"%1\" ist kein Staatenkürzel aus zwei Buchstaben.").arg(arg);
    }
    if (!error.isEmpty()) {
        Cli::Err(error + QStringLiteral("\nAufruf: kelvo-cli download [--db DATEI] [--url "
                                        "ADRESSE] [--map-country LI=FL ...] [--skip-invalid] "
                                        "[--append] XX...\n"));
        return 2;
    }
    QStringList countries;
    for (const QString& arg : args) {
        if (!countries.contains(arg.toUpper()))
            countries << arg.toUpper();
    }

    LeftoverFiles::RemoveStaleDownloads();
    const LeftoverFiles::Folder folder;
    if (!folder.IsValid()) {
        Cli::Err(QStringLiteral("Kein Platz für die heruntergeladenen Dateien (%1).\n")
                     .arg(folder.ErrorString()));
        return 1;
    }
    CGeoNamesDownload download(url, folder.Path());
    download.SetLimits(CGeoNamesDownload::LimitsSetting());
    QObject::connect(&download, &CGeoNamesDownload::countryDone,
                     [](const CGeoNamesDownload::Outcome& outcome) {
                         if (outcome.error.isEmpty())
                             Cli::Err(QStringLiteral("%1: heruntergeladen\n").arg(outcome.country));
                     });
    QStringList files;
    bool failed = false;
    for (const CGeoNamesDownload::Outcome& outcome : download.Run(countries)) {
        if (outcome.error.isEmpty()) {
            files << outcome.file;
        } else {
            Cli::Err(outcome.error + QLatin1Char('\n'));
            failed = true;
        }
    }
    if (files.isEmpty()) {
        Cli::Err(QStringLiteral("Nichts heruntergeladen; die Datenbank ist unverändert.\n"));
        return 1;
    }
    const int status = Cli::ImportFiles(options, files);
    return status != 0 ? status : failed ? 1 : 0;
}
