#pragma once

// Command and resource identifiers. 32771 to 32783 are the program's own commands; the
// others keep the standard numbers of the desktop framework whose command set the program
// follows, so menus, accelerators, tool bar and string table all speak the same numbers.
enum CommandId : int {
    ID_SEPARATOR = 0,

    // Resources.
    IDD_ABOUTBOX = 100,
    IDR_MAINFRAME = 128, // main menu, accelerators, tool bar, application icon
    IDR_MAPTYPE = 129,   // map window: menu and icon
    IDR_TABLETYPE = 130, // table window: icon only

    // The program's own commands.
    ID_TABLE_OPEN = 32771,
    ID_SEARCH = 32772,
    ID_RECORD_EDIT = 32773,
    ID_SHOW_MEMOS = 32775,
    ID_SHOW_FILE_PLACES = 32776,
    ID_SHOW_PLACE_NAMES = 32779,
    ID_SELECT_ALL_ROWS = 32783,
    // Commands beyond the original set: results going out, the radius search, names, data in.
    ID_FILE_EXPORT = 32784,        // "Exportieren..." (table windows)
    ID_FILE_SAVE_PLACES = 32785,   // "Als Ortsdatei speichern..." (table windows)
    ID_RADIUS_SEARCH = 32786,      // "Umkreissuche..."
    ID_DECLUTTER_NAMES = 32787,    // "Namen ohne Überlappung" (map windows)
    ID_DATA_IMPORT = 32788,        // "Postleitzahlen importieren..."
    ID_DATA_DOWNLOAD = 32789,      // "Postleitzahlen herunterladen..."
    ID_VIEW_REFRESH = 32800,       // "Aktualisieren" (table windows read their rows again)
    ID_PLACES_WITHOUT_ROW = 32810, // "Einträge ohne Ort..." (map windows of a place file)
    // The user's lists.
    ID_FILE_OPEN_LIST = 32820,   // "Liste öffnen..."
    ID_VIEW_AS_OF = 32821,       // "Stichtag..." (map windows of a dated list)
    ID_VIEW_LIST_ISSUES = 32822, // "Zeilen ohne Ort..." (map windows of a list)
    // The base map and what goes with it (map windows).
    ID_VIEW_BASE_MAP = 32860,       // "Grundkarte"
    ID_VIEW_KEEP_ASPECT = 32861,    // "Seitenverhältnis wahren"
    ID_VIEW_LEGEND = 32862,         // "Legende"
    ID_FILE_SAVE_MAP_IMAGE = 32863, // "Karte als Bild speichern..."
    ID_FILE_PRINT_POSTER = 32864,   // "Karte als Poster drucken..."
    // Territories.
    ID_TERRITORY_PANEL = 32880,  // "Gebiete..."
    ID_TERRITORY_COLORS = 32881, // "Nach Gebieten färben" (map windows)
    ID_TERRITORY_ASSIGN = 32882, // "Gebiet zuweisen..." (table and map windows)
    // Territory outlines (map windows): "Gebietsumrisse", "Gebietsumrisse speichern...".
    ID_TERRITORY_OUTLINES = 32883,
    ID_TERRITORY_SAVE_OUTLINES = 32884,
    // "Gebietsumrisse einstellen...", "PLZ-Flächen importieren..." (map windows).
    ID_TERRITORY_OUTLINE_SHAPE = 32930,
    ID_TERRITORY_IMPORT_AREAS = 32931,

    // Application and status bar strings.
    AFX_IDS_APP_TITLE = 57344,
    AFX_IDS_IDLEMESSAGE = 57345,
    AFX_IDS_HELPMODEMESSAGE = 57346,

    // File.
    ID_FILE_NEW = 57600,
    ID_FILE_OPEN = 57601,
    ID_FILE_CLOSE = 57602,
    ID_FILE_SAVE = 57603,
    ID_FILE_SAVE_AS = 57604,
    ID_FILE_PAGE_SETUP = 57605,
    ID_FILE_PRINT_SETUP = 57606,
    ID_FILE_PRINT = 57607,
    ID_FILE_PRINT_DIRECT = 57608,
    ID_FILE_PRINT_PREVIEW = 57609,
    ID_FILE_MRU_FILE1 = 57616, // to ID_FILE_MRU_FILE16 = 57631
    ID_FILE_MRU_FILE16 = 57631,

    // Edit.
    ID_EDIT_CLEAR = 57632,
    ID_EDIT_CLEAR_ALL = 57633,
    ID_EDIT_COPY = 57634,
    ID_EDIT_CUT = 57635,
    ID_EDIT_FIND = 57636,
    ID_EDIT_PASTE = 57637,
    ID_EDIT_REPEAT = 57640,
    ID_EDIT_REPLACE = 57641,
    ID_EDIT_SELECT_ALL = 57642,
    ID_EDIT_UNDO = 57643,
    ID_EDIT_REDO = 57644,

    // Window.
    ID_WINDOW_NEW = 57648,
    ID_WINDOW_ARRANGE = 57649,
    ID_WINDOW_CASCADE = 57650,
    ID_WINDOW_TILE_HORZ = 57651,
    ID_WINDOW_TILE_VERT = 57652,
    ID_WINDOW_SPLIT = 57653,

    // Application and help.
    ID_APP_ABOUT = 57664,
    ID_APP_EXIT = 57665,
    ID_HELP_INDEX = 57666,
    ID_HELP_FINDER = 57667,
    ID_HELP_USING = 57668,
    ID_CONTEXT_HELP = 57669,
    ID_HELP = 57670,
    ID_DEFAULT_HELP = 57671,
    ID_NEXT_PANE = 57680,
    ID_PREV_PANE = 57681,

    // Status bar indicators.
    ID_INDICATOR_EXT = 59136,
    ID_INDICATOR_CAPS = 59137,
    ID_INDICATOR_NUM = 59138,
    ID_INDICATOR_SCRL = 59139,
    ID_INDICATOR_OVR = 59140,
    ID_INDICATOR_REC = 59141,

    // View.
    ID_VIEW_TOOLBAR = 59392,
    ID_VIEW_STATUS_BAR = 59393,

    // Prompts of a document window's system menu.
    AFX_IDS_SCSIZE = 61184,
    AFX_IDS_SCMOVE = 61185,
    AFX_IDS_SCMINIMIZE = 61186,
    AFX_IDS_SCMAXIMIZE = 61187,
    AFX_IDS_SCNEXTWINDOW = 61188,
    AFX_IDS_SCPREVWINDOW = 61189,
    AFX_IDS_SCCLOSE = 61190,
    AFX_IDS_SCRESTORE = 61202,
    AFX_IDS_SCTASKLIST = 61203,
    AFX_IDS_MDICHILD = 61215,
    AFX_IDS_PREVIEW_CLOSE = 61445,
};

// Entries of the recent-file list ("Letzte Datei"): ID_FILE_MRU_FILE1 and the next nine.
inline constexpr int kRecentFileCount = 10;
