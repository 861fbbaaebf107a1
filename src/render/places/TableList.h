#pragma once

#include "render/draw/DrawTypes.h"
#include "render/places/PlaceEntry.h"
#include "render/places/TableListEntries.h"
#include "render/places/TableListMapping.h"

#include <QDate>
#include <QList>
#include <QString>
#include <QStringList>

#include <optional>

class CGeoPlaceRows;
class CTableListFile;

// A row of a list that found no place, or one taken with a remark: its row number in the
// sheet, its first cells and the reason in German.
struct CTableListIssue {
    int nLine = 0;
    QStringList values;
    QString strReason;
    bool bPlaced = false; // taken all the same (an invalid date, a place name not found)
};

// A list of the user's (a spreadsheet or CSV file) read as a place list: every row placed on
// the row of GEO with its Staat and PLZ, as a place file's entry is, and the Ort among the
// places of that postal code when the list names it.
struct CTableList {
    QString strSheet;           // the sheet read
    QStringList header;         // the cells of the header row (empty without one)
    QList<QStringList> preview; // the first rows of the sheet, for the mapping dialog
    QList<int> previewLines;    // their row numbers
    CTableListMapping mapping;  // as used
    CTableListEntries aEntries; // every row placed, dated later than today or not, in list order
    QList<CTableListIssue> aIssues; // rows without place first and remarks, in list order
    int nRows = 0;                  // rows read after the header, empty ones aside
    int nWithoutPlace = 0;          // rows that found no place
    int nRepaired = 0;              // postal codes given back their leading zeros
    QStringList aGroups;            // distinct values of the group column, in the order met
    QList<COLORREF> aGroupColors;
    bool bDated = false;       // some entry has a date
    bool bUndated = false;     // some entry has none
    bool bSpreadsheet = false; // read from an XLSX or ODS file, whose cells are typed
};

struct CTableListOptions {
    QString strSheet;                         // empty: the first sheet
    std::optional<CTableListMapping> mapping; // empty: the guess
    QStringList aMapOptions;                  // "PLZ=B,Text=Name" applied to the mapping
    QString strCountry;                       // Staat of rows without one; empty: "DE"
};

namespace TableList {

// At most this many rows after the header.
inline constexpr int kMaxRows = 1'000'000;
// Rows kept for the mapping dialog.
inline constexpr int kPreviewRows = TableListMapping::kGuessRows;

// Reads the first rows of a sheet and guesses the mapping (nothing is placed). False with a
// German message for a file that is no list.
bool Preview(const QString& path, const QString& sheet, CTableList* list, QString* error);
// The same from a file opened before; the file stays open for the Read that follows, so that
// a spreadsheet is parsed once.
bool Preview(CTableListFile& file, const QString& sheet, CTableList* list, QString* error);

// Reads and places a list. `rows` are the rows the maps draw, with texts. False with a
// German message when the file is no list, has no postal code column, more than kMaxRows
// rows or more text than the entries keep (CTableListEntries::kMaxTextBytes).
bool Read(const QString& path, const CTableListOptions& options, const CGeoPlaceRows& rows,
          CTableList* list, QString* error);
bool Read(CTableListFile& file, const CTableListOptions& options, const CGeoPlaceRows& rows,
          CTableList* list, QString* error);

// Whether an entry stands on the map on `day`: it has no date or is dated that day or earlier
// (as a place file read on that day takes it).
inline bool ShownOn(const QDate& date, const QDate& day) {
    return !date.isValid() || date <= day;
}
inline bool ShownOn(const CPlaceEntry& entry, const QDate& day) {
    return ShownOn(entry.m_dtDate, day);
}
// The entries as they stand on `day`.
CPlaceList AsOf(const CPlaceList& entries, const QDate& day);
CPlaceList AsOf(const CTableListEntries& entries, const QDate& day);

// The distinct marker colours of the groups, in the order of their first row.
COLORREF GroupColor(int group);

// True for the extensions Kelvo opens as a list: .xlsx, .ods, .csv, .tsv.
bool IsListFileName(const QString& path);

// Whether writing `out` would write into the list's own file `list`: the same name, or the
// same file under another one (a link). Nothing is ever written there.
bool IsListItself(const QString& list, const QString& out);
// What is said then.
QString ListItselfText();

} // namespace TableList
