#include "apps/kelvo-cli/CliCommon.h"

#include "store/GeoDatabase.h"

// kelvo-cli init [--db FILE|URL]
// Makes the database a Kelvo database: table GEO, and on a server the schema "kelvo" with the
// program's functions, also where the database already holds other things (which stay as
// they are). A database that is one already is left as it is.
int RunInit(QStringList args) {
    QString error;
    const QString dbPath =
        Cli::TakeOption(args, QStringLiteral("--db"), QStringLiteral("Kelvo.mde"), &error);
    if (error.isEmpty() && !args.isEmpty())
        error = QStringLiteral("Unerwartetes Argument: %1").arg(args.first());
    if (!error.isEmpty()) {
        Cli::Err(error + QStringLiteral("\nAufruf: kelvo-cli init [--db DATEI|URL]\n"));
        return 2;
    }
    CGeoDatabase db;
    if (!db.SetUp(dbPath)) {
        Cli::Err(db.OpenError() + QLatin1Char('\n'));
        return 1;
    }
    Cli::Out(QStringLiteral("Die Datenbank %1 ist eine Kelvo-Datenbank; Zeilen in %2: %3\n")
                 .arg(db.IsServer() ? db.Server() : db.FilePath(), db.m_Table.m_strTableName)
                 .arg(db.GetRecordCount(db.m_Table.m_strTableName)));
    return 0;
}
