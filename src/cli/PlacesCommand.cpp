#include "cli/CliCommon.h"

#include "mapdoc/PlaceFile.h"

#include <QFile>

namespace {

QString rgbText(COLORREF c) {
    return QStringLiteral("%1,%2,%3").arg(GetRValue(c)).arg(GetGValue(c)).arg(GetBValue(c));
}

} // namespace

// kelvo-cli places FILE
// Reads a place file as a map window does: each date message (line feeds written as \n),
// each entry taken (its nine fields, marker and text colour as R,G,B, tab-separated), and
// the counts.
int RunPlaces(QStringList args) {
    if (args.size() != 1) {
        Cli::Err(
            QStringLiteral("Genau eine Ortsdatei erwartet.\nAufruf: kelvo-cli places DATEI\n"));
        return 2;
    }
    QFile file(args.first());
    if (!file.open(QIODevice::ReadOnly)) {
        Cli::Err(QStringLiteral("Die Ortsdatei \"%1\" kann nicht geöffnet werden: %2\n")
                     .arg(args.first(), file.errorString()));
        return 1;
    }
    QString out;
    CPlaceFileReader reader([&out](const QString& message, int line) {
        QString oneLine = message;
        oneLine.replace(QLatin1Char('\n'), QLatin1String("\\n"));
        out += QStringLiteral("Zeile %1: %2\n").arg(line).arg(oneLine);
    });
    CPlaceList places;
    if (!reader.Read(file, places)) {
        Cli::Err(QStringLiteral("Die Ortsdatei \"%1\" kann nicht gelesen werden: %2\n")
                     .arg(args.first(), reader.Error()));
        return 1;
    }
    for (const CPlaceEntry& e : places) {
        const QStringList fields{e.m_strStaat,          e.m_strPLZ,         e.m_strDate,
                                 e.m_strMarkerSize,     e.m_strBlink,       e.m_strMarkerColor,
                                 e.m_strTextColor,      e.m_strFontHeight,  e.m_strLabel,
                                 rgbText(e.m_crMarker), rgbText(e.m_crText)};
        out += fields.join(QLatin1Char('\t')) + QLatin1Char('\n');
    }
    out += QStringLiteral("Zeilen gelesen: %1, Orte übernommen: %2\n")
               .arg(reader.LinesRead())
               .arg(places.size());
    Cli::Out(out);
    return 0;
}
