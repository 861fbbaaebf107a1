#include "ui/res/Resources.h"

#include "base/CommandIds.h"

#include <QDir>

namespace Res {

namespace {

const MenuItem kSeparator{ID_SEPARATOR, QString()};

Popup editMenu() {
    return {QStringLiteral("&Bearbeiten"),
            {{ID_EDIT_COPY, QStringLiteral("&Kopieren\tStrg+C")},
             {ID_SELECT_ALL_ROWS, QStringLiteral("&Alles Waehlen\tStrg+A")}}};
}

Popup windowMenu() {
    return {QStringLiteral("&Fenster"),
            {{ID_WINDOW_NEW, QStringLiteral("&Neues Fenster")},
             {ID_WINDOW_CASCADE, QStringLiteral("Ü&berlappend")},
             {ID_WINDOW_TILE_HORZ, QStringLiteral("&Nebeneinander")},
             {ID_WINDOW_ARRANGE, QStringLiteral("&Symbole anordnen")}}};
}

Popup helpMenu() {
    return {QStringLiteral("&Hilfe"),
            {{ID_HELP_FINDER, QStringLiteral("Hilfe&themen")},
             kSeparator,
             {ID_APP_ABOUT, QStringLiteral("&Info über Kelvo...")}}};
}

QList<MenuItem> viewItems() {
    return {{ID_VIEW_TOOLBAR, QStringLiteral("&Symbolleiste")},
            {ID_VIEW_STATUS_BAR, QStringLiteral("Status&leiste")},
            kSeparator,
            {ID_SEARCH, QStringLiteral("Suchen...")},
            {ID_RECORD_EDIT, QStringLiteral("Datensatz...")},
            {ID_RADIUS_SEARCH, QStringLiteral("&Umkreissuche...")},
            {ID_VIEW_REFRESH, QStringLiteral("&Aktualisieren\tF5")},
            kSeparator,
            {ID_TERRITORY_PANEL, QStringLiteral("Gebiete...")},
            {ID_TERRITORY_ASSIGN, QStringLiteral("Gebiet zuweisen...")}};
}

// Results going out of a table window, after the printing commands of the file menu.
const MenuItem kExport{ID_FILE_EXPORT, QStringLiteral("E&xportieren...")};
const MenuItem kSavePlaces{ID_FILE_SAVE_PLACES, QStringLiteral("Als &Ortsdatei speichern...")};

const MenuItem kOpenList{ID_FILE_OPEN_LIST, QStringLiteral("&Liste öffnen...")};
const MenuItem kRecentFiles{ID_FILE_MRU_FILE1, QStringLiteral("Letzte Datei")};
const MenuItem kDataImport{ID_DATA_IMPORT, QStringLiteral("Postleitzahlen &importieren...")};
const MenuItem kDataDownload{ID_DATA_DOWNLOAD, QStringLiteral("Postleitzahlen &herunterladen...")};

// The file menus' items from getting data to the recent files, the same in every window.
QList<MenuItem> fileItems(const QList<MenuItem>& afterPrinting = {}) {
    return QList<MenuItem>{kSeparator,
                           kDataImport,
                           kDataDownload,
                           kSeparator,
                           {ID_FILE_PRINT, QStringLiteral("&Drucken...\tStrg+P")},
                           {ID_FILE_PRINT_PREVIEW, QStringLiteral("&Seitenansicht")},
                           {ID_FILE_PRINT_SETUP, QStringLiteral("Dru&ckeinrichtung...")}} +
           afterPrinting +
           QList<MenuItem>{kSeparator, kExport, kSavePlaces, kSeparator, kRecentFiles, kSeparator};
}

} // namespace

QList<Popup> Menu(int menuId) {
    if (menuId == IDR_MAINFRAME) {
        const QList<MenuItem> file =
            QList<MenuItem>{{ID_FILE_NEW, QStringLiteral("&Karte öffnen\tStrg+K")},
                            {ID_TABLE_OPEN, QStringLiteral("&Tabelle öffnen\tStrg+T")},
                            {ID_FILE_OPEN, QStringLiteral("Datei ö&ffnen...\tStrg+O")},
                            kOpenList} +
            fileItems() +
            QList<MenuItem>{{ID_FILE_CLOSE, QStringLiteral("&Schließen")},
                            {ID_APP_EXIT, QStringLiteral("&Beenden")}};
        return {{QStringLiteral("&Datei"), file},
                editMenu(),
                {QStringLiteral("&Ansicht"), viewItems()},
                windowMenu(),
                helpMenu()};
    }
    if (menuId == IDR_MAPTYPE) {
        QList<MenuItem> view = viewItems();
        view << kSeparator
             << MenuItem{ID_SHOW_FILE_PLACES, QStringLiteral("Orte aus Datei anzeigen")}
             << MenuItem{ID_SHOW_MEMOS, QStringLiteral("Memos anzeigen")}
             << MenuItem{ID_SHOW_PLACE_NAMES, QStringLiteral("Ortsnamen anzeigen")}
             << MenuItem{ID_DECLUTTER_NAMES, QStringLiteral("&Namen ohne Überlappung")}
             << MenuItem{ID_VIEW_BASE_MAP, QStringLiteral("&Grundkarte")}
             << MenuItem{ID_VIEW_KEEP_ASPECT, QStringLiteral("Seitenverhältnis &wahren")}
             << MenuItem{ID_VIEW_LEGEND, QStringLiteral("&Legende")}
             << MenuItem{ID_TERRITORY_COLORS, QStringLiteral("Nach Gebieten färben")}
             << MenuItem{ID_TERRITORY_OUTLINES, QStringLiteral("Gebietsumrisse")}
             << MenuItem{ID_TERRITORY_OUTLINE_SHAPE, QStringLiteral("Gebietsumrisse einstellen...")}
             << MenuItem{ID_PLACES_WITHOUT_ROW, QStringLiteral("Einträge ohne Ort...")}
             << MenuItem{ID_VIEW_AS_OF, QStringLiteral("S&tichtag...")}
             << MenuItem{ID_VIEW_LIST_ISSUES, QStringLiteral("&Zeilen ohne Ort...")};
        const QList<MenuItem> file =
            QList<MenuItem>{{ID_FILE_NEW, QStringLiteral("&Mappe öffnen\tStrg+M")},
                            {ID_TABLE_OPEN, QStringLiteral("&Tabelle öffnen\tStrg+T")},
                            {ID_FILE_OPEN, QStringLiteral("Datei ö&ffnen...\tStrg+O")},
                            kOpenList,
                            {ID_FILE_CLOSE, QStringLiteral("&Schließen")}} +
            fileItems({{ID_FILE_SAVE_MAP_IMAGE, QStringLiteral("Karte als &Bild speichern...")},
                       {ID_FILE_PRINT_POSTER, QStringLiteral("Karte als &Poster drucken...")},
                       {ID_TERRITORY_SAVE_OUTLINES, QStringLiteral("Gebietsumrisse speichern...")},
                       {ID_TERRITORY_IMPORT_AREAS, QStringLiteral("PLZ-Flächen importieren...")}}) +
            QList<MenuItem>{{ID_APP_EXIT, QStringLiteral("&Beenden")}};
        return {{QStringLiteral("&Datei"), file},
                editMenu(),
                {QStringLiteral("&Ansicht"), view},
                windowMenu(),
                helpMenu()};
    }
    return {};
}

QList<Accelerator> Accelerators() {
    return {
        {QKeySequence(Qt::CTRL | Qt::Key_K), ID_FILE_NEW},
        {QKeySequence(Qt::CTRL | Qt::Key_T), ID_TABLE_OPEN},
        {QKeySequence(Qt::CTRL | Qt::Key_O), ID_FILE_OPEN},
        {QKeySequence(Qt::CTRL | Qt::Key_P), ID_FILE_PRINT},
        {QKeySequence(Qt::CTRL | Qt::Key_S), ID_FILE_SAVE},
        {QKeySequence(Qt::CTRL | Qt::Key_C), ID_EDIT_COPY},
        {QKeySequence(Qt::CTRL | Qt::Key_Insert), ID_EDIT_COPY},
        {QKeySequence(Qt::CTRL | Qt::Key_X), ID_EDIT_CUT},
        {QKeySequence(Qt::SHIFT | Qt::Key_Delete), ID_EDIT_CUT},
        {QKeySequence(Qt::CTRL | Qt::Key_V), ID_EDIT_PASTE},
        {QKeySequence(Qt::SHIFT | Qt::Key_Insert), ID_EDIT_PASTE},
        {QKeySequence(Qt::CTRL | Qt::Key_Z), ID_EDIT_UNDO},
        {QKeySequence(Qt::ALT | Qt::Key_Backspace), ID_EDIT_UNDO},
        {QKeySequence(Qt::Key_F1), ID_HELP},
        {QKeySequence(Qt::SHIFT | Qt::Key_F1), ID_CONTEXT_HELP},
        {QKeySequence(Qt::Key_F6), ID_NEXT_PANE},
        {QKeySequence(Qt::SHIFT | Qt::Key_F6), ID_PREV_PANE},
        {QKeySequence(Qt::Key_F5), ID_VIEW_REFRESH},
        {QKeySequence(Qt::CTRL | Qt::Key_Q), ID_APP_EXIT},
    };
}

QList<int> ToolBarButtons() {
    return {ID_FILE_OPEN,  ID_FILE_PRINT_PREVIEW, ID_FILE_PRINT, ID_SEPARATOR,
            ID_FILE_NEW,   ID_TABLE_OPEN,         ID_SEARCH,     ID_SHOW_FILE_PLACES,
            ID_SHOW_MEMOS, ID_SHOW_PLACE_NAMES};
}

QString ToolBarIconPath(int id) {
    return QStringLiteral(":/icons/%1.xpm").arg(id);
}

QString DocumentIconPath(int resourceId) {
    // A map window shows the map of "Karte öffnen", a table window the table's grid.
    return ToolBarIconPath(resourceId == IDR_TABLETYPE ? ID_TABLE_OPEN : ID_FILE_NEW);
}

QIcon AppIcon() {
    QIcon icon;
    const QDir sizes(QStringLiteral(":/appicon"));
    for (const QString& name : sizes.entryList(QDir::Files))
        icon.addFile(sizes.filePath(name));
    return icon;
}

QString HelpPagePath() {
    return QStringLiteral(":/help/kelvo_hilfe.html");
}

} // namespace Res
