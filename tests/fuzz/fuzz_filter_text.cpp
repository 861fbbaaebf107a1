// The filter text reader: any input is read or refused with a German message; a filter it
// reads writes a text that reads back as the same tree, and that text again.
#include "FuzzCheck.h"
#include "store/GeoDatabase.h"
#include "store/GeoFilter.h"
#include "store/GeoFilterText.h"

#include <QString>

#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const CGeoDatabase db; // its description of GEO
    const QString text = QString::fromUtf8(reinterpret_cast<const char*>(data), qsizetype(size));
    CGeoFilter filter;
    QString error;
    if (!GeoFilterText::Parse(db.m_Table, text, &filter, &error)) {
        FUZZ_CHECK(error.startsWith(QStringLiteral("Der Filter ist fehlerhaft: ")));
        FUZZ_CHECK(filter.IsEmpty());
        return 0;
    }
    CGeoFilter again;
    FUZZ_CHECK(GeoFilterText::Parse(db.m_Table, filter.Text(), &again, &error));
    FUZZ_CHECK(again == filter);
    FUZZ_CHECK(again.Text() == filter.Text());
    return 0;
}
