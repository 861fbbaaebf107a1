#pragma once

#include "store/GeoDatabase.h"

#include <memory>

class CGeoPlaceRows;

// The position of every row, read on a thread of its own while the radius search's dialog is
// open (a person takes seconds to fill it in): a search confirmed after that picks its nearest
// rows among them (TableNearest) and shows its first screen without waiting for every row.
// Only for a file whose rows no map holds already; a server would send every row with its
// texts for it.
class CNearestReadAhead {
public:
    // Starts the read when it is worth it; the caller is on the thread that uses `db`.
    explicit CNearestReadAhead(CGeoDatabase& db);
    // Stops a read still going.
    ~CNearestReadAhead();
    CNearestReadAhead(const CNearestReadAhead&) = delete;
    CNearestReadAhead& operator=(const CNearestReadAhead&) = delete;

    // The dialog has closed: rows read whole, at the data as it was stored when the read
    // began and still is, become the database's rows in use (CGeoPlaceRowsCache), kept while
    // this object lives; a read still going stops, as it would only take a processor from
    // the search.
    void Finish();

    // Whether a read ahead's thread has not ended yet.
    static bool Reading();

private:
    struct State;
    CGeoDatabase& m_db;
    std::shared_ptr<State> m_pState;
    CGeoDatabase::CDataStamp m_stamp;
    std::shared_ptr<const CGeoPlaceRows> m_pRows;
};
