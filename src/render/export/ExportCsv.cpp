#include "render/export/ExportWriters.h"

#include "base/GeoTableDesc.h"

#include <QIODevice>

namespace Export {

namespace {

// How a CSV writes its fields.
struct CsvStyle {
    char separator;
    bool decimalComma;  // numbers of the coordinate and distance columns with ","
    bool guardFormulas; // a ' before a text a spreadsheet would take as a formula
};

// A number as the program writes one: an optional minus, digits, optionally a point and
// more digits ("11.4333", "-0.5", "17").
bool isPlainNumber(QByteArrayView bytes) {
    qsizetype i = bytes.startsWith('-') ? 1 : 0;
    const qsizetype digitsFrom = i;
    while (i < bytes.size() && bytes[i] >= '0' && bytes[i] <= '9')
        ++i;
    if (i == digitsFrom)
        return false;
    if (i < bytes.size() && bytes[i] == '.') {
        const qsizetype decimalsFrom = ++i;
        while (i < bytes.size() && bytes[i] >= '0' && bytes[i] <= '9')
            ++i;
        if (i == decimalsFrom)
            return false;
    }
    return i == bytes.size();
}

// Spreadsheet programs take a cell starting with =, +, - or @ as a formula, also after
// blanks, tabs and line breaks; a tab or carriage return at the start is guarded too.
bool looksLikeFormula(QByteArrayView bytes) {
    if (bytes.isEmpty())
        return false;
    if (bytes[0] == '\t' || bytes[0] == '\r')
        return true;
    for (char c : bytes) {
        if (c == ' ' || c == '\n')
            continue;
        return c == '=' || c == '+' || c == '-' || c == '@';
    }
    return false;
}

} // namespace

bool GuardsAsFormula(QByteArrayView cell) {
    return looksLikeFormula(cell) && !isPlainNumber(cell);
}

namespace {

bool isNumberColumn(int column) {
    return column == GEO_LANGENGRAD || column == GEO_BREITENGRAD || column >= GEO_FIELD_COUNT;
}

// RFC 4180 with the style's separator: a field holding the separator, a double quote or a
// line break is put in double quotes, its double quotes doubled.
void appendField(QByteArray& line, QByteArrayView bytes, const CsvStyle& style, bool numberColumn) {
    QByteArray changed;
    if (numberColumn && style.decimalComma && isPlainNumber(bytes)) {
        changed = bytes.toByteArray().replace('.', ',');
        bytes = changed;
    } else if (style.guardFormulas && GuardsAsFormula(bytes)) {
        changed = '\'' + bytes.toByteArray();
        bytes = changed;
    }
    bool quote = false;
    for (char c : bytes) {
        if (c == style.separator || c == '"' || c == '\n' || c == '\r') {
            quote = true;
            break;
        }
    }
    if (!quote) {
        line += bytes;
        return;
    }
    line += '"';
    for (char c : bytes) {
        if (c == '"')
            line += '"';
        line += c;
    }
    line += '"';
}

template <typename Cell>
void appendLine(QByteArray& buffer, int columns, const CsvStyle& style, bool header,
                const Cell& cell) {
    for (int j = 0; j < columns; ++j) {
        if (j > 0)
            buffer += style.separator;
        appendField(buffer, cell(j), style, !header && isNumberColumn(j));
    }
    buffer += "\r\n";
}

} // namespace

bool WriteCsv(QIODevice& out, const CRows& rows, const RowStep& step, CResult* result,
              bool international, bool guardFormulas) {
    const int columns = int(rows.aColumns.size());
    const CsvStyle style =
        international ? CsvStyle{',', false, false} : CsvStyle{';', true, guardFormulas};
    // The byte-order mark tells spreadsheet programs that the file is UTF-8; other programs
    // get plain UTF-8.
    QByteArray buffer(international ? "" : "\xEF\xBB\xBF");
    QByteArray text; // a cell's UTF-8 made from its text
    auto utf8Of = [&text](const QString& cell) {
        text = cell.toUtf8();
        return QByteArrayView(text);
    };
    appendLine(buffer, columns, style, true, [&](int j) { return utf8Of(rows.aColumns.at(j)); });
    int i = 0;
    for (; HasRow(rows, i, result); ++i) {
        appendLine(buffer, columns, style, false,
                   [&](int j) { return rows.utf8 ? rows.utf8(i, j) : utf8Of(rows.cell(i, j)); });
        if (buffer.size() > (1 << 16)) {
            if (out.write(buffer) != buffer.size())
                return false;
            buffer.clear();
        }
        step(i);
    }
    result->nWritten = i;
    return result->strError.isEmpty() && out.write(buffer) == buffer.size();
}

} // namespace Export
