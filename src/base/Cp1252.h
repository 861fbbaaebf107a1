#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <QStringView>

// The Windows-1252 code page: Latin-1 plus 27 printable characters in 0x80-0x9F.
namespace Cp1252 {

// The byte of one of the 27 characters of 0x80-0x9F; '?' for characters the code page lacks.
unsigned char HighByte(char16_t c);

// The byte of a character; characters the code page lacks give '?'. Latin-1 characters are
// their own byte (inline: sorting calls this for every character of a column).
inline unsigned char FromUnicode(char16_t c) {
    return (c < 0x80 || (c >= 0xA0 && c <= 0xFF)) ? static_cast<unsigned char>(c) : HighByte(c);
}
QByteArray Encode(QStringView text);

// The character of a byte (the five unassigned bytes map to the C1 controls, as Windows does).
char16_t ToUnicode(unsigned char b);
QString Decode(QByteArrayView bytes);

} // namespace Cp1252
