#include "apps/kelvo-cli/CliCommon.h"

#include "base/GermanNumbers.h"
#include "render/table/GeoTableModel.h"
#include "render/table/TableFill.h"
#include "render/table/TablePrint.h"
#include "store/GeoDatabase.h"
#include "store/GeoFilter.h"

#include <QPdfWriter>

// kelvo-cli print-table [--db FILE] [--search TEXT] OUT.pdf
// Prints the rows a table window would list (all rows, or a search result) to a PDF with the
// page layout of table printing: A4, 600 dots per inch.
int RunPrintTable(QStringList args) {
    QString error;
    const QString dbPath =
        Cli::TakeOption(args, QStringLiteral("--db"), QStringLiteral("Kelvo.mde"), &error);
    const QStringList search = Cli::TakeOptions(args, QStringLiteral("--search"), &error);
    if (error.isEmpty() &&
        (args.size() != 1 || !args.first().endsWith(QLatin1String(".pdf"), Qt::CaseInsensitive)))
        error = QStringLiteral("Genau eine PDF-Ausgabedatei erwartet.");
    if (!error.isEmpty()) {
        Cli::Err(error + QStringLiteral("\nAufruf: kelvo-cli print-table [--db DATEI] [--search "
                                        "TEXT] AUSGABE.pdf\n"));
        return 2;
    }

    CGeoDatabase db;
    if (!Cli::OpenDatabase(db, dbPath, false))
        return 1;
    const CGeoTableDesc& desc = db.m_Table;
    const CGeoFilter filter = search.isEmpty() ? CGeoFilter() : GeoFilter::Search(search.last());
    CGeoTableModel model;
    const CTableFillResult result = FillTableModel(db, desc, filter, model, nullptr);
    if (!result.m_strError.isEmpty()) {
        Cli::Err(
            QStringLiteral("Die Tabelle kann nicht gelesen werden: %1\n").arg(result.m_strError));
        return 1;
    }

    std::unique_ptr<QPdfWriter> writer = Cli::MakePdfWriter(args.first());
    if (!TablePrint::PrintAll(*writer, desc, TablePrint::RowsOf(model),
                              QSize(Cli::kScreenDpi, Cli::kScreenDpi))) {
        Cli::Err(QStringLiteral("Die PDF-Datei \"%1\" kann nicht geschrieben werden.\n")
                     .arg(args.first()));
        return 1;
    }
    Cli::Out(QStringLiteral("%1 gedruckt\n")
                 .arg(GermanNumbers::Count(model.RowCount(), QStringLiteral("Zeile"),
                                           QStringLiteral("Zeilen"))));
    return 0;
}
