// The number conversions against the C runtime: the same result from bytes and from text,
// the same as strtod/strtoll in the C locale wherever the C grammar is the same (no
// hexadecimal numbers, infinities or NaNs), and a whole-text number only when one is there.
#include "FuzzCheck.h"
#include "base/TextNumbers.h"

#include <QString>

#include <cerrno>
#include <climits>
#include <clocale>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>

namespace {

locale_t cLocale() {
    static const locale_t c = newlocale(LC_ALL_MASK, "C", locale_t(0));
    return c;
}

bool sameDouble(double a, double b) {
    return std::memcmp(&a, &b, sizeof a) == 0;
}

// Whether strtod would read something our grammar does not: "0x..", "inf", "nan".
bool cGrammarDiffers(const std::string& s) {
    size_t i = 0;
    while (i < s.size() && (s[i] == ' ' || (s[i] >= '\t' && s[i] <= '\r')))
        ++i;
    if (i < s.size() && (s[i] == '+' || s[i] == '-'))
        ++i;
    const char c = i < s.size() ? char(s[i] | 0x20) : 0;
    const char d = i + 1 < s.size() ? char(s[i + 1] | 0x20) : 0;
    return c == 'i' || c == 'n' || (c == '0' && d == 'x');
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QByteArrayView bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    const double fromBytes = TextNumbers::Atof(bytes);
    FUZZ_CHECK(sameDouble(fromBytes, TextNumbers::Atof(QString::fromLatin1(bytes))));
    const int intFromBytes = TextNumbers::Atoi(bytes);
    FUZZ_CHECK(intFromBytes == TextNumbers::Atoi(QString::fromLatin1(bytes)));

    // The C runtime reads up to the first NUL.
    const std::string text(reinterpret_cast<const char*>(data), strnlen((const char*)data, size));
    if (text.size() == size && !cGrammarDiffers(text)) {
        FUZZ_CHECK(sameDouble(fromBytes, strtod_l(text.c_str(), nullptr, cLocale())));
        errno = 0;
        const long long wide = strtoll_l(text.c_str(), nullptr, 10, cLocale());
        const long long clamped = wide < INT_MIN ? INT_MIN : wide > INT_MAX ? INT_MAX : wide;
        FUZZ_CHECK(intFromBytes == int(clamped));
    }

    double whole = 0;
    if (TextNumbers::ParseNumber(bytes, &whole)) {
        FUZZ_CHECK(std::isfinite(whole));
        FUZZ_CHECK(sameDouble(whole, fromBytes));
    }
    return 0;
}
