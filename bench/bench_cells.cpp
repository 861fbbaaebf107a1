// Figures of the cells a table window holds: writing every row of a window of all rows as
// CSV (the export of a window, which asks for each cell in turn), and reading every cell
// of it by column as a header-click sort or a painted screen does. A group of their own
// (kelvo-bench DBFILE 1 cells): run before the table's figures, their two fills of all rows
// left the allocator holding memory that then counted as the next fill's (134 against 112
// bytes a row at 1M rows).
#include "BenchRegistry.h"

#include "render/export/Export.h"
#include "render/table/GeoTableModel.h"
#include "render/table/TableExport.h"
#include "render/table/TableFill.h"
#include "store/GeoDatabase.h"
#include "ui/shell/Globals.h"

#include <QTemporaryDir>

#include <memory>

namespace {

std::unique_ptr<CGeoTableModel> g_pModel;
volatile qsizetype g_nSink = 0; // keeps the reads from being left out

void fillWindowRows() {
    g_pModel = std::make_unique<CGeoTableModel>();
    FillTableModel(g_GeoDatabase, g_GeoDatabase.m_Table, CGeoFilter(), *g_pModel, nullptr);
}

void dropWindowRows() {
    g_pModel.reset();
}

const BenchRegistrar exportWindow({.group = "cells",
                                   .key = "export-window",
                                   .run =
                                       [](CGeoDatabase&) {
                                           QTemporaryDir dir;
                                           Export::WriteFile(dir.filePath("rows.csv"),
                                                             Export::Format::Csv,
                                                             TableExportRows(*g_pModel));
                                       },
                                   .setUp = fillWindowRows,
                                   .tearDown = dropWindowRows});

const BenchRegistrar everyCell({.group = "cells",
                                .key = "cells-by-column",
                                .run =
                                    [](CGeoDatabase&) {
                                        qsizetype bytes = 0;
                                        for (int column = 0; column < CGeoTableModel::kColumns;
                                             ++column) {
                                            for (int row = 0; row < g_pModel->RowCount(); ++row)
                                                bytes += g_pModel->CellUtf8(row, column).size();
                                        }
                                        g_nSink = bytes;
                                    },
                                .setUp = fillWindowRows,
                                .tearDown = dropWindowRows});

} // namespace
