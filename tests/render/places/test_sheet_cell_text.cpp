// Typed cells of a spreadsheet shown as a German sheet shows them.
#include "common/CaseTable.h"

#include "render/places/SheetCellText.h"

#include <gtest/gtest.h>

namespace {

TEST(SheetCellText, TypedCellsAreShownAsAGermanSheetShowsThem) {
    const QList<CaseTable::Row> rows = CaseTable::Read("sheet_cells");
    ASSERT_GT(rows.size(), 20);
    for (const CaseTable::Row& row : rows)
        EXPECT_EQ(SheetCellText::Shown(row.Text(0)), row.Text(1))
            << CaseTable::Where("sheet_cells", row);
}

} // namespace
