#pragma once

#include <QString>
#include <QStringList>

#include <functional>
#include <memory>

class CGdalTable;

// A spreadsheet or text table the user keeps a list in (XLSX, ODS, CSV or TSV), read through
// GDAL/OGR, opened read-only: nothing is ever written into it. Every cell comes as text, as
// the sheet shows it; dates of a spreadsheet as "yyyy/MM/dd" or "yyyy-MM-dd". Cells of a
// CSV file are UTF-8 when valid, otherwise Windows-1252; ";", "," or TAB separate them
// (whichever the first records use most alike), quoted fields as RFC 4180 has them; a row
// has every cell of its line, whatever the number of cells in the first line.
class CTableListFile {
public:
    // A cell longer than this is not kept: the row is named with the reason instead.
    static constexpr qsizetype kMaxCellChars = 4096;

    CTableListFile();
    ~CTableListFile();
    CTableListFile(const CTableListFile&) = delete;
    CTableListFile& operator=(const CTableListFile&) = delete;

    // Opens the file. False with a German message in Error() when it is no table GDAL reads
    // (no spreadsheet, an encrypted one, a missing file).
    bool Open(const QString& path);
    // Gives GDAL's copy of the file back (a spreadsheet's whole sheet): nothing is read after.
    void Close();
    const QString& Error() const { return m_strError; }
    const QString& Path() const { return m_strPath; }

    // The sheets in file order (a CSV file has one, named after the file).
    QStringList SheetNames() const;
    // A spreadsheet (XLSX, ODS), whose cells come typed, unlike a text table's.
    bool IsSpreadsheet() const { return m_pData && !m_bText; }
    // A text table's separator, guessed when it was opened; 0 for a spreadsheet. Setting
    // another reads the rows anew by it.
    char Separator() const;
    void SetSeparator(char separator);

    // One row: its number in the sheet (from 1, empty rows count), its cells (trailing
    // empty cells may be missing) and whether a cell was longer than kMaxCellChars (it is
    // then cut to that length).
    struct Row {
        int nLine = 0;
        QStringList cells;
        bool bCellTooLong = false;
        bool bNulRead = false; // a NUL byte of a text file in it, read as a blank
    };
    // Reads the rows of a sheet (empty: the first) in order and hands each to `take`, which
    // returns false to stop. False with Error() when there is no such sheet or reading
    // fails, also when the driver reported a failure while loading the file, though it
    // handed out the rows before it.
    bool ReadRows(const QString& sheet, const std::function<bool(const Row&)>& take);

private:
    std::unique_ptr<CGdalTable> m_pData; // keeps the first failure GDAL reported on the file
    QString m_strPath;
    QString m_strError;
    bool m_bNul = false; // a text file with NUL bytes, read with their stand-in
    bool m_bText = false;
};
