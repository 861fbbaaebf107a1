#pragma once

#include <atomic>
#include <functional>

class QCoreApplication;
class QThreadPool;

// Threads for long jobs (reading, sorting, drawing), in a pool of their own: Qt's raster
// engine hands parts of the GUI thread's painting to the global pool and waits for them, so
// jobs that held its threads for seconds would keep every paint waiting behind them.
// The application waits for the threads when it ends, after their owners (gone with the
// windows) stopped them, so that no thread reads on while the program's statics go; at most
// kExitWaitMs, and the pool itself is never deleted, so that nothing waits past that.
class CJobThreads {
public:
    // `maxThreads`: how many run at once; 0 leaves Qt's default (one a processor).
    explicit CJobThreads(int maxThreads = 0);
    CJobThreads(const CJobThreads&) = delete;
    CJobThreads& operator=(const CJobThreads&) = delete;

    void Start(std::function<void()> run);
    // Jobs whose thread has not ended yet.
    int Running() const { return m_nRunning.load(); }
    // Waits until every job has ended, at most `timeoutMs`; false when some still run.
    bool WaitForAll(int timeoutMs);
    static constexpr int kExitWaitMs = 10000;

private:
    // The application's end: every pool that started a job in it is waited for.
    static void WaitAtExit();

    QThreadPool* const m_pPool;
    std::atomic<int> m_nRunning{0};
    QCoreApplication* m_pWaitingApp = nullptr;
};
