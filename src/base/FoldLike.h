#pragma once

#include <QByteArray>
#include <QByteArrayView>

class CJetLikePattern;

// LIKE with the German spellings folded: ä = ae, ö = oe, ü = ue, ß = ss (capitals too), so
// "strasse" finds "Straße" and "Muenchen" finds "München". Both the pattern and the text are
// folded, then matched with the classic LIKE rules (case-insensitive, * ? # and [...]).
// Inside a [...] list the pattern stays as written, and ? stands for one character of the
// folded text (ü is two: "ue").
namespace FoldLike {

// A UTF-8 text with the spellings folded; texts without them come back unchanged.
QByteArray FoldText(QByteArrayView utf8);
// The same for a pattern, leaving [...] lists alone.
QByteArray FoldPattern(QByteArrayView utf8);

// Whether a text matches a pattern made from FoldPattern(...).
bool Matches(const CJetLikePattern& foldedPattern, QByteArrayView utf8);

// Name of the SQL function FoldLike(pattern, text): 1 when the text matches, 0 when not,
// NULL when either is NULL; an invalid pattern is an engine error.
inline constexpr const char* SqlFunction = "FoldLike";

} // namespace FoldLike
