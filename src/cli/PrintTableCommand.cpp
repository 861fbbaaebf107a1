#include "cli/CliCommon.h"

#include "db/GeoDatabase.h"
#include "db/GeoRecordset.h"
#include "db/GeoSql.h"
#include "table/TablePrint.h"
#include "table/TableText.h"

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
    const QString filter = search.isEmpty() ? QString() : GeoSql::SearchFilter(search.last());
    QList<QStringList> rows;
    CGeoRecordset rs(db);
    if (rs.Open(GeoSql::FilteredQuery(desc, filter)))
        while (rs.MoveNext())
            rows << TableText::ReadRowCells(rs, desc);
    if (rs.HasError()) {
        Cli::Err(QStringLiteral("Die Tabelle kann nicht gelesen werden: %1\n").arg(rs.Error()));
        return 1;
    }

    std::unique_ptr<QPdfWriter> writer = Cli::MakePdfWriter(args.first(), false);
    const TablePrint::Rows source{int(rows.size()),
                                  [&rows](int row, int column) { return rows[row][column]; }};
    if (!TablePrint::PrintAll(*writer, desc, source, QSize(Cli::kScreenDpi, Cli::kScreenDpi))) {
        Cli::Err(QStringLiteral("Die PDF-Datei \"%1\" kann nicht geschrieben werden.\n")
                     .arg(args.first()));
        return 1;
    }
    Cli::Out(QStringLiteral("%1 Zeilen gedruckt\n").arg(rows.size()));
    return 0;
}
