// The place-file reader: any bytes are read without a crash, and reading the same bytes
// through a device that hands them out a few at a time (as a pipe does) gives the same
// entries, messages and line count as reading them whole. The first byte sets the size of
// those pieces.
#include "FuzzCheck.h"
#include "render/places/PlaceFile.h"

#include <QIODevice>

#include <algorithm>
#include <cstdint>
#include <cstring>

namespace {

class Trickle : public QIODevice {
public:
    Trickle(QByteArrayView bytes, qint64 piece) : m_bytes(bytes), m_piece(piece) {}

protected:
    qint64 readData(char* data, qint64 max) override {
        const qint64 n = std::min({max, m_piece, qint64(m_bytes.size()) - m_pos});
        std::memcpy(data, m_bytes.data() + m_pos, size_t(n));
        m_pos += n;
        return n;
    }
    qint64 writeData(const char*, qint64) override { return -1; }

private:
    QByteArrayView m_bytes;
    qint64 m_piece;
    qint64 m_pos = 0;
};

struct Outcome {
    bool ok = false;
    CPlaceList places;
    QStringList messages;
    int lines = 0;
};

template <typename Source> Outcome readWith(Source&& source) {
    Outcome out;
    CPlaceFileReader reader([&out](const QString& message, int line) {
        out.messages << QString::number(line) + QLatin1Char(':') + message;
    });
    reader.SetLimits(4096, 64);
    out.ok = reader.Read(source, out.places);
    out.lines = reader.LinesRead();
    FUZZ_CHECK(out.ok || !reader.Error().isEmpty());
    return out;
}

bool sameEntry(const CPlaceEntry& a, const CPlaceEntry& b) {
    return a.m_strStaat == b.m_strStaat && a.m_strPLZ == b.m_strPLZ && a.m_strDate == b.m_strDate &&
           a.m_strMarkerSize == b.m_strMarkerSize && a.m_strBlink == b.m_strBlink &&
           a.m_strMarkerColor == b.m_strMarkerColor && a.m_strTextColor == b.m_strTextColor &&
           a.m_strFontHeight == b.m_strFontHeight && a.m_strLabel == b.m_strLabel &&
           a.m_crMarker == b.m_crMarker && a.m_crText == b.m_crText && a.m_dtDate == b.m_dtDate;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size == 0)
        return 0;
    const qint64 piece = 1 + data[0] % 16;
    const QByteArrayView bytes(reinterpret_cast<const char*>(data + 1), qsizetype(size - 1));
    const Outcome whole = readWith(bytes);
    Trickle trickle(bytes, piece);
    trickle.open(QIODevice::ReadOnly);
    const Outcome pieces = readWith(trickle);

    FUZZ_CHECK(whole.ok == pieces.ok);
    FUZZ_CHECK(whole.messages == pieces.messages);
    if (!whole.ok) {
        FUZZ_CHECK(whole.places.isEmpty() && pieces.places.isEmpty());
        return 0;
    }
    FUZZ_CHECK(whole.lines == pieces.lines);
    FUZZ_CHECK(whole.places.size() == pieces.places.size());
    FUZZ_CHECK(whole.places.size() <= whole.lines);
    for (qsizetype i = 0; i < whole.places.size(); ++i) {
        const CPlaceEntry& e = whole.places[i];
        FUZZ_CHECK(sameEntry(e, pieces.places[i]));
        FUZZ_CHECK(e.m_strStaat.size() <= 2 && e.m_bBlinkPhase);
        FUZZ_CHECK(!e.m_dtDate.isValid() || e.m_dtDate <= QDate::currentDate());
    }
    return 0;
}
