// Columns of millions of rows: whatever their size, on either side of where a buffer is mapped
// on its own, they keep their values through growth, copies and moves, and a mapped buffer is
// given back to the system when its column goes.
#include "base/LargeColumns.h"

#include <QFile>

#include <cstdint>

#include <gtest/gtest.h>

namespace {

// Whether a mapping of this process covers the address.
bool mapped(const void* address) {
    QFile maps(QStringLiteral("/proc/self/maps"));
    if (!maps.open(QIODevice::ReadOnly))
        return false;
    const auto at = quintptr(address);
    // Read whole: the file tells no size, so it would seem at its end from the start.
    const QByteArray all = maps.readAll();
    for (const QByteArray& line : all.split('\n')) {
        const qsizetype dash = line.indexOf('-'), space = line.indexOf(' ');
        bool ok1 = false, ok2 = false;
        const quintptr from = line.left(dash).toULongLong(&ok1, 16);
        const quintptr to = line.mid(dash + 1, space - dash - 1).toULongLong(&ok2, 16);
        if (ok1 && ok2 && at >= from && at < to)
            return true;
    }
    return false;
}

} // namespace

TEST(LargeColumns, ColumnsOfAnySizeKeepTheirValues) {
    constexpr std::size_t kMapped = std::size_t(1) << 20;
    for (const std::size_t bytes :
         {std::size_t(0), std::size_t(16), kMapped - 16, kMapped, kMapped + 16, 40 * kMapped}) {
        SCOPED_TRACE(bytes);
        const std::size_t n = bytes / sizeof(std::uint64_t);
        LargeColumns::Column<std::uint64_t> column;
        for (std::size_t i = 0; i < n; ++i)
            column.push_back(i * 7);
        LargeColumns::Column<std::uint64_t> copy = column;
        column.resize(n + n / 2 + 1, 5);
        column.shrink_to_fit();
        LargeColumns::Column<std::uint64_t> moved = std::move(copy);
        ASSERT_EQ(moved.size(), n);
        for (std::size_t i = 0; i < n; ++i) {
            ASSERT_EQ(column[i], i * 7);
            ASSERT_EQ(moved[i], i * 7);
        }
        EXPECT_EQ(column.back(), 5u);
    }
}

TEST(LargeColumns, AMappedColumnIsGivenBackWhenItGoes) {
    const void* data = nullptr;
    {
        LargeColumns::Column<std::uint32_t> column(std::size_t(8) << 20, 1);
        data = column.data();
        ASSERT_TRUE(mapped(data));
    }
    EXPECT_FALSE(mapped(data));
}
