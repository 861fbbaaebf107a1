#include "common/CaseTable.h"

#include <QFile>

#include <gtest/gtest.h>

namespace CaseTable {

namespace {

QByteArray unescape(const QByteArray& field) {
    QByteArray out;
    for (qsizetype i = 0; i < field.size(); ++i) {
        if (field.at(i) == '\\' && i + 1 < field.size() &&
            (field.at(i + 1) == 't' || field.at(i + 1) == 'n')) {
            out += field.at(++i) == 't' ? '\t' : '\n';
            continue;
        }
        out += field.at(i);
    }
    return out;
}

} // namespace

QList<Row> Read(const char* name) {
    QFile file(QStringLiteral(KELVO_SOURCE_DIR "/tests/cases/%1.tsv").arg(QLatin1String(name)));
    QList<Row> rows;
    if (!file.open(QIODevice::ReadOnly)) {
        ADD_FAILURE() << "no case table " << name;
        return rows;
    }
    int line = 0;
    while (!file.atEnd()) {
        QByteArray text = file.readLine();
        ++line;
        if (text.endsWith('\n'))
            text.chop(1);
        // "#" alone or before a blank starts a comment; before anything else it is data (the
        // digit wildcard of a pattern).
        if (text.isEmpty() || text == "#" || text.startsWith("# "))
            continue;
        Row row;
        row.line = line;
        for (const QByteArray& field : text.split('\t'))
            row.fields << unescape(field);
        rows << row;
    }
    EXPECT_FALSE(rows.isEmpty()) << name;
    return rows;
}

std::string Where(const char* name, const Row& row) {
    return std::string(name) + ".tsv:" + std::to_string(row.line);
}

} // namespace CaseTable
