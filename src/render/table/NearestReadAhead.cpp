#include "render/table/NearestReadAhead.h"

#include "base/JobThreads.h"
#include "render/rows/GeoPlaceRows.h"
#include "render/rows/GeoPlaceRowsCache.h"
#include "store/GeoReaderPool.h"

#include <QFileInfo>

#include <atomic>
#include <mutex>

namespace {

// One thread: a second read ahead would only wait behind the first.
CJobThreads& jobThreads() {
    static CJobThreads* const threads = new CJobThreads(1);
    return *threads;
}

// Rows read between two looks at the stop flag, outside a transaction: a write waits at most
// a slice.
constexpr qint64 kSliceMs = 20;

} // namespace

struct CNearestReadAhead::State {
    std::atomic<bool> stop{false};
    std::mutex mutex;
    bool done = false;                   // under mutex
    std::shared_ptr<CGeoPlaceRows> rows; // under mutex, once done; null when not read whole
};

CNearestReadAhead::CNearestReadAhead(CGeoDatabase& db) : m_db(db) {
    if (!db.IsOpen() || db.IsServer() || CGeoPlaceRowsCache::Of(db).Cached(false))
        return;
    m_stamp = db.DataStamp();
    m_pState = std::make_shared<State>();
    jobThreads().Start([state = m_pState, location = db.FilePath()] {
        std::shared_ptr<CGeoPlaceRows> rows;
        // Opening would make a file that is gone.
        if (!state->stop && QFileInfo::exists(location)) {
            std::unique_ptr<CGeoDatabase> connection = GeoReaderPool::Take(location);
            if (connection->IsOpen()) {
                CGeoPlaceRowsReader reader(*connection, false);
                bool whole = false;
                while (!state->stop && !(whole = reader.Read(kSliceMs)))
                    ;
                // Rows whose Staat values differ only in case need their texts: not for this.
                if (whole && !state->stop && reader.Error().isEmpty() && !reader.NeedsTexts())
                    rows = reader.Finish();
            }
        }
        const std::lock_guard lock(state->mutex);
        state->rows = std::move(rows);
        state->done = true;
    });
}

CNearestReadAhead::~CNearestReadAhead() {
    if (m_pState)
        m_pState->stop = true;
}

bool CNearestReadAhead::Reading() {
    return jobThreads().Running() > 0;
}

void CNearestReadAhead::Finish() {
    if (!m_pState)
        return;
    std::shared_ptr<CGeoPlaceRows> rows;
    {
        const std::lock_guard lock(m_pState->mutex);
        if (m_pState->done)
            rows = std::move(m_pState->rows);
    }
    m_pState->stop = true;
    m_pState.reset();
    if (!rows)
        return;
    CGeoPlaceRowsCache& cache = CGeoPlaceRowsCache::Of(m_db);
    cache.Adopt(rows, m_stamp);
    m_pRows = cache.Cached(false);
}
