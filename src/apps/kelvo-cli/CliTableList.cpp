#include "apps/kelvo-cli/CliTableList.h"

#include "apps/kelvo-cli/CliCommon.h"
#include "base/DateText.h"
#include "render/rows/GeoPlaceRows.h"
#include "render/rows/GeoPlaceRowsCache.h"
#include "store/GeoDatabase.h"

namespace {

QString rgbText(COLORREF c) {
    return QStringLiteral("%1,%2,%3").arg(GetRValue(c)).arg(GetGValue(c)).arg(GetBValue(c));
}

} // namespace

namespace Cli {

TableListArgs TakeTableListArgs(QStringList& args, QString* error) {
    TableListArgs out;
    out.strSheet = TakeOption(args, QStringLiteral("--sheet"), {}, error);
    out.aMap = TakeOptions(args, QStringLiteral("--map"), error);
    out.strCountry = TakeOption(args, QStringLiteral("--country"), {}, error);
    out.strAsOf = TakeOption(args, QStringLiteral("--stichtag"), {}, error);
    return out;
}

bool ReadTableList(CGeoDatabase& db, const QString& path, const TableListArgs& args,
                   CTableList* list) {
    QString error;
    const std::shared_ptr<const CGeoPlaceRows> rows =
        CGeoPlaceRowsCache::Of(db).Rows(true, {}, &error);
    if (!error.isEmpty()) {
        Err(QStringLiteral("Die Tabelle \"%1\" kann nicht gelesen werden: %2\n")
                .arg(db.m_Table.m_strTableName, error));
        return false;
    }
    CTableListOptions options;
    options.strSheet = args.strSheet;
    options.aMapOptions = args.aMap;
    options.strCountry = args.strCountry;
    if (!TableList::Read(path, options, *rows, list, &error)) {
        Err(error + QLatin1Char('\n'));
        return false;
    }
    QString issues;
    for (const CTableListIssue& issue : list->aIssues)
        issues += QStringLiteral("Zeile %1: %2 (%3)\n")
                      .arg(issue.nLine)
                      .arg(issue.strReason, issue.values.join(QLatin1Char(';')));
    Err(issues);
    return true;
}

bool AsOfDay(const TableListArgs& args, QDate* day) {
    *day = args.strAsOf.isEmpty() ? QDate::currentDate() : ParseDateText(args.strAsOf);
    if (!day->isValid()) {
        Err(QStringLiteral("Ungültiger Stichtag \"%1\" (erwartet etwa 24.12.2026).\n")
                .arg(args.strAsOf));
        return false;
    }
    return true;
}

QString PlaceEntryLine(const CPlaceEntry& e) {
    const QStringList fields{e.m_strStaat,          e.m_strPLZ,         e.m_strDate,
                             e.m_strMarkerSize,     e.m_strBlink,       e.m_strMarkerColor,
                             e.m_strTextColor,      e.m_strFontHeight,  e.m_strLabel,
                             rgbText(e.m_crMarker), rgbText(e.m_crText)};
    return fields.join(QLatin1Char('\t'));
}

} // namespace Cli
