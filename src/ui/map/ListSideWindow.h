#pragma once

class CChildFrame;
class QMdiSubWindow;
class QWidget;

// The windows a list brings along ("Stichtag", "Zeilen ohne Ort"): sub-windows of the main
// window's window area, set beside the map's window where there is room. They are no document
// windows: commands keep going to the map, and the document closes them with its last map.
namespace ListSideWindow {

enum class Side { Right, Below };

// Puts `content` into a new sub-window of the map frame's window area (titled as the content
// is), sized to its hint, at the given side of the frame, narrowed to the room left there;
// where even its least size finds no room it is pushed back inside the area. A maximized map is
// shown normal in the whole area, less the room its list's windows take. The map stays the active
// window. The sub-window is deleted when closed. Without a window area (a frame not in one) the
// content is deleted and null returned.
QMdiSubWindow* Show(QWidget* content, CChildFrame* mapFrame, Side side);

// Shows and raises a sub-window made by Show at its side, keeping the map active; a map
// maximized meanwhile makes room for it again.
void Raise(QMdiSubWindow* window, CChildFrame* mapFrame, Side side);

} // namespace ListSideWindow
