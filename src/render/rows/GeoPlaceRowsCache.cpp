#include "render/rows/GeoPlaceRowsCache.h"

#include "render/rows/GeoPlaceRows.h"
#include "store/GeoDatabase.h"

CGeoPlaceRowsCache& CGeoPlaceRowsCache::Of(CGeoDatabase& database) {
    auto* cache = dynamic_cast<CGeoPlaceRowsCache*>(database.Companion());
    if (!cache) {
        auto made = std::make_unique<CGeoPlaceRowsCache>(database);
        cache = made.get();
        database.SetCompanion(std::move(made));
    }
    return *cache;
}

CGeoPlaceRowsCache::CGeoPlaceRowsCache(CGeoDatabase& database) : m_database(database) {}

CGeoPlaceRowsCache::~CGeoPlaceRowsCache() = default;

void CGeoPlaceRowsCache::Clear() {
    m_pRows.reset();
}

std::shared_ptr<const CGeoPlaceRows> CGeoPlaceRowsCache::Cached(bool texts) {
    std::shared_ptr<const CGeoPlaceRows> rows = m_pRows.lock();
    if (rows && rows->Stamp() == m_database.DataStamp() && (rows->HasTexts() || !texts))
        return rows;
    return nullptr;
}

void CGeoPlaceRowsCache::Adopt(const std::shared_ptr<CGeoPlaceRows>& rows,
                               const CGeoDatabase::CDataStamp& stamp) {
    if (!rows)
        return;
    rows->m_stamp = stamp;
    if (!(stamp == m_database.DataStamp()))
        return;
    // Rows with texts serve every map; rows without them do not replace rows with them.
    const std::shared_ptr<const CGeoPlaceRows> current = m_pRows.lock();
    if (current && current->Stamp() == stamp && current->HasTexts() && !rows->HasTexts())
        return;
    m_pRows = rows;
}

std::shared_ptr<const CGeoPlaceRows>
CGeoPlaceRowsCache::Rows(bool texts, const std::function<void(int)>& progress, QString* error) {
    std::shared_ptr<const CGeoPlaceRows> rows = Cached(texts);
    if (rows)
        return rows;
    // Maps still showing older rows keep them until they are drawn again.
    m_pRows.reset();
    rows.reset();
    auto reader = std::make_unique<CGeoPlaceRowsReader>(m_database, texts);
    reader->Read(-1, progress);
    if (reader->Error().isEmpty() && reader->NeedsTexts()) {
        reader = std::make_unique<CGeoPlaceRowsReader>(m_database, true);
        reader->Read(-1, progress);
    }
    rows = reader->Finish(progress);
    if (reader->Error().isEmpty())
        m_pRows = rows;
    else if (error)
        *error = reader->Error();
    return rows;
}
