#pragma once

#include <QByteArrayView>
#include <QString>
#include <QtGlobal>

#include <array>
#include <string>
#include <vector>

// Pattern matching with the classic desktop-database LIKE rules:
//   *       any run of characters (also none)
//   ?       exactly one character
//   #       exactly one digit 0-9
//   [abc]   one of the listed characters; [a-z] a range; [!abc] none of them
// Every other character stands for itself. Letters compare without regard to case,
// umlauts included. A "[" without its closing "]" makes the pattern invalid.
class CJetLikePattern {
public:
    // Compiles the pattern; on failure IsValid() is false and Error() says why.
    explicit CJetLikePattern(QByteArrayView utf8Pattern);

    bool IsValid() const { return m_strError.isEmpty(); }
    const QString& Error() const { return m_strError; }

    // True when the whole UTF-8 text matches the pattern. The time grows linearly with the
    // text for patterns of literal characters and "*"; "?" and "#" add a factor of one
    // machine word per 64 pattern characters, character lists a factor of their size per
    // distinct character of the text.
    bool Matches(QByteArrayView utf8Text) const;

private:
    enum class Kind : unsigned char { Literal, AnyOne, Digit, AnyRun, Set };
    struct Token {
        Kind kind;
        bool negate = false;
        char32_t ch = 0;       // folded character of a literal
        unsigned setBegin = 0; // ranges of a set in m_aRanges
        unsigned setEnd = 0;
    };
    struct Range {
        char32_t low;
        char32_t high;
    };
    // A run of tokens between two "*", each standing for exactly one character.
    struct Segment {
        size_t begin = 0, end = 0;       // tokens [begin, end)
        bool literal = true;             // only literal characters: searched with KMP
        std::vector<size_t> next;        // literal: KMP failure function
        size_t words = 0;                // otherwise: bit-parallel search, 64 tokens a word
        std::vector<quint64> asciiMasks; // 128 * words: the tokens each ASCII character fits
        size_t Size() const { return end - begin; }
    };
    class CText;

    bool TokenMatches(const Token& token, char32_t folded) const;
    void CompileSegment(Segment& seg) const;
    bool MatchesAt(const Segment& seg, const CText& text, size_t at) const;
    // The end of the first occurrence of the segment in text[from, to), or SIZE_MAX.
    size_t Find(const Segment& seg, const CText& text, size_t from, size_t to) const;
    size_t FindLiteral(const Segment& seg, const CText& text, size_t from, size_t to) const;
    size_t FindParallel(const Segment& seg, const CText& text, size_t from, size_t to) const;
    bool MatchFolded(const CText& text) const;

    std::vector<Token> m_aTokens;
    std::vector<Range> m_aRanges;
    std::vector<Segment> m_aSegments;
    bool m_bLeadingStar = false;
    bool m_bTrailingStar = false;
    bool m_bHasStar = false;
    // "*text*" with a text of ASCII characters only (a word, digits): that text, folded,
    // searched for in the bytes (InfixInBytes).
    bool InfixInBytes(QByteArrayView utf8Text, bool* sure) const;
    void CompileInfix();
    static constexpr size_t kMaxByteWord = 16;
    static constexpr unsigned char kStartsWord = 1, kStandsForAscii = 2;
    std::string m_strInfix;
    std::array<unsigned char, 256> m_aByteClass{}; // a word's infix: kStartsWord, ...
    bool m_bInfixBytes = false;
    bool m_bInfixLetters = false;
    QString m_strError;
};

// The UTF-8 decoding and case folding the pattern applies (malformed bytes are taken one by
// one as Latin-1), for a simple reference matcher in the fuzz tests.
std::u32string JetLikeDecode(QByteArrayView utf8);
char32_t JetLikeFold(char32_t c);
