#pragma once

#include "store/GeoStandardOrder.h"

#include <QByteArrayView>

#include <vector>

class CGeoRecordset;

// Rows of a fixed number of cells, kept as the engine gives them: each cell's UTF-8 bytes
// behind a short header with its length and kind (no value, text, blob), the cells of a row
// one after another in large blocks. A row costs its text, a byte or two a cell and eight
// bytes for where it starts; no object per row or cell, and nothing is decoded until asked.
// Rows are only ever appended; a row that changes is appended anew and the caller points to
// the new one.
class CGeoCellStore {
public:
    using Value = GeoStandardOrder::Value;

    explicit CGeoCellStore(int columns);
    CGeoCellStore(CGeoCellStore&&) noexcept = default;
    CGeoCellStore& operator=(CGeoCellStore&&) noexcept = default;

    int Columns() const { return m_nColumns; }
    quint32 Rows() const { return quint32(m_aRowStart.size()); }
    void Reserve(quint32 rows) { m_aRowStart.reserve(rows); }

    // Appends a row of Columns() cells; returns its number.
    quint32 Append(const Value* cells);
    // Appends the current row of a recordset: field fields[j] becomes cell j (numbers are
    // kept as their text); bit j of exactKinds tells a blob from a text (CGeoRecordset).
    quint32 Append(const CGeoRecordset& rs, const int* fields, quint32 exactKinds);

    Value Cell(quint32 row, int column) const;
    QByteArrayView Bytes(quint32 row, int column) const { return Cell(row, column).bytes; }
    // Says that the cells of `row` are wanted soon (a walk over many rows asks a few rows
    // ahead, so that they are read from memory meanwhile).
    void Prefetch(quint32 row) const {
        if (row < Rows()) {
            const quint64 start = m_aRowStart[row];
            __builtin_prefetch(m_aBlocks[start >> 32].Data() + (start & 0xFFFFFFFFu));
        }
    }
    // Every cell of a row at once.
    void Row(quint32 row, Value* cells) const;

    // The memory the rows take, blocks and index together.
    size_t MemoryBytes() const;

private:
    // A block of memory mapped for the store alone, so that it goes back to the system
    // whole when the store goes.
    class CBlock {
    public:
        explicit CBlock(size_t size);
        ~CBlock();
        CBlock(CBlock&& other) noexcept;
        CBlock& operator=(CBlock&&) = delete;
        uchar* Data() const { return m_pData; }
        size_t Size() const { return m_nSize; }

    private:
        uchar* m_pData;
        size_t m_nSize;
    };

    uchar* Allocate(size_t bytes);

    int m_nColumns;
    std::vector<quint64> m_aRowStart; // block number << 32 | offset in the block
    std::vector<CBlock> m_aBlocks;
    size_t m_nUsed = 0; // bytes used of the last block
};
