#pragma once

#include <QIcon>
#include <QKeySequence>
#include <QList>
#include <QString>

// The program's resources as data: string table, menus 128 and 129, accelerator table 128 and
// tool bar 128. The main frame builds its menus, shortcuts and buttons from these tables.
namespace Res {

// A string of the string table; empty for an id without a string. Command prompts hold the
// status-bar text, a line feed and the tool tip ("Kopiert ...\nKopieren").
QString String(int id);
// The status-bar prompt of a command: the part before the line feed.
QString StatusPrompt(int id);
// The tool tip of a command: the part after the line feed (empty when there is none).
QString ToolTip(int id);

// One menu item: a command id and its text ("&Tabelle öffnen\tStrg+T"; the part after the tab
// is the shortcut text shown at the right). Id ID_SEPARATOR is a separator line.
struct MenuItem {
    int id;
    QString text;
};
// A drop-down menu of the menu bar with its items in order.
struct Popup {
    QString text;
    QList<MenuItem> items;
};
// Menu 128 (main frame, no document window) or 129 (map window); empty for any other id.
QList<Popup> Menu(int menuId);

// Accelerator table 128, used in every window.
struct Accelerator {
    QKeySequence keys;
    int id;
};
QList<Accelerator> Accelerators();

// Tool bar 128: its slots in order, ID_SEPARATOR for a gap.
QList<int> ToolBarButtons();
// Resource path of a tool-bar button's 16 x 16 icon.
QString ToolBarIconPath(int id);
// Resource path of the icon of a kind of document window (129 map, 130 table).
QString DocumentIconPath(int resourceId);
// The application icon in each size it is drawn in: window icon and About box.
QIcon AppIcon();
// Resource path of the help page.
QString HelpPagePath();

} // namespace Res
