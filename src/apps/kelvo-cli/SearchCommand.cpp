#include "apps/kelvo-cli/CliCommon.h"

#include "render/table/GeoTableModel.h"
#include "render/table/TableFill.h"
#include "render/table/TableText.h"
#include "store/GeoDatabase.h"
#include "store/GeoFilter.h"

#include <cstdio>

// kelvo-cli search [--db FILE] [--fold] TEXT
// Lists the rows a search window would list, in the copy format, then the window's title.
// With --fold the German spellings are folded (ä = ae, ö = oe, ü = ue, ß = ss).
int RunSearch(QStringList args) {
    QString error;
    const QString dbPath =
        Cli::TakeOption(args, QStringLiteral("--db"), QStringLiteral("Kelvo.mde"), &error);
    const bool fold = Cli::TakeSwitch(args, QStringLiteral("--fold"));
    if (error.isEmpty() && args.size() != 1)
        error = QStringLiteral("Genau ein Suchtext erwartet.");
    if (!error.isEmpty()) {
        Cli::Err(error + QStringLiteral("\nAufruf: kelvo-cli search [--db DATEI] [--fold] TEXT\n"));
        return 2;
    }
    const QString text = args.first();

    CGeoDatabase db;
    if (!Cli::OpenDatabase(db, dbPath, false))
        return 1;
    const CGeoTableDesc& desc = db.m_Table;
    CGeoTableModel model;
    const CTableFillResult result =
        FillTableModel(db, desc, GeoFilter::Search(text, fold), model, nullptr);
    if (!result.m_strError.isEmpty()) {
        Cli::Err(QStringLiteral("Die Suche nach \"%1\" ist fehlgeschlagen: %2\n")
                     .arg(text, result.m_strError));
        return 1;
    }
    // The copy format (TableText::CopyLine) written from the cells' UTF-8 as it is.
    QByteArray out;
    for (int i = 0; i < model.RowCount(); ++i) {
        for (int j = 1; j < CGeoTableModel::kColumns; ++j) {
            TableText::AppendUtf8(out, model.CellUtf8(i, j));
            out += j + 1 < CGeoTableModel::kColumns ? ", " : "\n";
        }
        if (out.size() > (1 << 16)) {
            std::fwrite(out.constData(), 1, size_t(out.size()), stdout);
            out.clear();
        }
    }
    std::fwrite(out.constData(), 1, size_t(out.size()), stdout);
    Cli::Out(TableText::SearchTitle(result.m_nFound, text, desc.m_strTableName) +
             QLatin1Char('\n'));
    return 0;
}
