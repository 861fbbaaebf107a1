#include "db/JetLike.h"

#include "db/GeoSql.h"
#include "db/TextNumbers.h"

#include <QChar>

#include <algorithm>
#include <memory>

#include <sqlite3.h>

namespace {

// Decodes the next UTF-8 character; malformed bytes are taken one by one as Latin-1.
char32_t nextChar(const unsigned char*& p, const unsigned char* end) {
    const unsigned char c = *p;
    if (c < 0x80) {
        ++p;
        return c;
    }
    int extra = 0;
    char32_t cp = 0;
    if ((c & 0xE0) == 0xC0) {
        extra = 1;
        cp = c & 0x1F;
    } else if ((c & 0xF0) == 0xE0) {
        extra = 2;
        cp = c & 0x0F;
    } else if ((c & 0xF8) == 0xF0) {
        extra = 3;
        cp = c & 0x07;
    } else {
        ++p;
        return c;
    }
    if (end - p <= extra) {
        ++p;
        return c;
    }
    for (int i = 1; i <= extra; ++i) {
        if ((p[i] & 0xC0) != 0x80) {
            ++p;
            return c;
        }
        cp = (cp << 6) | (p[i] & 0x3F);
    }
    p += extra + 1;
    return cp;
}

char32_t fold(char32_t c) {
    if (c < 0x80)
        return (c >= 'A' && c <= 'Z') ? c + 32 : c;
    return QChar::toCaseFolded(c);
}

} // namespace

CJetLikePattern::CJetLikePattern(QByteArrayView utf8Pattern) {
    auto p = reinterpret_cast<const unsigned char*>(utf8Pattern.data());
    const auto end = p + utf8Pattern.size();
    while (p < end) {
        const char32_t c = nextChar(p, end);
        Token token{};
        if (c == '*') {
            // Consecutive stars mean the same as one.
            if (!m_aTokens.empty() && m_aTokens.back().kind == Kind::AnyRun)
                continue;
            token.kind = Kind::AnyRun;
        } else if (c == '?') {
            token.kind = Kind::AnyOne;
        } else if (c == '#') {
            token.kind = Kind::Digit;
        } else if (c == '[') {
            token.kind = Kind::Set;
            token.setBegin = unsigned(m_aRanges.size());
            bool closed = false;
            bool first = true;
            while (p < end) {
                char32_t m = nextChar(p, end);
                if (m == ']') {
                    closed = true;
                    break;
                }
                if (first && m == '!') {
                    token.negate = true;
                    first = false;
                    continue;
                }
                first = false;
                m = fold(m);
                char32_t high = m;
                // "a-z" is a range; a "-" at either end of the list stands for itself.
                if (p + 1 < end && *p == '-' && p[1] != ']') {
                    ++p;
                    high = fold(nextChar(p, end));
                }
                m_aRanges.push_back({m, high});
            }
            if (!closed) {
                m_strError = QStringLiteral("Ungültiges Suchmuster: \"[\" ohne schließendes "
                                            "\"]\" in \"%1\"")
                                 .arg(QString::fromUtf8(utf8Pattern));
                m_aTokens.clear();
                return;
            }
            token.setEnd = unsigned(m_aRanges.size());
            // "[]" matches nothing of the text: it stands for the empty string.
            if (token.setBegin == token.setEnd && !token.negate)
                continue;
        } else {
            token.kind = Kind::Literal;
            token.ch = fold(c);
        }
        m_aTokens.push_back(token);
    }
    // "*text*": every search term has this shape.
    const size_t n = m_aTokens.size();
    m_bInfix = n >= 2 && m_aTokens.front().kind == Kind::AnyRun &&
               m_aTokens.back().kind == Kind::AnyRun &&
               std::all_of(m_aTokens.begin() + 1, m_aTokens.end() - 1,
                           [](const Token& t) { return t.kind == Kind::Literal && t.ch < 0x80; });
    if (m_bInfix) {
        for (size_t i = 1; i + 1 < n; ++i)
            m_strInfix.push_back(char(m_aTokens[i].ch));
        m_bInfixBytes = std::none_of(m_strInfix.begin(), m_strInfix.end(),
                                     [](char c) { return c >= 'a' && c <= 'z'; });
    }
}

