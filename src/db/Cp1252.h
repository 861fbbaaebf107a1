#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <QStringView>

// The Windows-1252 code page: Latin-1 plus 27 printable characters in 0x80-0x9F.
namespace Cp1252 {

// The byte of a character; characters the code page lacks give '?'.
unsigned char FromUnicode(char16_t c);
QByteArray Encode(QStringView text);

// The character of a byte (the five unassigned bytes map to the C1 controls, as Windows does).
char16_t ToUnicode(unsigned char b);
QString Decode(QByteArrayView bytes);

} // namespace Cp1252
