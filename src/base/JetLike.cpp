#include "base/JetLike.h"

#include "base/AsciiCase.h"
#include "base/TextNumbers.h"

#include <QChar>

#include <QVarLengthArray>

#include <algorithm>
#include <unordered_map>

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
        return AsciiCase::Lower(c);
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
    m_bLeadingStar = !m_aTokens.empty() && m_aTokens.front().kind == Kind::AnyRun;
    m_bTrailingStar = !m_aTokens.empty() && m_aTokens.back().kind == Kind::AnyRun;
    for (size_t i = 0; i < m_aTokens.size();) {
        if (m_aTokens[i].kind == Kind::AnyRun) {
            m_bHasStar = true;
            ++i;
            continue;
        }
        Segment seg;
        seg.begin = i;
        while (i < m_aTokens.size() && m_aTokens[i].kind != Kind::AnyRun)
            ++i;
        seg.end = i;
        CompileSegment(seg);
        m_aSegments.push_back(std::move(seg));
    }
    // "*text*" whose text is plain ASCII (the usual search term: a word or digits) is
    // searched for in the bytes of the text, folding ASCII letters (InfixInBytes).
    if (m_bLeadingStar && m_bTrailingStar && m_aSegments.size() == 1 &&
        m_aSegments.front().literal) {
        const Segment& seg = m_aSegments.front();
        // A text with letters is compared position by position, which stays linear in the
        // text only for short words; longer ones go through the general search.
        m_bInfixLetters = std::any_of(m_aTokens.begin() + seg.begin, m_aTokens.begin() + seg.end,
                                      [](const Token& t) { return t.ch >= 'a' && t.ch <= 'z'; });
        m_bInfixBytes = (!m_bInfixLetters || seg.Size() <= kMaxByteWord) &&
                        std::all_of(m_aTokens.begin() + seg.begin, m_aTokens.begin() + seg.end,
                                    [](const Token& t) { return t.ch < 0x80; });
        for (size_t i = seg.begin; m_bInfixBytes && i < seg.end; ++i)
            m_strInfix.push_back(char(m_aTokens[i].ch));
        if (m_bInfixBytes)
            CompileInfix();
    }
}

