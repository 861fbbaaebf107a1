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

// fold(utf8, false) on valid UTF-8, byte by byte: each folded letter is one sequence of
// its own, and a combining diaeresis follows the byte of its a, o or u. No spelling is
// longer than what it stands for, so the text never grows.
void foldValidText(QByteArrayView utf8, QByteArray& out) {
    out.resize(utf8.size());
    const auto* p = reinterpret_cast<const unsigned char*>(utf8.data());
    const auto* end = p + utf8.size();
    char* const begin = out.data();
    char* o = begin;
    while (p < end) {
        const char* spelled = nullptr;
        int length = 1;
        if (p[0] == 0xC3 && end - p >= 2) {
            length = 2;
            switch (p[1]) {
            case 0x84: // Ä
            case 0xA4: // ä
                spelled = "ae";
                break;
            case 0x96: // Ö
            case 0xB6: // ö
                spelled = "oe";
                break;
            case 0x9C: // Ü
            case 0xBC: // ü
                spelled = "ue";
                break;
            case 0x9F: // ß
                spelled = "ss";
                break;
            default:
                break;
            }
        } else if (p[0] == 0xE1 && end - p >= 3 && p[1] == 0xBA && p[2] == 0x9E) { // ẞ
            length = 3;
            spelled = "ss";
        } else if (p[0] == 0xCC && end - p >= 2 && p[1] == 0x88 && o > begin &&
                   QByteArrayView("aouAOU").contains(o[-1])) {
            length = 2;
            spelled = "e";
        }
        if (spelled) {
            for (; *spelled; ++spelled)
                *o++ = *spelled;
        } else {
            for (int k = 0; k < length; ++k)
                *o++ = char(p[k]);
        }
        p += length;
    }
    out.truncate(o - begin);
}

} // namespace

QByteArray FoldText(QByteArrayView utf8) {
    if (!mayNeedFolding(utf8) || !utf8.isValidUtf8())
        return fold(utf8, false);
    QByteArray out;
    foldValidText(utf8, out);
    return out;
}

QByteArray FoldPattern(QByteArrayView utf8) {
    return fold(utf8, true);
}

bool Matches(const CJetLikePattern& foldedPattern, QByteArrayView utf8) {
    if (!mayNeedFolding(utf8))
        return foldedPattern.Matches(utf8);
    if (!utf8.isValidUtf8())
        return foldedPattern.Matches(fold(utf8, false));
    thread_local QByteArray folded;
    foldValidText(utf8, folded);
    return foldedPattern.Matches(folded);
}

} // namespace FoldLike
