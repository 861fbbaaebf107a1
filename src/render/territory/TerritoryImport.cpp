// Storing an assignment read from a file (CTerritoryStore::Import).
#include "render/rows/GeoPlaceRows.h"
#include "render/rows/GeoPlaceRowsCache.h"
#include "render/territory/TerritoryAssigner.h"
#include "render/territory/TerritoryStore.h"
#include "store/GeoDatabase.h"
#include "store/GeoRecordset.h"
#include "store/territory/TerritorySql.h"

#include <QHash>
#include <QSet>

#include <algorithm>

namespace {

QByteArray lineKey(const CTerritoryImportLine& line) {
    QByteArray key = line.staat + '\0' + line.plz;
    if (line.single)
        key += '\0' + line.ort + '\0' + line.ortsteil;
    return key;
}

QString place(const CTerritoryImportLine& line) {
    QString text =
        QStringLiteral("%1 %2").arg(QString::fromUtf8(line.staat), QString::fromUtf8(line.plz));
    if (line.single)
        text += QLatin1Char(' ') + QString::fromUtf8(line.ort);
    if (line.single && !line.ortsteil.isEmpty())
        text += QStringLiteral(", ") + QString::fromUtf8(line.ortsteil);
    return text;
}

} // namespace

bool CTerritoryStore::Import(const QList<CTerritoryImportLine>& lines, QStringList* created,
                             int* rules, int* exceptions, int* kept) {
    m_strError.clear();
    *rules = *exceptions = *kept = 0;
    if (lines.isEmpty()) {
        m_strError = QStringLiteral("Die Datei enthält keine Zuordnung.");
        return false;
    }
    QString error;
    const std::shared_ptr<const CGeoPlaceRows> rows =
        CGeoPlaceRowsCache::Of(m_db).Rows(true, {}, &error);
    if (!error.isEmpty()) {
        m_strError = error;
        return false;
    }
    // Every line is checked before anything is written.
    QHash<QByteArray, const CTerritoryImportLine*> seen;
    for (const CTerritoryImportLine& line : lines) {
        auto fail = [&](const QString& why) {
            m_strError =
                QStringLiteral("Zeile %1: %2 Es wurde nichts gespeichert.").arg(line.line).arg(why);
            return false;
        };
        if (const QString problem = TerritoryNames::Problem(line.territory); !problem.isEmpty())
            return fail(problem);
        const qint64 row =
            line.single
                ? rows->Find(line.staat, line.plz,
                             [&](quint32 r) {
                                 return rows->TextOf(r, CGeoPlaceRows::Ort) == line.ort &&
                                        rows->TextOf(r, CGeoPlaceRows::Ortsteil) == line.ortsteil;
                             })
                : rows->Find(line.staat, line.plz);
        if (row < 0)
            return fail(QStringLiteral("%1 ist nicht in GEO.").arg(place(line)));
        if (const CTerritoryImportLine* before = seen.value(lineKey(line))) {
            if (before->territory != line.territory)
                return fail(
                    QStringLiteral("%1 steht schon in Zeile %2, mit dem Gebiet \"%3\".")
                        .arg(place(line), QString::number(before->line), before->territory));
            continue;
        }
        seen.insert(lineKey(line), &line);
    }

    CTerritoryData data;
    if (!Begin(true))
        return false;
    if (!Load(&data))
        return Fail(m_strError), false;
    // A line that puts its places where they are already adds nothing: a file exported from
    // here and read back changes nothing. A postal code is so placed when every place of it
    // is in its territory now; a single place, when it is, unless a rule of this file moves
    // its code elsewhere (its exception is kept then).
    const CTerritoryAssigner now(data);
    QHash<QString, qint64> ids;
    for (const CTerritory& t : data.territories)
        ids.insert(t.name, t.id);
    auto allIn = [&](const CTerritoryImportLine& line, qint64 id) {
        const int best = now.BestRule(line.staat, line.plz);
        if (best >= 0 && now.Rules()[best].territory == id && now.Rules()[best].from == line.plz &&
            now.Rules()[best].to == line.plz)
            return true; // this very rule is stored already
        return rows->Find(line.staat, line.plz, [&](quint32 r) {
            return now.Place(rows->Countries()[rows->Country(r)],
                             rows->TextOf(r, CGeoPlaceRows::Plz),
                             rows->TextOf(r, CGeoPlaceRows::Ort),
                             rows->TextOf(r, CGeoPlaceRows::Ortsteil))
                       .territory != id;
        }) < 0;
    };
    QSet<QByteArray> done;     // lines taken or left, by lineKey
    QSet<QByteArray> newCodes; // Staat (upper case) and PLZ of the rules this file adds
    QList<const CTerritoryImportLine*> todo;
    for (const CTerritoryImportLine& line : lines) {
        if (line.single || done.contains(lineKey(line)))
            continue;
        done.insert(lineKey(line));
        const qint64 id = ids.value(line.territory);
        if (id != 0 && allIn(line, id)) {
            ++*kept;
            continue;
        }
        todo << &line;
        newCodes.insert(line.staat.toUpper() + '\0' + line.plz);
    }
    for (const CTerritoryImportLine& line : lines) {
        if (!line.single || done.contains(lineKey(line)))
            continue;
        done.insert(lineKey(line));
        const qint64 id = ids.value(line.territory);
        if (id != 0) {
            const CTerritoryAssigner::Placement placed =
                now.Place(line.staat, line.plz, line.ort, line.ortsteil);
            if (placed.territory == id &&
                (placed.exception || !newCodes.contains(line.staat.toUpper() + '\0' + line.plz))) {
                ++*kept;
                continue;
            }
        }
        todo << &line;
    }
    if (todo.isEmpty()) {
        // Nothing to write: the change count stays, other users' windows read nothing again.
        m_db.RollbackWrite();
        return true;
    }

    // The territories the file names, made where missing, in the order of the file.
    QSet<QString> colors = TerritoryNames::UsedColors(data.territories);
    QList<CTerritoryRule> newRules;
    QList<CTerritoryException> singles;
    std::sort(todo.begin(), todo.end()); // the order of the file: the lines are in one list
    for (const CTerritoryImportLine* line : todo) {
        qint64 id = ids.value(line->territory);
        if (id == 0) {
            CTerritory t;
            t.id = 0;
            t.name = line->territory;
            t.color = TerritoryNames::FreeColor(int(data.territories.size()), colors);
            colors.insert(t.color);
            if (!InsertTerritory(t, &id))
                return false;
            t.id = id;
            data.territories << t;
            ids.insert(t.name, id);
            *created << t.name;
        }
        if (line->single) {
            singles << CTerritoryException{line->staat, line->plz, line->ort, line->ortsteil, id};
        } else {
            CTerritoryRule rule;
            rule.staat = line->staat;
            rule.from = rule.to = line->plz;
            rule.territory = id;
            newRules << rule;
        }
    }
    if (!StoreRules(data, newRules, nullptr))
        return false;
    *rules = int(newRules.size());
    CGeoRecordset put(m_db);
    if (!singles.isEmpty() && !put.Open(Sql().PutException()))
        return Fail(put.Error()), false;
    for (const CTerritoryException& e : singles) {
        if (!put.Rebind({QString::fromUtf8(e.staat), QString::fromUtf8(e.plz),
                         QString::fromUtf8(e.ort), QString::fromUtf8(e.ortsteil), e.territory}) ||
            !put.ExecuteInBatch())
            return Fail(put.Error()), false;
        ++*exceptions;
    }
    put.Close();
    return Commit();
}
