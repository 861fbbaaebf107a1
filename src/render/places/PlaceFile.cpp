#include "render/places/PlaceFile.h"

#include "base/Cp1252.h"
#include "base/DateText.h"
#include "base/TextNumbers.h"

#include <QBuffer>
#include <QIODevice>
#include <QLocale>
#include <QStringDecoder>

#include <climits>
#include <utility>

namespace {

constexpr int kFieldCount = 9;

bool isSeparator(QChar c) {
    return c == u';' || c == u'\t';
}

// The first `max` tokens of a text: runs of characters between runs of separators.
template <typename IsSeparator>
int tokenize(QStringView s, IsSeparator isSep, QStringView* tokens, int max) {
    int n = 0;
    qsizetype i = 0;
    while (n < max) {
        while (i < s.size() && isSep(s[i]))
            ++i;
        if (i >= s.size())
            break;
        const qsizetype start = i;
        while (i < s.size() && !isSep(s[i]))
            ++i;
        tokens[n++] = s.mid(start, i - start);
    }
    return n;
}

// A line's text: UTF-8 when its bytes are valid UTF-8, otherwise Windows-1252. Decided
// line by line, so one stray byte does not turn the rest of a UTF-8 file into mojibake.
QString decodeLine(QByteArrayView bytes) {
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    QString text = utf8(bytes);
    return utf8.hasError() ? Cp1252::Decode(bytes) : text;
}

// Cuts a stream of bytes into lines without their line ends (LF or CR LF; the last line
// needs none). A UTF-8 byte-order mark at the start is dropped; a file that starts with a
// UTF-16 byte-order mark is decoded and its lines handed on as UTF-8.
class CLineSplitter {
public:
    void Add(QByteArrayView bytes, bool atEnd) {
        m_bAtEnd = atEnd;
        if (m_mode == Mode::Start) {
            m_head.append(bytes);
            if (m_head.size() < 3 && !atEnd)
                return;
            const QByteArray head = std::exchange(m_head, QByteArray());
            if (head.startsWith("\xFF\xFE") || head.startsWith("\xFE\xFF")) {
                m_mode = Mode::Utf16;
                Append(head);
            } else {
                m_mode = Mode::Bytes;
                Append(QByteArrayView(head).sliced(head.startsWith("\xEF\xBB\xBF") ? 3 : 0));
            }
            return;
        }
        Append(bytes);
    }

    // The next complete line, valid until the next Add().
    bool Next(QByteArrayView* line) {
        const qsizetype lf = m_buffer.indexOf('\n', m_scan);
        if (lf >= 0) {
            *line = QByteArrayView(m_buffer).sliced(m_pos, lf - m_pos);
            if (line->endsWith('\r'))
                line->chop(1);
            m_pos = m_scan = lf + 1;
            return true;
        }
        m_scan = m_buffer.size();
        if (m_bAtEnd && m_mode != Mode::Start && m_pos < m_buffer.size()) {
            *line = QByteArrayView(m_buffer).sliced(m_pos);
            m_pos = m_scan = m_buffer.size();
            return true;
        }
        return false;
    }

    // Bytes of the line not yet complete.
    qsizetype Pending() const { return m_buffer.size() - m_pos; }

private:
    enum class Mode { Start, Bytes, Utf16 };

    void Append(QByteArrayView bytes) {
        if (m_pos > 0) {
            m_buffer.remove(0, m_pos);
            m_scan -= m_pos;
            m_pos = 0;
        }
        if (m_mode == Mode::Utf16)
            m_buffer.append(QString(m_utf16(bytes)).toUtf8());
        else
            m_buffer.append(bytes);
    }

    Mode m_mode = Mode::Start;
    QByteArray m_head;    // the first bytes, until the byte-order mark is known
    QByteArray m_buffer;  // bytes from the start of the first line not yet handed out
    qsizetype m_pos = 0;  // start of that line
    qsizetype m_scan = 0; // searched for a line end up to here
    bool m_bAtEnd = false;
    QStringDecoder m_utf16{QStringDecoder::Utf16};
};

constexpr qint64 kChunkBytes = 64 * 1024;

QString megabytes(qsizetype bytes) {
    return QLocale(QLocale::German).toString(double(bytes) / (1024 * 1024), 'g', 4);
}

} // namespace

bool ParsePlaceColor(QStringView text, COLORREF* color) {
    QStringView parts[3];
    const int n = tokenize(
        text, [](QChar c) { return c == u','; }, parts, 3);
    if (n < 2)
        return false;
    const int red = TextNumbers::Atoi(parts[0]);
    const int green = TextNumbers::Atoi(parts[1]);
    const int blue = n > 2 ? TextNumbers::Atoi(parts[2]) : 0;
    *color = RGB(red, green, blue);
    return true;
}

CPlaceFileReader::CPlaceFileReader(PlaceMessageFn onMessage) : m_onMessage(std::move(onMessage)) {}

