#include "apps/kelvo-cli/CliCommon.h"
#include "store/LeftoverFiles.h"

#include <QCoreApplication>
#include <QGuiApplication>
#include <QStringList>

#include <map>
#include <memory>

namespace {

const char* const kUsage =
    "Aufruf: kelvo-cli BEFEHL [OPTIONEN]\n"
    "\n"
    "  import [--db DATEI] [--map-country LI=FL ...] [--skip-invalid] [--append] DATEI...\n"
    "      GeoNames-Postleitzahldateien (.txt oder .zip) importieren; die Zeilen jedes Staats\n"
    "      darin ersetzen seine bisherigen, Memos bleiben erhalten (--append: nur anhängen)\n"
    "  download [--db DATEI] [--url ADRESSE] [--map-country LI=FL ...] [--skip-invalid]\n"
    "           [--append] XX...\n"
    "      die GeoNames-Postleitzahlen der Staaten XX herunterladen und importieren\n"
    "  search [--db DATEI] [--fold] TEXT\n"
    "      Zeilen suchen, die TEXT in einem der zehn Textfelder enthalten\n"
    "      (--fold: ä = ae, ö = oe, ü = ue, ß = ss)\n"
    "  near [--db DATEI] [--radius KM] [--pick N] MITTELPUNKT\n"
    "      die Orte im Umkreis (Standard 25 km) um eine PLZ (\"DE 80331\"), einen Ort oder\n"
    "      einen Punkt LON;LAT, die nächsten zuerst, mit der Entfernung in km (passen\n"
    "      mehrere Orte, stehen sie auf der Fehlerausgabe; --pick N nimmt den N-ten)\n"
    "  export [--db DATEI] --format csv|csv-intl|geojson|kml|places [--keep-formulas]\n"
    "         [--search TEXT [--fold]] AUSGABE\n"
    "      alle Zeilen (oder ein Suchergebnis) als CSV, GeoJSON, KML oder Ortsdatei schreiben\n"
    "      (csv: \";\" und Dezimalkomma, Formeln mit ' davor, außer mit --keep-formulas;\n"
    "      csv-intl: \",\" und Dezimalpunkt, alles unverändert)\n"
    "  render [--db DATEI] [--size BxH] [--extent WEST,OST,SUED,NORD] [--names] [--declutter]\n"
    "         [--memos] [--marker N] [--places DATEI] [--selected LON,LAT,NAME]\n"
    "         [--basemap] [--aspect] [--legend] [--poster A0..A4|BxH [--title TEXT]\n"
    "         [--tiles A4] [--portrait] [--margin MM] [--name-size PT]]\n"
    "         AUSGABE.png|AUSGABE.svg|AUSGABE.pdf\n"
    "      die Karte zeichnen, wie ein Kartenfenster dieser Größe sie zeigt (PDF: gedruckt;\n"
    "      --declutter: Namen ohne Überlappung, größere Orte zuerst; --basemap: Grundkarte,\n"
    "      --aspect: Seitenverhältnis wahren, --legend: Legende; --poster: als Poster auf\n"
    "      Papier dieser Größe, mit --tiles in Teilen auf kleineren Seiten)\n"
    "  print-table [--db DATEI] [--search TEXT] AUSGABE.pdf\n"
    "      die Tabelle (alle Zeilen oder ein Suchergebnis) drucken wie ein Tabellenfenster\n"
    "  places [--db DATEI] ORTSDATEI\n"
    "      eine Ortsdatei lesen und ihre Einträge und Meldungen ausgeben; mit --db auch\n"
    "      die Einträge, zu denen die Tabelle GEO keinen Ort hat\n"
    "  places --table LISTE [--sheet BLATT] [--map Staat=SPALTE,PLZ=SPALTE,Text=SPALTE,\n"
    "         Datum=SPALTE,Gruppe=SPALTE] [--country XX] [--stichtag DATUM] [--db DATEI]\n"
    "      eine eigene Liste (.xlsx, .ods, .csv, .tsv) nach Postleitzahl auf GEO setzen und\n"
    "      ihre Einträge ausgeben; Zeilen ohne Ort gehen auf die Standardfehlerausgabe\n"
    "      (render --places und export --format places --table nehmen die Liste ebenso)\n"
    "  copy --from DATEI|URL --to DATEI|URL\n"
    "      die Tabelle GEO mit Memos zwischen einer Datei und einem Server kopieren\n"
    "      (ganz oder gar nicht; das Ziel ist eine neue Datei oder eine leere Tabelle)\n"
    "  memo get [--db DATEI] \"STAAT PLZ [ORT]\"\n"
    "  memo set [--db DATEI] [--expect ALT] \"STAAT PLZ [ORT]\" TEXT\n"
    "      das Memo eines Orts ausgeben oder speichern; ist inzwischen ein anderes Memo\n"
    "      gespeichert als ALT (ohne --expect: das eben gelesene), wird nichts gespeichert\n"
    "      (Status 2)\n"
    "  init [--db DATEI|URL]\n"
    "      die Tabelle GEO (auf einem Server auch das Schema \"kelvo\" mit Kelvos Funktionen)\n"
    "      anlegen, auch in einer Datenbank, die schon anderes enthält; das bleibt, wie es ist\n"
    "  territory list|new|assign|delete|where|export|import|areas [--db DATEI] ...\n"
    "      Gebiete: Postleitzahlen und Orte Gebieten zuordnen, zählen, ein- und ausgeben;\n"
    "      areas import: PLZ-Flächen aus einer Polygondatei für die Gebietsumrisse\n"
    "\n"
    "  DATEI kann überall auch ein Datenbankserver sein: postgresql://BENUTZER@HOST:PORT/DB\n"
    "  (das Kennwort steht in ~/.pgpass oder PGPASSWORD).\n";

struct Command {
    int (*run)(QStringList);
    bool draws; // needs fonts and images: a QGuiApplication on the offscreen platform
};

} // namespace

int main(int argc, char* argv[]) {
    const std::map<QString, Command> commands{
        {QStringLiteral("import"), {RunImport, false}},
        {QStringLiteral("download"), {RunDownload, false}},
        {QStringLiteral("search"), {RunSearch, false}},
        {QStringLiteral("export"), {RunExport, false}},
        {QStringLiteral("near"), {RunNear, false}},
        {QStringLiteral("render"), {RunRender, true}},
        {QStringLiteral("places"), {RunPlaces, false}},
        {QStringLiteral("print-table"), {RunPrintTable, true}},
        {QStringLiteral("copy"), {RunCopy, false}},
        {QStringLiteral("memo"), {RunMemo, false}},
        {QStringLiteral("init"), {RunInit, false}},
        {QStringLiteral("territory"), {RunTerritory, false}},
    };
    const auto it = argc > 1 ? commands.find(QString::fromLocal8Bit(argv[1])) : commands.end();
    std::unique_ptr<QCoreApplication> app;
    if (it != commands.end() && it->second.draws) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
        app = std::make_unique<QGuiApplication>(argc, argv);
    } else {
        app = std::make_unique<QCoreApplication>(argc, argv);
    }
    // Ctrl+C, a terminal closed or a kill leave no temporary files behind.
    LeftoverFiles::InstallSignalHandlers();
    if (it == commands.end()) {
        Cli::Err(QString::fromUtf8(kUsage));
        return 2;
    }
    return it->second.run(QCoreApplication::arguments().mid(2));
}
