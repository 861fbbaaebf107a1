// One GeoNames line: an accepted line gives a GEO row the schema takes (13 values, no key,
// no value longer than its field, both coordinates numbers); a refused one says why.
#include "FuzzCheck.h"
#include "db/GeoImport.h"
#include "db/GeoTableDesc.h"
#include "db/TextNumbers.h"

#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const CGeoTableDesc desc = [] {
        CGeoTableDesc d;
        d.BuildGeo();
        return d;
    }();
    static const QMap<QString, QString> countryMap{{QStringLiteral("LI"), QStringLiteral("FL")}};

    QStringList values;
    QString reason;
    const QByteArrayView line(reinterpret_cast<const char*>(data), qsizetype(size));
    if (!CGeoImporter::ParseLine(line, countryMap, desc, &values, &reason)) {
        FUZZ_CHECK(!reason.isEmpty());
        return 0;
    }
    FUZZ_CHECK(values.size() == desc.m_nFields);
    FUZZ_CHECK(values[desc.m_nKeyField].isEmpty());
    FUZZ_CHECK(values[GEO_STAAT] != QStringLiteral("LI"));
    for (int i = 0; i < desc.m_nFields; ++i) {
        if (desc.FieldType(i) == dbText)
            FUZZ_CHECK(values[i].toUcs4().size() <= desc.FieldSize(i));
    }
    double number = 0;
    FUZZ_CHECK(TextNumbers::ParseNumber(values[GEO_LANGENGRAD].toUtf8(), &number));
    FUZZ_CHECK(TextNumbers::ParseNumber(values[GEO_BREITENGRAD].toUtf8(), &number));
    return 0;
}
