#include "base/FoldLike.h"

#include "base/JetLike.h"

#include <QString>

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

} // namespace

QByteArray FoldText(QByteArrayView utf8) {
    return fold(utf8, false);
}

QByteArray FoldPattern(QByteArrayView utf8) {
    return fold(utf8, true);
}

bool Matches(const CJetLikePattern& foldedPattern, QByteArrayView utf8) {
    return mayNeedFolding(utf8) ? foldedPattern.Matches(FoldText(utf8))
                                : foldedPattern.Matches(utf8);
}

} // namespace FoldLike
