#include "render/table/TableFillJob.h"

#include "base/JobThreads.h"
#include "base/Progress.h"
#include "base/StepTrace.h"
#include "render/table/TableNearest.h"
#include "store/GeoDatabase.h"
#include "store/GeoReaderPool.h"

#include <chrono>
#include <condition_variable>
#include <mutex>

namespace {

// The jobs' threads, with a thread for every job at once (a sort does not wait behind two
// fills).
CJobThreads& jobThreads() {
    static CJobThreads* const threads = new CJobThreads(64);
    return *threads;
}

// How long the reading of all rows waits for the window to paint the first screen: while it
// paints, the window has both processors (a server's scan runs in processes of their own that
// no priority of this program's threads holds back).
constexpr int kFirstPaintWaitMs = 20;

// Runs `run` on a thread of the jobs' pool.
void startThread(std::function<void()> run) {
    jobThreads().Start(std::move(run));
}

} // namespace

struct CTableFillJob::State : CProgress {
    std::atomic<bool> cancel{false};
    std::atomic<int> percent{0};
    std::atomic<bool> done{false};
    mutable std::mutex mutex;
    mutable std::condition_variable firstOrDone; // first, shown, result or stop (under mutex)
    std::optional<CTableRows> first, result;
    bool firstSet = false;          // under mutex
    bool firstShown = false;        // under mutex
    CGeoDatabase* reader = nullptr; // the thread's connection while it reads (under mutex)

    // The statement running on the thread's connection stops at once (not at the next look
    // at the flag, which a search finding nothing may not reach before the table's end).
    void Stop() {
        cancel = true;
        {
            std::lock_guard lock(mutex);
            if (reader)
                reader->Interrupt();
        }
        firstOrDone.notify_all();
    }
    void Reading(CGeoDatabase* db) {
        std::lock_guard lock(mutex);
        reader = db;
    }

    void Start(const QString&) override {}
    void SetPos(int pos) override { percent.store(pos, std::memory_order_relaxed); }
    void Finish() override {}
};

CTableFillJob::CTableFillJob(const CGeoDatabase& db, const CGeoTableDesc& desc, CGeoFilter filter,
                             CFirstScreen first, Finish finish, Ready ready)
    : m_pState(std::make_shared<State>()) {
    startThread([state = m_pState, location = db.FilePath(), desc, filter = std::move(filter),
                 screen = first, finish = std::move(finish), ready = std::move(ready)]() mutable {
        std::unique_ptr<CGeoDatabase> connection;
        {
            const StepTrace::Step step("fill.Open");
            connection = GeoReaderPool::Take(location);
        }
        CGeoDatabase& reader = *connection;
        state->Reading(&reader);
        // A stop also ends a wait for the server's answer (the connection then goes).
        reader.SetGiveUpHook([state](int) { return state->cancel.load(); });
        CTableRows rows;
        if (!reader.IsOpen()) {
            rows.m_result.m_strError = reader.OpenError();
        } else {
            if (screen.count > 0 && !state->cancel) {
                const StepTrace::Step step("fill.FirstRows");
                CTableRows first =
                    screen.nearest
                        ? TableNearest::ReadScreen(reader, desc, filter, screen, &state->cancel)
                        : ReadFirstTableRows(reader, desc, filter, screen.count);
                // The positions the screen was picked from go now, not when this thread
                // lets go of its work: the search that read them ahead ends with it.
                screen.places.reset();
                // No first screen, nothing to paint.
                const bool paint = !first.m_order.empty();
                {
                    std::lock_guard lock(state->mutex);
                    state->first = std::move(first);
                    state->firstSet = true;
                }
                state->firstOrDone.notify_all();
                if (ready)
                    ready();
                std::unique_lock lock(state->mutex);
                if (paint)
                    state->firstOrDone.wait_for(lock, std::chrono::milliseconds(kFirstPaintWaitMs),
                                                [&] { return state->firstShown || state->cancel; });
            }
            if (!state->cancel)
                rows = ReadTableRows(reader, desc, filter, state.get(), &state->cancel);
            if (finish && !state->cancel && !rows.m_result.m_bCancelled)
                finish(rows, state->cancel);
        }
        rows.m_result.m_bCancelled = rows.m_result.m_bCancelled || state->cancel;
        // Kept for the next fill only where nothing was left half read.
        reader.SetGiveUpHook({});
        state->Reading(nullptr);
        if (!rows.m_result.m_bCancelled && rows.m_result.m_strError.isEmpty())
            GeoReaderPool::Give(std::move(connection));
        connection.reset();
        {
            std::lock_guard lock(state->mutex);
            state->result = std::move(rows);
            state->done = true;
        }
        state->firstOrDone.notify_all();
        if (ready)
            ready();
    });
}

bool CTableFillJob::WaitForAll(int timeoutMs) {
    return jobThreads().WaitForAll(timeoutMs);
}

CTableFillJob::~CTableFillJob() {
    Cancel();
}

void CTableFillJob::Cancel() {
    m_pState->Stop();
}

int CTableFillJob::Percent() const {
    return m_pState->percent.load(std::memory_order_relaxed);
}

std::optional<CTableRows> CTableFillJob::TakeFirstRows() {
    std::lock_guard lock(m_pState->mutex);
    return std::exchange(m_pState->first, std::nullopt);
}

void CTableFillJob::FirstScreenShown() {
    {
        std::lock_guard lock(m_pState->mutex);
        m_pState->firstShown = true;
    }
    m_pState->firstOrDone.notify_all();
}

bool CTableFillJob::WaitForFirstRows(int timeoutMs) const {
    std::unique_lock lock(m_pState->mutex);
    m_pState->firstOrDone.wait_for(lock, std::chrono::milliseconds(timeoutMs),
                                   [this] { return m_pState->firstSet || m_pState->done; });
    return m_pState->first.has_value();
}

bool CTableFillJob::IsDone() const {
    return m_pState->done;
}

std::optional<CTableRows> CTableFillJob::TakeResult() {
    if (!m_pState->done)
        return std::nullopt;
    std::lock_guard lock(m_pState->mutex);
    return std::exchange(m_pState->result, std::nullopt);
}

struct CBackgroundJob::State {
    std::atomic<bool> cancel{false};
    std::atomic<bool> done{false};
};

CBackgroundJob::CBackgroundJob(Work work) : m_pState(std::make_shared<State>()) {
    startThread([state = m_pState, work = std::move(work)] {
        work(state->cancel);
        state->done = true;
    });
}

CBackgroundJob::~CBackgroundJob() {
    Cancel();
}

void CBackgroundJob::Cancel() {
    m_pState->cancel = true;
}

bool CBackgroundJob::IsDone() const {
    return m_pState->done;
}
