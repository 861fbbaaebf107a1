#include "cli/CliCommon.h"

#include "db/GeoDatabase.h"
#include "db/GeoRecordset.h"
#include "db/GeoSql.h"
#include "table/TableText.h"

// kelvo-cli search [--db FILE] TEXT
// Lists the rows a search window would list, in the copy format, then the window's title.
int RunSearch(QStringList args) {
    QString error;
    const QString dbPath =
        Cli::TakeOption(args, QStringLiteral("--db"), QStringLiteral("Kelvo.mde"), &error);
    if (error.isEmpty() && args.size() != 1)
        error = QStringLiteral("Genau ein Suchtext erwartet.");
    if (!error.isEmpty()) {
        Cli::Err(error + QStringLiteral("\nAufruf: kelvo-cli search [--db DATEI] TEXT\n"));
        return 2;
    }
    const QString text = args.first();

    CGeoDatabase db;
    if (!Cli::OpenDatabase(db, dbPath, false))
        return 1;
    const CGeoTableDesc& desc = db.m_Table;
    CGeoRecordset rs(db);
    QString out;
    int found = 0;
    if (rs.Open(GeoSql::FilteredQuery(desc, GeoSql::SearchFilter(text)))) {
        while (rs.MoveNext()) {
            out += TableText::CopyLine(TableText::ReadRowCells(rs, desc));
            ++found;
        }
    }
    if (rs.HasError()) {
        Cli::Err(
            QStringLiteral("Die Suche nach \"%1\" ist fehlgeschlagen: %2\n").arg(text, rs.Error()));
        return 1;
    }
    out += TableText::SearchTitle(found, text, desc.m_strTableName) + QLatin1Char('\n');
    Cli::Out(out);
    return 0;
}
