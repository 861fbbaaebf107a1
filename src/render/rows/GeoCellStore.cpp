#include "render/rows/GeoCellStore.h"

#include "store/GeoRecordset.h"

#include <sys/mman.h>

#include <algorithm>
#include <cstring>
#include <new>
#include <utility>

namespace {

constexpr size_t kBlockSize = size_t(1) << 22;
constexpr int kMaxHeader = 10; // a 64-bit number in 7-bit groups

// The header of a cell: its length and kind in 7-bit groups, the low group first.
inline uchar* putHeader(uchar* p, quint64 v) {
    while (v >= 0x80) {
        *p++ = uchar(v | 0x80);
        v >>= 7;
    }
    *p++ = uchar(v);
    return p;
}

inline const uchar* getHeader(const uchar* p, quint64* v) {
    quint64 x = 0;
    int shift = 0;
    while (*p & 0x80) {
        x |= quint64(*p++ & 0x7F) << shift;
        shift += 7;
    }
    *v = x | quint64(*p++) << shift;
    return p;
}

inline quint64 header(const CGeoCellStore::Value& cell) {
    return quint64(cell.bytes.size()) << 2 | cell.kind;
}

} // namespace

CGeoCellStore::CBlock::CBlock(size_t size) : m_nSize(size) {
    void* p = mmap(nullptr, size, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (p == MAP_FAILED)
        throw std::bad_alloc();
    m_pData = static_cast<uchar*>(p);
}

CGeoCellStore::CBlock::~CBlock() {
    if (m_pData)
        munmap(m_pData, m_nSize);
}

CGeoCellStore::CBlock::CBlock(CBlock&& other) noexcept
    : m_pData(std::exchange(other.m_pData, nullptr)), m_nSize(other.m_nSize) {}

CGeoCellStore::CGeoCellStore(int columns) : m_nColumns(columns) {}

uchar* CGeoCellStore::Allocate(size_t bytes) {
    if (m_aBlocks.empty() || m_nUsed + bytes > m_aBlocks.back().Size()) {
        m_aBlocks.emplace_back(std::max(bytes, kBlockSize));
        m_nUsed = 0;
    }
    uchar* p = m_aBlocks.back().Data() + m_nUsed;
    m_aRowStart.push_back(quint64(m_aBlocks.size() - 1) << 32 | m_nUsed);
    return p;
}

quint32 CGeoCellStore::Append(const Value* cells) {
    size_t bytes = 0;
    for (int j = 0; j < m_nColumns; ++j)
        bytes += kMaxHeader + size_t(cells[j].bytes.size());
    uchar* const begin = Allocate(bytes);
    uchar* p = begin;
    for (int j = 0; j < m_nColumns; ++j) {
        p = putHeader(p, header(cells[j]));
        if (!cells[j].bytes.isEmpty())
            std::memcpy(p, cells[j].bytes.data(), size_t(cells[j].bytes.size()));
        p += cells[j].bytes.size();
    }
    m_nUsed += size_t(p - begin);
    return Rows() - 1;
}

quint32 CGeoCellStore::Append(const CGeoRecordset& rs, const int* fields, quint32 exactKinds) {
    constexpr int kMaxColumns = 32;
    Value cells[kMaxColumns];
    rs.FieldValues(fields, std::min(m_nColumns, kMaxColumns), cells, exactKinds);
    return Append(cells);
}

void CGeoCellStore::Row(quint32 row, Value* cells) const {
    const quint64 start = m_aRowStart[row];
    const uchar* p = m_aBlocks[start >> 32].Data() + (start & 0xFFFFFFFFu);
    for (int j = 0; j < m_nColumns; ++j) {
        quint64 h;
        p = getHeader(p, &h);
        cells[j].kind = Value::Kind(h & 3);
        cells[j].bytes = QByteArrayView(reinterpret_cast<const char*>(p), qsizetype(h >> 2));
        p += h >> 2;
    }
}

CGeoCellStore::Value CGeoCellStore::Cell(quint32 row, int column) const {
    if (column < 0 || column >= m_nColumns)
        return {};
    const quint64 start = m_aRowStart[row];
    const uchar* p = m_aBlocks[start >> 32].Data() + (start & 0xFFFFFFFFu);
    quint64 h;
    for (int j = 0;; ++j) {
        p = getHeader(p, &h);
        if (j == column)
            break;
        p += h >> 2;
    }
    return {Value::Kind(h & 3),
            QByteArrayView(reinterpret_cast<const char*>(p), qsizetype(h >> 2))};
}

size_t CGeoCellStore::MemoryBytes() const {
    size_t bytes = m_aRowStart.capacity() * sizeof(quint64);
    for (const CBlock& block : m_aBlocks)
        bytes += block.Size();
    return bytes;
}
