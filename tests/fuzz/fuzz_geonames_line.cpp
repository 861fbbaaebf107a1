// One GeoNames line: an accepted line gives a GEO row the schema takes (no key, no value longer
// than its field, no control character, both coordinates numbers in range, every value a
// piece of the line); a refused one says why.
#include "FuzzCheck.h"
#include "base/TextNumbers.h"
#include "data/GeoNamesLine.h"

#include <QString>

#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const CGeoTableDesc desc = [] {
        CGeoTableDesc d;
        d.BuildGeo();
        return d;
    }();

    const QByteArrayView line(reinterpret_cast<const char*>(data), qsizetype(size));
    GeoNamesRow row;
    QString reason = ParseGeoNamesLine(line, &row);
    GeoRowFields fields;
    if (reason.isEmpty())
        reason = GeoNamesRowFields(row, row.country, desc, &fields);
    if (!reason.isEmpty())
        return 0;
    FUZZ_CHECK(fields[size_t(desc.m_nKeyField)].isEmpty());
    for (int i = 0; i < desc.m_nFields; ++i) {
        const QByteArrayView v = fields[size_t(i)];
        FUZZ_CHECK(v.isEmpty() ||
                   (v.data() >= line.data() && v.data() + v.size() <= line.data() + line.size()));
        const QString text = QString::fromUtf8(v.data(), v.size());
        FUZZ_CHECK(text.toUtf8() == v); // valid UTF-8
        if (desc.FieldType(i) == dbText)
            FUZZ_CHECK(text.toUcs4().size() <= desc.FieldSize(i));
        for (QChar c : text)
            FUZZ_CHECK(c.unicode() >= 0x20 && !(c.unicode() >= 0x7F && c.unicode() <= 0x9F));
    }
    double lon = 0, lat = 0;
    FUZZ_CHECK(TextNumbers::ParseNumber(fields[GEO_LANGENGRAD], &lon) && lon >= -180 && lon <= 180);
    FUZZ_CHECK(TextNumbers::ParseNumber(fields[GEO_BREITENGRAD], &lat) && lat >= -90 && lat <= 90);
    return 0;
}
