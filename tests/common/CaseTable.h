#pragma once

#include <QByteArray>
#include <QList>
#include <QString>

// The edge cases of the program's rules as tables (tests/cases/NAME.tsv), shared by the unit
// tests, the fuzz corpus replay and the tests that run the same rows on both engines. A
// line holds fields between tabs; "\t" and "\n" in a field stand for a tab and a line
// break; lines starting with "# " are comments (a "#" before anything but a blank is data:
// the digit wildcard).
namespace CaseTable {

struct Row {
    int line = 0; // in the file, for messages
    QList<QByteArray> fields;
    QByteArray operator[](int i) const { return i < fields.size() ? fields.at(i) : QByteArray(); }
    QString Text(int i) const { return QString::fromUtf8((*this)[i]); }
};

// The rows of tests/cases/<name>.tsv; a missing file is a test failure (no rows).
QList<Row> Read(const char* name);

// "file.tsv:12" for a message.
std::string Where(const char* name, const Row& row);

} // namespace CaseTable
