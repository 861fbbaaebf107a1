#include "apps/kelvo-cli/CliCommon.h"
#include "apps/kelvo-cli/CliTableList.h"

#include "base/SystemErrorText.h"
#include "base/TextNumbers.h"
#include "render/basemap/BaseMapData.h"
#include "render/map/MapCanvas.h"
#include "render/map/MapExtent.h"
#include "render/map/MapImage.h"
#include "render/map/MapLegend.h"
#include "render/map/MapPoster.h"
#include "render/map/MapPosterPdf.h"
#include "render/map/MapPrint.h"
#include "render/places/PlaceFile.h"
#include "render/places/TableListAge.h"
#include "render/territory/TerritoryOutlines.h"
#include "store/GeoDatabase.h"

#include <QFile>
#include <QFileInfo>
#include <QPainter>
#include <QPdfWriter>

namespace {

const char* const kRenderUsage =
    "Aufruf: kelvo-cli render [--db DATEI] [--size BxH] [--extent WEST,OST,SUED,NORD] "
    "[--names] [--declutter] [--memos] [--territories] [--outlines [--concave ENGE]] [--marker N] "
    "[--places DATEI] "
    "[--selected LON,LAT,NAME] [--sheet BLATT] [--map ...] [--country XX] [--stichtag DATUM] "
    "[--age-rules TAGE=R,G,B;...] "
    "[--basemap] [--aspect] [--legend] [--poster A0..A4|BxH [--title TEXT] [--tiles A4] "
    "[--portrait] [--margin MM] [--name-size PT]] "
    "AUSGABE.png|AUSGABE.svg|AUSGABE.pdf\n";

// Largest image side; a map window is never bigger.
constexpr int kMaxSide = 20000;
// What the poster dialog offers for the margins and the names' font height.
constexpr double kMaxPosterMarginMm = 100;
constexpr int kMinNamePoints = 4;
constexpr int kMaxNamePoints = 72;

bool parseNumber(const QString& text, double* value) {
    return TextNumbers::ParseNumber(text.toUtf8(), value);
}

bool parseSize(const QString& text, QSize* size) {
    const QStringList parts = text.split(QLatin1Char('x'));
    bool okW = false, okH = false;
    if (parts.size() != 2)
        return false;
    const int w = parts[0].toInt(&okW), h = parts[1].toInt(&okH);
    if (!okW || !okH || w <= 0 || h <= 0 || w > kMaxSide || h > kMaxSide)
        return false;
    *size = QSize(w, h);
    return true;
}

bool parseExtent(const QString& text, CMapSettings* s) {
    const QStringList parts = text.split(QLatin1Char(','));
    double v[4];
    if (parts.size() != 4)
        return false;
    for (int i = 0; i < 4; ++i) {
        if (!parseNumber(parts[i], &v[i]))
            return false;
    }
    if (v[0] == v[1] || v[2] == v[3])
        return false;
    s->dLonWest = v[0];
    s->dLonEast = v[1];
    s->dLatSouth = v[2];
    s->dLatNorth = v[3];
    return true;
}

// "LON,LAT,NAME": the name may hold commas itself.
bool parseSelected(const QString& text, CMapSelectedPlace* selected) {
    const int first = int(text.indexOf(QLatin1Char(',')));
    const int second = first < 0 ? -1 : int(text.indexOf(QLatin1Char(','), first + 1));
    double lon, lat;
    if (second < 0 || !parseNumber(text.left(first), &lon) ||
        !parseNumber(text.mid(first + 1, second - first - 1), &lat))
        return false;
    *selected = CMapSelectedPlace{lon, lat, text.mid(second + 1)};
    return true;
}

bool readPlaces(CGeoDatabase& db, const QString& path, const Cli::TableListArgs& tableArgs,
                const QList<CAgeRule>& ageRules, CPlaceList& places,
                QList<CLegendSection>* legend) {
    // A list of the user's: its entries as they stand on the day, coloured by their age
    // there as the map window colours them.
    if (TableList::IsListFileName(path)) {
        QDate day;
        CTableList list;
        if (!Cli::AsOfDay(tableArgs, &day) || !Cli::ReadTableList(db, path, tableArgs, &list))
            return false;
        places = TableList::AsOf(list.aEntries, day);
        TableListAge::Colour(places, ageRules, day);
        *legend = MapLegend::ListSections(list, ageRules, day);
        return true;
    }
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        Cli::Err(QStringLiteral("Die Ortsdatei \"%1\" kann nicht geöffnet werden: %2\n")
                     .arg(path, SystemErrorText::OfFile(path, SystemErrorText::Access::Read,
                                                        file.errorString())));
        return false;
    }
    CPlaceFileReader reader([](const QString& message, int) { Cli::Err(message + '\n'); });
    if (!reader.Read(file, places)) {
        Cli::Err(QStringLiteral("Die Ortsdatei \"%1\" kann nicht gelesen werden: %2\n")
                     .arg(path, reader.Error()));
        return false;
    }
    return true;
}

