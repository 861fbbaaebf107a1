#include "render/export/ExportWriters.h"

#include "base/GeoTableDesc.h"
#include "base/TextNumbers.h"

#include <QIODevice>

namespace Export {

namespace {

// The marker of an exported place: no date, a square of half size 3 in the default colour,
// steady, the place's name in font height 14 and the default text colour.
constexpr const char* kHeading = "Staat;PLZ;Datum;Groesse;Blinken;Farbe;Textfarbe;Schrift;Text\n";
constexpr const char* kMarker = "0;3;0;0;0;14";

bool hasBreakOrSeparator(const QString& text) {
    for (QChar c : text) {
        if (c == u';' || c == u'\t' || c == u'\n' || c == u'\r')
            return true;
    }
    return false;
}

// A field the reader gives back unchanged: not empty, no separator or line break, nothing
// trimmed away.
bool keepsAsField(const QString& text) {
    return !text.isEmpty() && !hasBreakOrSeparator(text) &&
           TextNumbers::TrimSpace(text).size() == text.size();
}

// The label: the place's name with separators and line breaks as blanks; "0" (the name the
// database gives for the postal code) when nothing is left.
QString label(const QString& ort) {
    QString text = ort;
    for (QChar& c : text) {
        if (c == u';' || c == u'\t' || c == u'\n' || c == u'\r')
            c = u' ';
    }
    text = TextNumbers::TrimSpace(text).toString();
    return text.isEmpty() ? QStringLiteral("0") : text;
}

} // namespace

bool WritePlaces(QIODevice& out, const CRows& rows, const RowStep& step, CResult* result) {
    QByteArray buffer(kHeading);
    for (int i = 0; HasRow(rows, i, result); ++i) {
        step(i);
        // A place line starts with the two letters of the country and its separator.
        const QString staat = rows.cell(i, GEO_STAAT);
        const QString plz = rows.cell(i, GEO_PLZ);
        if (staat.size() != 2 || !keepsAsField(staat) || !keepsAsField(plz)) {
            ++result->nSkipped;
            continue;
        }
        buffer += (staat + QLatin1Char(';') + plz + QLatin1Char(';') + QLatin1String(kMarker) +
                   QLatin1Char(';') + label(rows.cell(i, GEO_ORT)) + QLatin1Char('\n'))
                      .toUtf8();
        ++result->nWritten;
        if (buffer.size() > (1 << 16)) {
            if (out.write(buffer) != buffer.size())
                return false;
            buffer.clear();
        }
    }
    return result->strError.isEmpty() && out.write(buffer) == buffer.size();
}

} // namespace Export
