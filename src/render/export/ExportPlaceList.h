#pragma once

#include "render/export/Export.h"
#include "render/places/PlaceEntry.h"
#include "render/places/TableListEntries.h"

// A place list (a list of the user's read as places) written as a place file: one line an
// entry with its nine fields, and its Ort as a tenth when entries name one (see
// CPlaceFileReader::kHeaderWithOrt), which the place-file reader gives back as the same
// entries on the same places.
// Separators and line breaks in a label become blanks; an entry whose Staat is not two
// characters or whose postal code holds a separator cannot be written and is counted as
// skipped. The file is replaced only when everything was written.
namespace Export {

CResult WritePlaceList(const QString& path, const CPlaceList& entries);
CResult WritePlaceList(const QString& path, const CTableListEntries& entries);

} // namespace Export
