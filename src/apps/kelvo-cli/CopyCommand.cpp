#include "apps/kelvo-cli/CliCommon.h"

#include "base/GermanNumbers.h"
#include "data/GeoCopy.h"
#include "render/territory/TerritoryCopy.h"
#include "store/DbLocation.h"
#include "store/GeoDatabase.h"

#include <QFileInfo>

#include <utility>

// kelvo-cli copy --from FILE_OR_URL --to FILE_OR_URL
// Copies table GEO with its memos and keys between a database file and a server (either way,
// or file to file), all or nothing. The target is a new file, which appears only once the copy
// is complete, or a database whose GEO is empty. While an import runs on the target, the copy
// waits for it as another import would.
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
    GeoCopy::Options options;
    options.copyTerritories = TerritoryCopy::Copy;
    options.progress = [](qint64 rows) {
        Cli::Err(QStringLiteral("%1 Zeilen kopiert …\n").arg(rows));
    };
    options.waiting = [told = false, seconds = options.maxWaitMs / 1000](int) mutable {
        if (!std::exchange(told, true))
            Cli::Err(QStringLiteral("Ein anderer Import läuft gerade; kelvo-cli wartet bis zu %1 "
                                    "Sekunden …\n")
                         .arg(seconds));
        return true;
    };
    const GeoCopy::Result result = GeoCopy::Copy(source, target, options);
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
    Cli::Out(QStringLiteral("%1 von %2 nach %3 kopiert.\n")
                 .arg(GermanNumbers::Count(result.rows, QStringLiteral("Zeile"),
                                           QStringLiteral("Zeilen")))
                 .arg(from, to));
    if (result.territories > 0)
        Cli::Out(result.territories == 1
                     ? QStringLiteral("Dazu 1 Gebiet mit seinen Regeln und Ausnahmen.\n")
                     : QStringLiteral("Dazu %1 Gebiete mit ihren Regeln und Ausnahmen.\n")
                           .arg(result.territories));
    return 0;
}
