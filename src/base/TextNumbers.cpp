#include "base/TextNumbers.h"

#include <QVarLengthArray>

#include <charconv>
#include <climits>
#include <clocale>
#include <cmath>
#include <cstdlib>

namespace TextNumbers {

namespace {

bool isSpace(char16_t c) {
    return c == ' ' || (c >= '\t' && c <= '\r');
}
bool isDigit(char16_t c) {
    return c >= '0' && c <= '9';
}

// Reads digits with at most one point and no exponent at p, as the coordinates of places are
// written, when their digits make an integer of at most 2^53 with at most 22 of them after the
// point: the integer and the power of ten are both exact doubles, so their quotient is the
// correctly rounded number, the same bits a full reader gives. Returns the position after the
// number, or null for anything else (the full reader then decides).
const char* shortDecimal(const char* p, const char* end, double* value) {
    static constexpr double kPowers[] = {1e0,  1e1,  1e2,  1e3,  1e4,  1e5,  1e6,  1e7,
                                         1e8,  1e9,  1e10, 1e11, 1e12, 1e13, 1e14, 1e15,
                                         1e16, 1e17, 1e18, 1e19, 1e20, 1e21, 1e22};
    constexpr int kMostDigits = 19; // no overflow of 64 bits
    quint64 digits = 0;
    int count = 0, decimals = 0;
    bool point = false;
    for (; p < end; ++p) {
        if (unsigned(*p - '0') <= 9) {
            if (++count > kMostDigits)
                return nullptr;
            digits = digits * 10 + unsigned(*p - '0');
            decimals += point;
        } else if (*p == '.' && !point) {
            point = true;
        } else {
            break;
        }
    }
    if (count == 0 || decimals > 22 || digits > (quint64(1) << 53) ||
        (p < end && (*p == 'e' || *p == 'E' || *p == '.')))
        return nullptr;
    *value = double(digits) / kPowers[decimals];
    return p;
}

template <typename Char> int atoiImpl(const Char* p, const Char* end) {
    while (p < end && isSpace(char16_t(p[0])))
        ++p;
    bool negative = false;
    if (p < end && (p[0] == '+' || p[0] == '-')) {
        negative = p[0] == '-';
        ++p;
    }
    long long value = 0;
    for (; p < end && isDigit(char16_t(p[0])); ++p) {
        value = value * 10 + (p[0] - '0');
        if (value > (long long)INT_MAX + 1)
            value = (long long)INT_MAX + 1;
    }
    if (negative)
        return value > INT_MAX ? INT_MIN : int(-value);
    return value > INT_MAX ? INT_MAX : int(value);
}

// Appends the number at the start of the text to buf, in the C locale's spelling, and
// returns whether there is one. `consumed` receives the position after it.
template <typename Char, typename Buffer>
bool numberPrefix(const Char* begin, const Char* end, Buffer& buf, const Char** consumed) {
    const Char* p = begin;
    while (p < end && isSpace(char16_t(p[0])))
        ++p;
    if (p < end && (p[0] == '+' || p[0] == '-')) {
        if (p[0] == '-')
            buf.append('-');
        ++p;
    }
    int digits = 0;
    for (; p < end && isDigit(char16_t(p[0])); ++p, ++digits)
        buf.append(char(p[0]));
    if (p < end && p[0] == '.') {
        buf.append('.');
        ++p;
        for (; p < end && isDigit(char16_t(p[0])); ++p, ++digits)
            buf.append(char(p[0]));
    }
    if (digits == 0) {
        *consumed = begin;
        return false;
    }
    if (p < end && (p[0] == 'e' || p[0] == 'E')) {
        const Char* q = p + 1;
        char expSign = 0;
        if (q < end && (q[0] == '+' || q[0] == '-'))
            expSign = char(*q++);
        if (q < end && isDigit(char16_t(q[0]))) {
            buf.append('e');
            if (expSign == '-')
                buf.append('-');
            for (; q < end && isDigit(char16_t(q[0])); ++q)
                buf.append(char(q[0]));
            p = q;
        }
    }
    *consumed = p;
    return true;
}

// The C runtime's strtod in the C locale, whatever the process locale.
double strtodC(const char* text) {
    static const locale_t c = newlocale(LC_ALL_MASK, "C", locale_t(0));
    return strtod_l(text, nullptr, c);
}

template <typename Char>
double atofImpl(const Char* begin, const Char* end, const Char** consumed) {
    // Numbers of any length: the short ones (all real coordinates) stay on the stack.
    QVarLengthArray<char, 128> buf;
    if (!numberPrefix(begin, end, buf, consumed))
        return 0.0;
    double value = 0.0;
    const auto [ptr, ec] = std::from_chars(buf.data(), buf.data() + buf.size(), value);
    if (ec == std::errc() && ptr == buf.data() + buf.size())
        return value;
    // Out of range (an infinity, zero or a denormal): exactly what the C runtime gives.
    buf.append('\0');
    return strtodC(buf.data());
}

} // namespace

int Atoi(QStringView text) {
    return atoiImpl(text.utf16(), text.utf16() + text.size());
}

int Atoi(QByteArrayView text) {
    const char* p = text.data();
    const char* end = p + text.size();
    // The common case at full speed: a text that starts with at most nine digits.
    int value = 0, digits = 0;
    for (; p < end && isDigit(char16_t(*p)) && digits < 9; ++p, ++digits)
        value = value * 10 + (*p - '0');
    if (digits > 0 && (p == end || !isDigit(char16_t(*p))))
        return value;
    return atoiImpl(text.data(), end);
}

double Atof(QStringView text) {
    const char16_t* consumed = nullptr;
    return atofImpl(text.utf16(), text.utf16() + text.size(), &consumed);
}

double Atof(QByteArrayView text) {
    // The common case at full speed: a short text that starts with a digit, a point or a
    // minus sign before one of those is read where it stands, which gives the same number.
    const char* begin = text.data();
    const char* end = begin + text.size();
    constexpr qsizetype kShort = 64;
    const char* p = begin < end && *begin == '-' ? begin + 1 : begin;
    if (text.size() <= kShort && p < end && (isDigit(char16_t(*p)) || *p == '.')) {
        double value = 0.0;
        if (shortDecimal(p, end, &value))
            return p == begin ? value : -value;
        const std::from_chars_result r = std::from_chars(begin, end, value);
        if (r.ec == std::errc() && r.ptr != begin)
            return value;
    }
    const char* consumed = nullptr;
    return atofImpl(begin, end, &consumed);
}

QStringView TrimSpace(QStringView text) {
    qsizetype b = 0, e = text.size();
    while (b < e && isSpace(text[b].unicode()))
        ++b;
    while (e > b && isSpace(text[e - 1].unicode()))
        --e;
    return text.mid(b, e - b);
}

bool ParseNumber(QByteArrayView text, double* value) {
    const char* begin = text.data();
    const char* end = begin + text.size();
    const char* digits = begin < end && (*begin == '-' || *begin == '+') ? begin + 1 : begin;
    double v = 0.0;
    const char* stop = shortDecimal(digits, end, &v);
    if (stop && stop == end) {
        *value = *begin == '-' ? -v : v;
        return true;
    }
    const char* consumed = begin;
    v = atofImpl(begin, end, &consumed);
    if (consumed == begin || !std::isfinite(v))
        return false;
    while (consumed < end && isSpace(char16_t(consumed[0])))
        ++consumed;
    if (consumed != end)
        return false;
    *value = v;
    return true;
}

} // namespace TextNumbers
