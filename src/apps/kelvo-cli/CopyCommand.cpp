#include "apps/kelvo-cli/CliCommon.h"

#include "store/DbLocation.h"
#include "store/GeoCopy.h"
#include "store/GeoDatabase.h"

#include <QFileInfo>

// kelvo-cli copy --from FILE_OR_URL --to FILE_OR_URL
// Copies table GEO with its memos and keys between a database file and a server (either way,
// or file to file), all or nothing. The target is a new file, which appears only once the copy
// is complete, or a database whose GEO is empty.
int RunCopy(QStringList args) {
    QString error;
    const QString from = Cli::TakeOption(args, QStringLiteral("--from"), QString(), &error);
    const QString to = Cli::TakeOption(args, QStringLiteral("--to"), QString(), &error);
    if (error.isEmpty() && (from.isEmpty() || to.isEmpty() || !args.isEmpty()))
        error = QStringLiteral("Quelle und Ziel erwartet, sonst nichts.");
    if (!error.isEmpty()) {
        Cli::Err(error + QStringLiteral("\nAufruf: kelvo-cli copy --from DATEI|URL --to "
                                        "DATEI|URL\n"));
        return 2;
    }

    CGeoDatabase source, target;
    if (!Cli::OpenDatabase(source, from, false))
        return 1;
    const bool newFile = !CDbLocation::IsServerText(to) && !QFileInfo::exists(to);
    if (newFile ? !target.OpenNew(to) : !Cli::OpenDatabase(target, to, false)) {
        if (newFile)
            Cli::Err(target.OpenError() + QLatin1Char('\n'));
        return 1;
    }
    const GeoCopy::Result result = GeoCopy::Copy(source, target, [](qint64 rows) {
        Cli::Err(QStringLiteral("%1 Zeilen kopiert …\n").arg(rows));
    });
    if (result.ok && newFile && !target.PublishNew()) {
        Cli::Err(target.OpenError() + QStringLiteral("\nNichts wurde kopiert.\n"));
        return 1;
    }
    if (!result.ok) {
        if (newFile)
            target.DiscardNew();
        Cli::Err(result.error + QStringLiteral("\nNichts wurde kopiert.\n"));
        return 1;
    }
    Cli::Out(QStringLiteral("%1 Zeilen von %2 nach %3 kopiert.\n").arg(result.rows).arg(from, to));
    if (result.territories > 0)
        Cli::Out(result.territories == 1
                     ? QStringLiteral("Dazu 1 Gebiet mit seinen Regeln und Ausnahmen.\n")
                     : QStringLiteral("Dazu %1 Gebiete mit ihren Regeln und Ausnahmen.\n")
                           .arg(result.territories));
    return 0;
}
