#include "render/table/GermanCollation.h"

#include <unicode/ucol.h>
#include <unicode/uiter.h>

#include <stdexcept>

CGermanCollation::CGermanCollation() {
    UErrorCode status = U_ZERO_ERROR;
    m_pCollator = ucol_open("de_DE", &status);
    if (U_FAILURE(status))
        throw std::runtime_error("German collation is not available");
    // Base letters, then accents; case does not count.
    ucol_setStrength(m_pCollator, UCOL_SECONDARY);
}

CGermanCollation::~CGermanCollation() {
    ucol_close(m_pCollator);
}

quint64 CGermanCollation::KeyPrefix(QByteArrayView utf8) const {
    // Only as much of the key as the prefix takes is made.
    UCharIterator text;
    uiter_setUTF8(&text, utf8.data(), int32_t(utf8.size()));
    uint32_t state[2] = {0, 0};
    uint8_t part[8] = {};
    UErrorCode status = U_ZERO_ERROR;
    ucol_nextSortKeyPart(m_pCollator, &text, state, part, 8, &status);
    quint64 prefix = 0;
    for (uint8_t byte : part)
        prefix = prefix << 8 | byte;
    return prefix;
}

int CGermanCollation::Compare(QByteArrayView utf8a, QByteArrayView utf8b) const {
    UErrorCode status = U_ZERO_ERROR;
    return int(ucol_strcollUTF8(m_pCollator, utf8a.data(), int32_t(utf8a.size()), utf8b.data(),
                                int32_t(utf8b.size()), &status));
}

int CGermanCollation::Compare(QStringView a, QStringView b) const {
    return int(ucol_strcoll(m_pCollator, reinterpret_cast<const UChar*>(a.utf16()),
                            int32_t(a.size()), reinterpret_cast<const UChar*>(b.utf16()),
                            int32_t(b.size())));
}