// Writes the rendered map; the file's suffix chooses the format. A PDF is the map printed
// as a map window prints it: at the size it has on a screen of 96 dots per inch on an A4
// page, turned to landscape and scaled down where it does not fit.
bool writeOutput(CMapCanvas& canvas, QSize size, const QString& path,
                 const CPosterOptions* poster) {
    const QString suffix = QFileInfo(path).suffix().toLower();
    if (poster) {
        if (suffix != QLatin1String("pdf")) {
            Cli::Err(QStringLiteral("Ein Poster wird als PDF-Datei geschrieben: %1\n").arg(path));
            return false;
        }
        const QString error = MapPosterPdf::Write(path, canvas, *poster);
        if (error.isEmpty())
            return true;
        // No poster cut short is left behind.
        QFile::remove(path);
        Cli::Err(error + QLatin1Char('\n'));
        return false;
    }
    if (suffix == QLatin1String("pdf")) {
        std::unique_ptr<QPdfWriter> writer = Cli::MakePdfWriter(path);
        const QSize screenDpi(Cli::kScreenDpi, Cli::kScreenDpi);
        const CMapPageFit fit =
            FitMapToPage(size, screenDpi, writer->pageLayout(), writer->resolution());
        writer->setPageOrientation(fit.orientation);
        QPainter painter;
        if (!painter.begin(writer.get())) {
            Cli::Err(
                QStringLiteral("Die PDF-Datei \"%1\" kann nicht geschrieben werden.\n").arg(path));
            return false;
        }
        const QString error =
            PrintMap(painter, canvas, size, screenDpi,
                     QSize(writer->logicalDpiX(), writer->logicalDpiY()), nullptr, fit.scale);
        painter.end();
        if (!error.isEmpty()) {
            Cli::Err(error + QLatin1Char('\n'));
            return false;
        }
        return true;
    }
    if (suffix == QLatin1String("svg")) {
        QString error;
        if (!MapImage::WriteSvg(canvas, size, path, &error)) {
            Cli::Err(error + QLatin1Char('\n'));
            return false;
        }
        return true;
    }
    if (suffix != QLatin1String("png")) {
        Cli::Err(
            QStringLiteral("Die Ausgabe muss eine PNG-, SVG- oder PDF-Datei sein: %1\n").arg(path));
        return false;
    }
    const QString drawError = canvas.Repaint(size, size);
    if (!drawError.isEmpty()) {
        Cli::Err(drawError + QLatin1Char('\n'));
        return false;
    }
    if (!canvas.BackBuffer().save(path, "PNG")) {
        Cli::Err(QStringLiteral("Das Bild \"%1\" kann nicht geschrieben werden.\n").arg(path));
        return false;
    }
    return true;
}

} // namespace

