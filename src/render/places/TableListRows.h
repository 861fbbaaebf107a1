#pragma once

#include "render/places/TableList.h"
#include "render/places/TableListFile.h"

#include <QDate>
#include <QHash>
#include <QSet>

#include <utility>

// Turns the rows of a list into place entries (TableList::Read): cleans the cells, repairs
// postal codes, reads dates, gives the groups their colours and places each row.
class CTableListRows {
public:
    CTableListRows(const CGeoPlaceRows& rows, CTableList* list);

    // One row after the header. Empty rows are passed over.
    void Take(const CTableListFile::Row& row);
    // The entries keep no more text: the last row was not taken, reading stops.
    bool Full() const { return m_bFull; }

    // The postal code of a country as GEO has it: all digits, of one length. 0 when the
    // country's codes are not like that.
    int PostalCodeLength(const QString& staat) const { return m_lengths.value(staat.toUpper()); }

private:
    void CountLengths();
    void AddIssue(int line, const QStringList& cells, const QString& reason, bool placed);
    // The country a row names, and the length of its postal codes (PostalCodeLength).
    struct Country {
        QString strStaat;
        int nPlzLength = 0;
    };
    const Country& Staat(const QStringList& cells);
    // The postal code with its leading zeros given back when it has fewer digits than the
    // country's codes of `length` digits (0: codes of no one length).
    QString RepairedPlz(int length, QString plz, bool* repaired) const;
    QString Cell(const QStringList& cells, CTableListMapping::Role role) const;
    // A cell of a spreadsheet as the sheet shows it (SheetCellText), a text table's as it is:
    // for the texts a map shows, labels and group names.
    QString Shown(const QString& cell) const;
    // The row of GEO for the place (see CPlaceLookup::FindRow), remembered.
    qint64 FindRow(const QString& staat, const QString& plz, const QString& ort, bool* ortFound);

    const CGeoPlaceRows& m_rows;
    CTableList* m_pList;
    QHash<QString, int> m_lengths;       // Staat in capitals -> digits of its postal codes
    QHash<QString, QString> m_staat;     // one shared text per country
    QHash<QString, Country> m_staatOf;   // Staat cell -> the country it names
    QHash<QString, int> m_groups;        // group value -> index
    QStringList m_groupColorTexts;       // "R,G,B" of each group, shared by its entries
    QHash<QDate, QString> m_dates;       // one shared date text per day
    QHash<QString, QDate> m_parsedDates; // date cell -> its date
    QHash<QString, std::pair<qint64, bool>> m_foundRows; // place -> row, Ort found
    QSet<QString> m_countries;                           // the Staat values of GEO in capitals
    QString m_strDefaultCountry;
    QString m_strNote; // said with the current row's first remark
    bool m_bFull = false;
};
