#include "data/GeoNamesLine.h"

#include "base/TextNumbers.h"

#include <QStringDecoder>
#include <QVarLengthArray>

#include <cstring>

namespace {

// Columns of a GeoNames postal-code line.
enum SourceColumn {
    SRC_COUNTRY = 0,
    SRC_POSTAL_CODE = 1,
    SRC_PLACE = 2,
    SRC_ADMIN_NAME1 = 3,
    SRC_ADMIN_NAME2 = 5,
    SRC_ADMIN_NAME3 = 7,
    SRC_LATITUDE = 9,
    SRC_LONGITUDE = 10,
};

bool isValidUtf8(QByteArrayView bytes) {
    QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    QVarLengthArray<QChar, 512> buffer(bytes.size() + 1);
    decoder.appendToBuffer(buffer.data(), bytes);
    return !decoder.hasError();
}

// A control character in valid UTF-8: a byte below 0x20 other than the tab, DEL, or one of
// U+0080 to U+009F (0xC2 0x80 to 0xC2 0x9F).
bool hasControlCharacter(QByteArrayView bytes, bool ascii) {
    for (qsizetype i = 0; i < bytes.size(); ++i) {
        const auto c = static_cast<unsigned char>(bytes[i]);
        if ((c < 0x20 && c != '\t') || c == 0x7F)
            return true;
        if (!ascii && c == 0xC2 && i + 1 < bytes.size() &&
            (static_cast<unsigned char>(bytes[i + 1]) & 0xE0) == 0x80)
            return true;
    }
    return false;
}

// Characters of valid UTF-8: every byte that is not a continuation byte.
qsizetype characterCount(QByteArrayView text) {
    qsizetype n = 0;
    for (char c : text)
        n += (static_cast<unsigned char>(c) & 0xC0) != 0x80;
    return n;
}

bool isAscii(QByteArrayView bytes) {
    for (char c : bytes) {
        if (static_cast<unsigned char>(c) >= 0x80)
            return false;
    }
    return true;
}

QByteArrayView trimmed(QByteArrayView v) {
    while (!v.isEmpty() && (v.front() == ' ' || v.front() == '\t'))
        v = v.sliced(1);
    while (!v.isEmpty() && (v.back() == ' ' || v.back() == '\t'))
        v.chop(1);
    return v;
}

} // namespace

QString ParseGeoNamesLine(QByteArrayView line, GeoNamesRow* row) {
    QByteArrayView columns[kGeoNamesColumns];
    int count = 0;
    qsizetype start = 0;
    while (true) {
        const void* tab = std::memchr(line.data() + start, '\t', size_t(line.size() - start));
        const qsizetype end = tab ? static_cast<const char*>(tab) - line.data() : line.size();
        if (count < kGeoNamesColumns)
            columns[count] = line.sliced(start, end - start);
        ++count;
        if (!tab)
            break;
        start = end + 1;
    }
    if (count != kGeoNamesColumns)
        return QStringLiteral("%1 statt %2 Spalten").arg(count).arg(kGeoNamesColumns);
    const bool ascii = isAscii(line);
    if (!ascii && !isValidUtf8(line))
        return QStringLiteral("kein gültiger UTF-8-Text");
    if (hasControlCharacter(line, ascii))
        return QStringLiteral("enthält ein Steuerzeichen");

    row->latitude = trimmed(columns[SRC_LATITUDE]);
    row->longitude = trimmed(columns[SRC_LONGITUDE]);
    double latitude = 0, longitude = 0;
    if (!TextNumbers::ParseNumber(row->latitude, &latitude) ||
        !TextNumbers::ParseNumber(row->longitude, &longitude))
        return QStringLiteral("Koordinate ist keine Zahl");
    if (latitude < -90 || latitude > 90)
        return QStringLiteral("Breitengrad außerhalb von -90 bis 90");
    if (longitude < -180 || longitude > 180)
        return QStringLiteral("Längengrad außerhalb von -180 bis 180");
    row->country = columns[SRC_COUNTRY];
    row->postalCode = columns[SRC_POSTAL_CODE];
    row->place = columns[SRC_PLACE];
    row->adminName1 = columns[SRC_ADMIN_NAME1];
    row->adminName2 = columns[SRC_ADMIN_NAME2];
    row->adminName3 = columns[SRC_ADMIN_NAME3];
    return QString();
}

QString GeoNamesRowFields(const GeoNamesRow& row, QByteArrayView country, const CGeoTableDesc& desc,
                          GeoRowFields* fields) {
    GeoRowFields& f = *fields;
    f = {};
    f[GEO_STAAT] = country;
    f[GEO_PLZ] = row.postalCode;
    f[GEO_ORT] = row.place;
    f[GEO_BUNDESLAND] = row.adminName1;
    f[GEO_REGIERUNGSBEZIRK] = row.adminName2;
    f[GEO_LANDKREIS] = row.adminName3;
    f[GEO_LANGENGRAD] = row.longitude;
    f[GEO_BREITENGRAD] = row.latitude;
    for (int i = 0; i < desc.m_nFields; ++i) {
        const int size = desc.FieldSize(i);
        if (desc.FieldType(i) == dbText && f[size_t(i)].size() > size &&
            characterCount(f[size_t(i)]) > size)
            return QStringLiteral("%1 ist länger als erlaubt").arg(desc.FieldName(i));
    }
    return QString();
}
