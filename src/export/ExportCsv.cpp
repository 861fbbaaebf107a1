#include "export/ExportWriters.h"

#include <QIODevice>

namespace Export {

namespace {

// RFC 4180 with ";" between fields: a field holding the separator, a double quote or a line
// break is put in double quotes, its double quotes doubled.
void appendField(QByteArray& line, const QString& text) {
    const QByteArray bytes = text.toUtf8();
    bool quote = false;
    for (char c : bytes) {
        if (c == ';' || c == '"' || c == '\n' || c == '\r') {
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

void appendLine(QByteArray& buffer, int columns, const std::function<QString(int)>& cell) {
    for (int j = 0; j < columns; ++j) {
        if (j > 0)
            buffer += ';';
        appendField(buffer, cell(j));
    }
    buffer += "\r\n";
}

} // namespace

bool WriteCsv(QIODevice& out, const CRows& rows, const RowStep& step, CResult* result) {
    const int columns = int(rows.aColumns.size());
    // The byte-order mark tells spreadsheet programs that the file is UTF-8.
    QByteArray buffer("\xEF\xBB\xBF");
    appendLine(buffer, columns, [&](int j) { return rows.aColumns.at(j); });
    for (int i = 0; i < rows.nRows; ++i) {
        appendLine(buffer, columns, [&](int j) { return rows.cell(i, j); });
        if (buffer.size() > (1 << 16)) {
            if (out.write(buffer) != buffer.size())
                return false;
            buffer.clear();
        }
        step(i);
    }
    result->nWritten = rows.nRows;
    return out.write(buffer) == buffer.size();
}

} // namespace Export
