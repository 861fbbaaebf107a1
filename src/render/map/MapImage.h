#pragma once

#include <QImage>
#include <QSize>
#include <QString>

class CMapCanvas;

// Pictures of a map as a window of `outerSize` shows it, drawn anew (not copied from the
// window), so that a larger picture has the finer lines and text of its size.
namespace MapImage {

// The picture at `factor` times the size (1, 2 or 4: every logical unit is factor pixels).
// A null image, with the engine's message in `error`, when the drawing failed.
QImage Render(CMapCanvas& canvas, QSize outerSize, int factor, QString* error);

// Writes the map as an SVG file (vectors and text, one logical unit a user unit). False with
// a German message when the drawing or the file failed; the file is then not left behind.
bool WriteSvg(CMapCanvas& canvas, QSize outerSize, const QString& path, QString* error);

// Writes the picture at `factor` as PNG; false with a German message.
bool WritePng(CMapCanvas& canvas, QSize outerSize, int factor, const QString& path, QString* error);

} // namespace MapImage
