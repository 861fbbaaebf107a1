#pragma once

#include <QList>

class QWidget;

// Window state kept for the next start in the program's settings (as the recent-file list):
// the main window's size, position and maximised state, and the column widths a table
// window was last given. Nothing kept: the windows start as they always did.
namespace WindowState {

void SaveMainWindow(const QWidget* window);
// False when nothing was kept (the window keeps the size it was given).
bool RestoreMainWindow(QWidget* window);

void SaveColumnWidths(const QList<int>& widths);
// The kept widths, one per field; empty when none were kept.
QList<int> ColumnWidths(int columns);

} // namespace WindowState
