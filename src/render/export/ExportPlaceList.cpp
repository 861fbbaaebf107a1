#include "render/export/ExportPlaceList.h"

#include "base/TextNumbers.h"
#include "render/export/ExportWriters.h"
#include "render/places/PlaceFile.h"

#include <QSaveFile>

namespace Export {

namespace {

bool isBreakOrSeparator(QChar c) {
    return c == u';' || c == u'\t' || c == u'\n' || c == u'\r';
}

// A field as the reader takes it back: separators and line breaks as blanks, trimmed, "0"
// for nothing.
QString field(const QString& text) {
    QString out = text;
    for (QChar& c : out) {
        if (isBreakOrSeparator(c))
            c = u' ';
    }
    out = TextNumbers::TrimSpace(out).toString();
    return out.isEmpty() ? QStringLiteral("0") : out;
}

bool keepsAsField(const QString& text) {
    return !text.isEmpty() && field(text) == text;
}

// Any range of entries: a place list, or a list's compact entries handed out one by one.
template <typename Entries> CResult writePlaceList(const QString& path, const Entries& entries) {
    CResult result;
    QSaveFile file(path);
    if (!OpenForWriting(file, path, &result))
        return result;
    // The Ort goes in a tenth field, which the heading announces, when entries name one:
    // without it they would stand on their postal code's first place.
    bool withOrt = false;
    for (const CPlaceEntry& e : entries) {
        if ((withOrt = !e.m_strOrt.isEmpty()))
            break;
    }
    QByteArray buffer =
        withOrt ? QByteArray(CPlaceFileReader::kHeaderWithOrt)
                : QByteArrayLiteral("Staat;PLZ;Datum;Groesse;Blinken;Farbe;Textfarbe;Schrift;Text");
    buffer += '\n';
    for (const CPlaceEntry& e : entries) {
        // A place line starts with the two characters of the country and its separator.
        if (e.m_strStaat.size() != 2 || !keepsAsField(e.m_strStaat) || !keepsAsField(e.m_strPLZ)) {
            ++result.nSkipped;
            continue;
        }
        const QStringList fields{e.m_strStaat,
                                 e.m_strPLZ,
                                 field(e.m_strDate),
                                 field(e.m_strMarkerSize),
                                 field(e.m_strBlink),
                                 field(e.m_strMarkerColor),
                                 field(e.m_strTextColor),
                                 field(e.m_strFontHeight),
                                 field(e.m_strLabel)};
        buffer += fields.join(u';').toUtf8();
        if (withOrt)
            buffer += ';' + field(e.m_strOrt).toUtf8();
        buffer += '\n';
        ++result.nWritten;
        // Written in pieces: memory stays flat however long the list is.
        if (buffer.size() > 64 * 1024) {
            if (file.write(buffer) != buffer.size())
                break;
            buffer.clear();
        }
    }
    if (file.error() != QFileDevice::NoError || file.write(buffer) != buffer.size() ||
        !file.flush() || !file.commit()) {
        result.nWritten = 0;
        result.strError = NotWrittenText(path, file);
    }
    return result;
}

} // namespace

CResult WritePlaceList(const QString& path, const CPlaceList& entries) {
    return writePlaceList(path, entries);
}

CResult WritePlaceList(const QString& path, const CTableListEntries& entries) {
    return writePlaceList(path, entries);
}

} // namespace Export
