#pragma once

#include <QString>

class CMapCanvas;
struct CPosterOptions;

namespace MapPosterPdf {

// Writes the poster as the PDF file `path` (600 dots to the inch, the title in the file's
// properties). A poster on one page keeps its markers out of Qt's page, which holds a page
// whole in memory until it ends: they are written to a file of their own while the map is
// drawn, and the page is put together from what was drawn under them, the markers and what
// was drawn over them as the PDF file is written: the page's content never holds them in
// memory. Returns the German message of an error (the file may then be left incomplete), or
// an empty text.
QString Write(const QString& path, CMapCanvas& canvas, const CPosterOptions& options);

} // namespace MapPosterPdf
