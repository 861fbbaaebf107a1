#pragma once

#include <QList>
#include <QString>
#include <QStringList>

#include <array>

// Which column of a list holds what, and where its header row is.
struct CTableListMapping {
    enum Role { Staat, Plz, Ort, Text, Datum, Gruppe, Groesse, Blinken, RoleCount };

    int nHeaderLine = 0;                // the row of column names (sheet row from 1); 0: none
    std::array<int, RoleCount> aColumn; // column index from 0 per role; -1: not mapped
    QString strCountry = QStringLiteral("DE"); // Staat of every row when no column is mapped

    CTableListMapping() { aColumn.fill(-1); }
    int Column(Role role) const { return aColumn[size_t(role)]; }
    bool operator==(const CTableListMapping&) const = default;

    // The role's name as --map and the settings write it ("Staat", "PLZ", "Ort", "Text",
    // "Datum", "Gruppe", "Groesse", "Blinken").
    static QString RoleName(Role role);
    // German label for the mapping dialog ("Postleitzahl", ...).
    static QString RoleTitle(Role role);
};

namespace TableListMapping {

// How many rows at the start the guess looks at.
inline constexpr int kGuessRows = 20;

// Guesses the header row and the columns from the first rows of a sheet (each with its row
// number): the header is the first row in which a cell names the postal code ("PLZ",
// "Postleitzahl", "Zip", ...); the other roles are the cells with their names ("Land",
// "Staat", "Ort", "Name", "Datum", "Gruppe", ...). Without such a row, the postal code is
// the first column whose filled cells are all numbers of 4 or 5 digits, and the country the
// first column of two-letter codes. The PLZ column stays -1 when nothing fits.
CTableListMapping Guess(const QList<QStringList>& rows, const QList<int>& lines);

// Applies "Staat=COL,PLZ=COL,..." to a mapping: COL is a column name of the header row
// (case and spelling of umlauts aside), a column number from 1 or a column letter (A, B,
// ..., AA). "Staat=DE" with a two-letter code that names no column sets one country for the
// whole list; "Ort=" with nothing after it leaves a role unmapped. False with a German
// message for unknown roles or columns.
bool ApplyOption(const QString& option, const QStringList& header, CTableListMapping* mapping,
                 QString* error);

// The name a column is known by: its header cell, or its letter ("Spalte C") without one.
QString ColumnName(const QStringList& header, int column);

} // namespace TableListMapping