inline bool CJetLikePattern::TokenMatches(const Token& token, char32_t folded) const {
    switch (token.kind) {
    case Kind::Literal:
        return token.ch == folded;
    case Kind::AnyOne:
        return true;
    case Kind::Digit:
        return folded >= '0' && folded <= '9';
    case Kind::Set: {
        bool inSet = false;
        for (unsigned i = token.setBegin; i < token.setEnd && !inSet; ++i)
            inSet = folded >= m_aRanges[i].low && folded <= m_aRanges[i].high;
        return inSet != token.negate;
    }
    case Kind::AnyRun:
        break;
    }
    return false;
}

template <typename CharAt> bool CJetLikePattern::MatchFolded(size_t size, CharAt charAt) const {
    // Wildcard matching with backtracking to the most recent "*".
    size_t t = 0, k = 0;
    size_t starToken = SIZE_MAX, starText = 0;
    const size_t nTokens = m_aTokens.size();
    while (t < size) {
        if (k < nTokens && m_aTokens[k].kind == Kind::AnyRun) {
            starToken = k++;
            starText = t;
        } else if (k < nTokens && TokenMatches(m_aTokens[k], charAt(t))) {
            ++k;
            ++t;
        } else if (starToken != SIZE_MAX) {
            k = starToken + 1;
            t = ++starText;
        } else {
            return false;
        }
    }
    while (k < nTokens && m_aTokens[k].kind == Kind::AnyRun)
        ++k;
    return k == nTokens;
}

bool CJetLikePattern::Matches(QByteArrayView utf8Text) const {
    if (!IsValid())
        return false;
    if (m_bInfixBytes)
        return QByteArrayView(utf8Text).indexOf(QByteArrayView(m_strInfix)) >= 0;
    const auto* bytes = reinterpret_cast<const unsigned char*>(utf8Text.data());
    const size_t size = size_t(utf8Text.size());
    // Most field values are plain ASCII: match on the bytes, folding as they are read.
    if (std::all_of(bytes, bytes + size, [](unsigned char c) { return c < 0x80; })) {
        if (m_bInfix)
            return std::search(bytes, bytes + size, m_strInfix.begin(), m_strInfix.end(),
                               [](unsigned char c, char infix) {
                                   return fold(c) == char32_t(infix);
                               }) != bytes + size;
        return MatchFolded(size, [bytes](size_t i) { return fold(bytes[i]); });
    }

    // Otherwise decode and fold the text once; texts are short (field values).
    thread_local std::u32string text;
    text.clear();
    for (auto p = bytes, end = bytes + size; p < end;)
        text.push_back(fold(nextChar(p, end)));
    return MatchFolded(text.size(), [](size_t i) { return text[i]; });
}

namespace {

void deletePattern(void* p) {
    delete static_cast<CJetLikePattern*>(p);
}

// like(pattern, text): "text LIKE pattern". NULL on either side gives NULL. The compiled
// pattern is kept with the statement, so a query compiles it once.
void likeFunction(sqlite3_context* ctx, int, sqlite3_value** argv) {
    if (sqlite3_value_type(argv[0]) == SQLITE_NULL || sqlite3_value_type(argv[1]) == SQLITE_NULL)
        return;
    auto* pattern = static_cast<const CJetLikePattern*>(sqlite3_get_auxdata(ctx, 0));
    std::unique_ptr<CJetLikePattern> fresh;
    if (!pattern) {
        const auto* bytes = reinterpret_cast<const char*>(sqlite3_value_text(argv[0]));
        fresh =
            std::make_unique<CJetLikePattern>(QByteArrayView(bytes, sqlite3_value_bytes(argv[0])));
        if (!fresh->IsValid()) {
            const QByteArray message = fresh->Error().toUtf8();
            sqlite3_result_error(ctx, message.constData(), int(message.size()));
            return;
        }
        pattern = fresh.get();
    }
    const auto* text = reinterpret_cast<const char*>(sqlite3_value_text(argv[1]));
    const bool match = pattern->Matches(QByteArrayView(text, sqlite3_value_bytes(argv[1])));
    if (fresh)
        sqlite3_set_auxdata(ctx, 0, fresh.release(), deletePattern);
    sqlite3_result_int(ctx, match ? 1 : 0);
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

} // namespace

bool RegisterGeoFunctions(sqlite3* db) {
    const int flags = SQLITE_UTF8 | SQLITE_DETERMINISTIC;
    return sqlite3_create_function_v2(db, "like", 2, flags, nullptr, likeFunction, nullptr, nullptr,
                                      nullptr) == SQLITE_OK &&
           sqlite3_create_function_v2(db, GeoSql::NumberFunction, 1, flags, nullptr, numberFunction,
                                      nullptr, nullptr, nullptr) == SQLITE_OK;
}
