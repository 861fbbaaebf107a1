// The cell store gives back every cell as it was appended, found one at a time or a row at a
// time: short and long cells side by side (one-byte and longer headers), no value, empty
// texts, blobs with zero bytes, a cell larger than a block, at every column count.
#include "render/rows/GeoCellStore.h"

#include <QByteArray>

#include <random>
#include <vector>

#include <gtest/gtest.h>

namespace {

using Value = CGeoCellStore::Value;
constexpr int kMaxColumns = 32; // the most a store takes

struct Cell {
    Value::Kind kind;
    QByteArray bytes;
};

// Lengths around the header's one-byte limit, and a few far beyond it.
QByteArray textOfLength(int length, char fill) {
    QByteArray text(length, fill);
    if (length > 2)
        text[length / 2] = '\0'; // the store keeps bytes, not C strings
    return text;
}

std::vector<std::vector<Cell>> sampleRows(int columns, std::mt19937& random) {
    const int lengths[] = {0, 1, 2, 30, 31, 32, 33, 127, 128, 4095, 70000};
    std::vector<std::vector<Cell>> rows;
    for (int r = 0; r < 400; ++r) {
        std::vector<Cell> row;
        for (int j = 0; j < columns; ++j) {
            const unsigned pick = random() % 16;
            if (pick == 0)
                row.push_back({Value::Null, {}});
            else if (pick == 1)
                row.push_back({Value::Blob, textOfLength(int(random() % 40), char(j))});
            else if (pick < 5 || r % 7 == 0)
                row.push_back(
                    {Value::Text, textOfLength(lengths[random() % std::size(lengths)], 'a' + j)});
            else
                row.push_back({Value::Text, textOfLength(int(random() % 12), 'A' + j)});
        }
        rows.push_back(std::move(row));
    }
    return rows;
}

void expectCell(const Value& got, const Cell& want, int row, int column) {
    EXPECT_EQ(got.kind, want.kind) << "row " << row << ", column " << column;
    EXPECT_EQ(got.bytes.toByteArray(), want.bytes) << "row " << row << ", column " << column;
}

} // namespace

TEST(CellStoreTest, EveryCellComesBackAsAppendedByCellAndByRow) {
    std::mt19937 random(7);
    for (const int columns : {1, 4, 17, kMaxColumns}) {
        SCOPED_TRACE(columns);
        const std::vector<std::vector<Cell>> rows = sampleRows(columns, random);
        CGeoCellStore store(columns);
        for (const std::vector<Cell>& row : rows) {
            std::vector<Value> cells;
            for (const Cell& cell : row)
                cells.push_back({cell.kind, cell.bytes});
            store.Append(cells.data());
        }
        // A row larger than a block of its own, between the others.
        const QByteArray huge(5 << 20, 'x');
        std::vector<Value> big(size_t(columns), Value{Value::Text, QByteArrayView("k")});
        big.back() = {Value::Text, huge};
        const quint32 bigRow = store.Append(big.data());
        ASSERT_EQ(store.Rows(), rows.size() + 1);

        Value all[kMaxColumns];
        for (size_t r = 0; r < rows.size(); ++r) {
            store.Row(quint32(r), all);
            for (int j = 0; j < columns; ++j) {
                expectCell(store.Cell(quint32(r), j), rows[r][size_t(j)], int(r), j);
                expectCell(all[j], rows[r][size_t(j)], int(r), j);
            }
        }
        EXPECT_EQ(store.Bytes(bigRow, columns - 1).size(), huge.size());
        if (columns > 1) {
            EXPECT_EQ(store.Bytes(bigRow, 0), QByteArrayView("k"));
        }
        // Columns the store does not have give no value.
        EXPECT_EQ(store.Cell(0, -1).kind, Value::Null);
        EXPECT_EQ(store.Cell(0, columns).kind, Value::Null);
    }
}
