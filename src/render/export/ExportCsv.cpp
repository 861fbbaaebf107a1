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
bool isPlainNumber(const QByteArray& bytes) {
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
bool looksLikeFormula(const QByteArray& bytes) {
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

bool GuardsAsFormula(const QByteArray& cell) {
    return !isPlainNumber(cell) && looksLikeFormula(cell);
}

namespace {

bool isNumberColumn(int column) {
    return column == GEO_LANGENGRAD || column == GEO_BREITENGRAD || column >= GEO_FIELD_COUNT;
}

// RFC 4180 with the style's separator: a field holding the separator, a double quote or a
// line break is put in double quotes, its double quotes doubled.
void appendField(QByteArray& line, QByteArray bytes, const CsvStyle& style, bool numberColumn) {
    const bool number = isPlainNumber(bytes);
    if (number && numberColumn && style.decimalComma)
        bytes.replace('.', ',');
    else if (style.guardFormulas && GuardsAsFormula(bytes))
        bytes.prepend('\'');
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

void appendLine(QByteArray& buffer, int columns, const CsvStyle& style, bool header,
                const std::function<QString(int)>& cell) {
    for (int j = 0; j < columns; ++j) {
        if (j > 0)
            buffer += style.separator;
        appendField(buffer, cell(j).toUtf8(), style, !header && isNumberColumn(j));
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
    appendLine(buffer, columns, style, true, [&](int j) { return rows.aColumns.at(j); });
    int i = 0;
    for (; HasRow(rows, i, result); ++i) {
        appendLine(buffer, columns, style, false, [&](int j) { return rows.cell(i, j); });
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
