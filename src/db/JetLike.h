#pragma once

#include <QByteArrayView>
#include <QString>

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

    // True when the whole UTF-8 text matches the pattern.
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

    bool TokenMatches(const Token& token, char32_t folded) const;
    // Matches a text of `size` folded characters, character i given by charAt(i).
    template <typename CharAt> bool MatchFolded(size_t size, CharAt charAt) const;

    // For the pattern "*text*" with plain ASCII text: that text, folded (the search's own
    // pattern, matched by a substring search).
    std::string m_strInfix;
    bool m_bInfix = false;
    // The infix holds no letter, so case does not matter and no other character folds to
    // one of its characters: its bytes are searched for as they stand, in any text.
    bool m_bInfixBytes = false;
    std::vector<Token> m_aTokens;
    std::vector<Range> m_aRanges;
    QString m_strError;
};

struct sqlite3;

// Replaces the connection's LIKE with the rules above and adds the coordinate number
// function used by the nearby filter. Returns false when the engine refuses.
bool RegisterGeoFunctions(sqlite3* db);
