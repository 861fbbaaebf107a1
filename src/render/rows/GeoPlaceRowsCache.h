#pragma once

#include "store/GeoDatabase.h"

#include <QString>

#include <functional>
#include <memory>

class CGeoPlaceRows;

// The place rows of one database, shared by all its maps (texts read ahead on a thread come in
// through Adopt). Kept beside the database (its companion), which clears it when it closes.
class CGeoPlaceRowsCache : public CGeoDatabase::CCompanion {
public:
    // The cache of the database, made on first use.
    static CGeoPlaceRowsCache& Of(CGeoDatabase& database);
    explicit CGeoPlaceRowsCache(CGeoDatabase& database);
    ~CGeoPlaceRowsCache() override;

    // What the maps draw of every row: read again only when the data stamp has changed since
    // the rows in use were read, or when `texts` asks for texts (names, memos, a place list)
    // that they lack. While rows are read, `progress` is told the position (0-100) after
    // each; when the engine stops the read, `error` gets its message and the rows read so
    // far come back (they are not kept for the next caller). The rows live while a caller
    // keeps them.
    std::shared_ptr<const CGeoPlaceRows> Rows(bool texts, const std::function<void(int)>& progress,
                                              QString* error);
    // The rows in use when they still show the stored data and have texts if `texts` asks
    // for them; null otherwise (Rows would read).
    std::shared_ptr<const CGeoPlaceRows> Cached(bool texts);
    // Rows read through another connection to the same database become the rows in use, as
    // of this connection's `stamp`: the caller took it before that read began and found it
    // unchanged after it ended, so that the rows show the data stored at `stamp`.
    void Adopt(const std::shared_ptr<CGeoPlaceRows>& rows, const CGeoDatabase::CDataStamp& stamp);

    // Forgets the rows (the database closes).
    void Clear();
    void DatabaseClosed() override { Clear(); }

private:
    CGeoDatabase& m_database;
    std::weak_ptr<const CGeoPlaceRows> m_pRows;
};
