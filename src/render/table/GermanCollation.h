#pragma once

#include <QByteArrayView>
#include <QStringView>
#include <QtGlobal>

struct UCollator;

// German alphabetical order of texts, as a German dictionary lists words: letters with
// umlauts beside their base letters (a, ä, b; "Ärzteviertel" before "Zwota"), ß as ss, upper
// and lower case alike. The order is the same whatever the process's locale is.
class CGermanCollation {
public:
    CGermanCollation();
    ~CGermanCollation();
    CGermanCollation(const CGermanCollation&) = delete;
    CGermanCollation& operator=(const CGermanCollation&) = delete;

    // The first eight bytes of a UTF-8 text's collation key, the first byte highest (zeros
    // after a shorter key): texts whose prefixes differ are in the order of their prefixes.
    // Texts with equal prefixes need Compare.
    quint64 KeyPrefix(QByteArrayView utf8) const;

    // Negative, zero or positive as a comes before, alike with or after b.
    int Compare(QByteArrayView utf8a, QByteArrayView utf8b) const;
    int Compare(QStringView a, QStringView b) const;

private:
    UCollator* m_pCollator = nullptr;
};
