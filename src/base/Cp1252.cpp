#include "base/Cp1252.h"

namespace Cp1252 {

namespace {

// Characters of the bytes 0x80 to 0x9F; unassigned bytes keep their C1 control.
constexpr char16_t kHigh[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,
};

} // namespace

char16_t ToUnicode(unsigned char b) {
    return (b >= 0x80 && b < 0xA0) ? kHigh[b - 0x80] : b;
}

unsigned char HighByte(char16_t c) {
    for (int i = 0; i < 32; ++i) {
        if (kHigh[i] == c)
            return static_cast<unsigned char>(0x80 + i);
    }
    return '?';
}

QByteArray Encode(QStringView text) {
    QByteArray bytes(text.size(), Qt::Uninitialized);
    for (qsizetype i = 0; i < text.size(); ++i)
        bytes[i] = static_cast<char>(FromUnicode(text[i].unicode()));
    return bytes;
}

QString Decode(QByteArrayView bytes) {
    QString text(bytes.size(), Qt::Uninitialized);
    for (qsizetype i = 0; i < bytes.size(); ++i)
        text[i] = QChar(ToUnicode(static_cast<unsigned char>(bytes[i])));
    return text;
}

} // namespace Cp1252