void CPlaceFileReader::SetLimits(qsizetype maxLineBytes, qsizetype maxEntries) {
    m_nMaxLineBytes = maxLineBytes;
    m_nMaxEntries = maxEntries;
}

bool CPlaceFileReader::Read(QByteArrayView bytes, CPlaceList& places) {
    QBuffer buffer;
    buffer.setData(QByteArray::fromRawData(bytes.data(), bytes.size()));
    buffer.open(QIODevice::ReadOnly);
    return Read(buffer, places);
}

bool CPlaceFileReader::Read(QIODevice& device, CPlaceList& places) {
    m_nLines = 0;
    m_bOrtField = false;
    m_strError.clear();
    if (!device.isReadable()) {
        m_strError = QStringLiteral("Die Datei ist nicht zum Lesen geöffnet.");
        return false;
    }
    const QLocale german(QLocale::German);
    auto refuse = [this](const QString& why) {
        m_strError = why + QStringLiteral(" Kelvo liest die Datei nicht.");
        return false;
    };
    auto lineTooLong = [&] {
        return refuse(QStringLiteral("Die Zeile %1 der Ortsdatei ist länger als %2 MB.")
                          .arg(m_nLines + 1)
                          .arg(megabytes(m_nMaxLineBytes)));
    };
    CPlaceList taken;
    CLineSplitter lines;
    QByteArray chunk(kChunkBytes, Qt::Uninitialized);
    for (bool atEnd = false; !atEnd;) {
        // Read until the device says it has ended: a pipe may deliver nothing for a while.
        const qint64 n = device.read(chunk.data(), chunk.size());
        if (n < 0) {
            m_strError = device.errorString();
            return false;
        }
        atEnd = n == 0;
        lines.Add(QByteArrayView(chunk.constData(), n), atEnd);
        QByteArrayView line;
        while (lines.Next(&line)) {
            if (line.size() > m_nMaxLineBytes)
                return lineTooLong();
            if (m_nLines == INT_MAX)
                return refuse(QStringLiteral("Die Ortsdatei hat mehr als %1 Zeilen.")
                                  .arg(german.toString(INT_MAX)));
            ++m_nLines;
            ReadLine(decodeLine(line), taken);
            if (taken.size() > m_nMaxEntries)
                return refuse(QStringLiteral("Die Ortsdatei hat mehr als %1 Einträge.")
                                  .arg(german.toString(qlonglong(m_nMaxEntries))));
        }
        if (lines.Pending() > m_nMaxLineBytes)
            return lineTooLong();
    }
    if (places.isEmpty())
        places = std::move(taken);
    else
        places.append(std::move(taken));
    return true;
}

void CPlaceFileReader::ReadLine(QStringView line, CPlaceList& places) {
    if (m_nLines == 1)
        m_bOrtField = line == QLatin1String(kHeaderWithOrt);
    qsizetype firstSep = 0;
    while (firstSep < line.size() && !isSeparator(line[firstSep]))
        ++firstSep;
    if (firstSep != 2 || firstSep == line.size())
        return;
    QStringView fields[kFieldCount + 1];
    const int count = tokenize(line, isSeparator, fields, kFieldCount + m_bOrtField);
    if (count < kFieldCount)
        return;

    CPlaceEntry entry;
    QString* texts[kFieldCount] = {
        &entry.m_strStaat,      &entry.m_strPLZ,        &entry.m_strDate,
        &entry.m_strMarkerSize, &entry.m_strBlink,      &entry.m_strMarkerColor,
        &entry.m_strTextColor,  &entry.m_strFontHeight, &entry.m_strLabel};
    for (int i = 0; i < kFieldCount; ++i)
        *texts[i] = TextNumbers::TrimSpace(fields[i]).toString();
    if (count > kFieldCount) {
        const QStringView ort = TextNumbers::TrimSpace(fields[kFieldCount]);
        if (!ort.isEmpty() && ort != u"0")
            entry.m_strOrt = ort.toString();
    }
    entry.m_bBlinkPhase = true;

    if (!IsNotGiven(entry.m_strDate)) {
        const QDate date = ParseDateText(entry.m_strDate);
        if (!date.isValid()) {
            if (m_onMessage)
                m_onMessage(QStringLiteral("Ungultiges Datum \"%1\" in der Zeile %2:\n\n%3")
                                .arg(entry.m_strDate, QString::number(m_nLines), line),
                            m_nLines);
        } else if (date > QDate::currentDate()) {
            return;
        } else {
            entry.m_dtDate = date;
        }
    }
    entry.m_crMarker = kDefaultMarkerColor;
    if (!IsNotGiven(entry.m_strMarkerColor) &&
        !ParsePlaceColor(entry.m_strMarkerColor, &entry.m_crMarker))
        return;
    entry.m_crText = kDefaultTextColor;
    if (!IsNotGiven(entry.m_strTextColor) &&
        !ParsePlaceColor(entry.m_strTextColor, &entry.m_crText))
        return;
    entry.m_nLine = m_nLines;
    places.append(entry);
}
