#include "cli/CliCommon.h"

#include "db/GeoDatabase.h"
#include "db/GeoRadius.h"
#include "table/GeoTableModel.h"
#include "table/TableDistance.h"
#include "table/TableFill.h"
#include "table/TableText.h"

// kelvo-cli near [--db FILE] [--radius KM] CENTRE
// Lists the rows within the radius of the centre, nearest first, as the copy command writes
// them with ", " and the distance in km after each, then the title of the result window.
int RunNear(QStringList args) {
    QString error;
    const QString dbPath =
        Cli::TakeOption(args, QStringLiteral("--db"), QStringLiteral("Kelvo.mde"), &error);
    const QString radiusText = Cli::TakeOption(
        args, QStringLiteral("--radius"), QString::number(GeoRadius::kDefaultRadiusKm), &error);
    double km = 0;
    if (error.isEmpty())
        GeoRadius::ParseRadius(radiusText, &km, &error);
    if (error.isEmpty() && args.isEmpty())
        error = QStringLiteral("Kein Mittelpunkt angegeben.");
    if (!error.isEmpty()) {
        Cli::Err(error + QStringLiteral("\nAufruf: kelvo-cli near [--db DATEI] [--radius KM] "
                                        "MITTELPUNKT (PLZ, \"DE 80331\", Ort oder LON;LAT)\n"));
        return 2;
    }

    CGeoDatabase db;
    if (!Cli::OpenDatabase(db, dbPath, false))
        return 1;
    CRadiusCentre centre;
    if (!GeoRadius::FindCentre(db, args.join(QLatin1Char(' ')), &centre, &error)) {
        Cli::Err(error + QLatin1Char('\n'));
        return 1;
    }
    CGeoTableModel model;
    const CTableFillResult result =
        FillTableModel(db, db.m_Table, GeoRadius::Filter(centre, km), model, nullptr);
    if (!result.m_strError.isEmpty()) {
        Cli::Err(
            QStringLiteral("Die Umkreissuche ist fehlgeschlagen: %1\n").arg(result.m_strError));
        return 1;
    }
    TableDistance::ShowDistances(model, centre.dLon, centre.dLat);
    QString out;
    for (int i = 0; i < model.RowCount(); ++i) {
        QString line = TableText::CopyLine(model.RowCells(i));
        line.chop(1); // the line feed
        out += line + QStringLiteral(", ") + QString::number(model.Distance(i), 'f', 1) +
               QLatin1Char('\n');
    }
    out += GeoRadius::Title(result.m_nFound, km, centre) + QLatin1Char('\n');
    Cli::Out(out);
    return 0;
}
