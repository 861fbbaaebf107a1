#include "apps/kelvo-cli/CliCommon.h"

#include "store/GeoDatabase.h"
#include "store/GeoFilter.h"
#include "store/GeoRecordset.h"
#include "store/GeoSqlDialect.h"

namespace {

const char* const kUsage = "Aufruf: kelvo-cli memo get [--db DATEI] \"STAAT PLZ [ORT]\"\n"
                           "       kelvo-cli memo set [--db DATEI] [--expect ALT] "
                           "\"STAAT PLZ [ORT]\" TEXT\n";

// The key of the one row of a place ("DE 10115" or "DE 10115 Berlin"); 0 with a message on
// standard error when there is none or more than one.
int findPlace(CGeoDatabase& db, const QString& place) {
    const QStringList parts = place.simplified().split(QLatin1Char(' '));
    if (parts.size() < 2) {
        Cli::Err(QStringLiteral("\"%1\" ist kein Ort der Form \"STAAT PLZ [ORT]\".\n").arg(place));
        return 0;
    }
    const CGeoFilter filter =
        parts.size() > 2
            ? GeoFilter::Place(parts[0], parts[1], QStringList(parts.mid(2)).join(QLatin1Char(' ')))
            : GeoFilter::Place(parts[0], parts[1]);
    CGeoRecordset rs(db);
    QList<int> keys;
    QStringList names;
    if (rs.Open(db.Sql().FilteredQuery(db.m_Table, filter))) {
        while (rs.MoveNext()) {
            keys << int(rs.FieldInt(GEO_ID));
            names << QStringLiteral("  %1 = %2: %3 %4 %5 %6")
                         .arg(db.m_Table.FieldName(GEO_ID))
                         .arg(keys.last())
                         .arg(rs.FieldText(GEO_STAAT), rs.FieldText(GEO_PLZ), rs.FieldText(GEO_ORT),
                              rs.FieldText(GEO_ORTSTEIL))
                         .trimmed();
        }
    }
    if (rs.HasError()) {
        Cli::Err(
            QStringLiteral("Der Ort \"%1\" lässt sich nicht suchen: %2\n").arg(place, rs.Error()));
        return 0;
    }
    if (keys.isEmpty()) {
        Cli::Err(QStringLiteral("Zu \"%1\" gibt es keinen Datensatz in %2.\n")
                     .arg(place, db.m_Table.m_strTableName));
        return 0;
    }
    if (keys.size() > 1) {
        Cli::Err(QStringLiteral("Zu \"%1\" gibt es %2 Datensätze; bitte den Ort genauer "
                                "angeben:\n%3\n")
                     .arg(place)
                     .arg(keys.size())
                     .arg(names.join(QLatin1Char('\n'))));
        return 0;
    }
    return keys.first();
}

} // namespace

// kelvo-cli memo get [--db FILE] "STAAT PLZ [ORT]"
// kelvo-cli memo set [--db FILE] [--expect OLD] "STAAT PLZ [ORT]" TEXT
// Prints the memo of a place, or stores a new one with the record dialog's check: only while
// the stored memo is still OLD (by default the memo read just before; "" for none). Another
// memo stored meanwhile refuses the write: it is printed, and the exit status is 2.
int RunMemo(QStringList args) {
    QString error;
    const QString action = args.isEmpty() ? QString() : args.takeFirst();
    const QString dbPath =
        Cli::TakeOption(args, QStringLiteral("--db"), QStringLiteral("Kelvo.mde"), &error);
    const bool expectGiven = args.contains(QStringLiteral("--expect"));
    const QString expectText = Cli::TakeOption(args, QStringLiteral("--expect"), QString(), &error);
    const int wanted = action == QLatin1String("set") ? 2 : 1;
    if (error.isEmpty() && action != QLatin1String("get") && action != QLatin1String("set"))
        error = QStringLiteral("memo get oder memo set erwartet.");
    else if (error.isEmpty() && (args.size() != wanted || (expectGiven && wanted == 1)))
        error = QStringLiteral("Falsche Argumente für memo %1.").arg(action);
    else if (error.isEmpty() && wanted == 2 && args[1].isEmpty())
        error = QStringLiteral("Ein Memo braucht einen Text.");
    if (!error.isEmpty()) {
        Cli::Err(error + QLatin1Char('\n') + QString::fromUtf8(kUsage));
        return 2;
    }

    CGeoDatabase db;
    if (!Cli::OpenDatabase(db, dbPath, false))
        return 1;
    const int key = findPlace(db, args[0]);
    if (key == 0)
        return 1;
    QVariant stored;
    if (!db.ReadMemo(db.m_Table, key, &stored)) {
        Cli::Err(QStringLiteral("Das Memo lässt sich nicht lesen: %1\n").arg(db.LastError()));
        return 1;
    }
    if (action == QLatin1String("get")) {
        if (!stored.isNull())
            Cli::Out(stored.toString() + QLatin1Char('\n'));
        return 0;
    }
    const QVariant expected = !expectGiven           ? stored
                              : expectText.isEmpty() ? QVariant()
                                                     : QVariant(expectText);
    switch (db.UpdateMemo(db.m_Table, key, expected, args[1], &stored)) {
    case CGeoDatabase::MemoWrite::Saved:
        return 0;
    case CGeoDatabase::MemoWrite::Conflict:
        Cli::Err(QStringLiteral("Das Memo wurde nicht gespeichert: inzwischen ist ein anderes "
                                "gespeichert.\n"));
        if (!stored.isNull())
            Cli::Out(stored.toString() + QLatin1Char('\n'));
        return 2;
    case CGeoDatabase::MemoWrite::Missing:
        Cli::Err(QStringLiteral("Den Datensatz mit %1 = %2 gibt es nicht mehr; das Memo wurde "
                                "nicht gespeichert.\n")
                     .arg(db.m_Table.FieldName(GEO_ID))
                     .arg(key));
        return 1;
    case CGeoDatabase::MemoWrite::Failed:
        break;
    }
    Cli::Err(QStringLiteral("Das Memo wurde nicht gespeichert: %1\n").arg(db.LastError()));
    return 1;
}
