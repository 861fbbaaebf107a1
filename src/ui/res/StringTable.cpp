#include "ui/res/Resources.h"

#include "base/CommandIds.h"

#include <QHash>

namespace Res {

namespace {

const QHash<int, QString>& table() {
    static const QHash<int, QString> strings = {
        {IDR_MAINFRAME, QStringLiteral("Kelvo")},
        {AFX_IDS_APP_TITLE, QStringLiteral("Kelvo")},
        {AFX_IDS_IDLEMESSAGE, QStringLiteral(" ")},
        {AFX_IDS_HELPMODEMESSAGE,
         QStringLiteral("Wählen Sie das Objekt aus, für das die Hilfe angezeigt werden soll.")},

        {ID_TABLE_OPEN, QStringLiteral("Tabelle öffnen\nTabelle öffnen")},
        {ID_SEARCH, QStringLiteral("Datensätze suchen\nDatensätze suchen")},
        {ID_RECORD_EDIT, QStringLiteral("Datensatz ändern\nDatensatz ändern")},
        {ID_SHOW_MEMOS, QStringLiteral("Orte mit Memos anzeigen\nOrte mit Memos anzeigen")},
        {ID_SHOW_FILE_PLACES,
         QStringLiteral("Orte aus txt-Datei anzeigen\nOrte aus txt-Datei anzeigen")},
        {ID_SHOW_PLACE_NAMES, QStringLiteral("Ortsnamen anzeigen\nOrtsnamen anzeigen")},
        {ID_SELECT_ALL_ROWS,
         QStringLiteral("Waehlt alle Zeilen in Tabelle\nWaehlt alle Zeilen in Tabelle")},
        {ID_DATA_IMPORT, QStringLiteral("Importiert GeoNames-Postleitzahldateien (.txt oder "
                                        ".zip).\nPostleitzahlen importieren")},
        {ID_DATA_DOWNLOAD, QStringLiteral("Lädt die Postleitzahlen von Staaten bei GeoNames "
                                          "herunter und importiert sie.\nPostleitzahlen "
                                          "herunterladen")},
        {ID_VIEW_REFRESH, QStringLiteral("Liest die Zeilen der Tabelle neu aus der Datenbank.\n"
                                         "Aktualisieren")},

        {ID_FILE_EXPORT, QStringLiteral("Schreibt die Zeilen der Tabelle als CSV-, GeoJSON- oder "
                                        "KML-Datei.\nExportieren")},
        {ID_FILE_SAVE_PLACES,
         QStringLiteral("Speichert die gewählten Zeilen als Ortsdatei.\nAls Ortsdatei speichern")},
        {ID_RADIUS_SEARCH, QStringLiteral("Sucht die Orte im Umkreis einer PLZ, eines Ortes oder "
                                          "eines Punktes.\nUmkreissuche")},
        {ID_DECLUTTER_NAMES, QStringLiteral("Zeichnet nur Namen, die keine anderen überdecken, "
                                            "größere Orte zuerst.\nNamen ohne Überlappung")},
        {ID_FILE_OPEN_LIST, QStringLiteral("Öffnet eine eigene Liste (.xlsx, .ods, .csv, .tsv) "
                                           "als Karte, nach Postleitzahl gesetzt.\nListe öffnen")},
        {ID_VIEW_AS_OF, QStringLiteral("Zeigt die Liste, wie sie an einem Stichtag steht."
                                       "\nStichtag")},
        {ID_TERRITORY_PANEL, QStringLiteral("Zeigt die Gebiete mit ihren Orten, Regeln und "
                                            "Summen.\nGebiete")},
        {ID_TERRITORY_COLORS, QStringLiteral("Zeichnet jeden Ort in der Farbe seines Gebiets, "
                                             "die übrigen grau.\nNach Gebieten färben")},
        {ID_TERRITORY_ASSIGN, QStringLiteral("Weist die gewählten Zeilen oder die Orte der Karte "
                                             "einem Gebiet zu.\nGebiet zuweisen")},
        {ID_VIEW_LIST_ISSUES, QStringLiteral("Zeigt die Zeilen der Liste, die keinen Ort in GEO "
                                             "haben.\nZeilen ohne Ort")},
        {ID_VIEW_BASE_MAP, QStringLiteral("Zeichnet Staatsgrenzen, Küsten, Seen und Flüsse unter "
                                          "die Orte.\nGrundkarte")},
        {ID_VIEW_KEEP_ASPECT, QStringLiteral("Zeichnet die Karte in wahren Proportionen.\n"
                                             "Seitenverhältnis wahren")},
        {ID_VIEW_LEGEND, QStringLiteral("Zeigt die Legende der Staaten und Gruppen in der "
                                        "Kartenecke.\nLegende")},
        {ID_FILE_SAVE_MAP_IMAGE, QStringLiteral("Speichert die Karte als PNG- oder SVG-Bild.\n"
                                                "Karte als Bild speichern")},
        {ID_FILE_PRINT_POSTER, QStringLiteral("Druckt die Karte als Poster mit Titel, Maßstab und "
                                              "Quellen, auch auf mehrere A4-Seiten.\n"
                                              "Karte als Poster drucken")},
        {ID_TERRITORY_OUTLINES, QStringLiteral("Zieht um die Orte jedes Gebiets seinen Umriss in "
                                               "seiner Farbe.\nGebietsumrisse")},
        {ID_TERRITORY_SAVE_OUTLINES,
         QStringLiteral("Speichert die Umrisse der Gebiete als GeoJSON-Datei.\n"
                        "Gebietsumrisse speichern")},
        {ID_TERRITORY_OUTLINE_SHAPE,
         QStringLiteral("Wählt die konvexe oder eine konkave Hülle als Umriss der Gebiete.\n"
                        "Gebietsumrisse einstellen")},
        {ID_TERRITORY_IMPORT_AREAS,
         QStringLiteral("Liest die Flächen der Postleitzahlen aus einer Polygondatei; sie sind "
                        "dann die Umrisse der Gebiete.\nPLZ-Flächen importieren")},
        {ID_PLACES_WITHOUT_ROW, QStringLiteral("Listet die Einträge der Ortsdatei, deren Ort "
                                               "nicht in der Tabelle steht.\nEinträge ohne Ort")},

        {ID_FILE_NEW, QStringLiteral("Karte öffnen\nKarte öffnen")},
        {ID_FILE_OPEN, QStringLiteral("Öffnet eine txt-Datei.\nÖffnet eine txt-Datei")},
        {ID_FILE_CLOSE, QStringLiteral("Schließt das aktive Dokument.\nSchließen")},
        {ID_FILE_SAVE, QStringLiteral("Speichert das aktive Dokument.\nSpeichern")},
        {ID_FILE_SAVE_AS,
         QStringLiteral("Speichert das aktive Dokument unter einem neuem Namen.\nSpeichern unter")},
        {ID_FILE_PAGE_SETUP, QStringLiteral("Ändert die Druckoptionen.\nSeite einrichten")},
        {ID_FILE_PRINT_SETUP,
         QStringLiteral("Ändert den Drucker und die Druckoptionen.\nDruckereinrichtung")},
        {ID_FILE_PRINT, QStringLiteral("Druckt das aktive Dokument.\nDrucken")},
        {ID_FILE_PRINT_PREVIEW, QStringLiteral("Zeigt ganze Seiten an.\nSeitenansicht")},

        {ID_EDIT_CLEAR, QStringLiteral("Löscht die Auswahl.\nLöschen")},
        {ID_EDIT_CLEAR_ALL, QStringLiteral("Löscht alles.\nAlles löschen")},
        {ID_EDIT_COPY, QStringLiteral("Kopiert die Auswahl in die Zwischenablage.\nKopieren")},
        {ID_EDIT_CUT, QStringLiteral("Überträgt die Auswahl in die Zwischenablage.\nAusschneiden")},
        {ID_EDIT_FIND, QStringLiteral("Sucht den angegebenen Text.\nSuchen")},
        {ID_EDIT_PASTE, QStringLiteral("Fügt den Inhalt der Zwischenablage ein.\nEinfügen")},
        {ID_EDIT_REPEAT, QStringLiteral("Wiederholt den letzten Vorgang.\nWiederholen")},
        {ID_EDIT_REPLACE, QStringLiteral("Ersetzt den angegebenen Text.\nErsetzen")},
        {ID_EDIT_SELECT_ALL, QStringLiteral("Markiert das gesamte Dokument.\nAlles auswählen")},
        {ID_EDIT_UNDO, QStringLiteral("Macht den letzten Vorgang rückgängig.\nRückgängig")},
        {ID_EDIT_REDO,
         QStringLiteral("Wiederholt den zuletzt rückgängig gemachten Vorgang.\nWiederherstellen")},

        {ID_WINDOW_NEW,
         QStringLiteral("Öffnet ein weiteres Fenster für das aktive Dokument.\nNeues Fenster")},
        {ID_WINDOW_ARRANGE,
         QStringLiteral("Ordnet die Symbole im unteren Fensterrand an.\nSymbole anordnen")},
        {ID_WINDOW_CASCADE,
         QStringLiteral("Ordnet die Fenster überlappend an.\nÜberlappende Fenster")},
        {ID_WINDOW_TILE_HORZ,
         QStringLiteral("Ordnet die Fenster nebeneinander an.\nFenster nebeneinander")},
        {ID_WINDOW_TILE_VERT,
         QStringLiteral("Ordnet die Fenster nebeneinander an.\nFenster nebeneinander")},
        {ID_WINDOW_SPLIT, QStringLiteral("Teilt das aktive Fenster in Bereiche.\nTeilen")},

        {ID_APP_ABOUT,
         QStringLiteral("Zeigt Programm-, Versions- und Copyrightinformationen an.\nInfo")},
        {ID_APP_EXIT,
         QStringLiteral(
             "Beendet die Anwendung und fordert zum Speichern der Dokumente auf.\nBeenden")},
        {ID_HELP_INDEX, QStringLiteral("Öffnet die Hilfefunktion.\nHilfethemen")},
        {ID_HELP_FINDER, QStringLiteral("Listet die Hilfethemen auf.\nHilfethemen")},
        {ID_HELP_USING, QStringLiteral("Zeigt Anweisungen zum Verwenden der Hilfe an.\nHilfe")},
        {ID_CONTEXT_HELP,
         QStringLiteral("Zeigt Hilfe zu Schaltflächen, Menüs und Fenstern an.\nHilfe")},
        {ID_HELP, QStringLiteral("Zeigt Hilfe zum aktuellen Vorgang oder Befehl an.\nHilfe")},
        {ID_NEXT_PANE, QStringLiteral("Wechselt zum nächsten Fensterbereich.\nNächster Bereich")},
        {ID_PREV_PANE,
         QStringLiteral("Wechselt zum vorherigen Fensterbereich.\nVorheriger Bereich")},

        {ID_INDICATOR_EXT, QStringLiteral("ER")},
        {ID_INDICATOR_CAPS, QStringLiteral("UF")},
        {ID_INDICATOR_NUM, QStringLiteral("NUM")},
        {ID_INDICATOR_SCRL, QStringLiteral("RF")},
        {ID_INDICATOR_OVR, QStringLiteral("ÜB")},
        {ID_INDICATOR_REC, QStringLiteral("MA")},

        {ID_VIEW_TOOLBAR, QStringLiteral("Blendet die Symbolleiste ein oder aus.\nSymbolleiste")},
        {ID_VIEW_STATUS_BAR,
         QStringLiteral("Blendet die Statusleiste ein oder aus.\nStatusleiste")},

        {AFX_IDS_SCSIZE, QStringLiteral("Ändert die Fenstergröße.")},
        {AFX_IDS_SCMOVE, QStringLiteral("Ändert die Position des Fensters.")},
        {AFX_IDS_SCMINIMIZE, QStringLiteral("Minimiert das Fenster.")},
        {AFX_IDS_SCMAXIMIZE, QStringLiteral("Maximiert das Fenster.")},
        {AFX_IDS_SCNEXTWINDOW, QStringLiteral("Wechselt zum nächsten Dokumentfenster.")},
        {AFX_IDS_SCPREVWINDOW, QStringLiteral("Wechselt zum vorherigen Dokumentfenster.")},
        {AFX_IDS_SCCLOSE,
         QStringLiteral("Schließt das aktive Fenster und fordert zum Speichern des Dokuments "
                        "auf.")},
        {AFX_IDS_SCRESTORE, QStringLiteral("Stellt die ursprüngliche Fenstergröße wieder her.")},
        {AFX_IDS_SCTASKLIST, QStringLiteral("Aktiviert die Taskliste.")},
        {AFX_IDS_MDICHILD, QStringLiteral("Aktiviert dieses Fenster.")},
        {AFX_IDS_PREVIEW_CLOSE,
         QStringLiteral("Beendet die Seitenansicht.\nSeitenansicht beenden")},
    };
    return strings;
}

} // namespace

QString String(int id) {
    // The ten entries of the recent-file list share one prompt.
    if (id >= ID_FILE_MRU_FILE1 && id <= ID_FILE_MRU_FILE16)
        return QStringLiteral("Öffnet das Dokument.");
    return table().value(id);
}

QString StatusPrompt(int id) {
    return String(id).section(QLatin1Char('\n'), 0, 0);
}

QString ToolTip(int id) {
    return String(id).section(QLatin1Char('\n'), 1);
}

} // namespace Res
