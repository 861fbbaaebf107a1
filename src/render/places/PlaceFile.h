#pragma once

#include "render/draw/DrawTypes.h"
#include "render/places/PlaceEntry.h"

#include <QByteArrayView>
#include <QString>
#include <QStringView>

#include <functional>

class QIODevice;

// Receives a message about one line of a place file (an invalid date): the text to show
// and the line's number.
using PlaceMessageFn = std::function<void(const QString& message, int lineNumber)>;

// Reads place files. Each line that names a place becomes a CPlaceEntry:
//   - a place line has its first ";" or TAB as its third character; other lines are skipped;
//   - fields are split at runs of ";" and TAB and trimmed; nine are needed, more are ignored;
//   - "0" in fields 3 to 9 means "not given";
//   - field 3 is a date (ParseDateText): a later day than today drops the line, an invalid
//     date gives the message "Ungultiges Datum ..." and the line is taken without a date;
//   - fields 6 and 7 are colours (ParsePlaceColor); a colour with one component drops the
//     line. The date is examined before the colours.
// A file whose first line is kHeaderWithOrt (as Kelvo writes a list that names places)
// has a tenth field, the Ort, which picks the place among those of the postal code as a
// list's Ort column does ("0": the code's first place); in every other file a tenth field
// is ignored.
// Each line is decoded as UTF-8 when it is valid UTF-8, otherwise as Windows-1252; a file
// that starts with a UTF-16 byte-order mark is UTF-16 throughout. Lines end with LF or
// CR LF; the last line needs no line end.
//
// The file is read as a stream, line by line: only the entries taken are kept. A file with
// a line longer than the line limit or more entries than the entry limit is refused whole.
class CPlaceFileReader {
public:
    static constexpr qsizetype kMaxLineBytes = 10 * 1024 * 1024;
    static constexpr qsizetype kMaxEntries = 1'000'000;
    // The first line of a place file with a tenth field, the Ort.
    static constexpr char kHeaderWithOrt[] =
        "Staat;PLZ;Datum;Groesse;Blinken;Farbe;Textfarbe;Schrift;Text;Ort";

    explicit CPlaceFileReader(PlaceMessageFn onMessage = {});

    // Other limits than the defaults (for tests).
    void SetLimits(qsizetype maxLineBytes, qsizetype maxEntries);

    // Reads the rest of an open device, which may be a pipe, until its end and appends its
    // entries to `places`. Returns false when the device cannot be read or the file is over
    // a limit; the list is then unchanged and Error() says why in German.
    bool Read(QIODevice& device, CPlaceList& places);
    // The same for a file's bytes.
    bool Read(QByteArrayView bytes, CPlaceList& places);

    // Lines of the last read, also the skipped ones.
    int LinesRead() const { return m_nLines; }
    const QString& Error() const { return m_strError; }

private:
    void ReadLine(QStringView line, CPlaceList& places);

    PlaceMessageFn m_onMessage;
    qsizetype m_nMaxLineBytes = kMaxLineBytes;
    qsizetype m_nMaxEntries = kMaxEntries;
    int m_nLines = 0;
    bool m_bOrtField = false; // the first line was kHeaderWithOrt
    QString m_strError;
};

// A colour field that is not "0": up to three components red, green, blue, split at runs of
// ","; each read like atoi and taken modulo 256; a missing blue is 0. Returns false, when the
// field has no second component (the line is then skipped).
bool ParsePlaceColor(QStringView text, COLORREF* color);

// Default colours of an entry whose colour fields are "0".
inline constexpr COLORREF kDefaultMarkerColor = RGB(200, 200, 0);
inline constexpr COLORREF kDefaultTextColor = RGB(0, 0, 0);
