#include "db/TextNumbers.h"

#include <charconv>
#include <climits>
#include <cmath>

namespace TextNumbers {

namespace {

bool isSpace(char16_t c) {
    return c == ' ' || (c >= '\t' && c <= '\r');
}
bool isDigit(char16_t c) {
    return c >= '0' && c <= '9';
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

// Copies the number at the start of the text into buf (at most size - 1 characters) and
// returns the length taken; 0 when there is none. `consumed` receives the position after it.
template <typename Char>
int numberPrefix(const Char* begin, const Char* end, char* buf, int size, const Char** consumed) {
    const Char* p = begin;
    while (p < end && isSpace(char16_t(p[0])))
        ++p;
    int n = 0;
    auto put = [&](char c) {
        if (n < size - 1)
            buf[n++] = c;
    };
    if (p < end && (p[0] == '+' || p[0] == '-')) {
        if (p[0] == '-')
            put('-');
        ++p;
    }
    int digits = 0;
    for (; p < end && isDigit(char16_t(p[0])); ++p, ++digits)
        put(char(p[0]));
    if (p < end && p[0] == '.') {
        put('.');
        ++p;
        for (; p < end && isDigit(char16_t(p[0])); ++p, ++digits)
            put(char(p[0]));
    }
    if (digits == 0) {
        *consumed = begin;
        return 0;
    }
    if (p < end && (p[0] == 'e' || p[0] == 'E')) {
        const Char* q = p + 1;
        char expSign = 0;
        if (q < end && (q[0] == '+' || q[0] == '-'))
            expSign = char(*q++);
        if (q < end && isDigit(char16_t(q[0]))) {
            put('e');
            if (expSign == '-')
                put('-');
            for (; q < end && isDigit(char16_t(q[0])); ++q)
                put(char(q[0]));
            p = q;
        }
    }
    *consumed = p;
    return n;
}

// Whether an out-of-range number is too small rather than too large: with at most 127
// characters only an exponent takes a number out of range, and a negative one makes it small.
bool isTiny(const char* buf, int n) {
    for (int i = 0; i < n; ++i) {
        if (buf[i] == 'e')
            return i + 1 < n && buf[i + 1] == '-';
    }
    return false;
}

template <typename Char>
double atofImpl(const Char* begin, const Char* end, const Char** consumed) {
    char buf[128];
    const int n = numberPrefix(begin, end, buf, sizeof buf, consumed);
    if (n == 0)
        return 0.0;
    double value = 0.0;
    if (std::from_chars(buf, buf + n, value).ec == std::errc::result_out_of_range) {
        // As the C runtime: too large gives an infinity, too small zero.
        const double magnitude = isTiny(buf, n) ? 0.0 : HUGE_VAL;
        return buf[0] == '-' ? -magnitude : magnitude;
    }
    return value;
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
    const char* consumed = begin;
    const double v = atofImpl(begin, end, &consumed);
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
