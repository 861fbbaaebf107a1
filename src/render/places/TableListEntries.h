#pragma once

#include "render/places/PlaceEntry.h"

#include <QByteArray>
#include <QDate>
#include <QHash>
#include <QList>
#include <QString>

#include <iterator>

// The entries of a list, kept compact, so that a list of a million rows takes some dozens of
// bytes a row: the texts in one pool of UTF-8 (postal codes and place names once per
// distinct value), country, marker and label once per distinct combination, dates once per
// day. Each entry is handed out as the place-file entry it stands for, a plain value; one
// without a date has the date text "0", as a place file without date has.
class CTableListEntries {
public:
    // The pool takes no more than this many bytes of text: Append refuses the entry then.
    static constexpr qsizetype kMaxTextBytes = qsizetype(1) << 30;

    explicit CTableListEntries(qsizetype maxTextBytes = kMaxTextBytes)
        : m_nMaxTextBytes(maxTextBytes) {}

    qsizetype size() const { return m_items.size(); }
    bool isEmpty() const { return m_items.isEmpty(); }
    // The entry as appended (its drawing state as a new entry has it).
    CPlaceEntry operator[](qsizetype i) const;
    QDate Date(qsizetype i) const;
    // Appends the entry; false (and nothing appended) when its texts would take the pool
    // beyond its limit.
    bool Append(const CPlaceEntry& entry);
    // The distinct dates of the entries.
    const QList<QDate>& Dates() const { return m_dates; }

    class const_iterator {
    public:
        using iterator_category = std::input_iterator_tag;
        using value_type = CPlaceEntry;
        using difference_type = qsizetype;
        using pointer = void;
        using reference = CPlaceEntry;
        const_iterator(const CTableListEntries* entries, qsizetype i) : m_p(entries), m_i(i) {}
        CPlaceEntry operator*() const { return (*m_p)[m_i]; }
        const_iterator& operator++() {
            ++m_i;
            return *this;
        }
        bool operator==(const const_iterator& other) const { return m_i == other.m_i; }

    private:
        const CTableListEntries* m_p;
        qsizetype m_i;
    };
    const_iterator begin() const { return {this, 0}; }
    const_iterator end() const { return {this, size()}; }

private:
    // What entries share: country, marker, label style.
    struct Style {
        QString staat, markerSize, blink, markerColor, textColor, fontHeight;
        COLORREF crMarker = 0, crText = 0;
        bool bBlinkPhase = false;
        bool Fits(const CPlaceEntry& e) const;
    };
    struct Item {
        quint32 nLine;
        quint32 nPlz, nOrt, nLabel; // offsets into the pool
        quint32 nDate;              // index into m_dates + 1; 0: no date
        quint32 nStyle;
    };
    QString Text(quint32 offset) const;
    QString SharedText(quint32 offset) const;
    quint32 StyleOf(const CPlaceEntry& entry);

    qsizetype m_nMaxTextBytes;
    QList<Item> m_items;
    QByteArray m_pool;                // NUL-terminated texts; offset 0 is the empty text, 1 is "0"
    QHash<QString, quint32> m_shared; // postal codes and place names in the pool
    QHash<quint32, QString> m_sharedText; // the same by offset: entries share one text each
    QList<Style> m_styles;
    QMultiHash<size_t, quint32> m_styleIndex; // by the hash of their fields
    quint32 m_nLastStyle = 0;
    QList<QDate> m_dates;
    QList<QString> m_dateTexts; // as the entries wrote them
    QHash<QDate, quint32> m_dateIndex;
};
