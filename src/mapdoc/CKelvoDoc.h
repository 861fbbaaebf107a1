#pragma once

#include "app/Document.h"

// The document of every map and table window. A new document resets the extent the next
// map view starts from and is titled "Die Karte"; a document opened from a file is a place
// file read into the document. It never writes anything: there is no save.
class CKelvoDoc : public CDocument {
public:
    CKelvoDoc() = default;

    bool OnNewDocument() override;

protected:
    // Reads the place file; the map document's reader fills this in. Nothing is read yet.
    bool OnLoadDocument(QIODevice& file) override;
};
