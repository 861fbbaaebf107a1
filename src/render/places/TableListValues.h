#pragma once

#include "render/places/TableList.h"

#include <QHash>
#include <QList>
#include <QString>

// The numbers of one column of a list (a column such as "Umsatz"), by the sheet row they
// stand in, read again from the list's file.
namespace TableListValues {

// A cell as a number: "1.234,50" and "1234,5" as German texts write them, "1234.5" as a
// spreadsheet gives a number, "-3"; blanks around it and inside thousands are allowed. False
// for an empty cell or any other text.
bool Parse(const QString& cell, double* value);

// The columns of the list that hold numbers: some cell of the first rows after the header
// is one and none is other text (empty cells aside), the columns the mapping uses (postal
// code, size, ...) aside. Indexes from 0.
QList<int> NumericColumns(const CTableList& list);

// The numbers of the column in the rows after the header of the list as read (its sheet
// and header line). Cells that are no number are left out. False with a German message
// when the file cannot be read.
bool Read(const QString& path, const CTableList& list, int column, QHash<int, double>* values,
          QString* error);

} // namespace TableListValues
