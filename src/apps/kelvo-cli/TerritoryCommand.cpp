#include "apps/kelvo-cli/CliCommon.h"

#include "render/map/MapTerritories.h"
#include "render/rows/GeoPlaceRows.h"
#include "render/rows/GeoPlaceRowsCache.h"
#include "render/territory/TerritoryAssigner.h"
#include "render/territory/TerritoryFile.h"
#include "render/territory/TerritoryOutlines.h"
#include "render/territory/TerritoryStore.h"
#include "store/GeoDatabase.h"

#include <QHash>
#include <QLocale>

namespace {

const char* const kUsage =
    "Aufruf: kelvo-cli territory list [--db DATEI]\n"
    "       kelvo-cli territory new [--db DATEI] [--color #RRGGBB] [--responsible NAME] GEBIET\n"
    "       kelvo-cli territory assign [--db DATEI] GEBIET \"DE 80-87, DE 90*\"\n"
    "       kelvo-cli territory assign [--db DATEI] --place \"STAAT PLZ [ORT]\" ... GEBIET|-\n"
    "       kelvo-cli territory delete [--db DATEI] [--move-to GEBIET] GEBIET\n"
    "       kelvo-cli territory where [--db DATEI] \"STAAT PLZ [ORT]\"\n"
    "       kelvo-cli territory export [--db DATEI] AUS.csv|AUS.xlsx\n"
    "       kelvo-cli territory export [--db DATEI] --outlines [--concave ENGE] AUS.geojson\n"
    "       kelvo-cli territory import [--db DATEI] [--sheet BLATT] EIN.csv|EIN.xlsx\n"
    "       kelvo-cli territory areas import [--db DATEI] [--map Staat=SPALTE,PLZ=SPALTE] "
    "[--country XX] FLAECHEN.geojson|.shp|.gpkg\n";

// A count for the reader, with its noun: "1 Ort", "12.345 Orte" (the columns of `list` keep
// plain digits for the programs that read them).
QString counted(qint64 n, const QString& one, const QString& many) {
    return QStringLiteral("%1 %2").arg(QLocale(QLocale::German).toString(n), n == 1 ? one : many);
}

struct Context {
    CGeoDatabase db;
    CTerritoryData data;
    std::shared_ptr<const CGeoPlaceRows> rows;
};

bool load(Context& c, bool rows) {
    CTerritoryStore store(c.db);
    if (!store.Load(&c.data)) {
        Cli::Err(store.Error() + QLatin1Char('\n'));
        return false;
    }
    if (rows) {
        QString error;
        c.rows = CGeoPlaceRowsCache::Of(c.db).Rows(true, {}, &error);
        if (!error.isEmpty()) {
            Cli::Err(error + QLatin1Char('\n'));
            return false;
        }
    }
    return true;
}

qint64 territoryNamed(const Context& c, const QString& name) {
    if (const CTerritory* t = c.data.FindByName(name))
        return t->id;
    Cli::Err(QStringLiteral("Ein Gebiet \"%1\" gibt es nicht.\n").arg(name));
    return 0;
}

// The rows of a place "STAAT PLZ [ORT]"; none with a message.
QList<quint32> rowsAt(const Context& c, const QString& place) {
    const QStringList parts = place.simplified().split(QLatin1Char(' '));
    QList<quint32> found;
    if (parts.size() < 2) {
        Cli::Err(QStringLiteral("\"%1\" ist kein Ort der Form \"STAAT PLZ [ORT]\".\n").arg(place));
        return found;
    }
    const QByteArray staat = parts[0].toUtf8(), plz = parts[1].toUtf8();
    const QByteArray ort = QStringList(parts.mid(2)).join(QLatin1Char(' ')).toUtf8();
    c.rows->Find(staat, plz, [&](quint32 row) {
        if (ort.isEmpty() || c.rows->TextOf(row, CGeoPlaceRows::Ort) == ort)
            found << row;
        return false;
    });
    if (found.isEmpty())
        Cli::Err(QStringLiteral("Zu \"%1\" gibt es keinen Ort in GEO.\n").arg(place));
    return found;
}

int list(Context& c) {
    const CTerritoryAssigner assigner(c.data);
    const CTerritoryTotals totals = CTerritoryTotals::Count(assigner.PlaceRows(*c.rows));
    // Every rule of each territory, gathered in one pass (ten thousand territories list in
    // the time of one).
    QHash<qint64, QStringList> rules;
    for (const CTerritoryRule& r : c.data.rules)
        rules[r.territory] << r.Text();
    for (const CTerritory& t : c.data.territories) {
        // One call fills every field: a "%2" in a name stays as written.
        Cli::Out(QStringLiteral("%1\t%2\t%3\t%4\t%5\n")
                     .arg(t.name, t.color, t.responsible,
                          QString::number(totals.places.value(t.id)),
                          rules.value(t.id).join(QStringLiteral(", "))));
    }
    Cli::Out(QStringLiteral("(kein Gebiet)\t\t\t%1\t\n").arg(totals.places.value(0)));
    // A spread needs two territories to compare (as in the panel).
    if (c.data.territories.size() < 2)
        return 0;
    const qint64 spread = CTerritoryTotals::Spread(totals.places, c.data.territories);
    Cli::Out(QStringLiteral("Größtes minus kleinstes Gebiet: %1\n")
                 .arg(counted(spread, QStringLiteral("Ort"), QStringLiteral("Orte"))));
    return 0;
}

int where(Context& c, const QString& place) {
    const QList<quint32> rows = rowsAt(c, place);
    if (rows.isEmpty())
        return 1;
    const CTerritoryAssigner assigner(c.data);
    for (quint32 row : rows) {
        const CTerritoryAssigner::Placement p = assigner.Place(
            c.rows->Countries()[c.rows->Country(row)], c.rows->TextOf(row, CGeoPlaceRows::Plz),
            c.rows->TextOf(row, CGeoPlaceRows::Ort), c.rows->TextOf(row, CGeoPlaceRows::Ortsteil));
        const CTerritory* t = c.data.Find(p.territory);
        QString name = QString::fromUtf8(c.rows->TextOf(row, CGeoPlaceRows::Ort));
        if (const QByteArrayView part = c.rows->TextOf(row, CGeoPlaceRows::Ortsteil);
            !part.isEmpty())
            name += QStringLiteral(", ") + QString::fromUtf8(part);
        Cli::Out(QStringLiteral("%1 %2 %3\t%4\t%5\n")
                     .arg(QString::fromUtf8(c.rows->Countries()[c.rows->Country(row)]),
                          QString::fromUtf8(c.rows->TextOf(row, CGeoPlaceRows::Plz)), name,
                          t ? t->name : QStringLiteral("(kein Gebiet)"), assigner.Reason(p)));
    }
    return 0;
}

// The store's message; a territory deleted meanwhile is named as it was read.
int fail(const CTerritoryStore& store, const Context& c) {
    Cli::Err(store.Error(c.data) + QLatin1Char('\n'));
    return 1;
}

} // namespace