void CJetLikePattern::CompileSegment(Segment& seg) const {
    const size_t size = seg.Size();
    seg.literal = std::all_of(m_aTokens.begin() + seg.begin, m_aTokens.begin() + seg.end,
                              [](const Token& t) { return t.kind == Kind::Literal; });
    if (seg.literal) {
        // KMP: next[j] is the length of the longest proper border of the first j + 1 characters.
        seg.next.assign(size, 0);
        for (size_t j = 1, k = 0; j < size; ++j) {
            while (k > 0 && m_aTokens[seg.begin + j].ch != m_aTokens[seg.begin + k].ch)
                k = seg.next[k - 1];
            if (m_aTokens[seg.begin + j].ch == m_aTokens[seg.begin + k].ch)
                ++k;
            seg.next[j] = k;
        }
        return;
    }
    seg.words = (size + 63) / 64;
    seg.asciiMasks.assign(128 * seg.words, 0);
    for (char32_t c = 0; c < 128; ++c) {
        for (size_t j = 0; j < size; ++j) {
            if (TokenMatches(m_aTokens[seg.begin + j], c))
                seg.asciiMasks[c * seg.words + j / 64] |= quint64(1) << (j % 64);
        }
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

// The folded characters of a text: plain ASCII folded as they are read, otherwise decoded
// and folded once.
class CJetLikePattern::CText {
public:
    CText(const unsigned char* ascii, size_t size) : m_ascii(ascii), m_size(size) {}
    explicit CText(const std::u32string& wide) : m_wide(wide.data()), m_size(wide.size()) {}
    size_t size() const { return m_size; }
    char32_t operator[](size_t i) const { return m_ascii ? fold(m_ascii[i]) : m_wide[i]; }

private:
    const unsigned char* m_ascii = nullptr;
    const char32_t* m_wide = nullptr;
    size_t m_size = 0;
};

bool CJetLikePattern::MatchesAt(const Segment& seg, const CText& text, size_t at) const {
    for (size_t j = 0; j < seg.Size(); ++j) {
        if (!TokenMatches(m_aTokens[seg.begin + j], text[at + j]))
            return false;
    }
    return true;
}

size_t CJetLikePattern::Find(const Segment& seg, const CText& text, size_t from, size_t to) const {
    if (to - from < seg.Size())
        return SIZE_MAX;
    return seg.literal ? FindLiteral(seg, text, from, to) : FindParallel(seg, text, from, to);
}

size_t CJetLikePattern::FindLiteral(const Segment& seg, const CText& text, size_t from,
                                    size_t to) const {
    const size_t size = seg.Size();
    const Token* tokens = m_aTokens.data() + seg.begin;
    size_t q = 0; // characters of the segment matched so far
    for (size_t i = from; i < to; ++i) {
        const char32_t c = text[i];
        while (q > 0 && tokens[q].ch != c)
            q = seg.next[q - 1];
        if (tokens[q].ch == c && ++q == size)
            return i + 1;
    }
    return SIZE_MAX;
}

size_t CJetLikePattern::FindParallel(const Segment& seg, const CText& text, size_t from,
                                     size_t to) const {
    // Shift-And: bit j of the state is set when the first j + 1 tokens match the text
    // ending at the current character.
    const size_t words = seg.words, size = seg.Size();
    const size_t lastWord = (size - 1) / 64;
    const quint64 lastBit = quint64(1) << ((size - 1) % 64);
    QVarLengthArray<quint64, 8> state(qsizetype(words), 0);
    // Masks of the characters beyond ASCII, made once per distinct character.
    std::unordered_map<char32_t, size_t> wideIndex;
    std::vector<quint64> wideMasks;
    for (size_t i = from; i < to; ++i) {
        const char32_t c = text[i];
        const quint64* mask;
        if (c < 128) {
            mask = seg.asciiMasks.data() + c * words;
        } else {
            auto [it, added] = wideIndex.try_emplace(c, wideMasks.size());
            if (added) {
                wideMasks.resize(wideMasks.size() + words, 0);
                quint64* made = wideMasks.data() + it->second;
                for (size_t j = 0; j < size; ++j) {
                    if (TokenMatches(m_aTokens[seg.begin + j], c))
                        made[j / 64] |= quint64(1) << (j % 64);
                }
            }
            mask = wideMasks.data() + it->second;
        }
        quint64 carry = 1;
        for (size_t w = 0; w < words; ++w) {
            const quint64 s = state[qsizetype(w)];
            state[qsizetype(w)] = ((s << 1) | carry) & mask[w];
            carry = s >> 63;
        }
        if (state[qsizetype(lastWord)] & lastBit)
            return i + 1;
    }
    return SIZE_MAX;
}

bool CJetLikePattern::MatchFolded(const CText& text) const {
    const size_t n = text.size();
    if (!m_bHasStar) {
        if (m_aSegments.empty())
            return n == 0;
        const Segment& only = m_aSegments.front();
        return n == only.Size() && MatchesAt(only, text, 0);
    }
    // Between the stars each segment is taken at its first occurrence: every token but "*"
    // stands for one character, so the earliest match leaves the most text to the rest.
    size_t first = 0, last = m_aSegments.size();
    size_t pos = 0, limit = n;
    if (!m_bLeadingStar) {
        const Segment& seg = m_aSegments[first++];
        if (seg.Size() > n || !MatchesAt(seg, text, 0))
            return false;
        pos = seg.Size();
    }
    if (!m_bTrailingStar) {
        const Segment& seg = m_aSegments[--last];
        if (seg.Size() > limit - pos || !MatchesAt(seg, text, n - seg.Size()))
            return false;
        limit = n - seg.Size();
    }
    for (size_t k = first; k < last; ++k) {
        pos = Find(m_aSegments[k], text, pos, limit);
        if (pos == SIZE_MAX)
            return false;
    }
    return true;
}

// Lead bytes of the only characters beyond ASCII that stand for an ASCII character here:
// U+017F (long s, C5 BF) and U+212A (Kelvin sign, E2 84 AA) fold to "s" and "k", and the
// decoder takes the overlong forms starting with C0, C1, E0 or F0 as the ASCII character
// they spell.
namespace {

inline bool mayStandForAscii(unsigned char b) {
    return b == 0xC0 || b == 0xC1 || b == 0xC5 || b == 0xE0 || b == 0xE2 || b == 0xF0;
}

// Whether the text holds such a lead byte. Most texts hold no byte from C0 on at all, which
// the first loop (one the compiler vectorises) tells.
bool holdsAsciiStandIn(const unsigned char* text, size_t n) {
    unsigned char highest = 0;
    for (size_t i = 0; i < n; ++i)
        highest = std::max(highest, text[i]);
    return highest >= 0xC0 && std::any_of(text, text + n, mayStandForAscii);
}

} // namespace

void CJetLikePattern::CompileInfix() {
    // Each byte's class for the search: a byte the word may start with (its first character
    // in either case), a lead byte that may stand for an ASCII character, or neither.
    m_aByteClass.fill(0);
    const auto first = static_cast<unsigned char>(m_strInfix.front());
    m_aByteClass[first] = kStartsWord;
    if (first >= 'a' && first <= 'z')
        m_aByteClass[first - 32] = kStartsWord;
    for (int b = 0x80; b < 0x100; ++b) {
        if (mayStandForAscii(static_cast<unsigned char>(b)))
            m_aByteClass[b] = kStandsForAscii;
    }
}

// An ASCII character of the text is always that character (no sequence of the decoder takes
// it in), and other characters match an ASCII token only when they may stand for an ASCII
// character. So an occurrence in the bytes (ASCII letters folded) is a match, and none is
// no match unless the text holds such a character (*sure is then false).
bool CJetLikePattern::InfixInBytes(QByteArrayView utf8Text, bool* sure) const {
    const auto* text = reinterpret_cast<const unsigned char*>(utf8Text.data());
    const size_t n = size_t(utf8Text.size()), m = m_strInfix.size();
    const auto* infix = reinterpret_cast<const unsigned char*>(m_strInfix.data());
    *sure = true;
    if (!m_bInfixLetters && m > kMaxByteWord) {
        // A long word of digits and signs: no case to fold, the bytes as they stand.
        if (utf8Text.indexOf(QByteArrayView(m_strInfix)) >= 0)
            return true;
        *sure = !holdsAsciiStandIn(text, n);
        return false;
    }
    for (size_t i = 0; i < n; ++i) {
        const unsigned char kind = m_aByteClass[text[i]];
        if (kind == 0)
            continue;
        if (kind == kStandsForAscii) {
            *sure = false;
            continue;
        }
        if (n - i < m)
            continue;
        size_t j = 1;
        while (j < m && AsciiCase::Lower(text[i + j]) == infix[j])
            ++j;
        if (j == m) {
            *sure = true;
            return true;
        }
    }
    return false;
}

bool CJetLikePattern::Matches(QByteArrayView utf8Text) const {
    if (!IsValid())
        return false;
    if (m_bInfixBytes) {
        bool sure = true;
        const bool found = InfixInBytes(utf8Text, &sure);
        if (found || sure)
            return found;
    }
    const auto* bytes = reinterpret_cast<const unsigned char*>(utf8Text.data());
    const size_t size = size_t(utf8Text.size());
    // Most field values are plain ASCII: match on the bytes, folding as they are read.
    if (std::all_of(bytes, bytes + size, [](unsigned char c) { return c < 0x80; }))
        return MatchFolded(CText(bytes, size));
    thread_local std::u32string text;
    text.clear();
    for (auto p = bytes, end = bytes + size; p < end;)
        text.push_back(fold(nextChar(p, end)));
    return MatchFolded(CText(text));
}

std::u32string JetLikeDecode(QByteArrayView utf8) {
    std::u32string text;
    auto p = reinterpret_cast<const unsigned char*>(utf8.data());
    for (const auto end = p + utf8.size(); p < end;)
        text.push_back(nextChar(p, end));
    return text;
}

char32_t JetLikeFold(char32_t c) {
    return fold(c);
}
