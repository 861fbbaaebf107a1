#include "base/JobThreads.h"

#include "base/VectorState.h"

#include <QCoreApplication>
#include <QThreadPool>

#include <cerrno>

#include <sys/resource.h>
#include <unistd.h>

#include <vector>

namespace {

// Background work yields to the window's own thread: a job thread runs a few steps below the
// program's priority, so that while a table fills or a map draws on both processors the window
// still paints and answers at once (a thread may lower its own priority, not raise it again).
void yieldToTheWindow() {
    constexpr int kNiceSteps = 5;
    thread_local bool lowered = false;
    if (lowered)
        return;
    lowered = true;
    const pid_t thread = gettid();
    errno = 0;
    const int current = getpriority(PRIO_PROCESS, id_t(thread));
    if (errno == 0)
        setpriority(PRIO_PROCESS, id_t(thread), current + kNiceSteps);
}

// The pools the running application waits for when it ends.
std::vector<CJobThreads*>& waiting() {
    static std::vector<CJobThreads*> pools;
    return pools;
}

} // namespace

CJobThreads::CJobThreads(int maxThreads) : m_pPool(new QThreadPool) {
    if (maxThreads > 0)
        m_pPool->setMaxThreadCount(maxThreads);
}

void CJobThreads::Start(std::function<void()> run) {
    if (QCoreApplication* app = QCoreApplication::instance(); app && app != m_pWaitingApp) {
        m_pWaitingApp = app;
        if (waiting().empty())
            qAddPostRoutine(&CJobThreads::WaitAtExit);
        waiting().push_back(this);
    }
    ++m_nRunning;
    m_pPool->start([this, run = std::move(run)] {
        VectorState::ClearUpper();
        yieldToTheWindow();
        run();
        --m_nRunning;
    });
}

bool CJobThreads::WaitForAll(int timeoutMs) {
    return m_pPool->waitForDone(timeoutMs);
}

void CJobThreads::WaitAtExit() {
    for (CJobThreads* pool : waiting()) {
        pool->WaitForAll(kExitWaitMs);
        pool->m_pWaitingApp = nullptr;
    }
    waiting().clear();
}
