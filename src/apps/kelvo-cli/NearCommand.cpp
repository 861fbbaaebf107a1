#include "apps/kelvo-cli/CliCommon.h"

#include "render/table/GeoTableModel.h"
#include "render/table/TableDistance.h"
#include "render/table/TableFill.h"
#include "render/table/TableText.h"
#include "store/GeoDatabase.h"
#include "store/GeoRadius.h"

// kelvo-cli near [--db FILE] [--radius KM] [--pick N] CENTRE
// Lists the rows within the radius of the centre, nearest first, as the copy command writes
// them with ", " and the distance in km after each (with a decimal point, as the copy
// format writes numbers), then the title of the result window. When several places fit
// the centre, they are listed on standard error, and the first, or the N-th, is taken.
int RunNear(QStringList args) {
    QString error;
    const QString dbPath =
        Cli::TakeOption(args, QStringLiteral("--db"), QStringLiteral("Kelvo.mde"), &error);
    const QString radiusText = Cli::TakeOption(
        args, QStringLiteral("--radius"), QString::number(GeoRadius::kDefaultRadiusKm), &error);
    const QString pickText =
        Cli::TakeOption(args, QStringLiteral("--pick"), QStringLiteral("1"), &error);
    double km = 0;
    if (error.isEmpty())
        GeoRadius::ParseRadius(radiusText, &km, &error);
    bool pickOk = false;
    const int pick = pickText.toInt(&pickOk);
    if (error.isEmpty() && (!pickOk || pick < 1))
        error = QStringLiteral("--pick erwartet eine Zahl ab 1, nicht \"%1\".").arg(pickText);
    if (error.isEmpty() && args.isEmpty())
        error = QStringLiteral("Kein Mittelpunkt angegeben.");
    if (!error.isEmpty()) {
        Cli::Err(error + QStringLiteral("\nAufruf: kelvo-cli near [--db DATEI] [--radius KM] "
                                        "[--pick N] MITTELPUNKT (PLZ, \"DE 80331\", Ort oder "
                                        "LON;LAT)\n"));
        return 2;
    }

    CGeoDatabase db;
    if (!Cli::OpenDatabase(db, dbPath, false))
        return 1;
    const QString text = args.join(QLatin1Char(' '));
    QList<CRadiusCentre> places;
    if (!GeoRadius::FindCentres(db, text, &places, &error)) {
        Cli::Err(error + QLatin1Char('\n'));
        return 1;
    }
    if (places.size() > 1 || pick > 1) {
        QString list = places.size() == 1
                           ? QStringLiteral("1 Ort passt zu \"%1\":\n").arg(text.trimmed())
                           : QStringLiteral("%1 Orte passen zu \"%2\":\n")
                                 .arg(places.size())
                                 .arg(text.trimmed());
        constexpr int kListed = 200;
        for (int i = 0; i < places.size() && i < kListed; ++i)
            list += QStringLiteral("%1: %2\n").arg(i + 1).arg(GeoRadius::PlaceText(places[i]));
        if (places.size() > kListed)
            list += QStringLiteral("... und %1 weitere\n").arg(places.size() - kListed);
        if (pick > places.size()) {
            Cli::Err(list + QStringLiteral("--pick %1 gibt es nicht.\n").arg(pick));
            return 2;
        }
        Cli::Err(
            list +
            QStringLiteral("Mittelpunkt ist Nr. %1; einen anderen wählt --pick N.\n").arg(pick));
    }
    const CRadiusCentre& centre = places.at(pick - 1);
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
        out += line + QStringLiteral(", ") + model.DistanceText(i) + QLatin1Char('\n');
    }
    out += GeoRadius::Title(result.m_nFound, km, centre) + QLatin1Char('\n');
    Cli::Out(out);
    return 0;
}
