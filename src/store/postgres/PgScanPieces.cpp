// A search of the whole table on the server, cut into ranges of keys: the server tells
// nothing while one statement scans, so the reader tells how far it got after each range.
#include "store/postgres/PgBackend.h"

#include "base/GeoTableDesc.h"
#include "store/GeoFilter.h"
#include "store/GeoStandardOrder.h"
#include "store/postgres/GeoSqlPostgres.h"

#include <algorithm>

namespace {

// Ranges of at least this many keys (fewer ranges for a small table), at most this many
// ranges: a range large enough for the server to read it with its parallel workers, as it
// reads the whole table, and enough of them for the bar to rise in steps of an eighth.
constexpr qint64 kMinKeysPerPiece = 1000;
constexpr qint64 kMaxPieces = 8;

} // namespace

bool CPgBackend::ScanPieces(const CGeoTableDesc& desc, const CGeoFilter& filter,
                            std::vector<ScanPiece>* pieces,
                            GeoStandardOrder::Collations* collations) {
    pieces->clear();
    if (filter.IsEmpty())
        return false;
    // Only where the server would read every row anyway: a filter an index serves would
    // have its index read once for every range.
    const CGeoQuery whole = Sql().OrderedQuery(desc, {}, filter);
    std::unique_ptr<CGeoStatement> plan = Prepare(GeoSqlPostgres::PlanAsRun(whole.sql));
    plan->Bind(whole.values);
    bool scans = false, indexed = false;
    while (plan->Step()) {
        const QByteArrayView line = plan->FieldUtf8(0);
        scans = scans || line.contains("Seq Scan");
        indexed = indexed || line.contains("Index");
    }
    if (!plan->Error().isEmpty() || !scans || indexed)
        return false;
    plan.reset();

    std::unique_ptr<CGeoStatement> span = Prepare(GeoSqlPostgres::KeySpan(desc));
    if (!span->Step() || span->FieldType(0) != CGeoStatement::Type::Integer ||
        span->FieldType(1) != CGeoStatement::Type::Integer)
        return false;
    const qint64 low = span->FieldInt(0), high = span->FieldInt(1);
    const qint64 keys = high - low + 1;
    const qint64 count = std::clamp<qint64>(keys / kMinKeysPerPiece, 1, kMaxPieces);
    for (qint64 i = 0; i < count; ++i) {
        // The first range open below and the last open above: rows written since the span
        // was read are in them too.
        const std::optional<qint64> from =
            i > 0 ? std::optional<qint64>(low + keys * i / count) : std::nullopt;
        const std::optional<qint64> to =
            i + 1 < count ? std::optional<qint64>(low + keys * (i + 1) / count - 1) : std::nullopt;
        pieces->push_back(
            {GeoSqlPostgres::KeyRangeOf(desc, filter, from, to), int(1000 * (i + 1) / count)});
    }
    // The server's standard order: lower case of the ASCII letters only (COLLATE "C"), then
    // the bytes, NULL first, equal keys by key.
    *collations = {GeoStandardOrder::Collation::NoCase, GeoStandardOrder::Collation::NoCase};
    return true;
}
