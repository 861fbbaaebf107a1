// The LIKE matcher against a plain reference: the input is a pattern, a NUL byte and a
// text. The reference parses the pattern on its own and matches by dynamic programming
// over the folded characters, the obvious way; both must agree on validity and result.
#include "FuzzCheck.h"
#include "base/JetLike.h"

#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

namespace {

struct RefToken {
    enum Kind { Char, AnyOne, Digit, AnyRun, Set } kind = Char;
    char32_t ch = 0;
    bool negate = false;
    std::vector<std::pair<char32_t, char32_t>> ranges;
};

// False for an unclosed "[".
bool parse(const std::u32string& p, std::vector<RefToken>* tokens) {
    for (size_t i = 0; i < p.size(); ++i) {
        RefToken t;
        if (p[i] == '*') {
            t.kind = RefToken::AnyRun;
        } else if (p[i] == '?') {
            t.kind = RefToken::AnyOne;
        } else if (p[i] == '#') {
            t.kind = RefToken::Digit;
        } else if (p[i] == '[') {
            t.kind = RefToken::Set;
            size_t j = i + 1;
            if (j < p.size() && p[j] == '!') {
                t.negate = true;
                ++j;
            }
            for (; j < p.size() && p[j] != ']'; ++j) {
                const char32_t low = JetLikeFold(p[j]);
                char32_t high = low;
                if (j + 2 < p.size() && p[j + 1] == '-' && p[j + 2] != ']') {
                    high = JetLikeFold(p[j + 2]);
                    j += 2;
                }
                t.ranges.push_back({low, high});
            }
            if (j >= p.size())
                return false;
            i = j;
            if (t.ranges.empty() && !t.negate)
                continue; // "[]" stands for nothing
        } else {
            t.ch = JetLikeFold(p[i]);
        }
        tokens->push_back(t);
    }
    return true;
}

bool fits(const RefToken& t, char32_t c) {
    switch (t.kind) {
    case RefToken::Char:
        return t.ch == c;
    case RefToken::AnyOne:
        return true;
    case RefToken::Digit:
        return c >= '0' && c <= '9';
    case RefToken::Set: {
        bool in = false;
        for (const auto& [low, high] : t.ranges)
            in = in || (c >= low && c <= high);
        return in != t.negate;
    }
    case RefToken::AnyRun:
        break;
    }
    return false;
}

// match[i][j]: the first i tokens match the first j characters.
bool referenceMatch(const std::vector<RefToken>& tokens, const std::u32string& text) {
    const size_t n = text.size();
    std::vector<char> prev(n + 1, 0), cur(n + 1, 0);
    prev[0] = 1;
    for (const RefToken& t : tokens) {
        cur.assign(n + 1, 0);
        for (size_t j = 0; j <= n; ++j) {
            if (t.kind == RefToken::AnyRun)
                cur[j] = prev[j] || (j > 0 && cur[j - 1]);
            else
                cur[j] = j > 0 && prev[j - 1] && fits(t, text[j - 1]);
        }
        std::swap(prev, cur);
    }
    return prev[n];
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const char* bytes = reinterpret_cast<const char*>(data);
    const size_t cut = strnlen(bytes, size);
    const QByteArrayView pattern(bytes, qsizetype(cut));
    const QByteArrayView text =
        cut < size ? QByteArrayView(bytes + cut + 1, qsizetype(size - cut - 1)) : QByteArrayView();
    const CJetLikePattern like(pattern);
    std::vector<RefToken> tokens;
    const bool valid = parse(JetLikeDecode(pattern), &tokens);
    FUZZ_CHECK(like.IsValid() == valid);
    if (!valid) {
        FUZZ_CHECK(!like.Matches(text));
        return 0;
    }
    std::u32string folded = JetLikeDecode(text);
    for (char32_t& c : folded)
        c = JetLikeFold(c);
    FUZZ_CHECK(like.Matches(text) == referenceMatch(tokens, folded));
    return 0;
}
