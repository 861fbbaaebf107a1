#include "db/FoldLike.h"

#include "db/JetLike.h"

#include <QString>

#include <memory>

#include <sqlite3.h>

namespace FoldLike {

namespace {

// Every folded letter starts with one of these UTF-8 lead bytes: C3 (ä ö ü ß Ä Ö Ü),
// E1 (ẞ) and CC (a combining diaeresis).
bool mayNeedFolding(QByteArrayView utf8) {
    for (char c : utf8) {
        const auto b = static_cast<unsigned char>(c);
        if (b == 0xC3 || b == 0xE1 || b == 0xCC)
            return true;
    }
    return false;
}

const char* spelling(QChar c) {
    switch (c.unicode()) {
    case u'ä':
    case u'Ä':
        return "ae";
    case u'ö':
    case u'Ö':
        return "oe";
    case u'ü':
    case u'Ü':
        return "ue";
    case u'ß':
    case u'\u1E9E':
        return "ss";
    default:
        return nullptr;
    }
}

QByteArray fold(QByteArrayView utf8, bool pattern) {
    if (!mayNeedFolding(utf8))
        return utf8.toByteArray();
    const QString text = QString::fromUtf8(utf8);
    QString out;
    out.reserve(text.size() + 8);
    bool inList = false;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text.at(i);
        if (pattern && (inList || c == u'[')) {
            inList = c != u']';
            out += c;
            continue;
        }
        if (const char* s = spelling(c)) {
            out += QLatin1String(s);
        } else if (c == u'\u0308' && !out.isEmpty() &&
                   QStringLiteral("aouAOU").contains(out.back())) {
            out += u'e'; // a, o or u with a combining diaeresis
        } else {
            out += c;
        }
    }
    return out.toUtf8();
}

void deletePattern(void* p) {
    delete static_cast<CJetLikePattern*>(p);
}

QByteArrayView valueBytes(sqlite3_value* value) {
    const auto* text = reinterpret_cast<const char*>(sqlite3_value_text(value));
    return QByteArrayView(text, sqlite3_value_bytes(value));
}

// FoldLike(pattern, text). The compiled pattern is kept with the statement.
void foldLikeFunction(sqlite3_context* ctx, int, sqlite3_value** argv) {
    if (sqlite3_value_type(argv[0]) == SQLITE_NULL || sqlite3_value_type(argv[1]) == SQLITE_NULL)
        return;
    auto* pattern = static_cast<const CJetLikePattern*>(sqlite3_get_auxdata(ctx, 0));
    std::unique_ptr<CJetLikePattern> fresh;
    if (!pattern) {
        fresh = std::make_unique<CJetLikePattern>(FoldPattern(valueBytes(argv[0])));
        if (!fresh->IsValid()) {
            const QByteArray message = fresh->Error().toUtf8();
            sqlite3_result_error(ctx, message.constData(), int(message.size()));
            return;
        }
        pattern = fresh.get();
    }
    const QByteArrayView text = valueBytes(argv[1]);
    const bool match =
        mayNeedFolding(text) ? pattern->Matches(FoldText(text)) : pattern->Matches(text);
    if (fresh)
        sqlite3_set_auxdata(ctx, 0, fresh.release(), deletePattern);
    sqlite3_result_int(ctx, match ? 1 : 0);
}

} // namespace

QByteArray FoldText(QByteArrayView utf8) {
    return fold(utf8, false);
}

QByteArray FoldPattern(QByteArrayView utf8) {
    return fold(utf8, true);
}

bool RegisterSqlFunction(sqlite3* db) {
    return sqlite3_create_function_v2(db, SqlFunction, 2, SQLITE_UTF8 | SQLITE_DETERMINISTIC,
                                      nullptr, foldLikeFunction, nullptr, nullptr,
                                      nullptr) == SQLITE_OK;
}

} // namespace FoldLike