// The outlines of the territories, as a map coloured by them draws them, as GeoJSON.
int exportOutlines(Context& c, const QString& path, const CTerritoryOutlineShape& shape) {
    CMapTerritories territories;
    territories.WantAreas(true);
    QString error = territories.Update(c.db, c.rows);
    if (error.isEmpty() && TerritoryOutlines::WriteGeoJson(path, territories.Outlines(shape),
                                                           territories.Data(), &error)) {
        Cli::Out(
            QStringLiteral("%1 nach %2 geschrieben.\n")
                .arg(counted(territories.Data().territories.size(), QStringLiteral("Gebietsumriss"),
                             QStringLiteral("Gebietsumrisse")),
                     path));
        return 0;
    }
    Cli::Err(error + QLatin1Char('\n'));
    return 1;
}

// kelvo-cli territory list|new|assign|delete|where|export|import|areas: the territories of a
// database, as the "Gebiete" window shows and changes them.
int RunTerritoryAreas(QStringList args);

int RunTerritory(QStringList args) {
    QString error;
    const QString action = args.isEmpty() ? QString() : args.takeFirst();
    if (action == u"areas")
        return RunTerritoryAreas(args);
    const QString dbPath =
        Cli::TakeOption(args, QStringLiteral("--db"), QStringLiteral("Kelvo.mde"), &error);
    const QString color = Cli::TakeOption(args, QStringLiteral("--color"), QString(), &error);
    const QString responsible =
        Cli::TakeOption(args, QStringLiteral("--responsible"), QString(), &error);
    const QString moveTo = Cli::TakeOption(args, QStringLiteral("--move-to"), QString(), &error);
    const QString sheet = Cli::TakeOption(args, QStringLiteral("--sheet"), QString(), &error);
    const QStringList places = Cli::TakeOptions(args, QStringLiteral("--place"), &error);
    const bool outlines = Cli::TakeSwitch(args, QStringLiteral("--outlines"));
    const QString concave = Cli::TakeOption(args, QStringLiteral("--concave"), {}, &error);
    CTerritoryOutlineShape shape;
    const QMap<QString, int> wanted{{QStringLiteral("list"), 0},    {QStringLiteral("new"), 1},
                                    {QStringLiteral("assign"), -1}, {QStringLiteral("delete"), 1},
                                    {QStringLiteral("where"), 1},   {QStringLiteral("export"), 1},
                                    {QStringLiteral("import"), 1}};
    const int count = wanted.value(action, -2);
    if (error.isEmpty() && (action.isEmpty() || action.startsWith(u'-')))
        error = QStringLiteral("territory erwartet einen Befehl: list, new, assign, delete, "
                               "where, export, import oder areas.");
    else if (error.isEmpty() && count == -2)
        error = QStringLiteral("Unbekannter Befehl \"territory %1\".").arg(action);
    else if (error.isEmpty() && count == -1 && args.size() != (places.isEmpty() ? 2 : 1))
        error = QStringLiteral("territory assign erwartet ein Gebiet und Regeln oder --place.");
    else if (error.isEmpty() && outlines && action != u"export")
        error = QStringLiteral("--outlines gilt nur für territory export.");
    else if (error.isEmpty() && !concave.isEmpty() && !outlines)
        error = QStringLiteral("--concave gilt nur mit --outlines.");
    else if (error.isEmpty() && !concave.isEmpty())
        TerritoryOutlines::ParseConcave(concave, &shape, &error);
    if (error.isEmpty() && count >= 0 && args.size() != count)
        error = QStringLiteral("Falsche Argumente für territory %1.").arg(action);
    if (!error.isEmpty()) {
        Cli::Err(error + QLatin1Char('\n') + QString::fromUtf8(kUsage));
        return 2;
    }

    Context c;
    if (!Cli::OpenDatabase(c.db, dbPath, false))
        return 1;
    CTerritoryStore store(c.db);
    const bool needsRows = action == u"list" || action == u"where" || action == u"export" ||
                           (action == u"assign" && !places.isEmpty());
    if (!load(c, needsRows))
        return 1;

    if (action == u"list")
        return list(c);
    if (action == u"where")
        return where(c, args[0]);
    if (action == u"new") {
        CTerritory t;
        t.name = args[0];
        t.color = !color.isEmpty()
                      ? color
                      : TerritoryNames::FreeColor(int(c.data.territories.size()),
                                                  TerritoryNames::UsedColors(c.data.territories));
        t.responsible = responsible;
        const qint64 id = store.Create(t);
        if (id == 0)
            return fail(store, c);
        Cli::Out(QStringLiteral("Gebiet \"%1\" angelegt.\n").arg(t.name));
        return 0;
    }
    if (action == u"delete") {
        const qint64 id = territoryNamed(c, args[0]);
        const qint64 target = moveTo.isEmpty() ? 0 : territoryNamed(c, moveTo);
        if (id == 0 || (!moveTo.isEmpty() && target == 0))
            return 1;
        if (!store.Delete(id, target))
            return fail(store, c);
        Cli::Out(QStringLiteral("Gebiet \"%1\" gelöscht.\n").arg(args[0]));
        return 0;
    }
    if (action == u"assign" && places.isEmpty()) {
        const qint64 id = territoryNamed(c, args[0]);
        QList<CTerritoryRule> rules;
        if (id == 0)
            return 1;
        if (!TerritoryRules::Parse(args[1], &rules, &error)) {
            Cli::Err(error + QLatin1Char('\n'));
            return 1;
        }
        QStringList notes;
        if (!store.AddRules(id, rules, &notes))
            return fail(store, c);
        for (const QString& note : notes)
            Cli::Out(note + QLatin1Char('\n'));
        Cli::Out(QStringLiteral("%1 dem Gebiet \"%2\" zugewiesen.\n")
                     .arg(counted(rules.size(), QStringLiteral("Regel"), QStringLiteral("Regeln")),
                          args[0]));
        return 0;
    }
    if (action == u"assign") {
        const bool none = args[0] == u"-";
        const qint64 id = none ? 0 : territoryNamed(c, args[0]);
        if (!none && id == 0)
            return 1;
        QList<CTerritoryException> exceptions;
        for (const QString& place : places) {
            const QList<quint32> rows = rowsAt(c, place);
            if (rows.isEmpty())
                return 1;
            for (quint32 row : rows)
                exceptions << CTerritoryException{
                    c.rows->Countries()[c.rows->Country(row)],
                    c.rows->TextOf(row, CGeoPlaceRows::Plz).toByteArray(),
                    c.rows->TextOf(row, CGeoPlaceRows::Ort).toByteArray(),
                    c.rows->TextOf(row, CGeoPlaceRows::Ortsteil).toByteArray(), id};
        }
        if (!store.Assign(exceptions))
            return fail(store, c);
        Cli::Out(QStringLiteral("%1 %2.\n")
                     .arg(counted(exceptions.size(), QStringLiteral("Ort"), QStringLiteral("Orte")),
                          none ? QStringLiteral("in kein Gebiet genommen")
                               : QStringLiteral("dem Gebiet \"%1\" zugewiesen").arg(args[0])));
        return 0;
    }
    if (action == u"export" && outlines)
        return exportOutlines(c, args[0], shape);
    if (action == u"export") {
        const CTerritoryAssigner assigner(c.data);
        const QList<CTerritoryImportLine> lines = TerritoryFile::Lines(*c.rows, assigner, c.data);
        if (!TerritoryFile::Write(args[0], lines, &error)) {
            Cli::Err(error + QLatin1Char('\n'));
            return 1;
        }
        Cli::Out(QStringLiteral("%1 nach %2 geschrieben.\n")
                     .arg(counted(lines.size(), QStringLiteral("Zeile"), QStringLiteral("Zeilen")),
                          args[0]));
        return 0;
    }
    // import
    QList<CTerritoryImportLine> lines;
    if (!TerritoryFile::Read(args[0], sheet, &lines, &error)) {
        Cli::Err(error + QLatin1Char('\n'));
        return 1;
    }
    QStringList created;
    int rules = 0, singles = 0, kept = 0;
    if (!store.Import(lines, &created, &rules, &singles, &kept))
        return fail(store, c);
    Cli::Out(TerritoryFile::ImportReport(rules, singles, created, kept) + QLatin1Char('\n'));
    return 0;
}
