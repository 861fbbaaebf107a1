#pragma once

#include "base/GeoTableDesc.h"
#include "render/table/TableFill.h"
#include "store/GeoFilter.h"

#include <QString>

#include <atomic>
#include <functional>
#include <memory>
#include <optional>

class CGeoDatabase;

// Reads a table window's rows on a thread of its own, over a connection of its own to the
// database `db` is open on (the file a second time, or the server), so that the window
// stays usable meanwhile. First the first screen of rows is read (`first`: rows of the
// standard order, or the nearest picked from map rows), then every row as ReadTableRows reads them;
// `finish`, when given, then runs on the same thread over the rows read (to put them in the
// window's order), unless the reading was stopped.
//
// The owner asks for what is there (TakeFirstRows, TakeResult, Percent) from its own
// thread; `ready`, when given, is called on the job's thread as soon as the first screen or
// the result is there to be taken (to ask at once instead of at the next look). Cancel() or
// dropping the job stops it soon; nobody waits for the thread, which ends by itself and frees what
// it read (the application waits for it when it ends).
class CTableFillJob {
public:
    using Finish = std::function<void(CTableRows& rows, const std::atomic<bool>& cancel)>;
    using Ready = std::function<void()>;
    CTableFillJob(const CGeoDatabase& db, const CGeoTableDesc& desc, CGeoFilter filter,
                  CFirstScreen first, Finish finish = {}, Ready ready = {});
    ~CTableFillJob(); // cancels
    CTableFillJob(const CTableFillJob&) = delete;
    CTableFillJob& operator=(const CTableFillJob&) = delete;

    void Cancel();
    // Waits until the threads of every job (fills, sorts, exports) have ended, at most
    // `timeoutMs`; false when some still run. The application does so when it ends
    // (CJobThreads).
    static bool WaitForAll(int timeoutMs);
    // The share read so far, 0-100, as the fill's progress bar shows it.
    int Percent() const;
    // The first screen of rows, once (then empty).
    std::optional<CTableRows> TakeFirstRows();
    // Waits at most `timeoutMs` until the first screen is there to be taken or the job has
    // ended; true when it is there. Reading one screen takes about a millisecond: a window
    // that waits for it shows its rows with its first paint.
    bool WaitForFirstRows(int timeoutMs) const;
    // Tells that the first screen is painted: the reading of all rows, which waits for this
    // (a moment at most) so as not to take the processors from that paint, goes on.
    void FirstScreenShown();
    // Whether every row is read, and the rows once they are (then empty).
    bool IsDone() const;
    std::optional<CTableRows> TakeResult();

    struct State;

private:
    std::shared_ptr<State> m_pState;
};

// The same for a job that only computes (a sort): `work` runs on a thread of its own and
// gets a flag that becomes true when the owner lost interest.
class CBackgroundJob {
public:
    using Work = std::function<void(const std::atomic<bool>& cancel)>;
    explicit CBackgroundJob(Work work);
    ~CBackgroundJob(); // cancels
    CBackgroundJob(const CBackgroundJob&) = delete;
    CBackgroundJob& operator=(const CBackgroundJob&) = delete;

    void Cancel();
    bool IsDone() const;

    struct State;

private:
    std::shared_ptr<State> m_pState;
};