// kelvo-cli render [...] OUT.png|OUT.pdf
// Draws what a map window of the given outer size shows after a full repaint, or prints it.
int RunRender(QStringList args) {
    QString error;
    const QString dbPath =
        Cli::TakeOption(args, QStringLiteral("--db"), QStringLiteral("Kelvo.mde"), &error);
    const QString sizeText =
        Cli::TakeOption(args, QStringLiteral("--size"), QStringLiteral("800x600"), &error);
    const QString extentText = Cli::TakeOption(args, QStringLiteral("--extent"), {}, &error);
    const QString markerText = Cli::TakeOption(args, QStringLiteral("--marker"), {}, &error);
    const QString placesPath = Cli::TakeOption(args, QStringLiteral("--places"), {}, &error);
    const QString selectedText = Cli::TakeOption(args, QStringLiteral("--selected"), {}, &error);
    const QString posterText = Cli::TakeOption(args, QStringLiteral("--poster"), {}, &error);
    const QString titleText = Cli::TakeOption(args, QStringLiteral("--title"), {}, &error);
    const QString tilesText = Cli::TakeOption(args, QStringLiteral("--tiles"), {}, &error);
    const QString marginText = Cli::TakeOption(args, QStringLiteral("--margin"), {}, &error);
    const QString nameSizeText = Cli::TakeOption(args, QStringLiteral("--name-size"), {}, &error);
    const bool portrait = Cli::TakeSwitch(args, QStringLiteral("--portrait"));
    const QString ageText = Cli::TakeOption(args, QStringLiteral("--age-rules"), {}, &error);
    const QString concaveText = Cli::TakeOption(args, QStringLiteral("--concave"), {}, &error);
    const Cli::TableListArgs tableArgs = Cli::TakeTableListArgs(args, &error);
    CMapSettings settings{kDefaultLonWest,  kDefaultLonEast, kDefaultLatSouth,
                          kDefaultLatNorth, false,           0};
    settings.bShowNames = Cli::TakeSwitch(args, QStringLiteral("--names"));
    const bool showMemos = Cli::TakeSwitch(args, QStringLiteral("--memos"));
    const bool declutter = Cli::TakeSwitch(args, QStringLiteral("--declutter"));
    settings.bBaseMap = Cli::TakeSwitch(args, QStringLiteral("--basemap"));
    settings.bKeepAspect = Cli::TakeSwitch(args, QStringLiteral("--aspect"));
    settings.bLegend = Cli::TakeSwitch(args, QStringLiteral("--legend"));
    const bool territories = Cli::TakeSwitch(args, QStringLiteral("--territories"));
    const bool outlines = Cli::TakeSwitch(args, QStringLiteral("--outlines"));
    QSize size;
    bool markerOk = true;
    if (!markerText.isEmpty())
        settings.nMarkerHalfSize = markerText.toInt(&markerOk);
    if (error.isEmpty() && !parseSize(sizeText, &size))
        error = QStringLiteral("Ungültige Größe \"%1\" (erwartet etwa 800x600).").arg(sizeText);
    if (error.isEmpty() && !extentText.isEmpty() && !parseExtent(extentText, &settings))
        error = QStringLiteral("Ungültiger Ausschnitt \"%1\" (erwartet WEST,OST,SUED,NORD).")
                    .arg(extentText);
    if (error.isEmpty() && !markerOk)
        error = QStringLiteral("Ungültige Markergröße \"%1\".").arg(markerText);
    if (error.isEmpty() && !selectedText.isEmpty() &&
        !parseSelected(selectedText, &settings.selected))
        error = QStringLiteral("Ungültiger gewählter Ort \"%1\" (erwartet LON,LAT,NAME).")
                    .arg(selectedText);
    CPosterOptions poster;
    poster.strTitle = titleText;
    poster.date = QDate::currentDate();
    if (error.isEmpty() && !posterText.isEmpty() &&
        !MapPoster::PageSizeFromName(posterText, &poster.pageSize))
        error = QStringLiteral("Ungültige Postergröße \"%1\" (erwartet A0 bis A4 oder BxH in mm).")
                    .arg(posterText);
    if (error.isEmpty() && !tilesText.isEmpty() &&
        (posterText.isEmpty() || !MapPoster::PageSizeFromName(tilesText, &poster.tilePageSize)))
        error = posterText.isEmpty()
                    ? QStringLiteral("--tiles gilt nur mit --poster.")
                    : QStringLiteral("Ungültige Seitengröße \"%1\" (erwartet A0 bis A4 oder BxH "
                                     "in mm).")
                          .arg(tilesText);
    if (error.isEmpty() && posterText.isEmpty() &&
        (portrait || !marginText.isEmpty() || !nameSizeText.isEmpty()))
        error = QStringLiteral("--portrait, --margin und --name-size gelten nur mit --poster.");
    if (portrait)
        poster.orientation = QPageLayout::Portrait;
    double margin = 0;
    if (error.isEmpty() && !marginText.isEmpty() &&
        !(parseNumber(marginText, &margin) && margin >= 0 && margin <= kMaxPosterMarginMm))
        error = QStringLiteral("Ungültiger Rand \"%1\" (erwartet 0 bis 100 mm).").arg(marginText);
    if (!marginText.isEmpty())
        poster.dMarginMm = margin;
    bool nameSizeOk = true;
    if (!nameSizeText.isEmpty())
        poster.nNamePoints = nameSizeText.toInt(&nameSizeOk);
    if (error.isEmpty() &&
        (!nameSizeOk || (!nameSizeText.isEmpty() && (poster.nNamePoints < kMinNamePoints ||
                                                     poster.nNamePoints > kMaxNamePoints))))
        error = QStringLiteral("Ungültige Schriftgröße \"%1\" (erwartet %2 bis %3 pt).")
                    .arg(nameSizeText)
                    .arg(kMinNamePoints)
                    .arg(kMaxNamePoints);
    CTerritoryOutlineShape shape;
    if (error.isEmpty() && !concaveText.isEmpty())
        TerritoryOutlines::ParseConcave(concaveText, &shape, &error);
    QList<CAgeRule> ageRules;
    if (error.isEmpty() && !ageText.isEmpty()) {
        if (!TableList::IsListFileName(placesPath))
            error = QStringLiteral("Altersregeln (--age-rules) gelten für eine Liste "
                                   "(--places mit .xlsx, .ods, .csv oder .tsv).");
        else
            TableListAge::Parse(ageText, &ageRules, &error);
    }
    if (error.isEmpty() && args.size() != 1)
        error = QStringLiteral("Genau eine Ausgabedatei erwartet.");
    if (!error.isEmpty()) {
        Cli::Err(error + QLatin1Char('\n') + QString::fromUtf8(kRenderUsage));
        return 2;
    }

    CGeoDatabase db;
    if (!Cli::OpenDatabase(db, dbPath, false))
        return 1;
    if (settings.bBaseMap && !CBaseMapData::Shared().IsAvailable()) {
        Cli::Err(QStringLiteral("Die Grundkarte fehlt: Bitte das Debian-Paket %1 installieren.\n")
                     .arg(CBaseMapData::Shared().MissingPackage()));
        return 1;
    }
    CPlaceList places;
    QList<CLegendSection> legend;
    if (!placesPath.isEmpty() && !readPlaces(db, placesPath, tableArgs, ageRules, places, &legend))
        return 1;

    CMapCanvas canvas(db, settings);
    canvas.m_bShowMemos = showMemos;
    canvas.m_bDeclutterNames = declutter;
    canvas.m_bTerritoryColors = territories;
    canvas.m_bTerritoryOutlines = outlines;
    canvas.m_outlineShape = shape;
    canvas.SetPlaceList(&places);
    canvas.m_aLegendSections = legend;
    return writeOutput(canvas, size, args.first(), posterText.isEmpty() ? nullptr : &poster) ? 0
                                                                                             : 1;
}
