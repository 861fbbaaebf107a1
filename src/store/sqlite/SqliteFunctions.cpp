#include "store/sqlite/SqliteFunctions.h"

#include "base/FoldLike.h"
#include "base/GeoDistance.h"
#include "base/JetLike.h"
#include "base/TextNumbers.h"

#include <memory>

#include <sqlite3.h>

// The program's rules as SQL functions of an SQLite connection. The rules themselves live
// beside their names (JetLike, FoldLike, GeoDistance, TextNumbers); these only take the
// engine's values apart and hand the results back.
namespace {

using SharedPattern = std::shared_ptr<const CJetLikePattern>;

void deletePattern(void* p) {
    delete static_cast<SharedPattern*>(p);
}

// The compiled pattern of a LIKE call (folded for FoldLike), kept with the statement. The one
// this thread used last is asked first: a query's calls mostly give one pattern, and the
// comparison costs less than the engine's lookup. Null for a NULL pattern, and with the
// engine's error set for an invalid one.
const CJetLikePattern* compiledPattern(sqlite3_context* ctx, sqlite3_value* value, bool fold) {
    const auto* bytes = reinterpret_cast<const char*>(sqlite3_value_text(value));
    if (!bytes)
        return nullptr;
    const QByteArrayView text(bytes, sqlite3_value_bytes(value));
    struct Last {
        QByteArray text;
        bool fold = false;
        SharedPattern pattern;
    };
    thread_local Last last;
    if (!last.pattern || last.fold != fold || QByteArrayView(last.text) != text) {
        SharedPattern pattern;
        if (const auto* kept = static_cast<const SharedPattern*>(sqlite3_get_auxdata(ctx, 0))) {
            pattern = *kept;
        } else {
            pattern = std::make_shared<const CJetLikePattern>(
                fold ? QByteArrayView(FoldLike::FoldPattern(text)) : text);
            sqlite3_set_auxdata(ctx, 0, new SharedPattern(pattern), deletePattern);
        }
        last = {text.toByteArray(), fold, std::move(pattern)};
    }
    if (!last.pattern->IsValid()) {
        const QByteArray message = last.pattern->Error().toUtf8();
        sqlite3_result_error(ctx, message.constData(), int(message.size()));
        return nullptr;
    }
    return last.pattern.get();
}

// like(pattern, text): "text LIKE pattern". NULL on either side gives NULL.
void likeFunction(sqlite3_context* ctx, int, sqlite3_value** argv) {
    // The text of a NULL is no text.
    const auto* text = reinterpret_cast<const char*>(sqlite3_value_text(argv[1]));
    if (!text)
        return;
    if (const CJetLikePattern* pattern = compiledPattern(ctx, argv[0], false))
        sqlite3_result_int(ctx,
                           pattern->Matches(QByteArrayView(text, sqlite3_value_bytes(argv[1]))));
}

// GeoNumber(text): the number a coordinate text holds, or NULL when it holds none.
void numberFunction(sqlite3_context* ctx, int, sqlite3_value** argv) {
    const int type = sqlite3_value_type(argv[0]);
    if (type == SQLITE_INTEGER || type == SQLITE_FLOAT) {
        sqlite3_result_double(ctx, sqlite3_value_double(argv[0]));
        return;
    }
    if (type != SQLITE_TEXT)
        return;
    const auto* text = reinterpret_cast<const char*>(sqlite3_value_text(argv[0]));
    double value = 0;
    if (TextNumbers::ParseNumber(QByteArrayView(text, sqlite3_value_bytes(argv[0])), &value))
        sqlite3_result_double(ctx, value);
}

QByteArrayView valueBytes(sqlite3_value* value) {
    const auto* text = reinterpret_cast<const char*>(sqlite3_value_text(value));
    return QByteArrayView(text, sqlite3_value_bytes(value));
}

// FoldLike(pattern, text).
void foldLikeFunction(sqlite3_context* ctx, int, sqlite3_value** argv) {
    if (sqlite3_value_type(argv[1]) == SQLITE_NULL)
        return;
    if (const CJetLikePattern* pattern = compiledPattern(ctx, argv[0], true))
        sqlite3_result_int(ctx, FoldLike::Matches(*pattern, valueBytes(argv[1])));
}

bool numberOf(sqlite3_value* value, double* number) {
    const int type = sqlite3_value_type(value);
    if (type == SQLITE_INTEGER || type == SQLITE_FLOAT) {
        *number = sqlite3_value_double(value);
        return true;
    }
    if (type != SQLITE_TEXT)
        return false;
    const auto* text = reinterpret_cast<const char*>(sqlite3_value_text(value));
    return TextNumbers::ParseNumber(QByteArrayView(text, sqlite3_value_bytes(value)), number);
}

void distanceFunction(sqlite3_context* ctx, int, sqlite3_value** argv) {
    double p[4];
    for (int i = 0; i < 4; ++i) {
        if (!numberOf(argv[i], &p[i]))
            return; // NULL
    }
    sqlite3_result_double(ctx, GeoDistance::HaversineKm(p[0], p[1], p[2], p[3]));
}

} // namespace

bool RegisterGeoFunctions(sqlite3* db) {
    const int flags = SQLITE_UTF8 | SQLITE_DETERMINISTIC;
    return sqlite3_create_function_v2(db, "like", 2, flags, nullptr, likeFunction, nullptr, nullptr,
                                      nullptr) == SQLITE_OK &&
           sqlite3_create_function_v2(db, TextNumbers::SqlFunction, 1, flags, nullptr,
                                      numberFunction, nullptr, nullptr, nullptr) == SQLITE_OK;
}

namespace FoldLike {

bool RegisterSqlFunction(sqlite3* db) {
    return sqlite3_create_function_v2(db, SqlFunction, 2, SQLITE_UTF8 | SQLITE_DETERMINISTIC,
                                      nullptr, foldLikeFunction, nullptr, nullptr,
                                      nullptr) == SQLITE_OK;
}

} // namespace FoldLike

namespace GeoDistance {

bool RegisterSqlFunction(sqlite3* db) {
    return sqlite3_create_function_v2(db, SqlFunction, 4, SQLITE_UTF8 | SQLITE_DETERMINISTIC,
                                      nullptr, distanceFunction, nullptr, nullptr,
                                      nullptr) == SQLITE_OK;
}

} // namespace GeoDistance
